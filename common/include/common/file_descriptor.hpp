// An open file descriptor with one owner, closed when the owner goes on
// every path; and the reads and writes that go on after an interrupting
// signal, written once.
#ifndef RECORD_IO_FILE_DESCRIPTOR_HPP
#define RECORD_IO_FILE_DESCRIPTOR_HPP

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace rio {

class FileDescriptor {
 public:
  FileDescriptor() noexcept = default;
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { reset(); }

  int get() const noexcept { return fd_; }
  bool is_open() const noexcept { return fd_ >= 0; }
  // Hands the descriptor over (to a stream that closes it): no longer owned.
  int release() noexcept;
  // Closes the descriptor held, if any, its error ignored, and holds `fd`.
  void reset(int fd = -1) noexcept;
  // Closes now: 0, or the error number close reports (on some file systems
  // a write fails only here).
  int close() noexcept;

 private:
  int fd_ = -1;
};

// One read of up to `bytes` bytes, tried again when a signal interrupts it:
// the bytes read, 0 at end of file, or -1 with errno set.
ssize_t read_some(int fd, char* into, std::size_t bytes) noexcept;

// Writes all bytes, resuming after partial writes and interruptions: 0, or
// the error number of the write that failed.
int write_fully(int fd, std::string_view bytes) noexcept;

}  // namespace rio

#endif
