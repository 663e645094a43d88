// Real entries of the kinds users bring (tests/data/varied): an old PDB file
// with other text in columns 73-80, an NMR ensemble with D-amino acids as
// HETATM records, and residues modelled in alternate locations. Expected
// beads are the centroids of the atoms as this file reads them from the
// entry's own text, independently of the structure library.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "beadmap_runs.hpp"

namespace bmtest {
namespace {

const std::string varied = BEADMAP_SOURCE_DIR "/tests/data/varied/";

std::string gunzipped(const std::string& path) {
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) return "";
  std::string text;
  char buffer[65536];
  int got = 0;
  while ((got = gzread(file, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(got));
  gzclose(file);
  return text;
}

struct Atom {
  std::string name, altloc, residue, chain, model;
  int number = 0;
  double x = 0, y = 0, z = 0;
};

// The ATOM and HETATM rows of an mmCIF file's atom_site loop, by its own
// column names (author numbering and chain names, as beadmap writes them).
std::vector<Atom> mmcif_atoms(const std::string& text) {
  std::istringstream lines(text);
  std::map<std::string, std::size_t> column;
  std::vector<Atom> atoms;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("_atom_site.")) {
      const std::string name = line.substr(11, line.find_first_of(" \r") - 11);
      column.emplace(name, column.size());
      continue;
    }
    if (!line.starts_with("ATOM ") && !line.starts_with("HETATM ")) continue;
    std::istringstream words(line);
    std::vector<std::string> field;
    for (std::string word; words >> word;) field.push_back(word);
    const auto at = [&](const char* name) { return field.at(column.at(name)); };
    atoms.push_back({at("auth_atom_id"), at("label_alt_id"), at("auth_comp_id"), at("auth_asym_id"),
                     at("pdbx_PDB_model_num"), std::stoi(at("auth_seq_id")),
                     std::stod(at("Cartn_x")), std::stod(at("Cartn_y")), std::stod(at("Cartn_z"))});
  }
  return atoms;
}

// The ATOM records of a PDB file, by their columns.
std::vector<Atom> pdb_atoms(const std::string& text) {
  std::istringstream lines(text);
  std::vector<Atom> atoms;
  const auto trimmed = [](std::string s) {
    s.erase(0, s.find_first_not_of(' '));
    return s.erase(s.find_last_not_of(' ') + 1);
  };
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("ATOM  ")) continue;
    atoms.push_back({trimmed(line.substr(12, 4)), line.substr(16, 1), line.substr(17, 3),
                     line.substr(21, 1), "1", std::stoi(line.substr(22, 4)),
                     std::stod(line.substr(30, 8)), std::stod(line.substr(38, 8)),
                     std::stod(line.substr(46, 8))});
  }
  return atoms;
}

struct Point {
  double x, y, z;
};

// The centroid of the named atoms of one residue, each taken once: the
// first in `altloc` (or in none) when one is given, else the first.
Point centroid(const std::vector<Atom>& atoms, const std::string& model, const std::string& chain,
               int number, const std::vector<std::string>& names, const std::string& altloc = "") {
  Point sum{0, 0, 0};
  for (const std::string& name : names) {
    const Atom* found = nullptr;
    for (const Atom& atom : atoms) {
      if (atom.model != model || atom.chain != chain || atom.number != number || atom.name != name)
        continue;
      if (!altloc.empty() && atom.altloc != altloc && atom.altloc != "." && atom.altloc != " ")
        continue;
      found = &atom;
      break;
    }
    EXPECT_NE(found, nullptr) << "atom " << name << " of residue " << number;
    if (found == nullptr) return sum;
    sum = {sum.x + found->x, sum.y + found->y, sum.z + found->z};
  }
  const double n = static_cast<double>(names.size());
  return {sum.x / n, sum.y / n, sum.z / n};
}

// The bead of the written structure: residue name, bead name and number.
struct WrittenBead {
  std::string residue;
  Point place;
};
std::map<std::string, WrittenBead> written_beads(const std::string& structure_text) {
  std::map<std::string, WrittenBead> beads;  // "BB 4" -> ...
  for (const std::string& record : bead_records(structure_text)) {
    const std::string key = record.substr(13, 3) + std::to_string(std::stoi(record.substr(22, 4)));
    beads[key] = {record.substr(17, 3),
                  {std::stod(record.substr(30, 8)), std::stod(record.substr(38, 8)),
                   std::stod(record.substr(46, 8))}};
  }
  return beads;
}

void expect_at(const std::map<std::string, WrittenBead>& beads, const std::string& key,
               const std::string& residue, const Point& expected) {
  const auto found = beads.find(key);
  ASSERT_NE(found, beads.end()) << "no bead " << key;
  EXPECT_EQ(found->second.residue, residue) << key;
  EXPECT_NEAR(found->second.place.x, expected.x, 0.0006) << key;
  EXPECT_NEAR(found->second.place.y, expected.y, 0.0006) << key;
  EXPECT_NEAR(found->second.place.z, expected.z, 0.0006) << key;
}

const std::vector<std::string> backbone = {"N", "CA", "C", "O"};

class RealEntryKinds : public ::testing::Test {
 protected:
  void SetUp() override { dir_.write("beadlib.dat", example_library()); }
  testsupport::ScratchDir dir_;
};

// 1HPV, an old tutorial file: columns 73-80 hold the entry's name and line
// numbers, which the structure library takes for charges.
TEST_F(RealEntryKinds, AnOldFileIsReadAsTheSameFileWithoutColumns73To80) {
  const std::string entry = varied + "1HPV.pdb.gz";
  const auto old = run_beadmap(dir_, {entry, "-o", "old.pdb"});
  ASSERT_EQ(old.exit_status, 0) << old.err;
  EXPECT_TRUE(old.err.starts_with("beadmap: columns 73-80 of " + entry + " ignored (")) << old.err;
  EXPECT_EQ(lines_of(old.err).size(), 1U) << old.err;

  std::string cut;
  std::istringstream lines(gunzipped(entry));
  for (std::string line; std::getline(lines, line);) cut += line.substr(0, 72) + "\n";
  dir_.write("cut.pdb", cut);
  const auto plain = run_beadmap(dir_, {"cut.pdb", "-o", "plain.pdb"});
  ASSERT_EQ(plain.exit_status, 0) << plain.err;
  EXPECT_EQ(plain.err, "");
  EXPECT_EQ(dir_.read("old.pdb"), dir_.read("plain.pdb"));

  // Chain A: Pro 1 to Phe 99 of the protease; its first bead from the text.
  EXPECT_NE(old.out.find(" chain A: 99 residues,"), std::string::npos) << old.out;
  const auto atoms = pdb_atoms(cut);
  expect_at(written_beads(dir_.read("old.pdb")), "BB 1", "PRO",
            centroid(atoms, "1", "A", 1, backbone));
}

// 6YFY, teixobactin in 26 NMR models: D-arginine (DAR 4) and D-threonine
// (DTH 8) are HETATM residues.
TEST_F(RealEntryKinds, AModelByItsNumberAndDAminoAcidsTheMappingAliases) {
  const std::string entry = varied + "6YFY.cif.gz";
  const auto atoms = mmcif_atoms(gunzipped(entry));
  const std::vector<std::string> arg_sc1 = {"CB", "CG", "CD"}, arg_sc2 = {"NE", "CZ", "NH1", "NH2"};

  const auto first = run_beadmap(dir_, {entry, "-o", "first.pdb"});
  ASSERT_EQ(first.exit_status, 0) << first.err;
  EXPECT_NE(first.err.find("beadmap: chain A: skipped residue DAR 4: HETATM record\n"),
            std::string::npos);
  EXPECT_NE(first.err.find("beadmap: chain A: skipped residue DTH 8: HETATM record\n"),
            std::string::npos);
  expect_at(written_beads(dir_.read("first.pdb")), "BB 2", "ILE",
            centroid(atoms, "1", "A", 2, backbone));

  const auto seventh = run_beadmap(dir_, {entry, "--model", "7", "-o", "seventh.pdb"});
  ASSERT_EQ(seventh.exit_status, 0) << seventh.err;
  expect_at(written_beads(dir_.read("seventh.pdb")), "BB 2", "ILE",
            centroid(atoms, "7", "A", 2, backbone));

  const auto missing = run_beadmap(dir_, {entry, "--model", "27", "-o", "none.pdb"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_NE(missing.err.find("no model 27"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find(" 26)"), std::string::npos) << missing.err;
  EXPECT_FALSE(dir_.exists("none.pdb"));

  // The user's mapping maps them as arginine and threonine, written so.
  dir_.write("d.map", testsupport::read_file(BEADMAP_SOURCE_DIR "/beadmap/protein.map") +
                          "alias ARG DAR\nalias THR DTH\n");
  const auto aliased =
      run_beadmap(dir_, {entry, "--mapping", "d.map", "--model", "7", "-o", "d.pdb"});
  ASSERT_EQ(aliased.exit_status, 0) << aliased.err;
  EXPECT_EQ(aliased.err.find("DAR"), std::string::npos) << aliased.err;
  EXPECT_EQ(aliased.err.find("DTH"), std::string::npos) << aliased.err;
  const auto beads = written_beads(dir_.read("d.pdb"));
  expect_at(beads, "BB 4", "ARG", centroid(atoms, "7", "A", 4, backbone));
  expect_at(beads, "SC14", "ARG", centroid(atoms, "7", "A", 4, arg_sc1));
  expect_at(beads, "SC24", "ARG", centroid(atoms, "7", "A", 4, arg_sc2));
  expect_at(beads, "SC18", "THR", centroid(atoms, "7", "A", 8, {"CB", "OG1", "CG2"}));
}

// 3JQH: Pro/Ser at residue 1 and Arg/Gln/Glu at residue 15 are modelled as
// whole residues in locations A, B and C; Lys 3 has its atoms in A and B.
TEST_F(RealEntryKinds, OfResiduesInAlternateLocationsTheOneInTheLocationAskedFor) {
  const std::string entry = varied + "3JQH.cif.gz";
  const auto atoms = mmcif_atoms(gunzipped(entry));

  const auto first = run_beadmap(dir_, {entry, "-o", "first.pdb"});
  ASSERT_EQ(first.exit_status, 0) << first.err;
  EXPECT_EQ(
      first.err,
      "beadmap: chain A: skipped residue SER 1: alternate location B of this place (PRO taken; "
      "--altloc B takes this one)\n"
      "beadmap: chain A: skipped residue GLN 15: alternate location B of this place (ARG taken; "
      "--altloc B takes this one)\n"
      "beadmap: chain A: skipped residue GLU 15: alternate location C of this place (ARG taken; "
      "--altloc C takes this one)\n");
  auto beads = written_beads(dir_.read("first.pdb"));
  expect_at(beads, "BB 1", "PRO", centroid(atoms, "1", "A", 1, backbone, "A"));
  expect_at(beads, "BB 15", "ARG", centroid(atoms, "1", "A", 15, backbone, "A"));
  expect_at(beads, "SC13", "LYS", centroid(atoms, "1", "A", 3, {"CB", "CG", "CD"}, "A"));

  const auto second = run_beadmap(dir_, {entry, "--altloc", "B", "-o", "b.pdb"});
  ASSERT_EQ(second.exit_status, 0) << second.err;
  beads = written_beads(dir_.read("b.pdb"));
  expect_at(beads, "BB 1", "SER", centroid(atoms, "1", "A", 1, backbone, "B"));
  expect_at(beads, "SC11", "SER", centroid(atoms, "1", "A", 1, {"CB", "OG"}, "B"));
  expect_at(beads, "BB 15", "GLN", centroid(atoms, "1", "A", 15, backbone, "B"));
  expect_at(beads, "SC13", "LYS", centroid(atoms, "1", "A", 3, {"CB", "CG", "CD"}, "B"));

  // The list counts each residue modelled at a place (23 places, 3 of them
  // twice more) and the beads of the location asked for: with Gln for Arg
  // at 15, one side-chain bead fewer.
  const std::string waters = "chain A: 47 residues (protein 26, nucleic acid 0, water 21, other 0)";
  EXPECT_NE(first.out.find(" chain A: 23 residues, 49 beads"), std::string::npos) << first.out;
  EXPECT_EQ(run_beadmap(dir_, {entry, "--list"}).out, waters + " -> 49 beads\n");
  EXPECT_EQ(run_beadmap(dir_, {entry, "--list", "--altloc=B"}).out, waters + " -> 48 beads\n");

  const auto third = run_beadmap(dir_, {entry, "--altloc", "C", "-o", "c.pdb"});
  ASSERT_EQ(third.exit_status, 0) << third.err;
  beads = written_beads(dir_.read("c.pdb"));
  expect_at(beads, "BB 1", "PRO", centroid(atoms, "1", "A", 1, backbone, "A"));  // no C at 1
  expect_at(beads, "SC115", "GLU",
            centroid(atoms, "1", "A", 15, {"CB", "CG", "CD", "OE1", "OE2"}, "C"));
}

}  // namespace
}  // namespace bmtest
