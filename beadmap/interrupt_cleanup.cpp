#include "beadmap/interrupt_cleanup.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "beadmap/printable_text.hpp"

namespace beadmap::interrupt_cleanup {
namespace {

enum Kind : int { unused = 0, file = 1, directory = 2 };

struct Watch {
  volatile std::sig_atomic_t kind = unused;
  volatile std::sig_atomic_t placed = 0;
  volatile std::sig_atomic_t has_previous = 0;
  char temporary[PATH_MAX] = {};  // the file, or the directory
  char destination[PATH_MAX] = {};
  char previous[PATH_MAX] = {};
};

constexpr std::size_t watch_count = 4;
std::array<Watch, watch_count> watches;
constexpr std::array<int, 4> interrupting_signals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Removes a directory's entries and the directory with system calls alone
// (the entries read raw).
void remove_directory(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    alignas(8) char entries[4096];
    long got = 0;
    while ((got = ::syscall(SYS_getdents64, fd, entries, sizeof entries)) > 0) {
      for (long at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
        const bool dots =
            std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0;
        if (!dots) ::unlinkat(fd, entry->d_name, 0);
        at += entry->d_reclen;
      }
    }
    ::close(fd);  // in a signal handler: the raw call alone is safe
  }
  ::rmdir(path);
}

void write_all(const char* text, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(STDERR_FILENO, text, size);
    if (written <= 0) return;
    text += written;
    size -= static_cast<std::size_t>(written);
  }
}

// Writes `text` on standard error with its control characters shown escaped,
// as the program's other messages show them, with system calls alone.
void write_shown(const char* text) {
  char buffer[256];
  std::size_t used = 0;
  for (const char* at = text; *at != '\0'; ++at) {
    char shown[4];
    const std::size_t length = show_byte(*at, shown);
    if (used + length > sizeof buffer) {
      write_all(buffer, used);
      used = 0;
    }
    std::memcpy(buffer + used, shown, length);
    used += length;
  }
  write_all(buffer, used);
}

// The kept file could not be given its name back: one line says where it is,
// and where the new file is when it was placed.
void say_where_the_files_are(const Watch& watch) {
  write_shown(program_invocation_short_name);
  write_shown(": cannot put back the file that ");
  write_shown(watch.destination);
  write_shown(watch.placed != 0 ? " replaced: it is at " : " held: it is at ");
  write_shown(watch.previous);
  if (watch.placed != 0) {
    write_shown("; the new file is at ");
    write_shown(watch.destination);
  }
  write_all("\n", 1);
}

bool same_file(const char* first, const char* second) {
  struct stat first_status {};
  struct stat second_status {};
  return ::lstat(first, &first_status) == 0 && ::lstat(second, &second_status) == 0 &&
         first_status.st_dev == second_status.st_dev && first_status.st_ino == second_status.st_ino;
}

void undo(const Watch& watch) {
  if (watch.kind == directory) return remove_directory(watch.temporary);
  if (watch.placed == 0) ::unlink(watch.temporary);
  if (watch.has_previous != 0) {
    if (put_back(watch.previous, watch.destination) != 0) say_where_the_files_are(watch);
  } else if (watch.placed != 0) {
    ::unlink(watch.destination);
  }
}

extern "C" void undo_and_die(int signal_number) {
  for (const Watch& watch : watches) {
    if (watch.kind != unused) undo(watch);
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void handle_signals() {
  for (const int signal_number : interrupting_signals) {
    struct sigaction current {};
    ::sigaction(signal_number, nullptr, &current);
    if (current.sa_handler == SIG_IGN || current.sa_handler == undo_and_die) continue;
    struct sigaction action {};
    action.sa_handler = undo_and_die;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
  }
}

void release_signals() {
  for (const Watch& watch : watches) {
    if (watch.kind != unused) return;
  }
  for (const int signal_number : interrupting_signals) {
    struct sigaction current {};
    ::sigaction(signal_number, nullptr, &current);
    if (current.sa_handler == undo_and_die) ::signal(signal_number, SIG_DFL);
  }
}

bool copy_path(char (&into)[PATH_MAX], const std::string& path) {
  if (path.size() >= PATH_MAX) return false;
  std::memcpy(into, path.c_str(), path.size() + 1);
  return true;
}

bool set_file(Watch& watch, const OutputState& state) {
  if (!copy_path(watch.temporary, state.temporary) ||
      !copy_path(watch.destination, state.destination) ||
      !copy_path(watch.previous, state.previous)) {
    return false;
  }
  watch.placed = state.placed ? 1 : 0;
  watch.has_previous = state.previous.empty() ? 0 : 1;
  watch.kind = file;
  return true;
}

int free_watch() {
  for (std::size_t w = 0; w < watch_count; ++w) {
    if (watches[w].kind == unused) return static_cast<int>(w);
  }
  return -1;
}

}  // namespace

int put_back(const char* kept, const char* destination) {
  const int error = ::rename(kept, destination) == 0 ? 0 : errno;
  if (error != 0 && !same_file(kept, destination)) return error;
  ::unlink(kept);
  return 0;
}

HeldSignals::HeldSignals() {
  sigset_t interrupting{};
  ::sigemptyset(&interrupting);
  for (const int signal_number : interrupting_signals) ::sigaddset(&interrupting, signal_number);
  ::pthread_sigmask(SIG_BLOCK, &interrupting, &before_);
}

HeldSignals::~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

int watch_file(const OutputState& state) {
  const HeldSignals held;
  const int watch = free_watch();
  if (watch < 0 || !set_file(watches[static_cast<std::size_t>(watch)], state)) return -1;
  handle_signals();
  return watch;
}

void update_file(int watch, const OutputState& state) {
  if (watch < 0) return;
  const HeldSignals held;
  Watch& kept = watches[static_cast<std::size_t>(watch)];
  kept.kind = unused;  // a state that cannot be kept leaves the output unwatched
  set_file(kept, state);
}

int watch_directory(const std::string& path) {
  const HeldSignals held;
  const int watch = free_watch();
  if (watch < 0) return -1;
  Watch& kept = watches[static_cast<std::size_t>(watch)];
  if (!copy_path(kept.temporary, path)) return -1;
  kept.kind = directory;
  handle_signals();
  return watch;
}

void forget(int watch) {
  if (watch < 0) return;
  const HeldSignals held;
  watches[static_cast<std::size_t>(watch)].kind = unused;
  release_signals();
}

}  // namespace beadmap::interrupt_cleanup
