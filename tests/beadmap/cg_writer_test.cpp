// The structure file in the columns beadweave reads, the limits it cannot
// go beyond, and the numbering of the position restraints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "beadmap/cg_writer.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the text does not end with a line feed";
  return lines;
}

// Columns first..last (1-based, inclusive) of a record.
std::string columns(const std::string& line, std::size_t first, std::size_t last) {
  return line.substr(first - 1, last - first + 1);
}

CgStructure two_residues() {
  CgStructure structure;
  structure.chain_id = 'B';
  structure.residues = {
      CgResidue{"LYS", {-12, ' '}, {{"BB", {1.0, -2.0, 3.0}}, {"SC1", {-999.9994, 12.3456, 9999.9994}}}},
      CgResidue{"GLY", {37, 'C'}, {{"BB", {0.0006, -0.0006, 1234.5676}}}},
  };
  return structure;
}

TEST(StructureFile, HeaderAndBeadRecordsInTheirColumns) {
  const auto lines = lines_of(format_cg_structure(two_residues()));
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_EQ(lines[0], "HEADER number of residues:    2 number of beads:    3");
  EXPECT_EQ(columns(lines[0], 28, 31), "   2");
  EXPECT_EQ(columns(lines[0], 50, 53), "   3");
  const std::string& sc1 = lines[2];
  EXPECT_EQ(columns(sc1, 1, 4), "ATOM");
  EXPECT_EQ(columns(sc1, 5, 11), "      2");
  EXPECT_EQ(columns(sc1, 12, 17), "  SC1 ");
  EXPECT_EQ(columns(sc1, 18, 20), "LYS");
  EXPECT_EQ(columns(sc1, 21, 22), " B");
  EXPECT_EQ(columns(sc1, 23, 26), " -12");
  EXPECT_EQ(columns(sc1, 27, 30), "    ");
  // Rounded to 3 decimals from the binary value.
  EXPECT_EQ(columns(sc1, 31, 38), "-999.999");
  EXPECT_EQ(columns(sc1, 39, 46), "  12.346");
  EXPECT_EQ(columns(sc1, 47, 54), "9999.999");
  EXPECT_EQ(columns(lines[1], 13, 16), " BB ");
  EXPECT_EQ(lines[3], "ATOM      3  BB  GLY B  37C      0.001  -0.0011234.568  1.00  0.00");
  EXPECT_EQ(lines[4], "END");
}

CgStructure glycines(int count) {
  CgStructure structure;
  for (int i = 1; i <= count; ++i) structure.residues.push_back(CgResidue{"GLY", {i, ' '}, {{"BB", {}}}});
  return structure;
}

void expect_refused(const CgStructure& structure, const std::string& message) {
  try {
    format_cg_structure(structure);
    ADD_FAILURE() << "not refused: " << message;
  } catch (const Refusal& refusal) {
    EXPECT_EQ(std::string(refusal.what()), message);
  }
}

TEST(StructureFile, UpTo9999BeadsAndFourColumnsOfResidueNumber) {
  const auto largest = lines_of(format_cg_structure(glycines(9999)));
  EXPECT_EQ(largest.front(), "HEADER number of residues: 9999 number of beads: 9999");
  EXPECT_EQ(columns(largest[9999], 5, 26), "   9999  BB  GLY  9999");
  expect_refused(glycines(10000),
                 "the structure has 10000 beads; beadweave takes at most 9999");

  CgStructure numbers = glycines(1);
  numbers.residues[0].place.number = -999;
  EXPECT_NO_THROW(format_cg_structure(numbers));
  numbers.residues[0].place.number = 10000;
  expect_refused(numbers,
                 "residue GLY 10000: the residue number does not fit in the 4 columns of the "
                 "structure file");
  numbers.residues[0].place.number = -1000;
  EXPECT_THROW(format_cg_structure(numbers), Refusal);

  CgStructure far = glycines(1);
  far.residues[0].beads[0].position.y = 10000.0;
  expect_refused(far, "residue GLY 1: coordinate 10000.000000 does not fit in the 8 columns of the "
                      "structure file");
  far.residues[0].beads[0].position.y = -1000.0;
  EXPECT_THROW(format_cg_structure(far), Refusal);
}

TEST(PositionRestraints, TheFirstBeadOfEachResidueByItsNumberInTheFile) {
  CgStructure structure = two_residues();  // beads 1, 2 | 3
  structure.residues.push_back(CgResidue{"TRP", {38, ' '}, std::vector<CgBead>(5, {"X", {}})});
  structure.residues.push_back(CgResidue{"ALA", {39, ' '}, {{"BB", {}}}});  // beads 4-8 | 9
  const auto lines = lines_of(format_position_restraints(structure));
  std::vector<std::string> data;
  bool in_section = false;
  for (const std::string& line : lines) {
    if (line.starts_with("[")) {
      in_section = line == "[ position_restraints ]";
    } else if (in_section && !line.starts_with(";") && !line.empty()) {
      data.push_back(line);
    }
  }
  EXPECT_EQ(data, (std::vector<std::string>{
                      "      1      1      1000      1000      1000",
                      "      3      1      1000      1000      1000",
                      "      4      1      1000      1000      1000",
                      "      9      1      1000      1000      1000",
                  }));
}

}  // namespace
}  // namespace beadmap
