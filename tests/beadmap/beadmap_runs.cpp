#include "beadmap_runs.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>
#include <zlib.h>

namespace bmtest {

EntryBuilder& EntryBuilder::atom(const std::string& residue, char chain, int number,
                                 const std::string& name, double x, double y, double z,
                                 bool hetero, char altloc, char insertion_code,
                                 const std::string& segment, const std::string& element) {
  // A name shorter than four characters starts in column 14.
  const std::string padded_name = name.size() < 4 ? " " + name : name;
  const std::string symbol = element.empty() ? name.substr(0, 1) : element;
  char record[100];
  std::snprintf(record, sizeof record,
                "%-6s%5d %-4s%c%-3s %c%4d%c   %8.3f%8.3f%8.3f%6.2f%6.2f      %-4s%2s\n",
                hetero ? "HETATM" : "ATOM", ++serial_, padded_name.c_str(), altloc,
                residue.c_str(), chain, number, insertion_code, x, y, z, 1.0, 0.0,
                segment.c_str(), symbol.c_str());
  text_ += record;
  return *this;
}

EntryBuilder& EntryBuilder::backbone(const std::string& residue, char chain, int number, double x,
                                     bool hetero, char insertion_code, const std::string& segment) {
  atom(residue, chain, number, "N", x, 0, 0, hetero, ' ', insertion_code, segment);
  atom(residue, chain, number, "CA", x + 1, 0, 0, hetero, ' ', insertion_code, segment);
  atom(residue, chain, number, "C", x + 1, 1, 0, hetero, ' ', insertion_code, segment);
  return atom(residue, chain, number, "O", x + 2, 1, 1, hetero, ' ', insertion_code, segment);
}

EntryBuilder& EntryBuilder::line(const std::string& text) {
  text_ += text + "\n";
  return *this;
}

std::string example_library() {
  return testsupport::read_file(BEADMAP_SOURCE_DIR "/examples/beadweave/beadlib.dat");
}

testsupport::ProcessResult run_beadmap(const testsupport::ScratchDir& dir,
                                       const std::vector<std::string>& args) {
  return testsupport::run_process(BEADMAP_PATH, args, dir.path());
}

// The text, gzip-compressed.
std::string compressed(const testsupport::ScratchDir& dir, const std::string& text) {
  const std::string path = (dir.path() / "compressing.gz").string();
  const gzFile file = ::gzopen(path.c_str(), "wb");
  EXPECT_NE(file, nullptr);
  EXPECT_EQ(::gzwrite(file, text.data(), static_cast<unsigned>(text.size())),
            static_cast<int>(text.size()));
  EXPECT_EQ(::gzclose(file), Z_OK);
  const std::string bytes = dir.read("compressing.gz");
  std::filesystem::remove(path);
  return bytes;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> bead_records(const std::string& structure_text) {
  std::vector<std::string> records;
  for (const std::string& line : lines_of(structure_text)) {
    if (line.starts_with("ATOM")) records.push_back(line);
  }
  return records;
}

std::vector<std::string> directory_entries(const testsupport::ScratchDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace bmtest
