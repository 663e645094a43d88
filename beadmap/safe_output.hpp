// Output that is never half-written and never overwrites by accident: each
// text goes to a temporary file in the output's directory and is moved into
// place only when complete.
#ifndef BEADMAP_SAFE_OUTPUT_HPP
#define BEADMAP_SAFE_OUTPUT_HPP

#include <string>
#include <string_view>

namespace beadmap {

// The refusal of an output file that exists and may not be replaced.
[[noreturn]] void refuse_existing_output(const std::string& path);

// A complete text in a temporary file next to its destination; removed
// again unless placed.
class PendingFile {
 public:
  // Writes `content` to a new temporary file beside `destination`; refuses
  // (Refusal) when it cannot.
  PendingFile(std::string destination, std::string_view content);
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile();

  // Moves the file into place. Without `replace`, an existing destination
  // is refused, atomically (a file that appears meanwhile is not
  // overwritten either).
  void place(bool replace);
  // Removes a file placed as new (used when a later output fails).
  void withdraw();
  const std::string& destination() const { return destination_; }

 private:
  std::string destination_;
  std::string temporary_;
  bool placed_ = false;
  bool created_new_ = false;
};

}  // namespace beadmap

#endif
