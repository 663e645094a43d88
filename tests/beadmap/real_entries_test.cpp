// Whole runs on real entries (copied into the project from Debian packages),
// against the coarse-grained structures an independent mapping gave for
// them (tests/data/reference/<id>/pdb-CG.pdb): the same residues, bead and
// residue names, coordinates within 0.001 angstrom; then beadweave builds a
// topology from the result.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "beadmap_runs.hpp"

namespace bmtest {
namespace {

namespace fs = std::filesystem;

struct RealEntry {
  const char* id;
  const char* entry;                 // under the source directory
  std::vector<std::string> reports;  // the lines beadmap writes on standard error
};

const fs::path source_dir = BEADMAP_SOURCE_DIR;

const std::vector<RealEntry>& real_entries() {
  static const std::vector<RealEntry> entries = {
      {"1a1p",
       "tests/data/varied/1A1P.pdb.gz",
       // The amidated C-terminus is a HETATM residue.
       {"beadmap: chain (blank): skipped residue NH2 14: HETATM record"}},
      {"1ubi", "examples/pipeline/pdb1ubi.pdb", {}},
      {"2xhe",
       "tests/data/entries/2XHE.pdb.gz",
       // ALA 617 holds only its N; residues 510 to 560 are not in the entry.
       {"beadmap: chain A: skipped residue ALA 617: no atom CA for bead BB",
        "beadmap: chain A: gap of DIST angstrom between the backbone beads of LYS 509 and GLU 561 "
        "(beadweave bonds them all the same)"}},
      {"4zhl", "tests/data/entries/4ZHL.cif.gz", {}},
  };
  return entries;
}

struct BeadRecord {
  std::string identity;  // columns 1-30: serial, names, chain, number, insertion code
  double x, y, z;
};

std::vector<BeadRecord> parse_records(const std::string& text) {
  std::vector<BeadRecord> records;
  for (const std::string& line : bead_records(text)) {
    records.push_back({line.substr(0, 30), std::atof(line.substr(30, 8).c_str()),
                       std::atof(line.substr(38, 8).c_str()),
                       std::atof(line.substr(46, 8).c_str())});
  }
  return records;
}

// The distance between the backbone beads of residues `before` and `after`
// in a reference structure, for the gap line.
std::string reference_distance(const std::vector<BeadRecord>& records, const std::string& before,
                               const std::string& after) {
  const BeadRecord* a = nullptr;
  const BeadRecord* b = nullptr;
  for (const BeadRecord& r : records) {
    if (r.identity.substr(13, 3) != "BB ") continue;
    if (std::atoi(r.identity.substr(22, 4).c_str()) == std::atoi(before.c_str())) a = &r;
    if (std::atoi(r.identity.substr(22, 4).c_str()) == std::atoi(after.c_str())) b = &r;
  }
  if (a == nullptr || b == nullptr) return "?";
  const double d = std::hypot(a->x - b->x, a->y - b->y, a->z - b->z);
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", d);
  return text;
}

class RealEntries : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RealEntries, MapAsTheIndependentMappingAndBuildWithBeadweave) {
  const RealEntry& entry = real_entries()[GetParam()];
  const fs::path reference_file =
      source_dir / "tests" / "data" / "reference" / entry.id / "pdb-CG.pdb";
  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", example_library());
  // The independent mapping skips the residues that lack atoms.
  const auto result = run_beadmap(
      dir, {(source_dir / entry.entry).string(), "--posre", "posre.itp", "--skip-incomplete"});
  ASSERT_EQ(result.exit_status, 0) << result.err;

  const std::string reference_text = testsupport::read_file(reference_file);
  const std::string structure_text = dir.read("pdb-CG.pdb");
  const auto reference = parse_records(reference_text);
  const auto mapped = parse_records(structure_text);
  EXPECT_EQ(lines_of(structure_text).front(), lines_of(reference_text).front());
  ASSERT_EQ(mapped.size(), reference.size());
  for (std::size_t i = 0; i < mapped.size(); ++i) {
    EXPECT_EQ(mapped[i].identity, reference[i].identity);
    EXPECT_NEAR(mapped[i].x, reference[i].x, 0.0011) << mapped[i].identity;
    EXPECT_NEAR(mapped[i].y, reference[i].y, 0.0011) << mapped[i].identity;
    EXPECT_NEAR(mapped[i].z, reference[i].z, 0.0011) << mapped[i].identity;
  }

  std::string expected_reports;
  for (std::string line : entry.reports) {
    if (const auto at = line.find("DIST"); at != std::string::npos) {
      line.replace(at, 4, reference_distance(reference, "509", "561"));
    }
    expected_reports += line + "\n";
  }
  EXPECT_EQ(result.err, expected_reports);

  // One restraint per residue, on its backbone bead, numbered by position.
  std::vector<std::string> restrained;
  for (const std::string& line : lines_of(dir.read("posre.itp"))) {
    if (line.empty() || line[0] == ';' || line[0] == '[') continue;
    EXPECT_EQ(line.substr(7), "      1      1000      1000      1000");
    restrained.push_back(reference[std::stoul(line.substr(0, 7)) - 1].identity.substr(13, 3));
  }
  const int residues = std::atoi(lines_of(reference_text).front().substr(27, 4).c_str());
  EXPECT_EQ(restrained, std::vector<std::string>(static_cast<std::size_t>(residues), "BB "));

  // beadweave takes the structure as it stands.
  const auto built = testsupport::run_process(BEADWEAVE_PATH, {}, dir.path(), "40000\n500\n0.9\n");
  EXPECT_EQ(built.exit_status, 0) << built.err;
  EXPECT_TRUE(dir.exists("protein.itp"));
}

INSTANTIATE_TEST_SUITE_P(Debian, RealEntries, ::testing::Range<std::size_t>(0, 4),
                         [](const auto& info) {
                           return std::string(real_entries()[info.param].id);
                         });

}  // namespace
}  // namespace bmtest

namespace bmtest {
namespace {

// 6WQA (tests/data/incomplete): 28 residues whose side chains stop short.
TEST(IncompleteEntry, ResiduesKeptWithRebuiltBeadsApartFromEveryOtherAndBeadweaveBuildsThem) {
  testsupport::ScratchDir dir;
  dir.write("beadlib.dat", example_library());
  const std::string entry = BEADMAP_SOURCE_DIR "/tests/data/incomplete/6WQA.cif.gz";
  const auto kept = run_beadmap(dir, {entry});
  ASSERT_EQ(kept.exit_status, 0) << kept.err;
  std::size_t incomplete_lines = 0;
  for (const std::string& line : lines_of(kept.err)) {
    if (line.starts_with("beadmap: chain A: incomplete residue ")) ++incomplete_lines;
  }
  EXPECT_EQ(incomplete_lines, 28U);
  EXPECT_NE(kept.out.find("chain A: 391 residues"), std::string::npos) << kept.out;
  EXPECT_NE(kept.out.find("incomplete residues: 28,"), std::string::npos) << kept.out;
  // Lys 1015 stops at CD: SC2 has no atom and stands 3 angstrom from SC1.
  EXPECT_NE(kept.err.find("incomplete residue LYS 1015: SC1 from the atoms present (no CG, CD); "
                          "SC2 rebuilt (no CE, NZ)"),
            std::string::npos);
  const auto records = parse_records(dir.read("pdb-CG.pdb"));
  const BeadRecord* sc1 = nullptr;
  const BeadRecord* sc2 = nullptr;
  for (const BeadRecord& record : records) {
    if (record.identity.substr(17, 3) != "LYS" ||
        std::atoi(record.identity.substr(22, 4).c_str()) != 1015)
      continue;
    if (record.identity.substr(13, 3) == "SC1") sc1 = &record;
    if (record.identity.substr(13, 3) == "SC2") sc2 = &record;
  }
  ASSERT_TRUE(sc1 != nullptr && sc2 != nullptr);
  EXPECT_NEAR(std::hypot(sc2->x - sc1->x, sc2->y - sc1->y, sc2->z - sc1->z), 3.0, 0.002);
  // No two beads at one place, as written.
  std::set<std::tuple<double, double, double>> places;
  for (const BeadRecord& record : records) places.insert({record.x, record.y, record.z});
  EXPECT_EQ(places.size(), records.size());
  const auto built = testsupport::run_process(BEADWEAVE_PATH, {}, dir.path(), "40000\n500\n0.9\n");
  EXPECT_EQ(built.exit_status, 0) << built.err;

  // Skipped instead, they leave 363 residues.
  testsupport::ScratchDir skipping;
  skipping.write("beadlib.dat", example_library());
  const auto skipped = run_beadmap(skipping, {entry, "--skip-incomplete"});
  ASSERT_EQ(skipped.exit_status, 0) << skipped.err;
  EXPECT_NE(skipped.out.find("chain A: 363 residues"), std::string::npos) << skipped.out;
}

}  // namespace
}  // namespace bmtest
