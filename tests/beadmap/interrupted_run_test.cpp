// A run interrupted by a signal leaves the outputs as they were. The run is
// held at its last step, the summary, by a standard output that is a full
// pipe: both files are then in place, and SIGTERM must take them back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "beadmap_runs.hpp"

namespace bmtest {
namespace {

// A pipe whose buffer is full: a write to it waits until it is read.
struct FullPipe {
  int read_end = -1;
  int write_end = -1;
  FullPipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    read_end = ends[0];
    write_end = ends[1];
    ::fcntl(write_end, F_SETFL, O_NONBLOCK);
    const std::string block(4096, 'x');
    while (::write(write_end, block.data(), block.size()) > 0) {
    }
    ::fcntl(write_end, F_SETFL, 0);
  }
  ~FullPipe() {
    ::close(read_end);
    ::close(write_end);
  }
};

// Starts beadmap in `dir` with standard output on the full pipe, and
// standard error on `error_file` when one is named.
pid_t start_held(const testsupport::ScratchDir& dir, const FullPipe& pipe,
                 const std::vector<std::string>& args, const std::string& error_file = "") {
  const pid_t child = ::fork();
  if (child != 0) return child;
  if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
  ::dup2(pipe.write_end, STDOUT_FILENO);
  if (!error_file.empty()) {
    const int error = ::open(error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (error < 0 || ::dup2(error, STDERR_FILENO) < 0) ::_exit(126);
  }
  const int nothing = ::open("/dev/null", O_RDONLY);
  ::dup2(nothing, STDIN_FILENO);
  std::vector<char*> argv{const_cast<char*>("beadmap")};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(BEADMAP_PATH, argv.data());
  ::_exit(127);
}

// Waits until `placed` holds (the run has put its files in place); a bound
// of a minute only keeps a broken run from hanging the test.
template <typename Placed>
bool wait_until(Placed placed) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!placed()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

int terminated(pid_t child) {
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

// The library and an entry of two glycines, which a run maps in no time.
void write_inputs(const testsupport::ScratchDir& dir) {
  dir.write("beadlib.dat", example_library());
  EntryBuilder entry;
  entry.backbone("GLY", 'A', 1, 0.0).backbone("GLY", 'A', 2, 3.8);
  dir.write("entry.pdb", entry.text());
}

TEST(InterruptedRun, OutputsPlacedBeforeTheSignalAreTakenBack) {
  testsupport::ScratchDir dir;
  write_inputs(dir);
  const auto inputs = directory_entries(dir);

  {
    const FullPipe pipe;
    ASSERT_GE(pipe.write_end, 0);
    const pid_t child = start_held(dir, pipe, {"entry.pdb", "--posre", "posre.itp"});
    ASSERT_GT(child, 0);
    ASSERT_TRUE(wait_until([&] { return dir.exists("posre.itp"); })) << "the run never placed";
    EXPECT_EQ(terminated(child), SIGTERM);
  }
  EXPECT_EQ(directory_entries(dir), inputs);  // nothing placed, no temporary left

  dir.write("pdb-CG.pdb", "old structure\n");
  dir.write("posre.itp", "old restraints\n");
  const auto with_old = directory_entries(dir);
  {
    const FullPipe pipe;
    const pid_t child = start_held(dir, pipe, {"entry.pdb", "--posre", "posre.itp", "--force"});
    ASSERT_GT(child, 0);
    ASSERT_TRUE(wait_until([&] { return dir.read("posre.itp") != "old restraints\n"; }))
        << "the run never placed";
    EXPECT_EQ(terminated(child), SIGTERM);
  }
  EXPECT_EQ(directory_entries(dir), with_old);  // no temporary, no second name left
  EXPECT_EQ(dir.read("pdb-CG.pdb"), "old structure\n");
  EXPECT_EQ(dir.read("posre.itp"), "old restraints\n");
}

// When the replaced file cannot be given its name back (here a directory
// has taken the name meanwhile), the signal leaves it under its second name,
// never removes it, and one line says where it is.
TEST(InterruptedRun, AReplacedFileThatCannotBePutBackIsKeptAndSaidWhere) {
  testsupport::ScratchDir dir;
  write_inputs(dir);
  dir.write("pdb-CG.pdb", "old structure\n");
  const std::string error_file = (dir.path() / "stderr.txt").string();
  {
    const FullPipe pipe;
    ASSERT_GE(pipe.write_end, 0);
    const pid_t child = start_held(dir, pipe, {"entry.pdb", "--force"}, error_file);
    ASSERT_GT(child, 0);
    ASSERT_TRUE(wait_until([&] { return dir.read("pdb-CG.pdb") != "old structure\n"; }))
        << "the run never placed";
    std::filesystem::remove(dir.path() / "pdb-CG.pdb");
    std::filesystem::create_directory(dir.path() / "pdb-CG.pdb");
    dir.write("pdb-CG.pdb/taken", "x\n");
    EXPECT_EQ(terminated(child), SIGTERM);
  }
  std::vector<std::string> kept;
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = item.path().filename().string();
    if (name.ends_with(".previous")) kept.push_back(name);
  }
  ASSERT_EQ(kept.size(), 1U);
  EXPECT_EQ(dir.read(kept.front()), "old structure\n");
  EXPECT_EQ(dir.read("stderr.txt"),
            "beadmap: cannot put back the file that pdb-CG.pdb replaced: it is at " + kept.front() +
                "; the new file is at pdb-CG.pdb\n");
}

}  // namespace
}  // namespace bmtest
