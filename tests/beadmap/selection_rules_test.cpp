// Which residues of an entry become coarse-grained residues, checked on
// small entries written by hand: hydrogens, alternate locations, residues at
// one position, HETATM, aliases, insertion codes, chains, segments, models.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "beadmap_runs.hpp"

namespace bmtest {
namespace {

struct ExpectedBead {
  std::string name, residue;
  char chain;
  int number;
  char insertion_code;
  double x, y, z;
};

void expect_beads(const std::string& structure_text, const std::vector<ExpectedBead>& expected) {
  const auto records = bead_records(structure_text);
  ASSERT_EQ(records.size(), expected.size()) << structure_text;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const std::string& r = records[i];
    const ExpectedBead& e = expected[i];
    EXPECT_EQ(std::atoi(r.substr(4, 7).c_str()), static_cast<int>(i + 1)) << r;
    EXPECT_EQ(r.substr(12, 4), " " + e.name + std::string(3 - e.name.size(), ' ')) << r;
    EXPECT_EQ(r.substr(17, 3), e.residue) << r;
    EXPECT_EQ(r[21], e.chain) << r;
    EXPECT_EQ(std::atoi(r.substr(22, 4).c_str()), e.number) << r;
    EXPECT_EQ(r[26], e.insertion_code) << r;
    EXPECT_NEAR(std::atof(r.substr(30, 8).c_str()), e.x, 0.0005) << r;
    EXPECT_NEAR(std::atof(r.substr(38, 8).c_str()), e.y, 0.0005) << r;
    EXPECT_NEAR(std::atof(r.substr(46, 8).c_str()), e.z, 0.0005) << r;
  }
}

// Chain A: GLY 1 with hydrogens, SER 2 with two alternate locations, HSD 3,
// MSE 4 (HETATM), ALA 5 and a THR at the same position, GLY 6A, UNK 7, LYS 8
// without NZ, a sugar and a water; chain B: ALA 1; then a second model.
std::string mixed_entry() {
  EntryBuilder entry;
  entry.line("MODEL        1");
  entry.backbone("GLY", 'A', 1, 0.0)
      .atom("GLY", 'A', 1, "H", 100, 100, 100)
      .atom("GLY", 'A', 1, "HA2", -100, 100, 100)
      .atom("GLY", 'A', 1, "D", 100, -100, 100, false, ' ', ' ', "", "D");
  entry.backbone("SER", 'A', 2, 3.8)
      .atom("SER", 'A', 2, "CB", 4.8, -1, 0, false, 'A')
      .atom("SER", 'A', 2, "CB", 50, 50, 50, false, 'B')
      .atom("SER", 'A', 2, "OG", 4.8, -2, 0, false, 'A')
      .atom("SER", 'A', 2, "OG", 50, 50, 50, false, 'B');
  entry.backbone("HSD", 'A', 3, 7.6)
      .atom("HSD", 'A', 3, "CB", 7.6, -1, 0)
      .atom("HSD", 'A', 3, "CG", 7.6, -2, 0)
      .atom("HSD", 'A', 3, "ND1", 7.6, -3, 1)
      .atom("HSD", 'A', 3, "CD2", 7.6, -3, 0)
      .atom("HSD", 'A', 3, "CE1", 7.6, -4, 1)
      .atom("HSD", 'A', 3, "NE2", 7.6, -4, 0);
  entry.backbone("MSE", 'A', 4, 11.4, true)
      .atom("MSE", 'A', 4, "CB", 11.4, -1, 0, true)
      .atom("MSE", 'A', 4, "CG", 11.4, -2, 0, true)
      .atom("MSE", 'A', 4, "SE", 11.4, -3, 0, true, ' ', ' ', "", "SE")
      .atom("MSE", 'A', 4, "CE", 11.4, -4, 0, true);
  entry.backbone("ALA", 'A', 5, 15.2).atom("ALA", 'A', 5, "CB", 16.2, -1, 0);
  entry.backbone("THR", 'A', 5, 90.0)
      .atom("THR", 'A', 5, "CB", 90, -1, 0)
      .atom("THR", 'A', 5, "OG1", 90, -2, 0)
      .atom("THR", 'A', 5, "CG2", 90, -3, 0);
  entry.backbone("GLY", 'A', 6, 19.0, false, 'A');
  entry.backbone("UNK", 'A', 7, 22.8);
  entry.backbone("LYS", 'A', 8, 26.6)
      .atom("LYS", 'A', 8, "CB", 26.6, -1, 0)
      .atom("LYS", 'A', 8, "CG", 26.6, -2, 0)
      .atom("LYS", 'A', 8, "CD", 26.6, -3, 0)
      .atom("LYS", 'A', 8, "CE", 26.6, -4, 0);
  entry.line("TER");
  entry.atom("NAG", 'A', 101, "C1", 0, 9, 9, true).atom("HOH", 'A', 201, "O", 9, 9, 9, true);
  entry.backbone("ALA", 'B', 1, 40.0).atom("ALA", 'B', 1, "CB", 41, -1, 0);
  entry.line("ENDMDL").line("MODEL        2");
  entry.backbone("GLY", 'A', 1, 500.0);
  entry.line("ENDMDL");
  return entry.text();
}

class SelectionRules : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("beadlib.dat", example_library());
    dir_.write("entry.pdb", mixed_entry());
  }
  testsupport::ScratchDir dir_;
};

// The beads of the entry's residues that every run keeps.
const std::vector<ExpectedBead> whole_residue_beads = {
    {"BB", "GLY", 'A', 1, ' ', 1.0, 0.5, 0.25},
    {"BB", "SER", 'A', 2, ' ', 4.8, 0.5, 0.25},
    {"SC1", "SER", 'A', 2, ' ', 4.8, -1.5, 0.0},
    {"BB", "HIS", 'A', 3, ' ', 8.6, 0.5, 0.25},
    {"SC1", "HIS", 'A', 3, ' ', 7.6, -1.5, 0.0},
    {"SC2", "HIS", 'A', 3, ' ', 7.6, -3.5, 0.0},
    {"SC3", "HIS", 'A', 3, ' ', 7.6, -3.5, 1.0},
    {"BB", "MET", 'A', 4, ' ', 12.4, 0.5, 0.25},
    {"SC1", "MET", 'A', 4, ' ', 11.4, -2.5, 0.0},
    // ALA's backbone bead takes CB too: (x, 0, 0) ... CB (x+1, -1, 0).
    {"BB", "ALA", 'A', 5, ' ', 16.2, 0.2, 0.2},
    {"BB", "GLY", 'A', 6, 'A', 20.0, 0.5, 0.25},
};

TEST_F(SelectionRules, TheFirstModelsFirstProteinChainResidueByResidue) {
  const auto result = run_beadmap(dir_, {"entry.pdb"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err,
            "beadmap: chain A: skipped residue THR 5: an earlier residue holds the same number and "
            "insertion code\n"
            "beadmap: chain A: skipped residue UNK 7: the mapping has no residue of this name\n"
            "beadmap: chain A: skipped residue NAG 101: HETATM record\n"
            "beadmap: chain A: incomplete residue LYS 8: SC2 from the atoms present (no NZ)\n"
            "beadmap: chain A: gap of 7.60 angstrom between the backbone beads of GLY 6A and LYS 8 "
            "(beadweave bonds them all the same)\n");
  const std::string structure = dir_.read("pdb-CG.pdb");
  EXPECT_EQ(lines_of(structure).front(), "HEADER number of residues:    7 number of beads:   14");
  // LYS 8 lacks NZ: SC1 at the centroid of CB, CG, CD, SC2 at CE alone.
  std::vector<ExpectedBead> beads = whole_residue_beads;
  beads.push_back({"BB", "LYS", 'A', 8, ' ', 27.6, 0.5, 0.25});
  beads.push_back({"SC1", "LYS", 'A', 8, ' ', 26.6, -2.0, 0.0});
  beads.push_back({"SC2", "LYS", 'A', 8, ' ', 26.6, -4.0, 0.0});
  expect_beads(structure, beads);
  EXPECT_NE(result.out.find("(skipped residues: 3, incomplete residues: 1, gaps: 1)"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(lines_of(structure).back(), "END");
}

TEST_F(SelectionRules, SkipIncompleteSkipsTheResiduesThatLackAnAtom) {
  const auto result = run_beadmap(dir_, {"entry.pdb", "--skip-incomplete"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err,
            "beadmap: chain A: skipped residue THR 5: an earlier residue holds the same number and "
            "insertion code\n"
            "beadmap: chain A: skipped residue UNK 7: the mapping has no residue of this name\n"
            "beadmap: chain A: skipped residue LYS 8: no atom NZ for bead SC2\n"
            "beadmap: chain A: skipped residue NAG 101: HETATM record\n");
  const std::string structure = dir_.read("pdb-CG.pdb");
  EXPECT_EQ(lines_of(structure).front(), "HEADER number of residues:    6 number of beads:   11");
  expect_beads(structure, whole_residue_beads);
}

TEST_F(SelectionRules, AChainByItsIdAndOneThatIsMissingOrHoldsNoAminoAcid) {
  const auto chain_b = run_beadmap(dir_, {"--chain", "B", "entry.pdb", "-o", "b.pdb"});
  ASSERT_EQ(chain_b.exit_status, 0) << chain_b.err;
  expect_beads(dir_.read("b.pdb"), {{"BB", "ALA", 'B', 1, ' ', 41.0, 0.2, 0.2}});

  const auto missing = run_beadmap(dir_, {"entry.pdb", "--chain=Z", "-o", "z.pdb"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.err, "beadmap: the first model has no chain \"Z\" (its chains: A B)\n");
  EXPECT_FALSE(dir_.exists("z.pdb"));
  // A name from the command line cannot add lines of its own to a message:
  // control characters are shown escaped.
  const auto injected =
      run_beadmap(dir_, {"entry.pdb", "--chain=Z\nbeadmap: done\x1b[2J", "-o", "z.pdb"});
  EXPECT_EQ(injected.exit_status, 1);
  EXPECT_EQ(injected.err,
            "beadmap: the first model has no chain \"Z\\nbeadmap: done\\x1b[2J\" (its chains: A "
            "B)\n");

  // Chain A in two parts (A, B, A again) is named once.
  EntryBuilder parted;
  parted.backbone("GLY", 'A', 1, 0.0).backbone("GLY", 'B', 1, 3.8).backbone("GLY", 'A', 2, 7.6);
  dir_.write("parted.pdb", parted.text());
  EXPECT_EQ(run_beadmap(dir_, {"parted.pdb", "--chain=Z", "-o", "z.pdb"}).err,
            "beadmap: the first model has no chain \"Z\" (its chains: A B)\n");

  EntryBuilder waters_first;
  waters_first.atom("HOH", 'W', 1, "O", 0, 0, 0, true).atom("NAG", 'W', 2, "C1", 0, 0, 0, true);
  waters_first.backbone("GLY", 'C', 1, 0.0);
  dir_.write("waters.pdb", waters_first.text());
  const auto first_protein = run_beadmap(dir_, {"waters.pdb", "-o", "w.pdb"});
  ASSERT_EQ(first_protein.exit_status, 0) << first_protein.err;
  expect_beads(dir_.read("w.pdb"), {{"BB", "GLY", 'C', 1, ' ', 1.0, 0.5, 0.25}});
  const auto no_protein = run_beadmap(dir_, {"waters.pdb", "--chain", "W", "-o", "w2.pdb"});
  EXPECT_EQ(no_protein.exit_status, 1);
  EXPECT_EQ(no_protein.err, "beadmap: chain \"W\" holds no standard amino acid\n");
  EXPECT_FALSE(dir_.exists("w2.pdb"));
}

TEST_F(SelectionRules, HetatmResiduesTheMappingAliasesAreMappedAsTheirResidue) {
  // DAR (a D-arginine) as the user's alias of ARG; NAG has no alias.
  dir_.write("my.map",
             testsupport::read_file(BEADMAP_SOURCE_DIR "/beadmap/protein.map") + "alias ARG DAR\n");
  EntryBuilder entry;
  entry.backbone("GLY", 'A', 1, 0.0);
  entry.backbone("DAR", 'A', 2, 3.8, true)
      .atom("DAR", 'A', 2, "CB", 3.8, -1, 0, true)
      .atom("DAR", 'A', 2, "CG", 3.8, -2, 0, true)
      .atom("DAR", 'A', 2, "CD", 3.8, -3, 0, true)
      .atom("DAR", 'A', 2, "NE", 3.8, -4, 0, true)
      .atom("DAR", 'A', 2, "CZ", 3.8, -5, 0, true)
      .atom("DAR", 'A', 2, "NH1", 3.8, -6, 0, true)
      .atom("DAR", 'A', 2, "NH2", 3.8, -7, 0, true);
  entry.atom("NAG", 'A', 3, "C1", 9, 9, 9, true);
  dir_.write("modified.pdb", entry.text());
  const auto mapped = run_beadmap(dir_, {"modified.pdb", "--mapping", "my.map"});
  ASSERT_EQ(mapped.exit_status, 0) << mapped.err;
  EXPECT_EQ(mapped.err, "beadmap: chain A: skipped residue NAG 3: HETATM record\n");
  // ARG's side chain: SC1 from CB CG CD, SC2 from NE CZ NH1 NH2.
  expect_beads(dir_.read("pdb-CG.pdb"), {{"BB", "GLY", 'A', 1, ' ', 1.0, 0.5, 0.25},
                                         {"BB", "ARG", 'A', 2, ' ', 4.8, 0.5, 0.25},
                                         {"SC1", "ARG", 'A', 2, ' ', 3.8, -2.0, 0.0},
                                         {"SC2", "ARG", 'A', 2, ' ', 3.8, -5.5, 0.0}});
  // Without the alias, DAR is skipped as before.
  std::filesystem::remove(dir_.path() / "pdb-CG.pdb");
  const auto plain = run_beadmap(dir_, {"modified.pdb"});
  ASSERT_EQ(plain.exit_status, 0) << plain.err;
  EXPECT_EQ(plain.err,
            "beadmap: chain A: skipped residue DAR 2: HETATM record\n"
            "beadmap: chain A: skipped residue NAG 3: HETATM record\n");
}

TEST_F(SelectionRules, WithoutChainIdsTheFirstSegmentIsTheChain) {
  EntryBuilder segments;
  segments.backbone("GLY", ' ', 1, 0.0, false, ' ', "PROA")
      .backbone("GLY", ' ', 2, 3.8, false, ' ', "PROA")
      .backbone("GLY", ' ', 1, 7.6, false, ' ', "PROB")
      .backbone("GLY", ' ', 2, 11.4, false, ' ', "PROB");
  dir_.write("segments.pdb", segments.text());
  const auto result = run_beadmap(dir_, {"segments.pdb"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  // Residues 1 and 2 of the second segment are not repeats; the segment is
  // named as left out, not dropped without a word.
  EXPECT_EQ(result.err,
            "beadmap: chain (blank): 2 residues of segment \"PROB\" left out (a chain is mapped "
            "from its first segment with amino acids)\n");
  expect_beads(dir_.read("pdb-CG.pdb"), {{"BB", "GLY", ' ', 1, ' ', 1.0, 0.5, 0.25},
                                         {"BB", "GLY", ' ', 2, ' ', 4.8, 0.5, 0.25}});
  // The list counts the chain whole but the beads of its first segment.
  const auto listed = run_beadmap(dir_, {"segments.pdb", "--list"});
  EXPECT_EQ(listed.out,
            "chain (blank): 4 residues (protein 4, nucleic acid 0, water 0, other 0) -> 2 beads "
            "(2 residues of later segments left out)\n");
}

TEST_F(SelectionRules, GapsBetweenConsecutiveBackboneBeadsAreReported) {
  EntryBuilder gapped;
  // Backbone beads at x = 1, 5.5 (4.5 apart: no gap), 10.1 (4.6 apart: a gap).
  gapped.backbone("GLY", 'A', 1, 0.0).backbone("GLY", 'A', 2, 4.5).backbone("GLY", 'A', 3, 9.1);
  dir_.write("gapped.pdb", gapped.text());
  const auto result = run_beadmap(dir_, {"gapped.pdb"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err,
            "beadmap: chain A: gap of 4.60 angstrom between the backbone beads of GLY 2 and GLY 3 "
            "(beadweave bonds them all the same)\n");
  EXPECT_EQ(bead_records(dir_.read("pdb-CG.pdb")).size(), 3U);
}

}  // namespace
}  // namespace bmtest
