#include "safe_output.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "beadmap/interrupt_cleanup.hpp"
#include "beadmap/refusal.hpp"
#include "common/file_descriptor.hpp"

namespace beadmap {
namespace {

[[noreturn]] void refuse_file(const std::string& what, const std::string& path, int error) {
  throw Refusal("cannot " + what + " " + path + ": " + std::strerror(error));
}

// New files get read and write permission for all, less the file-creation mask.
mode_t new_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Gives the temporary file the destination's name unless that name exists,
// in one step: a rename that never replaces, or on file systems without it
// a hard link (never made over an existing name) and the temporary name
// removed. Returns 0, or -1 with errno set.
int link_without_replacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  if (::link(from.c_str(), to.c_str()) != 0) return -1;
  ::unlink(from.c_str());
  return 0;
}

}  // namespace

bool name_one_entry(const std::string& first, const std::string& second) {
  if (first == second) return true;
  const std::filesystem::path first_path(first);
  const std::filesystem::path second_path(second);
  if (first_path.filename() != second_path.filename()) return false;
  const auto directory_of = [](const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  };
  struct stat first_directory {};
  struct stat second_directory {};
  return ::stat(directory_of(first_path).c_str(), &first_directory) == 0 &&
         ::stat(directory_of(second_path).c_str(), &second_directory) == 0 &&
         first_directory.st_dev == second_directory.st_dev &&
         first_directory.st_ino == second_directory.st_ino;
}

void refuse_existing_output(const std::string& path) {
  throw Refusal(path + " exists; it is not overwritten (use --force to replace it)");
}

namespace {

// The temporary file's name beside `destination`: hidden, from the first
// characters of its name, short enough that a destination name of the
// system's longest (255 bytes) still gets one, and its ".previous" too.
std::string temporary_pattern(const std::string& destination) {
  constexpr std::size_t name_part = 200;
  const std::filesystem::path path(destination);
  const std::string name = path.filename().string().substr(0, name_part);
  return (path.parent_path() / ("." + name + ".XXXXXX")).string();
}

}  // namespace

PendingFile::PendingFile(std::string destination, std::string_view content)
    : destination_(std::move(destination)) {
  std::string pattern = temporary_pattern(destination_);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  rio::FileDescriptor file;
  {
    const interrupt_cleanup::HeldSignals held;  // the file is watched from its creation on
    file.reset(::mkostemp(name.data(), O_CLOEXEC));
    if (!file.is_open()) refuse_file("create a file beside", destination_, errno);
    temporary_ = name.data();
    watch_ = interrupt_cleanup::watch_file({temporary_, destination_, "", false});
  }
  int error = ::fchmod(file.get(), new_file_mode()) == 0 ? 0 : errno;
  const char* failed = "set the mode of";
  if (error == 0) {
    failed = "write";
    error = rio::write_fully(file.get(), content);
  }
  if (error == 0 && ::fsync(file.get()) != 0) error = errno;
  if (error == 0) error = file.close();
  if (error != 0) {
    file.reset();
    interrupt_cleanup::forget(watch_);
    ::unlink(temporary_.c_str());
    refuse_file(failed, temporary_, error);
  }
}

void PendingFile::update_watch() const {
  interrupt_cleanup::update_file(watch_, {temporary_, destination_, previous_, placed_});
}

PendingFile::~PendingFile() {
  interrupt_cleanup::forget(watch_);
  if (!placed_) ::unlink(temporary_.c_str());
  if (!previous_.empty()) ::unlink(previous_.c_str());  // replaced for good
}

void PendingFile::place(bool replace) {
  if (replace) {
    refuse_all_but_a_regular_file();
    keep_previous();
    const interrupt_cleanup::HeldSignals held;
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
      const int error = errno;
      const std::string kept_at = previous_;
      const int restore_error = restore_previous();
      if (restore_error != 0) {
        throw Refusal("cannot write " + destination_ + ": " + std::strerror(error) +
                      "; the file it held is at " + kept_at +
                      " (cannot put it back: " + std::strerror(restore_error) + ")");
      }
      refuse_file("write", destination_, error);
    }
    placed_ = true;
    created_new_ = previous_.empty();
    update_watch();
    return;
  }
  const interrupt_cleanup::HeldSignals held;
  if (link_without_replacing(temporary_, destination_) != 0) {
    const int error = errno;
    if (error == EEXIST) refuse_existing_output(destination_);
    refuse_file("write", destination_, error);
  }
  placed_ = true;
  created_new_ = true;
  update_watch();
}

std::string PendingFile::withdraw() {
  if (!placed_) return "";
  const interrupt_cleanup::HeldSignals held;
  std::string where;
  if (created_new_) {
    ::unlink(destination_.c_str());
  } else {
    const std::string kept_at = previous_;
    const int error = restore_previous();
    if (error != 0) {
      where = "cannot put back the file that " + destination_ + " replaced (" +
              std::strerror(error) + "): it is at " + kept_at + "; the new file is at " +
              destination_;
    }
  }
  created_new_ = false;
  interrupt_cleanup::forget(watch_);  // nothing of it is left to undo
  watch_ = -1;
  return where;
}

// --force replaces files: a link, a directory, a pipe or a device in the
// destination's place is refused, not replaced by a file.
void PendingFile::refuse_all_but_a_regular_file() const {
  struct stat status {};
  if (::lstat(destination_.c_str(), &status) != 0) {
    if (errno == ENOENT) return;
    refuse_file("write", destination_, errno);
  }
  if (!S_ISREG(status.st_mode)) {
    throw Refusal(destination_ +
                  " is not a regular file; it is not replaced (--force replaces "
                  "regular files only)");
  }
}

// The file about to be replaced (not a directory, which is never replaced)
// gets a second name beside it, so that a withdrawal can put it back: a hard
// link, which leaves the destination in place until the rename replaces it
// in one step, or where the file system has none, a rename.
void PendingFile::keep_previous() {
  struct stat status {};
  if (::lstat(destination_.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return;
  const std::string previous = temporary_ + ".previous";
  const interrupt_cleanup::HeldSignals held;
  if (::link(destination_.c_str(), previous.c_str()) != 0) {
    // A name taken already is never renamed over.
    if (errno == EEXIST || ::rename(destination_.c_str(), previous.c_str()) != 0) {
      refuse_file("set aside", destination_, errno);
    }
  }
  previous_ = previous;
  update_watch();
}

// Gives the kept file its name back (as an interruption would): 0, or the
// error of the failed rename, the kept file then staying under its second
// name.
int PendingFile::restore_previous() {
  if (previous_.empty()) return 0;
  const int error = interrupt_cleanup::put_back(previous_.c_str(), destination_.c_str());
  previous_.clear();
  update_watch();
  return error;
}

}  // namespace beadmap
