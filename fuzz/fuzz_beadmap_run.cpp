// Fuzz target: a whole run of beadmap, from an atomistic entry to the
// coarse-grained structure. The input is written as an entry file and mapped
// as the program maps it: read by the structure library (PDB, mmCIF or mmJSON
// as its first characters suggest; a gzip-compressed input as a compressed
// PDB entry), mapped with the built-in mapping, checked against the example
// template library, and written with position restraints.
// What every run must keep:
// - exit status 0 or 1 (the command line is a valid one);
// - every line on standard error and standard output one message that starts
//   with "beadmap: " and holds no control character;
// - a refused run says why and leaves no file behind, output or temporary;
// - a run that succeeds says so in one summary line, and its structure reads
//   back through the coarse-grained reader with finite coordinates.
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include "beadmap/arguments.hpp"
#include "beadmap/front_end.hpp"
#include "beadweave/structure_input.hpp"
#include "fuzz_support.hpp"
#include "run_beadmap.hpp"

namespace {

namespace fs = std::filesystem;

constexpr const char* structure_name = "pdb-CG.pdb";
constexpr const char* restraints_name = "posre.itp";

// The entry's file name: its extension is how beadmap tells the format.
const char* entry_name(std::string_view text) {
  if (text.size() >= 2 && text[0] == '\x1f' && text[1] == '\x8b') return "entry.pdb.gz";
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return "entry.pdb";
  if (text[first] == '{') return "entry.json";
  if (text.substr(first).starts_with("data_")) return "entry.cif";
  return "entry.pdb";
}

// Standard output and standard error of the run, kept in memory: the C
// library lets its standard streams be set to other streams.
class CapturedStreams {
 public:
  CapturedStreams()
      : out_(::open_memstream(&out_text_, &out_size_)),
        err_(::open_memstream(&err_text_, &err_size_)),
        saved_out_(stdout),
        saved_err_(stderr) {
    if (out_ == nullptr || err_ == nullptr) std::abort();
    stdout = out_;
    stderr = err_;
  }
  CapturedStreams(const CapturedStreams&) = delete;
  CapturedStreams& operator=(const CapturedStreams&) = delete;
  ~CapturedStreams() {
    restore();
    std::free(out_text_);
    std::free(err_text_);
  }
  // Ends the capture; the texts stay readable.
  void restore() {
    if (out_ == nullptr) return;
    stdout = saved_out_;
    stderr = saved_err_;
    std::fclose(out_);
    std::fclose(err_);
    out_ = nullptr;
    err_ = nullptr;
  }
  std::string_view out() const { return {out_text_, out_size_}; }
  std::string_view err() const { return {err_text_, err_size_}; }

 private:
  char* out_text_ = nullptr;
  std::size_t out_size_ = 0;
  char* err_text_ = nullptr;
  std::size_t err_size_ = 0;
  std::FILE* out_;
  std::FILE* err_;
  std::FILE* saved_out_;
  std::FILE* saved_err_;
};

// Each line a message of its own: "beadmap: ", printable text, a line feed.
void check_messages(std::string_view text) {
  if (!text.empty() && text.back() != '\n') fuzzsupport::finding("a message without its line feed");
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (!line.starts_with("beadmap: "))
      fuzzsupport::finding("a line that is not a beadmap message");
    for (const char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 32 || byte == 127) fuzzsupport::finding("a control character in a message");
    }
    text.remove_prefix(end + 1);
  }
}

std::string read_file(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The structure written reads back as beadweave reads it, every bead at
// finite coordinates.
void check_structure_written() {
  beadweave::Structure structure;
  try {
    beadweave::read_structure_text(structure, read_file(structure_name));
  } catch (const beadweave::StructureTextError&) {
    fuzzsupport::finding("a structure written that the coarse-grained reader refuses");
  }
  for (std::int32_t bead = 1; bead <= structure.bead_count; ++bead) {
    const auto k = static_cast<std::size_t>(bead);
    if (!std::isfinite(structure.AX[k]) || !std::isfinite(structure.AY[k]) ||
        !std::isfinite(structure.AZ[k])) {
      fuzzsupport::finding("a bead written at a coordinate that is not finite");
    }
  }
  if (!fs::exists(restraints_name))
    fuzzsupport::finding("a run that succeeded without its restraints");
}

// After a refusal the directory holds the entry alone.
void check_nothing_left(const char* entry) {
  for (const auto& item : fs::directory_iterator(".")) {
    if (item.path().filename() != entry) fuzzsupport::finding("a refused run left a file behind");
  }
}

void remove_everything() {
  for (const auto& item : fs::directory_iterator(".")) fs::remove_all(item.path());
}

int run_beadmap_on(const char* entry, CapturedStreams& streams) {
  const std::array<const char*, 7> words{
      entry, "-o", structure_name, "--posre", restraints_name, "--library", BEADMAP_FUZZ_LIBRARY};
  const int status = beadmap::run_front_end("beadmap", [&words] {
    beadmap::run_beadmap(beadmap::parse_arguments(words));
    return true;
  });
  streams.restore();
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::enter_scratch_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  remove_everything();
  const char* entry = entry_name(text);
  fuzzsupport::write_file(entry, data, size);
  CapturedStreams streams;
  const int status = run_beadmap_on(entry, streams);
  check_messages(streams.err());
  check_messages(streams.out());
  if (status == 0) {
    if (streams.out().find('\n') + 1 != streams.out().size()) {
      fuzzsupport::finding("a run that succeeded without one summary line");
    }
    check_structure_written();
  } else if (status == 1) {
    if (streams.err().empty()) fuzzsupport::finding("a refused run that says nothing");
    if (!streams.out().empty()) fuzzsupport::finding("a refused run wrote a summary");
    check_nothing_left(entry);
  } else {
    fuzzsupport::finding("an exit status other than 0 or 1");
  }
  return 0;
}
