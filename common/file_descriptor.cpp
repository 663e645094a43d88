#include "common/file_descriptor.hpp"

#include <unistd.h>

#include <cerrno>

namespace rio {

int FileDescriptor::release() noexcept {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void FileDescriptor::reset(int fd) noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

int FileDescriptor::close() noexcept {
  const int fd = release();
  if (fd < 0 || ::close(fd) == 0) return 0;
  return errno;
}

ssize_t read_some(int fd, char* into, std::size_t bytes) noexcept {
  for (;;) {
    const ssize_t got = ::read(fd, into, bytes);
    if (got >= 0 || errno != EINTR) return got;
  }
}

int write_fully(int fd, std::string_view bytes) noexcept {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace rio
