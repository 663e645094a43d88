// Whole runs that end early: what each failure prints, its exit status, and
// what the topology file then holds.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "beadweave_inputs.hpp"

namespace bwtest {
namespace {

class FailingRun : public ::testing::Test {
 protected:
  void SetUp() override { dir_.write("beadlib.dat", library()); }

  // A structure refused after both inputs are read: status 1, no prompt, the
  // program's own message on standard error, and no topology file.
  void expect_refused_before_any_prompt(const std::string& message) {
    const auto result = run(dir_, "40000\n500\n1\n");
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "beadweave: " + message + "\n");
    EXPECT_FALSE(dir_.exists("protein.itp"));
  }

  testsupport::ScratchDir dir_;
};

TEST_F(FailingRun, BeadCountBelowOneTwoLinesNoFileStatusOne) {
  const std::string lines =
      " The PDB file you give as an input is not formattedcorrectly\n"
      " Tip: The first line should be the number of residues`and then of atoms.\n";
  // Bead count 0, negative, and blank columns (read as 0), whatever the
  // residue count; no bead record is read, so a malformed one is harmless.
  for (const std::string& header_line :
       {header(5, 0), header(5, -12), std::string("HEADER number of residues:    5\n")}) {
    testsupport::ScratchDir dir;
    dir.write("beadlib.dat", library());
    dir.write("pdb-CG.pdb", header_line + "ATOM  this is no bead record\n");
    const auto result = run(dir, "40000\n500\n1\n");
    EXPECT_EQ(result.exit_status, 1) << header_line;
    EXPECT_EQ(result.out, lines);
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(dir.exists("protein.itp"));
  }
}

TEST_F(FailingRun, UnknownResidueNameIsRefusedBeforeAnyPrompt) {
  dir_.write("pdb-CG.pdb",
             header(3, 4) + bead(1, "BB", "GLY", 1, 0, 0, 0) + bead(2, "BB", "Gly", 2, 3.8, 0, 0) +
                 bead(3, "BB", "GLY", 3, 7.6, 0, 0) + bead(4, "BB", "GLY", 4, 0, 5, 0));
  expect_refused_before_any_prompt(
      "residue 2, first bead 2, name \"Gly\": no residue template in beadlib.dat has this name");
}

TEST_F(FailingRun, ResidueBeyondTheBeadsReadIsRefusedBeforeAnyPrompt) {
  // LYS takes beads 2 to 4, so residue 3 would start on bead 5 of 4.
  dir_.write("pdb-CG.pdb",
             header(3, 4) + bead(1, "BB", "GLY", 1, 0, 0, 0) + bead(2, "BB", "LYS", 2, 3.8, 0, 0) +
                 bead(3, "SC1", "LYS", 2, 7.6, 0, 0) + bead(4, "SC2", "LYS", 2, 0, 5, 0) +
                 bead(5, "BB", "GLY", 3, 1, 1, 1));
  expect_refused_before_any_prompt(
      "residue 3, first bead 5, no name: the first bead lies beyond the 4 beads read from "
      "pdb-CG.pdb");
}

TEST_F(FailingRun, MoreThan9999BeadsAreRefusedBeforeAnyPrompt) {
  // 2499 HIS residues take beads 1 to 9996; residue 2500 starts on bead 9997
  // and its four beads end on bead 10000.
  std::string structure = header(2500, 9999);
  for (int b = 1; b <= 9999; ++b) {
    structure += bead(b, "BB", "HIS", (b - 1) / 4 + 1, b % 97, b % 89, b % 83);
  }
  dir_.write("pdb-CG.pdb", structure);
  expect_refused_before_any_prompt(
      "the residues take 10000 beads; the topology file holds bead numbers up to 9999");
}

TEST_F(FailingRun, ExistingTopologyFileIsLeftAloneAfterBothInputsAreRead) {
  dir_.write("pdb-CG.pdb", zigzag_structure());
  dir_.write("protein.itp", "keep me\n");
  const auto result = run(dir_, "40000\n500\n1\n");
  EXPECT_EQ(result.exit_status, 10);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "beadweave: " + std::string(std::strerror(EEXIST)) +
                            "\nbeadweave: severe (10): cannot overwrite existing file, unit 12, "
                            "file " +
                            dir_.real_path() + "/protein.itp\n");
  EXPECT_EQ(dir_.read("protein.itp"), "keep me\n");

  // The inputs are read first: a missing structure is reported instead.
  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", library());
  dir.write("protein.itp", "keep me\n");
  EXPECT_EQ(run(dir).exit_status, 29);
}

TEST_F(FailingRun, MissingOrShortInputsEndBeforeAnyFileExists) {
  auto result = run(dir_, "");
  EXPECT_EQ(result.exit_status, 29);
  EXPECT_EQ(result.err, "beadweave: " + std::string(std::strerror(ENOENT)) +
                            "\nbeadweave: severe (29): file not found, unit 13, file " +
                            dir_.real_path() + "/pdb-CG.pdb\n");

  // A library of 19 templates ends the run at end of file on unit 11.
  testsupport::ScratchDir dir;
  std::string nineteen = library();
  nineteen.resize(nineteen.rfind("F20"));
  dir.write("beadlib.dat", nineteen);
  dir.write("pdb-CG.pdb", zigzag_structure());
  result = run(dir, "");
  EXPECT_EQ(result.exit_status, 24);
  EXPECT_EQ(result.err, "beadweave: severe (24): end-of-file during read, unit 11, file " +
                            dir.real_path() + "/beadlib.dat\n");
  EXPECT_FALSE(dir.exists("protein.itp"));

  // A structure with fewer bead records than its header says.
  std::string short_structure = zigzag_structure();
  short_structure.resize(short_structure.find("ATOM     53"));
  dir_.write("pdb-CG.pdb", short_structure);
  result = run(dir_, "");
  EXPECT_EQ(result.exit_status, 24);
  EXPECT_FALSE(dir_.exists("protein.itp"));
}

TEST_F(FailingRun, EndOfInputAtAPromptKeepsTheLinesWritten) {
  dir_.write("pdb-CG.pdb", zigzag_structure());
  const auto result = run(dir_, std::nullopt);
  EXPECT_EQ(result.exit_status, 24);
  EXPECT_EQ(result.out,
            " \n Select a value for the Ca (i-i_4) bonds.\n Type 0 (zero) to exclude this type of "
            "bonds.\n 40000 kJ mole-1 nm-2 seems to be working fine.\n \n Value:\n");
  EXPECT_EQ(result.err, "beadweave: severe (24): end-of-file during read, unit 5, file stdin\n");
  const std::string file = dir_.read("protein.itp");
  const std::string tail =
      "  11      12       1       0.500    150000\n \n"
      "; bonds between the consecutive Calphas: i-i+4\n; The distance is taken from the pdb file\n";
  ASSERT_GE(file.size(), tail.size());
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
}

TEST_F(FailingRun, AnswerThatIsNoNumberStopsAtItsPrompt) {
  dir_.write("pdb-CG.pdb", zigzag_structure());
  const auto result = run(dir_, "40000\n500\nabc\n");
  EXPECT_EQ(result.exit_status, 59);
  EXPECT_EQ(result.out, full_dialogue);
  EXPECT_EQ(result.err,
            "beadweave: severe (59): list-directed I/O syntax error, unit 5, file stdin\n");
  const std::string file = dir_.read("protein.itp");
  const std::string tail = "; bonds are taken from the pdb file between Ca\n; at least i-i+3\n";
  ASSERT_GE(file.size(), tail.size());
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
  EXPECT_NE(file.find("   2      12       1       1.200       40000\n"), std::string::npos);
}

TEST_F(FailingRun, CoincidentBackboneBeadsStopInTheBackboneAnglesWithStatusOne) {
  // Backbone beads 3 and 4 coincide: the first triple is measured, the second
  // holds the zero-length vector.
  dir_.write("pdb-CG.pdb", header(4, 4) + bead(1, "BB", "GLY", 1, 0, 0, 0) +
                               bead(2, "BB", "GLY", 2, 3, 4, 0) + bead(3, "BB", "GLY", 3, 6, 0, 0) +
                               bead(4, "BB", "GLY", 4, 6, 0, 0));
  const auto result = run(dir_, "40000\n500\n1\n");
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, full_dialogue);
  EXPECT_EQ(result.err, " Vector with zero norm found ???\n");
  const std::string file = dir_.read("protein.itp");
  EXPECT_NE(file.find("   3       4       1       0.000    150000\n"), std::string::npos);
  EXPECT_EQ(file.substr(file.find("; Here the angles")),
            "; Here the angles between CAs i-1/i/i+1\n; The values are taken from the struture\n"
            "   1       2       3       2        73.7        40.0\n"
            "   1       2       3       2       120.0        40.0\n");
}

TEST(CommandLine, HelpVersionAndRefusedArguments) {
  testsupport::ScratchDir dir;
  auto result = run(dir, std::nullopt, {"--help"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  for (const char* topic : {"beadlib.dat", "pdb-CG.pdb", "protein.itp", "cut-off", "Exit status",
                            "man beadweave"}) {
    EXPECT_NE(result.out.find(topic), std::string::npos) << topic;
  }
  result = run(dir, std::nullopt, {"--version"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, std::string("beadweave ") + CGTOOLS_VERSION + "\n");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-h"}, {"protein.itp"}, {"--help", "--version"}}) {
    result = run(dir, std::nullopt, args);
    EXPECT_EQ(result.exit_status, 2) << args[0];
    EXPECT_EQ(result.out, "");
    // A second argument is unexpected whatever it is.
    EXPECT_EQ(result.err, "beadweave: unexpected argument \"" + args.back() +
                              "\"; usage: beadweave [--help | --version]\n");
  }
  EXPECT_FALSE(dir.exists("protein.itp"));
}

}  // namespace
}  // namespace bwtest
