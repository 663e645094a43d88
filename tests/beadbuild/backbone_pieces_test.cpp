// Chains, breaks and merged chains in the topology beadbuild writes, on
// entries of glycines (one bead a residue) placed by hand: which backbone
// bonds, i to i+4 bonds, angles and network bonds exist follows from the
// positions alone.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "beadbuild_runs.hpp"

namespace bbtest {
namespace {

using Pairs = std::vector<std::pair<int, int>>;
using testsupport::ScratchDir;

// The dimer: chain A five residues 3.8 angstrom apart along x, chain B three
// residues 6 angstrom beside A's first three.
TEST(MergedChains, BondsStayInsideEachChainAndTheNetworkCrossesBetweenThem) {
  ScratchDir dir;
  dir.write("dimer.pdb", dimer_entry());
  const auto result = run_beadbuild(dir, {"dimer.pdb", "--merge", "A,B", "-o", "out"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  const std::string itp = dir.read("out/protein_A_B.itp");
  // Beads 1-5 are chain A, 6-8 chain B.
  EXPECT_EQ(bonded_pairs(itp, "150000"), (Pairs{{1, 2}, {2, 3}, {3, 4}, {4, 5}, {6, 7}, {7, 8}}));
  EXPECT_EQ(bonded_pairs(itp, "40000"), (Pairs{{1, 5}}));
  EXPECT_EQ(angle_middles(itp), (std::vector<int>{2, 3, 4, 7}));
  // Across chains every pair under 9 angstrom: 6 apart side by side,
  // sqrt(3.8^2 + 6^2) = 7.10 one residue along, sqrt(7.6^2 + 6^2) = 9.68
  // two along. Within a chain pairs three residues apart are 11.4 or more.
  EXPECT_EQ(bonded_pairs(itp, "500"),
            (Pairs{{1, 6}, {1, 7}, {2, 6}, {2, 7}, {2, 8}, {3, 7}, {3, 8}, {4, 8}}));
  // One molecule, eight beads.
  EXPECT_NE(dir.read("out/topol.top").find("protein_A_B   1\n"), std::string::npos);
  EXPECT_EQ(section_lines(itp, "atoms").size(), 8U);
}

TEST(MergedChains, UnmergedChainsAreMoleculesOfTheirOwnWithoutNetworkBetweenThem) {
  ScratchDir dir;
  dir.write("dimer.pdb", dimer_entry());
  const auto result = run_beadbuild(dir, {"dimer.pdb", "-o", "out"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  const std::string a = dir.read("out/protein_A.itp");
  const std::string b = dir.read("out/protein_B.itp");
  EXPECT_EQ(bonded_pairs(a, "150000"), (Pairs{{1, 2}, {2, 3}, {3, 4}, {4, 5}}));
  EXPECT_EQ(bonded_pairs(b, "150000"), (Pairs{{1, 2}, {2, 3}}));
  EXPECT_TRUE(bonded_pairs(a, "500").empty());
  EXPECT_TRUE(bonded_pairs(b, "500").empty());
  const std::string top = dir.read("out/topol.top");
  EXPECT_LT(top.find("#include \"protein_A.itp\""), top.find("#include \"protein_B.itp\""));
  EXPECT_LT(top.find("protein_A     1\n"), top.find("protein_B     1\n"));
}

// Chain A with a break of 10 angstrom after its second residue.
std::string broken_chain() {
  std::string text;
  const double x[] = {0.0, 3.8, 13.8, 17.6, 21.4};
  for (int r = 0; r < 5; ++r) text += glycine('A', r + 1, x[r], 0.0);
  return text + "END\n";
}

TEST(Breaks, NoBackboneBondI4BondOrAngleSpansABreakButTheNetworkJoinsBothSides) {
  ScratchDir dir;
  dir.write("broken.pdb", broken_chain());
  const auto result =
      run_beadbuild(dir, {"broken.pdb", "-o", "out", "--network-cutoff", "3.0"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  const std::string itp = dir.read("out/protein_A.itp");
  EXPECT_EQ(bonded_pairs(itp, "150000"), (Pairs{{1, 2}, {3, 4}, {4, 5}}));
  EXPECT_TRUE(bonded_pairs(itp, "40000").empty());
  EXPECT_EQ(angle_middles(itp), (std::vector<int>{4}));
  // Pairs three residues apart or more, all within 3 nm: 1-4, 1-5, 2-5.
  EXPECT_EQ(bonded_pairs(itp, "500"), (Pairs{{1, 4}, {1, 5}, {2, 5}}));
  EXPECT_NE(result.err.find("beadbuild: chain A: break of 10.00 angstrom between the backbone "
                            "beads of GLY 2 and GLY 3"),
            std::string::npos)
      << result.err;
}

TEST(Breaks, BondGapsBondsAcrossThemAsBeadweaveDoes) {
  ScratchDir dir;
  dir.write("broken.pdb", broken_chain());
  const auto result = run_beadbuild(dir, {"broken.pdb", "-o", "out", "--bond-gaps"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  const std::string itp = dir.read("out/protein_A.itp");
  EXPECT_EQ(bonded_pairs(itp, "150000"), (Pairs{{1, 2}, {2, 3}, {3, 4}, {4, 5}}));
  EXPECT_EQ(bonded_pairs(itp, "40000"), (Pairs{{1, 5}}));
  EXPECT_EQ(angle_middles(itp), (std::vector<int>{2, 3, 4}));
}

TEST(MergedChains, AMoleculeOverTheTopologysBeadNumbersIsRefusedWithAWayOut) {
  // Two chains of 5000 glycines: 10000 beads merged, 5000 each apart.
  std::string text;
  for (const char chain : {'A', 'B'}) {
    for (int r = 0; r < 5000; ++r) {
      text += glycine(chain, r + 1, 3.8 * (r % 100), (chain == 'A' ? 0.0 : 500.0) + 6.0 * (r / 100));
    }
    text += "TER\n";
  }
  ScratchDir dir;
  dir.write("big.pdb", text + "END\n");
  const auto merged = run_beadbuild(dir, {"big.pdb", "--merge", "all", "-o", "merged"});
  EXPECT_EQ(merged.exit_status, 1);
  EXPECT_NE(merged.err.find("molecule protein_A_B has 10000 beads; a topology numbers at most "
                            "9999: leave its chains unmerged"),
            std::string::npos)
      << merged.err;
  EXPECT_FALSE(dir.exists("merged"));
  const auto apart = run_beadbuild(dir, {"big.pdb", "-o", "apart"});
  ASSERT_EQ(apart.exit_status, 0) << apart.err;
  EXPECT_EQ(section_lines(dir.read("apart/protein_B.itp"), "atoms").size(), 5000U);
}

}  // namespace
}  // namespace bbtest
