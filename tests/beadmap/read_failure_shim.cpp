// Preloaded into a run of beadmap (LD_PRELOAD) to make one read of one file
// fail with EIO, as a failing disk would: the read numbered
// READ_FAILURE_AT (from 1) of the file READ_FAILURE_PATH (by device and
// inode, so that standard input opened on it counts too). Every other read
// goes through.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

using ReadFunction = ssize_t (*)(int, void*, size_t);

bool reads_the_file(int fd, const char* path) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::stat(path, &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

int reads_of_the_file = 0;

}  // namespace

extern "C" ssize_t read(int fd, void* into, size_t bytes) {
  static const auto real_read = reinterpret_cast<ReadFunction>(::dlsym(RTLD_NEXT, "read"));
  const char* path = std::getenv("READ_FAILURE_PATH");
  const char* failing = std::getenv("READ_FAILURE_AT");
  if (path != nullptr && failing != nullptr && reads_the_file(fd, path) &&
      ++reads_of_the_file == std::atoi(failing)) {
    errno = EIO;
    return -1;
  }
  return real_read(fd, into, bytes);
}
