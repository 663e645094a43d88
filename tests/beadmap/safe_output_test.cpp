// Output files: complete or absent, never over an existing file unless
// replacing is asked for, and no temporary file left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "process.hpp"
#include "beadmap/refusal.hpp"
#include "safe_output.hpp"

namespace beadmap {
namespace {

namespace fs = std::filesystem;

std::size_t entries_in(const fs::path& directory) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) ++count;
  return count;
}

TEST(SafeOutput, ANewFileAppearsWholeWithTheUsualMode) {
  testsupport::ScratchDir dir;
  const std::string path = (dir.path() / "out.pdb").string();
  const mode_t mask = ::umask(022);
  {
    PendingFile file(path, "complete\n");
    EXPECT_FALSE(dir.exists("out.pdb"));  // nothing under the name until placed
    file.place(false);
  }
  ::umask(mask);
  EXPECT_EQ(dir.read("out.pdb"), "complete\n");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
  EXPECT_EQ(entries_in(dir.path()), 1U);
}

TEST(SafeOutput, AnExistingFileIsKeptUnlessReplacing) {
  testsupport::ScratchDir dir;
  dir.write("out.pdb", "old\n");
  const std::string path = (dir.path() / "out.pdb").string();
  {
    PendingFile file(path, "new\n");
    try {
      file.place(false);
      ADD_FAILURE() << "placed over an existing file";
    } catch (const Refusal& refusal) {
      EXPECT_EQ(std::string(refusal.what()),
                path + " exists; it is not overwritten (use --force to replace it)");
    }
  }
  EXPECT_EQ(dir.read("out.pdb"), "old\n");
  EXPECT_EQ(entries_in(dir.path()), 1U);  // the temporary file is gone

  {
    PendingFile replacing(path, "new\n");
    replacing.place(true);
    EXPECT_EQ(dir.read("out.pdb"), "new\n");
  }
  EXPECT_EQ(entries_in(dir.path()), 1U);  // the replaced file is gone with the object
}

TEST(SafeOutput, WithdrawRemovesOnlyAFilePlacedAsNew) {
  testsupport::ScratchDir dir;
  const std::string path = (dir.path() / "out.pdb").string();
  PendingFile file(path, "x\n");
  file.place(false);
  file.withdraw();
  EXPECT_FALSE(dir.exists("out.pdb"));

  PendingFile unplaced(path, "y\n");
  dir.write("out.pdb", "someone else's\n");
  unplaced.withdraw();
  EXPECT_EQ(dir.read("out.pdb"), "someone else's\n");
}

TEST(SafeOutput, WithdrawPutsBackTheFileThatWasReplaced) {
  testsupport::ScratchDir dir;
  const std::string path = (dir.path() / "out.pdb").string();
  dir.write("out.pdb", "old\n");
  {
    PendingFile replacing(path, "new\n");
    replacing.place(true);
    EXPECT_EQ(dir.read("out.pdb"), "new\n");
    replacing.withdraw();
    EXPECT_EQ(dir.read("out.pdb"), "old\n");
  }
  EXPECT_EQ(dir.read("out.pdb"), "old\n");
  EXPECT_EQ(entries_in(dir.path()), 1U);

  // Replacing where nothing stood places a new file, which withdrawing removes.
  const std::string fresh = (dir.path() / "fresh.pdb").string();
  {
    PendingFile file(fresh, "new\n");
    file.place(true);
    file.withdraw();
  }
  EXPECT_FALSE(dir.exists("fresh.pdb"));
  EXPECT_EQ(entries_in(dir.path()), 1U);
}

TEST(SafeOutput, ADirectoryThatCannotBeWrittenIsRefused) {
  testsupport::ScratchDir dir;
  const std::string path = (dir.path() / "missing" / "out.pdb").string();
  EXPECT_THROW(PendingFile(path, "x\n"), Refusal);
}

}  // namespace
}  // namespace beadmap
