// Output that is never half-written and never overwrites by accident: each
// text goes to a temporary file in the output's directory and is moved into
// place only when complete.
#ifndef BEADMAP_SAFE_OUTPUT_HPP
#define BEADMAP_SAFE_OUTPUT_HPP

#include <string>
#include <string_view>

namespace beadmap {

// Whether two paths name one entry of one directory, however the directory
// is spelt ("pdb-CG.pdb" and "./pdb-CG.pdb"): a file placed under the one
// would replace the other.
bool name_one_entry(const std::string& first, const std::string& second);

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
  // overwritten either). With it, the file replaced is kept aside until
  // this object ends, so that a withdrawal can restore it.
  void place(bool replace);
  // Undoes the placing (used when a later output fails): removes a file
  // placed as new, or puts back the file it replaced. Returns "" when the
  // outputs are as they were; when the replaced file cannot be put back, one
  // line that says where the replaced file and the new one now are.
  std::string withdraw();
  const std::string& destination() const { return destination_; }

 private:
  void refuse_all_but_a_regular_file() const;
  void keep_previous();
  int restore_previous();
  // Tells the interrupt watch what an interruption now undoes.
  void update_watch() const;

  std::string destination_;
  std::string temporary_;
  std::string previous_;  // the replaced file's second name, while kept
  bool placed_ = false;
  bool created_new_ = false;
  int watch_ = -1;  // its interrupt watch
};

}  // namespace beadmap

#endif
