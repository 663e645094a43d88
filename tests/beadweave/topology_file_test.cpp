// Whole runs that write a topology: the complete file for a small structure,
// worked out line by line from the layouts, and how the answers and the
// residue count shape it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "beadweave_inputs.hpp"

namespace bwtest {
namespace {

const Lines zigzag_atoms = {
    "   1    P5        1     GLY    BB    1       0.00",
    "   2    P5        2     HIS    BB    2       0.00",
    "   3    SC4       2     HIS    SC1   3       0.00",
    "   4    SP1       2     HIS    SC2   3       0.00",
    "   5    SP1       2     HIS    SC3   3       0.00",
    "   6    P5        3     LYS    BB    4       0.00",
    "   7    C3        3     LYS    SC1   5       0.00",
    "   8    Qd        3     LYS    SC2   6       1.00",
    "   9    P5        4     ASP    BB    7       0.00",
    "  10    Qa        4     ASP    SC1   7      -1.00",
    "  11    P5        5     GLY    BB    8       0.00",
    "  12    P5        6     HIS    BB    9       0.00",
    "  13    SC4       6     HIS    SC1  10       0.00",
    "  14    SP1       6     HIS    SC2  10       0.00",
    "  15    SP1       6     HIS    SC3  10       0.00",
};

const Lines zigzag_consecutive = {
    "   1       2       1       0.500    150000", "   2       6       1       0.500    150000",
    "   6       9       1       0.500    150000", "   9      11       1       0.500    150000",
    "  11      12       1       0.500    150000",
};

const Lines zigzag_template_bonds = {
    "   2       3       1       0.320      7500.0", "   6       7       1       0.330      5000.0",
    "   7       8       1       0.280      5000.0", "   9      10       1       0.320      7500.0",
    "  12      13       1       0.320      7500.0",
};

const Lines zigzag_constraints = {
    "   3       4       1       0.270", "   3       5       1       0.270",
    "   4       5       1       0.270", "  13      14       1       0.270",
    "  13      15       1       0.270", "  14      15       1       0.270",
};

const Lines zigzag_template_angles = {
    "   2       3       4       2       150.0        50.0",
    "   2       3       5       2       150.0        50.0",
    "   6       7       8       2       180.0        25.0",
    "  12      13      14       2       150.0        50.0",
    "  12      13      15       2       150.0        50.0",
};

// acos(0.28) = 73.74 degrees at every middle backbone bead.
const Lines zigzag_backbone_angles = {
    "   1       2       6       2        73.7        40.0",
    "   1       2       6       2       120.0        40.0",
    "   2       6       9       2        73.7        40.0",
    "   2       6       9       2       120.0        40.0",
    "   6       9      11       2        73.7        40.0",
    "   6       9      11       2       120.0        40.0",
    "   9      11      12       2        73.7        40.0",
    "   9      11      12       2       120.0        40.0",
};

const Lines zigzag_dihedrals = {
    "   2       4       5       3       2         0.0        50.0",
    "  12      14      15      13       2         0.0        50.0",
};

Groups zigzag(Lines i4, Lines elastic) {
  return {zigzag_atoms,           zigzag_consecutive,     std::move(i4),
          std::move(elastic),     zigzag_template_bonds,  zigzag_constraints,
          zigzag_template_angles, zigzag_backbone_angles, zigzag_dihedrals};
}

class ZigzagRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("beadlib.dat", library());
    dir_.write("pdb-CG.pdb", zigzag_structure());
  }
  testsupport::ScratchDir dir_;
};

TEST_F(ZigzagRun, CompleteFileDialogueAndExitStatus) {
  const auto result = run(dir_, "40000\n500\n1.3\n");
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, full_dialogue);
  EXPECT_EQ(result.err, "");
  // i to i+4: residues 1-5 and 2-6, 12 A apart. Elastic network below 1.3 nm:
  // the pairs 9.85 A and 12 A apart, not the one 15.5 A apart.
  const Lines i4 = {"   1      11       1       1.200       40000",
                    "   2      12       1       1.200       40000"};
  const Lines elastic = {"   1       9       1       0.985         500",
                         "   1      11       1       1.200         500",
                         "   2      11       1       0.985         500",
                         "   2      12       1       1.200         500",
                         "   6      12       1       0.985         500"};
  EXPECT_EQ(dir_.read("protein.itp"), topology(zigzag(i4, elastic)));
}

TEST_F(ZigzagRun, NoI4BondsForZeroNegativeOrFractionalBelowOne) {
  const Lines elastic_below_12 = {"   1       9       1       0.985       -7000",
                                  "   2      11       1       0.985       -7000",
                                  "   6      12       1       0.985       -7000"};
  for (const char* first : {"0", "-40000", "0.9"}) {
    testsupport::ScratchDir dir;
    dir.write("beadlib.dat", library());
    dir.write("pdb-CG.pdb", zigzag_structure());
    // A cut-off of exactly 1.2 leaves out the pairs at 1.2 nm; a negative
    // force constant is written as it is.
    const auto result = run(dir, std::string(first) + "\n-7000\n1.2\n");
    EXPECT_EQ(result.exit_status, 0) << first;
    EXPECT_EQ(result.out, full_dialogue) << first;
    EXPECT_EQ(dir.read("protein.itp"), topology(zigzag({}, elastic_below_12))) << first;
  }
}

TEST_F(ZigzagRun, AnswersCutTowardZeroAndElasticNetworkSwitchedOffByCutoffZero) {
  // 40000.7 is read as 40000; answers may share a line and the rest of the
  // line is dropped; a force constant of 0 still gives lines.
  const auto result = run(dir_, "40000.7 99\n0, 1\n2.0\n");
  EXPECT_EQ(result.exit_status, 0);
  const Lines i4 = {"   1      11       1       1.200       40000",
                    "   2      12       1       1.200       40000"};
  const Lines all_pairs = {"   1       9       1       0.985           0",
                           "   1      11       1       1.200           0",
                           "   1      12       1       1.552           0",
                           "   2      11       1       0.985           0",
                           "   2      12       1       1.200           0",
                           "   6      12       1       0.985           0"};
  EXPECT_EQ(dir_.read("protein.itp"), topology(zigzag(i4, all_pairs)));

  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", library());
  dir.write("pdb-CG.pdb", zigzag_structure());
  ASSERT_EQ(run(dir, "40000\n500\n0\n").exit_status, 0);
  EXPECT_EQ(dir.read("protein.itp"), topology(zigzag(i4, {})));
}

TEST(TopologyFile, NoResiduesGiveOnlyTheFixedLinesAndBothDialogues) {
  for (const int residues : {0, -3}) {
    testsupport::ScratchDir dir;
    dir.write("beadlib.dat", library());
    dir.write("pdb-CG.pdb", header(residues, 1) + bead(1, "BB", "GLY", 1, 0, 0, 0));
    const auto result = run(dir, "40000\n500\n9.9\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, full_dialogue);
    EXPECT_EQ(dir.read("protein.itp"), topology({}));
  }
}

TEST(TopologyFile, FourResiduesGiveThreeBondsOnePairAndTwoAngles) {
  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", library());
  // Backbone beads on a line 3.81 A apart, the last one bent up by 90 degrees.
  dir.write("pdb-CG.pdb",
            header(4, 4) + bead(1, "BB", "GLY", 1, 0, 0, 0) + bead(2, "BB", "GLY", 2, 3.81, 0, 0) +
                bead(3, "BB", "GLY", 3, 7.62, 0, 0) + bead(4, "BB", "GLY", 4, 7.62, 3.81, 0));
  ASSERT_EQ(run(dir, "40000\n300\n5\n").exit_status, 0);
  Groups g;
  for (int b = 1; b <= 4; ++b) {
    g.atoms.push_back("   " + std::to_string(b) + "    P5        " + std::to_string(b) +
                      "     GLY    BB    " + std::to_string(b) + "       0.00");
  }
  g.consecutive = {"   1       2       1       0.381    150000",
                   "   2       3       1       0.381    150000",
                   "   3       4       1       0.381    150000"};
  // sqrt(7.62^2 + 3.81^2) = 8.519 A.
  g.elastic = {"   1       4       1       0.852         300"};
  g.backbone_angles = {"   1       2       3       2       180.0        40.0",
                       "   1       2       3       2       120.0        40.0",
                       "   2       3       4       2        90.0        40.0",
                       "   2       3       4       2       120.0        40.0"};
  EXPECT_EQ(dir.read("protein.itp"), topology(g));
}

TEST(TopologyFile, DistanceAndAngleInTheirStatedPrecision) {
  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", library());
  // Worked out in 4-byte steps: 20.606 nm (20.605 in 8-byte reals) and
  // 149.2 degrees (149.3 without the rounding to 4 bytes).
  dir.write("pdb-CG.pdb", header(3, 3) + bead(1, "BB", "GLY", 1, 31.770, 6.977, 46.393) +
                              bead(2, "BB", "GLY", 2, 32.453, -13.840, 33.429) +
                              bead(3, "BB", "GLY", 3, 17.651, -42.114, -11.259));
  ASSERT_EQ(run(dir, "0\n0\n0\n").exit_status, 0);
  const auto lines = lines_of(dir.read("protein.itp"));
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "   1       2       3       2       149.2        40.0"),
      lines.end());

  testsupport::ScratchDir far;
  far.write("beadlib.dat", library());
  far.write("pdb-CG.pdb", header(2, 2) + bead(1, "BB", "GLY", 1, -31.528, -85.25, 57.791) +
                              bead(2, "BB", "GLY", 2, -39.034, 75.502, -70.899));
  ASSERT_EQ(run(far, "0\n0\n0\n").exit_status, 0);
  const auto far_lines = lines_of(far.read("protein.itp"));
  EXPECT_NE(
      std::find(far_lines.begin(), far_lines.end(), "   1       2       1      20.606    150000"),
      far_lines.end());
}

}  // namespace
}  // namespace bwtest
