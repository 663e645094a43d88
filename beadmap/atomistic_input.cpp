#include "beadmap/atomistic_input.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <gemmi/mmread.hpp>
#include <gemmi/pdb.hpp>
#include <vector>

#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"
#include "common/file_descriptor.hpp"

namespace beadmap {
namespace {

// The largest entry read, uncompressed: far above the largest entries of the
// archive, and a bound for endless or exploding input.
constexpr std::size_t largest_entry = std::size_t{8} << 30;

// The columns of a PDB record that the old layout used for sequence numbers.
constexpr int pdb_columns_read_when_old = 72;

// Opens the input; a directory is refused with a reason of its own.
rio::FileDescriptor open_input(const std::string& path) {
  if (path == "-") {
    rio::FileDescriptor input(::dup(STDIN_FILENO));
    if (!input.is_open()) {
      throw Refusal(std::string("cannot read standard input: ") + std::strerror(errno));
    }
    return input;
  }
  rio::FileDescriptor input(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!input.is_open()) throw Refusal("cannot read " + path + ": " + std::strerror(errno));
  struct stat status {};
  if (::fstat(input.get(), &status) == 0 && S_ISDIR(status.st_mode)) {
    throw Refusal("cannot read " + printable(path) + ": it is a directory");
  }
  // A device (/dev/zero, a terminal) would be read without end.
  if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) {
    throw Refusal("cannot read " + printable(path) + ": not a file or a pipe");
  }
  return input;
}

// The whole input, decompressed when it is gzip-compressed (the
// decompressing reader passes plain text through as it is). A cut or
// damaged compressed stream, which the reader would hand out as a shorter
// text, is refused, as is a failed read.
std::vector<char> read_whole(const std::string& path) {
  rio::FileDescriptor input = open_input(path);
  const gzFile file = ::gzdopen(input.get(), "rb");
  if (file == nullptr) throw Refusal("cannot read " + shown_input_name(path) + ": out of memory");
  input.release();  // the stream closes it
  std::vector<char> text;
  std::size_t length = 0;
  int got = 0;
  do {
    if (length >= largest_entry) {
      ::gzclose_r(file);
      throw Refusal("cannot read " + shown_input_name(path) + ": more than " +
                    std::to_string(largest_entry >> 30) + " GiB of text (not an entry)");
    }
    text.resize(length + (std::size_t{1} << 20));
    got = ::gzread(file, text.data() + length, static_cast<unsigned>(text.size() - length));
    if (got > 0) length += static_cast<std::size_t>(got);
  } while (got > 0);
  int error = Z_OK;
  std::string reason = ::gzerror(file, &error);
  const bool compressed = ::gzdirect(file) == 0;
  ::gzclose_r(file);
  if (got < 0 || error != Z_OK) {
    if (reason.starts_with(path + ": ")) reason.erase(0, path.size() + 2);
    throw Refusal("cannot read " + shown_input_name(path) + ": " +
                  (compressed ? "damaged or incomplete compressed data (" + reason + ")" : reason));
  }
  text.resize(length);
  return text;
}

gemmi::CoorFormat format_of(const std::string& path, const std::vector<char>& text) {
  if (path == "-") {
    const gemmi::CoorFormat format =
        gemmi::coor_format_from_content(text.data(), text.data() + text.size());
    if (format != gemmi::CoorFormat::Unknown) return format;
    throw Refusal("standard input: unknown format (give --format pdb, cif or json)");
  }
  std::string base = path;
  if (base.size() > 3 && gemmi::iends_with(base, ".gz")) base.resize(base.size() - 3);
  const gemmi::CoorFormat format = gemmi::coor_format_from_ext(base);
  if (format == gemmi::CoorFormat::Unknown) {
    throw Refusal(path +
                  ": unknown format (the name must end in .pdb, .ent, .cif, .mmcif or "
                  ".json, each optionally followed by .gz; or give --format)");
  }
  return format;
}

// The PDB text with every line blank-padded to the columns the structure
// library may read (some of its record readers look past the end of a short
// line), and without carriage returns: the same records for it, read within
// the text.
std::vector<char> padded_pdb_text(const std::vector<char>& text) {
  constexpr std::size_t columns_read = 88;
  std::vector<char> padded;
  padded.reserve(text.size() + text.size() / 8 + columns_read);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\n') ++end;
    std::size_t content_end = end;
    if (content_end > start && text[content_end - 1] == '\r') --content_end;
    padded.insert(padded.end(), text.begin() + static_cast<std::ptrdiff_t>(start),
                  text.begin() + static_cast<std::ptrdiff_t>(content_end));
    if (content_end - start < columns_read)
      padded.resize(padded.size() + columns_read - (content_end - start), ' ');
    padded.push_back('\n');
    start = end + 1;
  }
  return padded;
}

AtomisticEntry parse(std::vector<char>& text, const std::string& name, gemmi::CoorFormat format) {
  AtomisticEntry entry;
  switch (format) {
    case gemmi::CoorFormat::Pdb:
      text = padded_pdb_text(text);
      try {
        entry.structure = gemmi::read_pdb_from_memory(text.data(), text.size(), name);
      } catch (const std::exception& whole_lines) {
        // Old files carry other text in columns 73-80, which the mapping
        // needs none of.
        gemmi::PdbReadOptions options;
        options.max_line_length = pdb_columns_read_when_old;
        entry.structure = gemmi::read_pdb_from_memory(text.data(), text.size(), name, options);
        entry.note = "columns 73-80 of " + name + " ignored (" + whole_lines.what() + ")";
      }
      break;
    case gemmi::CoorFormat::Mmjson:
      entry.structure =
          gemmi::make_structure(gemmi::cif::read_mmjson_insitu(text.data(), text.size(), name));
      break;
    default:
      entry.structure = gemmi::make_structure_from_doc(
          gemmi::cif::read_memory(text.data(), text.size(), name.c_str()), true);
      break;
  }
  return entry;
}

}  // namespace

std::string shown_input_name(const std::string& path) {
  return path == "-" ? "standard input" : printable(path);
}

std::optional<gemmi::CoorFormat> format_named(const std::string& word) {
  if (word == "pdb") return gemmi::CoorFormat::Pdb;
  if (word == "cif") return gemmi::CoorFormat::Mmcif;
  if (word == "json") return gemmi::CoorFormat::Mmjson;
  return std::nullopt;
}

AtomisticEntry read_atomistic(const std::string& path, std::optional<gemmi::CoorFormat> format) {
  if (path != "-" && !format) format_of(path, {});  // an unknown name fails before the read
  std::vector<char> text = read_whole(path);
  // The structure library's own word on an empty text is of no help.
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; })) {
    throw Refusal(shown_input_name(path) + " is empty: it holds no model with atoms");
  }
  const gemmi::CoorFormat chosen = format ? *format : format_of(path, text);
  AtomisticEntry entry;
  try {
    entry = parse(text, shown_input_name(path), chosen);
  } catch (const std::exception& error) {
    throw Refusal("cannot read " + shown_input_name(path) + ": " + error.what());
  }
  if (entry.structure.models.empty() || entry.structure.models.front().chains.empty()) {
    throw Refusal(shown_input_name(path) + " holds no model with atoms");
  }
  return entry;
}

const gemmi::Model& choose_model(const gemmi::Structure& entry,
                                 const std::optional<std::string>& number) {
  if (!number) return entry.models.front();
  std::string names;
  for (const gemmi::Model& model : entry.models) {
    if (model.name == *number) return model;
    names += names.empty() ? "" : " ";
    names += model.name;
  }
  throw Refusal("the entry has no model " + *number + " (its models: " + names + ")");
}

}  // namespace beadmap
