// The system directory as a whole: what topol.top, conf.gro and the
// restraints hold for a small entry placed by hand, the chains left out,
// and a directory that is written whole or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "beadbuild_runs.hpp"

namespace bbtest {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchDir;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    result.push_back(text.substr(start, end - start));
  }
  return result;
}

std::vector<std::string> entries_of(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SystemDirectory, TheFilesOfASmallDimer) {
  ScratchDir dir;
  dir.write("dimer.pdb", dimer_entry(11));
  const auto result = run_beadbuild(dir, {"dimer.pdb", "--posre"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  // The directory is named after the entry.
  EXPECT_EQ(entries_of(dir.path() / "dimer"),
            (std::vector<std::string>{"cgff.itp", "conf.gro", "em.mdp", "md.mdp",
                                      "posre_protein_A.itp", "posre_protein_B.itp", "protein_A.itp",
                                      "protein_B.itp", "system.pdb", "topol.top"}));
  EXPECT_EQ(dir.read("dimer/topol.top"),
            "; The coarse-grained system: the force field, then each molecule.\n"
            "#include \"cgff.itp\"\n#include \"protein_A.itp\"\n#include \"protein_B.itp\"\n\n"
            "[ system ]\ndimer\n\n[ molecules ]\n; name        count\n"
            "protein_A     1\nprotein_B     1\n");
  // The extent is 15.2 x 6 x 0 angstrom, and 1 nm more on each side; the
  // first bead sits 1 nm from each low face. Residues are numbered within
  // their molecule, atoms through the system.
  const auto gro = lines(dir.read("dimer/conf.gro"));
  ASSERT_EQ(gro.size(), 11U);
  EXPECT_EQ(gro[0], "dimer");
  EXPECT_EQ(gro[1], "8");
  EXPECT_EQ(gro[2], "    1GLY     BB    1   1.000   1.000   1.000");
  EXPECT_EQ(gro[6], "    5GLY     BB    5   2.520   1.000   1.000");
  EXPECT_EQ(gro[7], "    1GLY     BB    6   1.000   1.600   1.000");
  EXPECT_EQ(gro[9], "    3GLY     BB    8   1.760   1.600   1.000");
  EXPECT_EQ(gro[10], "   3.52000   2.60000   2.00000");
  // Restraints on the backbone beads, numbered within the molecule.
  const auto posre = section_lines(dir.read("dimer/posre_protein_B.itp"), "position_restraints");
  EXPECT_EQ(posre, (std::vector<std::string>{"      1      1      1000      1000      1000",
                                             "      2      1      1000      1000      1000",
                                             "      3      1      1000      1000      1000"}));
  EXPECT_NE(
      dir.read("dimer/protein_B.itp").find("#ifdef POSRES\n#include \"posre_protein_B.itp\"\n"),
      std::string::npos);
  // The viewers' file keeps the entry's chains and residue numbers.
  const auto pdb = lines(dir.read("dimer/system.pdb"));
  // Five records of chain A and a TER before chain B.
  EXPECT_EQ(pdb[7], "TER");
  EXPECT_EQ(pdb[8].substr(0, 54), "ATOM      6  BB  GLY B  11      10.000  16.000  10.000");
}

TEST(SystemDirectory, ChainsInTheOrderAskedAndChainsWithoutAminoAcidNamedOnce) {
  std::string entry = dimer_entry(11);
  entry.resize(entry.size() - 4);  // END
  // A nucleic-acid chain and a chain of water.
  for (int r = 1; r <= 2; ++r) {
    for (const char* atom : {"P", "C1'", "N9"}) {
      char record[100];
      std::snprintf(record, sizeof record,
                    "ATOM  %5d  %-3s  DA C%4d    %8.3f%8.3f%8.3f  1.00  0.00           %c\n",
                    90 + r, atom, r, 40.0 + r, 40.0, 40.0, atom[0]);
      entry += record;
    }
  }
  entry += "TER\n";
  for (int r = 1; r <= 3; ++r) {
    char record[100];
    std::snprintf(record, sizeof record,
                  "HETATM%5d  O   HOH W%4d    %8.3f%8.3f%8.3f  1.00  0.00           O\n", 100 + r,
                  r, 50.0 + 3 * r, 50.0, 50.0);
    entry += record;
  }
  ScratchDir dir;
  dir.write("mixed.pdb", entry + "END\n");
  const auto all = run_beadbuild(dir, {"mixed.pdb", "-o", "all"});
  ASSERT_EQ(all.exit_status, 0) << all.err;
  EXPECT_EQ(all.err,
            "beadbuild: chain C left out: no standard amino acid (nucleic acid: 2 residues)\n"
            "beadbuild: chain W left out: no standard amino acid (water: 3 residues)\n");
  const auto reversed = run_beadbuild(dir, {"mixed.pdb", "-o", "reversed", "--chains", "B,A"});
  ASSERT_EQ(reversed.exit_status, 0) << reversed.err;
  EXPECT_EQ(reversed.err, "");
  const std::string top = dir.read("reversed/topol.top");
  EXPECT_LT(top.find("protein_B     1"), top.find("protein_A     1"));
  EXPECT_EQ(lines(dir.read("reversed/conf.gro"))[2].substr(0, 20), "    1GLY     BB    1");
  const auto missing = run_beadbuild(dir, {"mixed.pdb", "-o", "none", "--chains", "A,Z"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.err, "beadbuild: the first model has no chain \"Z\" (its chains: A B C W)\n");
  const auto nucleic = run_beadbuild(dir, {"mixed.pdb", "-o", "none", "--chains", "C"});
  EXPECT_EQ(nucleic.exit_status, 1);
  EXPECT_FALSE(dir.exists("none"));
}

TEST(SystemDirectory, AFailedRunLeavesNothingAndAnExistingDirectoryStaysUnlessForced) {
  ScratchDir dir;
  dir.write("dimer.pdb", dimer_entry(11));
  // A force field that lacks most of the library's bead types: refused
  // before anything is written, naming them in the library's order (ALA's
  // backbone P4, then ARG's side chain N0 and Qd).
  dir.write("ff.itp",
            "[ atomtypes ]\n; name mass\n  P5  72.0 0.0 A 0.1 0.01\n[ bondtypes ]\n  P4 P4\n");
  const auto refused = run_beadbuild(dir, {"dimer.pdb", "-o", "out", "--forcefield", "ff.itp"});
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_TRUE(
      refused.err.starts_with("beadbuild: the force field ff.itp declares no atom type for "
                              "the library's bead types: P4 N0 Qd "))
      << refused.err;
  EXPECT_EQ(entries_of(dir.path()), (std::vector<std::string>{"dimer.pdb", "ff.itp"}));

  ASSERT_EQ(run_beadbuild(dir, {"dimer.pdb", "-o", "out"}).exit_status, 0);
  const std::string first_top = dir.read("out/topol.top");
  dir.write("out/em.tpr", "a run's output");
  const auto again = run_beadbuild(dir, {"dimer.pdb", "-o", "out", "--chains", "B"});
  EXPECT_EQ(again.exit_status, 1);
  EXPECT_EQ(again.err, "beadbuild: out exists (--force replaces it)\n");
  EXPECT_EQ(dir.read("out/topol.top"), first_top);
  EXPECT_TRUE(dir.exists("out/em.tpr"));

  const auto forced = run_beadbuild(dir, {"dimer.pdb", "-o", "out", "--chains", "B", "--force"});
  ASSERT_EQ(forced.exit_status, 0) << forced.err;
  EXPECT_FALSE(dir.exists("out/em.tpr"));
  EXPECT_FALSE(dir.exists("out/protein_A.itp"));
  EXPECT_TRUE(dir.exists("out/protein_B.itp"));
  EXPECT_EQ(entries_of(dir.path()), (std::vector<std::string>{"dimer.pdb", "ff.itp", "out"}));

  // A directory that holds more than files is never replaced.
  fs::create_directory(dir.path() / "out" / "runs");
  const auto kept = run_beadbuild(dir, {"dimer.pdb", "-o", "out", "--force"});
  EXPECT_EQ(kept.exit_status, 1);
  EXPECT_TRUE(dir.exists("out/runs"));
  EXPECT_FALSE(dir.exists("out/protein_A.itp"));
}

}  // namespace
}  // namespace bbtest

namespace bbtest {
namespace {

TEST(RefusedEntries, CoincidingBackboneBeadsAndAnUnwritableReportPlaceNothing) {
  ScratchDir dir;
  // The second residue stands where the first does.
  dir.write("twice.pdb", glycine('A', 1, 0.0, 0.0) + glycine('A', 2, 0.0, 0.0) +
                             glycine('A', 3, 3.8, 0.0) + "END\n");
  const auto twice = run_beadbuild(dir, {"twice.pdb", "-o", "out"});
  EXPECT_EQ(twice.exit_status, 1);
  EXPECT_EQ(twice.err,
            "beadbuild: chain A: the backbone beads of GLY 1 and GLY 2 coincide; no backbone bond "
            "or angle can be measured there\n");
  dir.write("dimer.pdb", dimer_entry());
  testsupport::ProcessOptions full;
  full.output = testsupport::ProcessOptions::Output::file;
  full.output_file = "/dev/full";
  const auto unreported =
      testsupport::run_process(BEADBUILD_PATH, {"dimer.pdb", "-o", "out"}, dir.path(), full);
  EXPECT_EQ(unreported.exit_status, 1);
  EXPECT_EQ(unreported.err, "beadbuild: cannot write to standard output\n");
  // Nothing placed, no temporary directory left.
  EXPECT_EQ(entries_of(dir.path()), (std::vector<std::string>{"dimer.pdb", "twice.pdb"}));
}

TEST(RefusedEntries, NumbersBeyondTheReadersIntAreRefusedBeforeTheyWrap) {
  ScratchDir dir;
  // A DBREF2 whose database start (columns 46-55) is 2^32 + 1, which an int
  // would hold as 1.
  std::string dbref1(80, ' ');
  dbref1.replace(0, 6, "DBREF1");
  std::string dbref2(80, ' ');
  dbref2.replace(0, 6, "DBREF2").replace(45, 10, "4294967297").replace(57, 10, "        76");
  dir.write("dbref.pdb", dbref1 + "\n" + dbref2 + "\n" + dimer_entry());
  const auto dbref = run_beadbuild(dir, {"dbref.pdb", "-o", "out"});
  EXPECT_EQ(dbref.exit_status, 1);
  EXPECT_EQ(dbref.err,
            "beadbuild: cannot read dbref.pdb: line 2: DBREF2 columns 46-55 hold 4294967297: a "
            "number outside the reader's range (-2147483647 to 2147483647)\n");
  EXPECT_EQ(dbref.out, "");
  EXPECT_EQ(entries_of(dir.path()), (std::vector<std::string>{"dbref.pdb"}));
}

TEST(RefusedEntries, LaterSegmentsOfAChainAreNamedWhenLeftOut) {
  // A blank chain in two segments; only the first is mapped.
  std::string entry;
  for (int r = 1; r <= 3; ++r) {
    std::string residue = glycine(' ', r, 3.8 * r, 0.0);
    for (std::size_t line = 0; line < residue.size(); line = residue.find('\n', line) + 1) {
      residue.replace(line + 72, 4, r <= 1 ? "S1  " : "S2  ");
    }
    entry += residue;
  }
  ScratchDir dir;
  dir.write("segments.pdb", entry + "END\n");
  const auto result = run_beadbuild(dir, {"segments.pdb", "-o", "out"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err,
            "beadbuild: chain (blank): 2 residues of segment \"S2\" left out (a chain is mapped "
            "from its first segment with amino acids)\n");
  EXPECT_EQ(section_lines(dir.read("out/protein.itp"), "atoms").size(), 1U);
}

}  // namespace
}  // namespace bbtest

namespace bbtest {
namespace {

TEST(CommandLine, HelpNamesEveryOptionAndARefusedLinePointsToIt) {
  ScratchDir dir;
  const auto help = run_beadbuild(dir, {"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: beadbuild ENTRY")) << help.out;
  // Every option is named; exit statuses and messages are left to the
  // manual page, which the help points to.
  for (const char* option :
       {"-o, --output", "--chains", "--merge", "--library", "--mapping", "--forcefield", "--i4",
        "--network-k", "--network-cutoff", "--posre", "--box-margin", "--bond-gaps",
        "--skip-incomplete", "--format", "--model", "--altloc", "--force", "--help", "--version"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  EXPECT_NE(help.out.find("man beadbuild"), std::string::npos) << help.out;

  const auto refused = run_beadbuild(dir, {"e.pdb", "--i4", "x"});
  EXPECT_EQ(refused.exit_status, 2);
  EXPECT_EQ(refused.err, "beadbuild: option --i4: not a number: x\nTry 'beadbuild --help'.\n");
  EXPECT_EQ(refused.out, "");
  EXPECT_TRUE(entries_of(dir.path()).empty());
}

}  // namespace
}  // namespace bbtest
