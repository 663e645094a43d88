#include "fuzz_support.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace fuzzsupport {
namespace {

// A plain array, so that it outlives every handler registered with atexit.
char scratch_path[4096];

void remove_scratch_directory() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch_path, ignored);
}

[[noreturn]] void give_up(const char* what) {
  std::fprintf(stderr, "fuzz support: %s: %s\n", what, std::strerror(errno));
  std::abort();
}

// Memory-backed when /dev/shm is there: the targets rewrite their file on
// every run.
std::string scratch_pattern() {
  std::error_code ignored;
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ignored)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
  return (base / "cgtools-fuzz-XXXXXX").string();
}

}  // namespace

void enter_scratch_directory() {
  std::string pattern = scratch_pattern();
  if (pattern.size() >= sizeof scratch_path) give_up("scratch path too long");
  if (::mkdtemp(pattern.data()) == nullptr) give_up("mkdtemp");
  std::memcpy(scratch_path, pattern.c_str(), pattern.size() + 1);
  std::atexit(remove_scratch_directory);
  if (::chdir(scratch_path) != 0) give_up("chdir");
}

void write_file(const char* name, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) give_up(name);
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      give_up(name);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  ::close(fd);
}

void discard_standard_output() {
  const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null_fd < 0 || ::dup2(null_fd, STDOUT_FILENO) < 0) give_up("/dev/null");
  ::close(null_fd);
}

void finding(const char* what) {
  std::fprintf(stderr, "fuzz finding: %s\n", what);
  std::abort();
}

}  // namespace fuzzsupport
