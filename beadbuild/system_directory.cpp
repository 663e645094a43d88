#include "system_directory.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "beadmap/interrupt_cleanup.hpp"
#include "beadmap/refusal.hpp"
#include "common/file_descriptor.hpp"

namespace beadbuild {
namespace {

namespace fs = std::filesystem;
using beadmap::Refusal;

[[noreturn]] void refuse(const std::string& what, const std::string& path, int error) {
  throw Refusal("cannot " + what + " " + path + ": " + std::strerror(error));
}

mode_t creation_mask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// A directory that holds regular files alone.
bool holds_files_alone(const std::string& path) {
  std::error_code error;
  for (fs::directory_iterator entry(path, error), end; !error && entry != end;
       entry.increment(error)) {
    if (!entry->is_regular_file(error) || entry->is_symlink(error)) return false;
  }
  return !error;
}

// Removes the regular files of a directory, then the directory.
bool remove_directory_of_files(const std::string& path) {
  std::error_code error;
  std::vector<fs::path> files;
  for (fs::directory_iterator entry(path, error), end; !error && entry != end;
       entry.increment(error)) {
    files.push_back(entry->path());
  }
  for (const fs::path& file : files) fs::remove(file, error);
  return ::rmdir(path.c_str()) == 0;
}

std::string parent_of(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

}  // namespace

void check_destination(const std::string& destination, bool replace) {
  const std::string name = fs::path(destination).filename().string();
  if (name.empty() || name == "." || name == "..") {
    throw Refusal("the system directory must be named: " + destination);
  }
  struct stat status {};
  if (::lstat(destination.c_str(), &status) != 0) {
    if (errno == ENOENT) return;
    refuse("use", destination, errno);
  }
  if (!replace) throw Refusal(destination + " exists (--force replaces it)");
  if (!S_ISDIR(status.st_mode)) {
    throw Refusal(destination + " exists and is not a directory; not replaced");
  }
  if (!holds_files_alone(destination)) {
    throw Refusal(destination + " holds more than files (a directory or a link); not replaced");
  }
}

PendingDirectory::PendingDirectory(std::string destination, bool replace)
    : destination_(std::move(destination)), replace_(replace) {
  std::string pattern = parent_of(destination_) + "/." +
                        fs::path(destination_).filename().string() + ".beadbuild-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr)
    refuse("create a directory beside", destination_, errno);
  temporary_ = pattern;
  // mkdtemp keeps the directory to its owner; the result is an ordinary one.
  ::chmod(temporary_.c_str(), 0777 & ~creation_mask());
  watch_ = beadmap::interrupt_cleanup::watch_directory(temporary_);
}

PendingDirectory::~PendingDirectory() {
  beadmap::interrupt_cleanup::forget(watch_);
  if (!placed_) remove_directory_of_files(temporary_);
}

std::string PendingDirectory::path_of(std::string_view file_name) const {
  return temporary_ + "/" + std::string(file_name);
}

void PendingDirectory::write_file(std::string_view file_name, std::string_view content) const {
  const std::string path = path_of(file_name);
  rio::FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!file.is_open()) refuse("create", destination_ + "/" + std::string(file_name), errno);
  int error = rio::write_fully(file.get(), content);
  if (error == 0) error = file.close();
  if (error != 0) refuse("write", destination_ + "/" + std::string(file_name), error);
}

void PendingDirectory::place() {
  check_destination(destination_, replace_);
  if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, destination_.c_str(), RENAME_NOREPLACE) ==
      0) {
    placed_ = true;
    beadmap::interrupt_cleanup::forget(watch_);
    watch_ = -1;
    return;
  }
  if (errno != EEXIST || !replace_) refuse("create", destination_, errno);
  // The old directory and the new one change places in one step; the old
  // one, now under the temporary name, goes.
  if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, destination_.c_str(), RENAME_EXCHANGE) !=
      0) {
    refuse("replace", destination_, errno);
  }
  placed_ = true;
  // What the temporary name holds now is the replaced directory, which goes.
  beadmap::interrupt_cleanup::forget(watch_);
  watch_ = -1;
  if (remove_directory_of_files(temporary_)) return;
  std::fprintf(stderr, "beadbuild: the replaced %s could not be removed; it is kept as %s\n",
               destination_.c_str(), temporary_.c_str());
}

}  // namespace beadbuild
