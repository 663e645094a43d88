// Test support: scratch directories and running a program as a child process
// with its standard streams captured.
#ifndef TESTS_SUPPORT_PROCESS_HPP
#define TESTS_SUPPORT_PROCESS_HPP

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
  int exit_status = -1;  // the exit status, or 128 + signal number
  std::string out;       // everything written to standard output
  std::string err;       // everything written to standard error
};

// Runs `program` with `args` in `directory`. `input` is fed to standard
// input and then closed; std::nullopt leaves standard input closed at once
// (reads see end of file).
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& directory,
                          const std::optional<std::string>& input = std::nullopt);

// How a child's standard streams and privileges are set up, for runs that
// break them on purpose.
struct ProcessOptions {
  // Fed to standard input, which is then closed; std::nullopt closes
  // standard input before the program starts.
  std::optional<std::string> input;
  // When set, standard input is opened on this path instead (read only).
  std::optional<std::filesystem::path> input_file;
  enum class Output {
    captured,  // a pipe, read to its end (or until close_output_after)
    closed,    // closed before the program starts
    file,      // opened on output_file for writing (such as /dev/full)
  };
  Output output = Output::captured;
  std::string output_file;
  // Captured output only: as soon as the output holds this text, the reader
  // closes its end of the pipe (as `| head` does), and only then is the
  // input fed.
  std::optional<std::string> close_output_after;
  bool close_error = false;     // standard error closed before the program starts
  bool ignore_sigpipe = false;  // SIGPIPE ignored in the child instead of its default
  bool unprivileged = false;    // run as user and group nobody (65534) when root
};

// Exit status of a child that could not run as user nobody: it kept its
// privileges, or that user may not reach the program.
inline constexpr int privileges_kept_status = 77;

// A copy of `program` that every user may run, for runs as another user: a
// program built in a checkout under a directory others may not enter (root's
// 0700 home, say) cannot be started by them where it lies. The copy is made
// once per program, in a directory of its own under the temporary directory,
// and removed when the test process ends. std::nullopt when no such place can
// be had (a temporary directory that others may not enter).
std::optional<std::string> program_for_every_user(const std::string& program);

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& directory, const ProcessOptions& options);

// A fresh, empty directory removed with everything in it when destroyed.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory as getcwd reports it inside (symbolic links resolved).
  std::string real_path() const;
  void write(const std::string& name, const std::string& content) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file; fails the test when it cannot be read.
std::string read_file(const std::filesystem::path& file);

}  // namespace testsupport

#endif
