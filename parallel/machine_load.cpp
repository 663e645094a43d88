#include "parallel/machine_load.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <thread>

namespace parallel {
namespace {

// Time between looks at the machine: a short-lived thread (a parent
// finishing the start of this process, a kernel worker) is rarely runnable
// at every look, a busy process always.
constexpr auto between_looks = std::chrono::microseconds(150);

std::optional<unsigned> runnable_threads_now() {
#ifdef __linux__
  const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char line[256];
  const ssize_t length = ::read(fd, line, sizeof line);
  ::close(fd);
  if (length <= 0) return std::nullopt;
  return runnable_threads_in(std::string_view(line, static_cast<std::size_t>(length)));
#else
  return std::nullopt;
#endif
}

// The cores the system has running now.
unsigned online_cores() {
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<unsigned>(online) : 0;
}

}  // namespace

std::optional<unsigned> runnable_threads_in(std::string_view load_line) {
  // Three load averages, each followed by a blank, then running/total.
  std::size_t field = 0;
  for (int blanks = 0; blanks < 3; ++blanks) {
    field = load_line.find(' ', field);
    if (field == std::string_view::npos) return std::nullopt;
    ++field;
  }
  const std::string_view rest = load_line.substr(field);
  unsigned running = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), running);
  if (error != std::errc() || end == rest.data() + rest.size() || *end != '/') {
    return std::nullopt;
  }
  return running;
}

bool other_threads_fill_the_cores(unsigned cores, int looks) {
  if (cores < 2 || looks < 1 || cores != online_cores()) return false;
  for (int look = 0; look < looks; ++look) {
    if (look > 0) std::this_thread::sleep_for(between_looks);
    const std::optional<unsigned> runnable = runnable_threads_now();
    // The calling thread is one of them: cores - 1 others leave it one core.
    if (!runnable || *runnable < cores) return false;
  }
  return true;
}

}  // namespace parallel
