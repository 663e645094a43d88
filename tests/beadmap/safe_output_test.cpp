// Output files: complete or absent, never over an existing file unless
// replacing is asked for, and no temporary file left behind.
#include "safe_output.hpp"

#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "beadmap/refusal.hpp"
#include "process.hpp"

namespace beadmap {
namespace {

namespace fs = std::filesystem;

std::size_t entries_in(const fs::path& directory) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) ++count;
  return count;
}

// From now on every rename of this process fails with EIO: a system-call
// filter, which a process can set on itself alone (it is kept by its
// children, never undone). False when the system refuses the filter.
bool fail_every_rename() {
  sock_filter rules[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#ifdef __NR_rename
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rename, 2, 0),
#else
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 2, 0),
#endif
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 1, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  const sock_fprog program{static_cast<unsigned short>(std::size(rules)), rules};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Runs `work` in a child process and returns the text it returns; the
// child's filters and file steps stay its own, its files are shared.
std::string in_child(const std::function<std::string()>& work) {
  int ends[2];
  if (::pipe(ends) != 0) return "(no pipe)";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    std::string text;
    try {
      text = work();
    } catch (const std::exception& error) {
      text = std::string("(thrown) ") + error.what();
    }
    const char* at = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      const ssize_t written = ::write(ends[1], at, left);
      if (written <= 0) ::_exit(1);
      at += written;
      left -= static_cast<std::size_t>(written);
    }
    ::_exit(0);
  }
  ::close(ends[1]);
  std::string text;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(ends[0], buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(ends[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return "(the child failed) " + text;
  }
  return text;
}

// The names in `directory` that end in ".previous".
std::vector<std::string> kept_files_in(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".previous")) names.push_back(name);
  }
  return names;
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

// The replaced file that a withdrawal cannot put back is never removed: it
// stays under its second name, and withdraw() says in one line where it and
// the new file are.
TEST(SafeOutput, AReplacedFileThatCannotBePutBackIsKeptAndSaidWhere) {
  testsupport::ScratchDir dir;
  dir.write("out.pdb", "old\n");
  const std::string path = (dir.path() / "out.pdb").string();
  const std::string where = in_child([&path] {
    PendingFile replacing(path, "new\n");
    replacing.place(true);
    if (!fail_every_rename()) return std::string("(no filter)");
    return replacing.withdraw();
  });
  EXPECT_EQ(dir.read("out.pdb"), "new\n");
  const std::vector<std::string> kept = kept_files_in(dir.path());
  ASSERT_EQ(kept.size(), 1U) << where;
  EXPECT_EQ(dir.read(kept.front()), "old\n");
  EXPECT_EQ(where, "cannot put back the file that " + path +
                       " replaced (Input/output error): it is at " +
                       (dir.path() / kept.front()).string() + "; the new file is at " + path);
  EXPECT_EQ(entries_in(dir.path()), 2U);  // no temporary file left
}

// A replacing rename that fails leaves the old file in place: its second
// name (a hard link) is the same file, so nothing needs putting back.
TEST(SafeOutput, AReplacementThatFailsLeavesTheOldFileInPlace) {
  testsupport::ScratchDir dir;
  dir.write("out.pdb", "old\n");
  const std::string path = (dir.path() / "out.pdb").string();
  const std::string message = in_child([&path] {
    PendingFile replacing(path, "new\n");
    if (!fail_every_rename()) return std::string("(no filter)");
    try {
      replacing.place(true);
    } catch (const Refusal& refusal) {
      return std::string(refusal.what());
    }
    return std::string("(placed)");
  });
  EXPECT_EQ(message, "cannot write " + path + ": Input/output error");
  EXPECT_EQ(dir.read("out.pdb"), "old\n");
  EXPECT_EQ(entries_in(dir.path()), 1U);
}

TEST(SafeOutput, ADirectoryThatCannotBeWrittenIsRefused) {
  testsupport::ScratchDir dir;
  const std::string path = (dir.path() / "missing" / "out.pdb").string();
  EXPECT_THROW(PendingFile(path, "x\n"), Refusal);
}

}  // namespace
}  // namespace beadmap
