// Whole runs on the multi-chain entries of tests/data/entries (real entries
// from Debian packages): every chain's include file is what beadmap --chain
// and beadweave write for that chain, byte for byte, but for the molecule's
// name and its restraint include; the chains without amino acids are named.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "beadbuild_runs.hpp"

namespace bbtest {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchDir;

const fs::path entries_dir = fs::path(BEADBUILD_SOURCE_DIR) / "tests" / "data" / "entries";

std::vector<fs::path> multi_chain_entries() {
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(entries_dir)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".gz") || name.ends_with(".pdb") || name.ends_with(".cif")) {
      entries.push_back(entry.path());
    }
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// The molecules of a run as its summary lists them: molecule name, chain.
std::vector<std::pair<std::string, std::string>> molecules_of(const std::string& out) {
  // "beadbuild: protein_A     chain A: 566 residues, 1242 beads"
  std::vector<std::pair<std::string, std::string>> molecules;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string tag, molecule, chain_word, chain;
    words >> tag >> molecule >> chain_word >> chain;
    if (chain_word == "chain" && chain.ends_with(":")) {
      molecules.emplace_back(molecule, chain.substr(0, chain.size() - 1));
    }
  }
  return molecules;
}

// Replaces the one line that names the molecule and the one that includes
// its restraints by beadweave's.
std::string as_beadweave_names(std::string itp, const std::string& molecule) {
  std::string name_line = molecule;
  name_line.resize(std::max<std::size_t>(name_line.size(), 13), ' ');
  const std::string from = "\n" + name_line + "\t1\n";
  const std::size_t at = itp.find(from);
  if (at != std::string::npos) itp.replace(at, from.size(), "\nprotein      \t1\n");
  const std::string include = "#include \"posre_" + molecule + ".itp\"";
  const std::size_t include_at = itp.find(include);
  if (include_at != std::string::npos) itp.replace(include_at, include.size(), "#include \"posre.itp\"");
  return itp;
}

class RealEntries : public testing::TestWithParam<fs::path> {};

TEST_P(RealEntries, EveryChainAsBeadmapAndBeadweaveWriteIt) {
  ScratchDir dir;
  const std::string entry = GetParam().string();
  const auto built = run_beadbuild(dir, {entry, "-o", "system", "--bond-gaps"});
  ASSERT_EQ(built.exit_status, 0) << built.err;
  const auto molecules = molecules_of(built.out);
  ASSERT_GE(molecules.size(), 2U) << built.out;
  dir.write("beadlib.dat", testsupport::read_file(fs::path(BEADBUILD_SOURCE_DIR) / "examples" /
                                                  "beadweave" / "beadlib.dat"));
  for (const auto& [molecule, chain] : molecules) {
    SCOPED_TRACE("chain " + chain);
    fs::remove(dir.path() / "pdb-CG.pdb");
    fs::remove(dir.path() / "protein.itp");
    const auto mapped = testsupport::run_process(BEADMAP_PATH, {entry, "--chain", chain}, dir.path());
    ASSERT_EQ(mapped.exit_status, 0) << mapped.err;
    const auto woven = testsupport::run_process(BEADWEAVE_PATH, {}, dir.path(), "40000\n500\n0.9\n");
    ASSERT_EQ(woven.exit_status, 0) << woven.err;
    const std::string ours = dir.read("system/" + molecule + ".itp");
    EXPECT_NE(ours, dir.read("protein.itp"));  // the names differ
    EXPECT_EQ(as_beadweave_names(ours, molecule), dir.read("protein.itp"));
  }
}

INSTANTIATE_TEST_SUITE_P(Debian, RealEntries, testing::ValuesIn(multi_chain_entries()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.filename().string();
                           name = name.substr(0, name.find('.'));
                           return name;
                         });

}  // namespace
}  // namespace bbtest
