// Files that are not what the programs expect: a directory, a file the user
// may not read, a symbolic link whose target has vanished, a line of 100 MB
// without a line feed. Each run ends with its diagnostic, creates nothing,
// follows no link to create its target, and leaves a topology left by an
// earlier run as it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "hardening_runs.hpp"
#include "sanitizer_builds.hpp"

namespace hardening {
namespace {

namespace fs = std::filesystem;

struct Setting {
  std::string what;
  std::string file;  // the file that is broken
  int status;
  std::string message;
  int unit;
  std::string system_text;  // empty when the failure carries no system error
};

// A program's inputs, beside the topology of an earlier run.
void write_beadweave_inputs(const ScratchDir& dir) {
  dir.write("beadlib.dat", example_library());
  dir.write("pdb-CG.pdb", example_structure());
  dir.write("protein.itp", old_topology);
}

void write_pairprobe_inputs(const ScratchDir& dir) {
  dir.write("conf.xyz", example_configuration());
  dir.write("protein.itp", old_topology);
}

void expect_refused(const ScratchDir& dir, const ProcessResult& result, const std::string& program,
                    const Setting& s) {
  EXPECT_EQ(result.exit_status, s.status) << program << ", " << s.what << "\n" << result.err;
  EXPECT_EQ(result.out, "") << s.what;
  EXPECT_EQ(result.err, diagnostic(program, s.status, s.message, s.unit,
                                   dir.real_path() + "/" + s.file, s.system_text))
      << s.what;
}

// Runs `program` with one of its files turned into whatever `break_file`
// makes of it.
template <typename BreakFile>
void expect_setting_refused(const std::string& program, const Setting& s, BreakFile break_file,
                            const ProcessOptions& options = {}) {
  ScratchDir dir;
  if (program == "beadweave") {
    write_beadweave_inputs(dir);
  } else {
    write_pairprobe_inputs(dir);
  }
  break_file(dir, s.file);
  const Listing before = listing(dir);
  const ProcessResult result =
      program == "beadweave" ? run_beadweave(dir, options) : run_pairprobe(dir, options);
  if (result.exit_status == testsupport::privileges_kept_status) {
    GTEST_SKIP() << "cannot run as user nobody here";
  }
  expect_refused(dir, result, program, s);
  EXPECT_EQ(listing_changes(before, listing(dir)), "") << program << ", " << s.what;
}

TEST(FileSystem, ADirectoryWhereAFileIsExpected) {
  const auto make_directory = [](const ScratchDir& dir, const std::string& file) {
    fs::remove(dir.path() / file);
    fs::create_directory(dir.path() / file);
  };
  const std::string is_directory = std::strerror(EISDIR);
  expect_setting_refused(
      "beadweave", {"library", "beadlib.dat", 30, open_failure, 11, is_directory}, make_directory);
  expect_setting_refused(
      "beadweave", {"structure", "pdb-CG.pdb", 30, open_failure, 13, is_directory}, make_directory);
  // The topology file is created only when nothing is there, a directory included.
  expect_setting_refused(
      "beadweave", {"topology", "protein.itp", 10, cannot_overwrite, 12, std::strerror(EEXIST)},
      make_directory);
  expect_setting_refused("pairprobe",
                         {"configuration", "conf.xyz", 30, open_failure, 12, is_directory},
                         make_directory);
}

TEST(FileSystem, AFileTheUserMayNotRead) {
  // Permission bits refuse nothing to root: the runs drop to user nobody,
  // who may enter the directory but not read the file.
  const auto make_unreadable = [](const ScratchDir& dir, const std::string& file) {
    fs::permissions(dir.path() / file, fs::perms::none);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
  };
  ProcessOptions as_nobody;
  as_nobody.unprivileged = true;
  const std::string denied = std::strerror(EACCES);
  expect_setting_refused("beadweave", {"library", "beadlib.dat", 9, permission_denied, 11, denied},
                         make_unreadable, as_nobody);
  expect_setting_refused("beadweave", {"structure", "pdb-CG.pdb", 9, permission_denied, 13, denied},
                         make_unreadable, as_nobody);
  expect_setting_refused("pairprobe",
                         {"configuration", "conf.xyz", 9, permission_denied, 12, denied},
                         make_unreadable, as_nobody);
}

TEST(FileSystem, ASymbolicLinkWhoseTargetHasVanished) {
  // The link stays dangling: no run creates the file it points to.
  const auto make_dangling = [](const ScratchDir& dir, const std::string& file) {
    fs::remove(dir.path() / file);
    fs::create_symlink("vanished-" + file, dir.path() / file);
  };
  const std::string missing = std::strerror(ENOENT);
  expect_setting_refused("beadweave", {"library", "beadlib.dat", 29, file_not_found, 11, missing},
                         make_dangling);
  expect_setting_refused("beadweave", {"structure", "pdb-CG.pdb", 29, file_not_found, 13, missing},
                         make_dangling);
  expect_setting_refused(
      "beadweave", {"topology", "protein.itp", 10, cannot_overwrite, 12, std::strerror(EEXIST)},
      make_dangling);
  expect_setting_refused(
      "pairprobe", {"configuration", "conf.xyz", 29, file_not_found, 12, missing}, make_dangling);
}

TEST(FileSystem, ALineOf100MegabytesWithoutLineFeed) {
  // Under the address sanitizer 25 MB: the input buffers still grow by
  // doubling many times over, past three of the bulk reader's 8 MiB blocks.
  // 100 MB take half a minute there.
  constexpr std::size_t line_bytes =
      testsupport::address_sanitizer_build ? 25'000'000 : 100'000'000;
  const auto long_line = [](const std::string& start, char filler) {
    return [start, filler](const ScratchDir& dir, const std::string& file) {
      std::string line = start;
      line.append(line_bytes, filler);
      dir.write(file, line);
    };
  };
  // The library's first template holds a bead its file never gets to.
  expect_setting_refused("beadweave", {"library", "beadlib.dat", 24, end_of_file, 11, ""},
                         long_line("ALA    1   0   0   0   0", ' '));
  expect_setting_refused("beadweave", {"structure", "pdb-CG.pdb", 24, end_of_file, 13, ""},
                         long_line("HEADER number of residues:    1 number of beads:    1", 'x'));
  // Two particles promised, the header's line runs to the end of the file.
  expect_setting_refused("pairprobe", {"blanks", "conf.xyz", 24, end_of_file, 12, ""},
                         long_line("2 10 10 10 1", ' '));
  expect_setting_refused("pairprobe", {"digits", "conf.xyz", 64, input_conversion, 12, ""},
                         long_line("", '7'));
}

}  // namespace
}  // namespace hardening
