// Whole runs on unusual but valid inputs: how the library and the structure
// are read, and the atom lines of charge groups above 999.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "beadweave_inputs.hpp"

namespace bwtest {
namespace {

bool holds_line(const std::string& text, const std::string& line) {
  const auto lines = lines_of(text);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(InputReading, LibraryRecordsByTheFreeFormatRules) {
  std::string lib =
      // A header with only the name and the bead count; an empty line before a
      // bead record, and the record split over two lines. Ignored values
      // (id, residue number and name) may hold anything of their kind.
      "GLY    1\n"
      "\n"
      "   99    P5\n   7   ZZZ    BB     1   0.000\n"
      // Constraint records come after the bonds and before the angles, though
      // the constraint count is the last in the header. Commas separate too.
      "AAA    2   1   1   1   1\n"
      "    1    P1     1   AAA    BB     4   0.000\n"
      "    2    C1     1   AAA   SC1     4  -0.125\n"
      "    1     2     1     0.500    1000.0\n"
      "    2     3     1     0.250\n"
      "    0     1     2     2      90.0      10.0\n"
      "1,2,1,2, 1, 180.0, 3.0\n";
  for (int type = 3; type <= 19; ++type) {
    lib += 'F';
    lib += std::to_string(type);
    lib += "    0\n";
  }
  // The later of two templates named GLY is the one used.
  lib += "GLY    1   0   0   0   0\n    1    Q0     1   GLY    BB     1   0.500\n";
  lib += "this is never read\n";

  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", lib);
  // Header and record-name columns are passed over without being compared;
  // a chain identifier in column 22 and residue numbers play no part.
  dir.write("pdb-CG.pdb",
            "Residues and beads follow:    3 and beads, say:    4\n"
            "BEAD      1  BB  GLY A   1       0.000   0.000   0.000\n"
            "BEAD      2  BB  AAA A   1       3.000   4.000   0.000\n"
            "BEAD      3  SC1 AAA A   1       3.000   6.000   0.000\n"
            "BEAD      4  BB  GLY A   1       6.000   0.000   0.000\n");
  const auto result = run(dir, "0\n0\n0\n");
  ASSERT_EQ(result.exit_status, 0) << result.err;
  Groups g;
  // -0.125 is half-way between -0.13 and -0.12 and goes to the even -0.12.
  g.atoms = {"   1    Q0        1     GLY    BB    1       0.50",
             "   2    P1        2     AAA    BB    2       0.00",
             "   3    C1        2     AAA    SC1   2      -0.12",
             "   4    Q0        3     GLY    BB    3       0.50"};
  g.consecutive = {"   1       2       1       0.500    150000",
                   "   2       4       1       0.500    150000"};
  g.template_bonds = {"   2       3       1       0.500      1000.0"};
  g.constraints = {"   3       4       1       0.250"};
  // Bead index 0 of residue 2 is bead 1, outside the residue: written as it is.
  g.template_angles = {"   1       2       3       2        90.0        10.0"};
  g.backbone_angles = {"   1       2       4       2        73.7        40.0",
                       "   1       2       4       2       120.0        40.0"};
  g.dihedrals = {"   2       3       2       3       1       180.0         3.0"};
  EXPECT_EQ(dir.read("protein.itp"), topology(g));
}

TEST(InputReading, AnEmptyLineWhereAHeaderIsDueShiftsEveryTemplate) {
  // The empty line becomes template 1 (blank name, no beads); GLY becomes
  // template 2 and the twentieth, F20, is never read.
  testsupport::ScratchDir dir;
  std::string shifted = "\n";
  shifted += library();
  dir.write("beadlib.dat", shifted);
  dir.write("pdb-CG.pdb",
            header(2, 2) + bead(1, "BB", "GLY", 1, 0, 0, 0) + bead(2, "BB", "F20", 2, 3.8, 0, 0));
  const auto result = run(dir, "0\n0\n0\n");
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err,
            "beadweave: residue 2, first bead 2, name \"F20\": no residue template in "
            "beadlib.dat has this name\n");
}

TEST(InputReading, FourDigitChargeGroupsStaySeparateFromThreeCharacterNames) {
  // 501 residues of two beads in two charge groups: group 1000 is the SC1
  // bead of residue 500.
  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", library({"TWO    2   0   0   0   0\n"
                                    "    1    P5     1   TWO    BB     1   0.000\n"
                                    "    2    Qa     1   TWO   SC1     2  -1.000\n"}));
  std::string structure = header(501, 1002);
  for (int r = 1; r <= 501; ++r) {
    structure += bead(2 * r - 1, "BB", "TWO", r, 3.8 * (r - 1), 0, 0);
    structure += bead(2 * r, "SC1", "TWO", r, 3.8 * (r - 1), 2, 0);
  }
  dir.write("pdb-CG.pdb", structure);
  const auto result = run(dir, "0\n0\n0\n");
  ASSERT_EQ(result.exit_status, 0) << result.err;
  const std::string file = dir.read("protein.itp");
  EXPECT_TRUE(holds_line(file, " 998    Qa      499     TWO    SC1 998      -1.00"));
  EXPECT_TRUE(holds_line(file, " 999    P5      500     TWO    BB  999       0.00"));
  EXPECT_TRUE(holds_line(file, "1000    Qa      500     TWO    SC1 1000     -1.00"));
  EXPECT_TRUE(holds_line(file, "1001    P5      501     TWO    BB 1001       0.00"));
  EXPECT_TRUE(holds_line(file, "1002    Qa      501     TWO    SC1 1002     -1.00"));
  EXPECT_TRUE(holds_line(file, " 999    1001       1       0.380    150000"));
}

TEST(InputReading, ABeadNumberTooWideForItsColumnsIsReportedAndTheRunGoesOn) {
  // A bond to template bead 2147483647 lies far outside the residue; its
  // number cannot be written in four columns.
  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", library({"BIG    1   1   0   0   0\n"
                                    "    1    P5     1   BIG    BB     1   0.000\n"
                                    "    1 2147483647  1     0.500    1000.0\n"}));
  dir.write("pdb-CG.pdb",
            header(2, 2) + bead(1, "BB", "GLY", 1, 0, 0, 0) + bead(2, "BB", "BIG", 2, 3.8, 0, 0));
  const auto result = run(dir, "0\n0\n0\n");
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "beadweave: error (63): output conversion error, unit 12, file " +
                            dir.real_path() + "/protein.itp\n");
  EXPECT_TRUE(holds_line(dir.read("protein.itp"), "   2    ****       1       0.500      1000.0"));
  EXPECT_TRUE(holds_line(dir.read("protein.itp"), "#endif"));
}

}  // namespace
}  // namespace bwtest
