#include "process.hpp"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace testsupport {
namespace {

void make_pipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
}

constexpr uid_t nobody_id = 65534;

bool drop_privileges() {
  if (geteuid() != 0) return true;
  return setgroups(0, nullptr) == 0 && setgid(nobody_id) == 0 && setuid(nobody_id) == 0;
}

// Standard output of the child: the pipe, nothing, or the named file.
void set_up_output(const ProcessOptions& options, int out_fd) {
  switch (options.output) {
    case ProcessOptions::Output::captured:
      dup2(out_fd, 1);
      break;
    case ProcessOptions::Output::closed:
      close(1);
      break;
    case ProcessOptions::Output::file: {
      const int fd = open(options.output_file.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd < 0 || dup2(fd, 1) < 0) _exit(127);
      break;
    }
  }
}

[[noreturn]] void exec_child(const std::string& program, const std::vector<std::string>& args,
                             const std::filesystem::path& directory, const ProcessOptions& options,
                             int in_fd, int out_fd, int err_fd) {
  if (options.input_file) {
    const int fd = open(options.input_file->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || dup2(fd, 0) < 0) _exit(127);
  } else if (in_fd >= 0) {
    dup2(in_fd, 0);
  } else {
    close(0);
  }
  set_up_output(options, out_fd);
  if (options.close_error) {
    close(2);
  } else {
    dup2(err_fd, 2);
  }
  std::signal(SIGPIPE, options.ignore_sigpipe ? SIG_IGN : SIG_DFL);
  if (chdir(directory.c_str()) != 0) _exit(127);
  if (options.unprivileged && !drop_privileges()) _exit(privileges_kept_status);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(options.unprivileged && errno == EACCES ? privileges_kept_status : 127);
}

// True when every directory above `path` lets others pass through it.
bool others_may_enter(const std::filesystem::path& path) {
  for (std::filesystem::path dir = path.parent_path(); !dir.empty();
       dir = dir == dir.root_path() ? std::filesystem::path() : dir.parent_path()) {
    std::error_code failed;
    const auto perms = std::filesystem::status(dir, failed).permissions();
    if (failed || (perms & std::filesystem::perms::others_exec) == std::filesystem::perms::none) {
      return false;
    }
  }
  return true;
}

// Copies of programs that every user may run, each in a directory of its
// own, removed at the end of the run.
class ProgramCopies {
 public:
  ProgramCopies() = default;
  ProgramCopies(const ProgramCopies&) = delete;
  ProgramCopies& operator=(const ProgramCopies&) = delete;
  ~ProgramCopies() {
    std::error_code ignored;
    for (const auto& dir : directories_) std::filesystem::remove_all(dir, ignored);
  }

  std::optional<std::string> copy_of(const std::string& program) {
    const auto found = copies_.find(program);
    if (found == copies_.end()) return copies_[program] = make_copy(program);
    return found->second;
  }

 private:
  std::optional<std::string> make_copy(const std::string& program) {
    namespace fs = std::filesystem;
    std::string dir = (fs::temp_directory_path() / "cgtools-program-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) return std::nullopt;
    directories_.push_back(dir);
    const fs::path copy = fs::path(dir) / fs::path(program).filename();
    const fs::perms everyone_runs = fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec;
    std::error_code failed;
    fs::copy_file(program, copy, failed);
    if (!failed) fs::permissions(dir, everyone_runs, failed);
    if (!failed) fs::permissions(copy, everyone_runs, failed);
    if (failed || !others_may_enter(copy)) return std::nullopt;
    return copy.string();
  }

  std::map<std::string, std::optional<std::string>> copies_;
  std::vector<std::string> directories_;
};

}  // namespace

std::optional<std::string> program_for_every_user(const std::string& program) {
  static ProgramCopies copies;
  return copies.copy_of(program);
}

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& directory,
                          const std::optional<std::string>& input) {
  ProcessOptions options;
  options.input = input;
  return run_process(program, args, directory, options);
}

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& directory, const ProcessOptions& options) {
  std::string runnable = program;
  if (options.unprivileged && geteuid() == 0) {
    const std::optional<std::string> copy = program_for_every_user(program);
    if (!copy) return ProcessResult{privileges_kept_status, "", ""};
    runnable = *copy;
  }
  const std::optional<std::string> input = options.input_file ? std::nullopt : options.input;
  const bool captured = options.output == ProcessOptions::Output::captured;
  int in_pipe[2] = {-1, -1};
  int out_pipe[2] = {-1, -1};
  int err_pipe[2];
  if (input) make_pipe(in_pipe);
  if (captured) make_pipe(out_pipe);
  make_pipe(err_pipe);
  // Writing input to a child that has ended must not end this process.
  std::signal(SIGPIPE, SIG_IGN);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    exec_child(runnable, args, directory, options, in_pipe[0], out_pipe[1], err_pipe[1]);
  }

  if (input) close(in_pipe[0]);
  if (captured) close(out_pipe[1]);
  close(err_pipe[1]);
  ProcessResult result;
  std::size_t written = 0;
  int in_fd = input ? in_pipe[1] : -1;
  // The input waits while the output is to be cut off first.
  bool input_held = captured && options.close_output_after.has_value();
  if (in_fd >= 0 && input->empty() && !input_held) {
    close(in_fd);
    in_fd = -1;
  }
  int out_fd = captured ? out_pipe[0] : -1;
  int err_fd = err_pipe[0];
  // Feed the input and drain both outputs together, so that neither side
  // blocks on a full pipe.
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3];
    int n = 0;
    if (out_fd >= 0) fds[n++] = {out_fd, POLLIN, 0};
    if (err_fd >= 0) fds[n++] = {err_fd, POLLIN, 0};
    if (in_fd >= 0 && !input_held) fds[n++] = {in_fd, POLLOUT, 0};
    if (poll(fds, n, -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("poll failed");
    }
    for (int k = 0; k < n; ++k) {
      if (fds[k].revents == 0) continue;
      if (fds[k].fd == in_fd) {
        const ssize_t w = ::write(in_fd, input->data() + written, input->size() - written);
        if (w > 0) written += static_cast<std::size_t>(w);
        if (w < 0 || written == input->size()) {
          close(in_fd);
          in_fd = -1;
        }
        continue;
      }
      char buffer[65536];
      const ssize_t r = ::read(fds[k].fd, buffer, sizeof buffer);
      const bool is_out = fds[k].fd == out_fd;
      std::string& sink = is_out ? result.out : result.err;
      if (r > 0) {
        sink.append(buffer, static_cast<std::size_t>(r));
      }
      const bool cut_off = is_out && options.close_output_after &&
                           result.out.find(*options.close_output_after) != std::string::npos;
      if (cut_off || (r <= 0 && (r == 0 || errno != EINTR))) {
        close(fds[k].fd);
        (is_out ? out_fd : err_fd) = -1;
        if (is_out) input_held = false;
      }
    }
    if (in_fd >= 0 && !input_held && written == input->size()) {
      close(in_fd);  // an empty input, released once the output was cut off
      in_fd = -1;
    }
  }
  // Output cut off: what input is left goes in now, as far as the child takes it.
  while (in_fd >= 0 && written < input->size()) {
    const ssize_t w = ::write(in_fd, input->data() + written, input->size() - written);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    written += static_cast<std::size_t>(w);
  }
  if (in_fd >= 0) close(in_fd);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "cgtools-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::real_path() const { return std::filesystem::canonical(path_).string(); }

void ScratchDir::write(const std::string& name, const std::string& content) const {
  std::ofstream file(path_ / name, std::ios::binary);
  file << content;
  if (!file) throw std::runtime_error("cannot write " + (path_ / name).string());
}

std::string ScratchDir::read(const std::string& name) const { return read_file(path_ / name); }

bool ScratchDir::exists(const std::string& name) const {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path_ / name, ignored));
}

std::string read_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace testsupport
