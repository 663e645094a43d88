// How the entry is read and which of its atoms are taken: --format for a
// name that says nothing, standard input, old files with other text in
// columns 73-80, --model, --altloc and --list.
#include <gtest/gtest.h>

#include <string>

#include "beadmap_runs.hpp"

namespace bmtest {
namespace {

// Two glycines, backbone beads at (1, 0.5, 0.25) and (4.8, 0.5, 0.25).
std::string two_glycines() {
  EntryBuilder entry;
  entry.backbone("GLY", 'A', 1, 0.0).backbone("GLY", 'A', 2, 3.8);
  return entry.text();
}

class EntryOptions : public ::testing::Test {
 protected:
  void SetUp() override { dir_.write("beadlib.dat", example_library()); }

  // The backbone bead records (columns 1-54) the run wrote.
  std::vector<std::string> written() const {
    std::vector<std::string> records;
    for (const std::string& record : bead_records(dir_.read("pdb-CG.pdb"))) records.push_back(record.substr(0, 54));
    return records;
  }

  testsupport::ScratchDir dir_;
};

const std::vector<std::string> two_glycine_records = {
    "ATOM      1  BB  GLY A   1       1.000   0.500   0.250",
    "ATOM      2  BB  GLY A   2       4.800   0.500   0.250"};

TEST_F(EntryOptions, FormatForANameThatSaysNothingAndStandardInputCompressedOrNot) {
  dir_.write("2gly.pdb1.gz", compressed(dir_, two_glycines()));
  const auto unnamed = run_beadmap(dir_, {"2gly.pdb1.gz"});
  EXPECT_EQ(unnamed.exit_status, 1);
  const auto named = run_beadmap(dir_, {"2gly.pdb1.gz", "--format", "pdb"});
  ASSERT_EQ(named.exit_status, 0) << named.err;
  EXPECT_EQ(written(), two_glycine_records);
  // A name with an extension of another format is read as --format says.
  dir_.write("2gly.cif", two_glycines());
  const auto overridden = run_beadmap(dir_, {"2gly.cif", "--format=pdb", "-o", "second.pdb"});
  EXPECT_EQ(overridden.exit_status, 0) << overridden.err;

  for (const std::string& input : {two_glycines(), compressed(dir_, two_glycines())}) {
    std::filesystem::remove(dir_.path() / "pdb-CG.pdb");
    const auto piped = testsupport::run_process(BEADMAP_PATH, {"-"}, dir_.path(), input);
    ASSERT_EQ(piped.exit_status, 0) << piped.err;
    EXPECT_TRUE(piped.out.starts_with("beadmap: standard input chain A: 2 residues")) << piped.out;
    EXPECT_EQ(written(), two_glycine_records);
  }
  // A compressed mmCIF entry on standard input is told by its content: its
  // first protein chain, U, of 247 residues.
  std::filesystem::remove(dir_.path() / "pdb-CG.pdb");
  const auto piped_cif = testsupport::run_process(
      BEADMAP_PATH, {"-"}, dir_.path(),
      testsupport::read_file(BEADMAP_SOURCE_DIR "/tests/data/entries/4ZHL.cif.gz"));
  ASSERT_EQ(piped_cif.exit_status, 0) << piped_cif.err;
  EXPECT_TRUE(piped_cif.out.starts_with("beadmap: standard input chain U: 247 residues")) << piped_cif.out;
}

TEST_F(EntryOptions, OldFilesWithOtherTextInColumns73To80AreRead) {
  // Columns 73-80 of an old file: the entry's name and a line number, whose
  // last two characters are no charge.
  std::string old_style;
  int line = 0;
  for (const std::string& record : lines_of(two_glycines())) {
    std::string padded = record;
    if (record.starts_with("ATOM")) {
      padded.resize(72, ' ');
      char tail[16];
      std::snprintf(tail, sizeof tail, "1GLY%4d", ++line * 10);
      padded += tail;
    }
    old_style += padded + "\n";
  }
  dir_.write("old.pdb", old_style);
  const auto result = run_beadmap(dir_, {"old.pdb"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_TRUE(result.err.starts_with("beadmap: columns 73-80 of old.pdb ignored (")) << result.err;
  EXPECT_EQ(written(), two_glycine_records);
}

// Model 1: two glycines; model 2: one glycine at x = 100. The CA of residue 1
// stands in two places, A at (1, 0, 0) and B at (5, 0, 0).
std::string models_and_altlocs() {
  EntryBuilder entry;
  entry.line("MODEL        1");
  entry.atom("GLY", 'A', 1, "N", 0, 0, 0)
      .atom("GLY", 'A', 1, "CA", 1, 0, 0, false, 'A')
      .atom("GLY", 'A', 1, "CA", 5, 0, 0, false, 'B')
      .atom("GLY", 'A', 1, "C", 1, 1, 0)
      .atom("GLY", 'A', 1, "O", 2, 1, 1);
  entry.backbone("GLY", 'A', 2, 3.8);
  entry.line("ENDMDL").line("MODEL        2");
  entry.backbone("GLY", 'A', 1, 100.0);
  entry.line("ENDMDL");
  return entry.text();
}

TEST_F(EntryOptions, ModelAndAlternateLocationAsAsked) {
  dir_.write("models.pdb", models_and_altlocs());
  const auto first = run_beadmap(dir_, {"models.pdb"});
  ASSERT_EQ(first.exit_status, 0) << first.err;
  EXPECT_EQ(written(), two_glycine_records);  // CA A, the first
  std::filesystem::remove(dir_.path() / "pdb-CG.pdb");
  const auto located = run_beadmap(dir_, {"models.pdb", "--altloc", "B"});
  ASSERT_EQ(located.exit_status, 0) << located.err;
  // (0 + 5 + 1 + 2) / 4 = 2.
  EXPECT_EQ(written().front(), "ATOM      1  BB  GLY A   1       2.000   0.500   0.250");
  std::filesystem::remove(dir_.path() / "pdb-CG.pdb");
  const auto second = run_beadmap(dir_, {"models.pdb", "--model", "2"});
  ASSERT_EQ(second.exit_status, 0) << second.err;
  EXPECT_EQ(written(), std::vector<std::string>{"ATOM      1  BB  GLY A   1     101.000   0.500   0.250"});
  const auto absent = run_beadmap(dir_, {"models.pdb", "--model", "3", "-o", "none.pdb"});
  EXPECT_EQ(absent.exit_status, 1);
  EXPECT_EQ(absent.err, "beadmap: the entry has no model 3 (its models: 1 2)\n");
  const auto missing_chain = run_beadmap(dir_, {"models.pdb", "--model", "2", "--chain", "B", "-o", "none.pdb"});
  EXPECT_EQ(missing_chain.err, "beadmap: model 2 has no chain \"B\" (its chains: A)\n");
  EXPECT_EQ(run_beadmap(dir_, {"models.pdb", "--altloc", "AB"}).exit_status, 2);
}

TEST_F(EntryOptions, ListNamesEachChainWithWhatItHoldsAndWritesNothing) {
  EntryBuilder entry;
  entry.backbone("GLY", 'A', 1, 0.0).backbone("ALA", 'A', 2, 3.8);
  entry.atom("HOH", 'A', 10, "O", 9, 9, 9, true);
  entry.line("TER");
  entry.atom("DA", 'B', 1, "P", 20, 0, 0).atom("NAG", 'B', 2, "C1", 30, 0, 0, true);
  dir_.write("mixed.pdb", entry.text());
  const auto listed = run_beadmap(dir_, {"mixed.pdb", "--list"});
  ASSERT_EQ(listed.exit_status, 0) << listed.err;
  // GLY one bead, ALA one bead.
  EXPECT_EQ(listed.out,
            "chain A: 3 residues (protein 2, nucleic acid 0, water 1, other 0) -> 2 beads\n"
            "chain B: 2 residues (protein 0, nucleic acid 1, water 0, other 1) -> 0 beads\n");
  EXPECT_FALSE(dir_.exists("pdb-CG.pdb"));
}

}  // namespace
}  // namespace bmtest
