// The system directory, written whole or not at all: every file goes into a
// temporary directory beside it, which takes the directory's name only when
// complete. An existing directory is replaced only when asked, and only when
// it holds files alone (as a system directory does, with GROMACS' outputs):
// it stays as it was until the new one is complete.
#ifndef BEADBUILD_SYSTEM_DIRECTORY_HPP
#define BEADBUILD_SYSTEM_DIRECTORY_HPP

#include <string>
#include <string_view>

namespace beadbuild {

// Refuses (beadmap::Refusal) a destination that exists, unless `replace` is
// set and it is a directory that may be replaced. Called before any work,
// and again when the directory is placed.
void check_destination(const std::string& destination, bool replace);

class PendingDirectory {
 public:
  // Makes the temporary directory beside `destination`.
  PendingDirectory(std::string destination, bool replace);
  PendingDirectory(const PendingDirectory&) = delete;
  PendingDirectory& operator=(const PendingDirectory&) = delete;
  // Removes the temporary directory and all in it, unless placed.
  ~PendingDirectory();

  // The path of a file in the temporary directory.
  std::string path_of(std::string_view file_name) const;
  // Writes a new file of the directory.
  void write_file(std::string_view file_name, std::string_view content) const;
  // Gives the directory its name, replacing the old one when allowed. A
  // replaced directory that cannot be removed afterwards is kept under the
  // temporary name, and standard error says where.
  void place();

 private:
  std::string destination_;
  std::string temporary_;
  bool replace_;
  bool placed_ = false;
  int watch_ = -1;  // its interrupt watch
};

}  // namespace beadbuild

#endif
