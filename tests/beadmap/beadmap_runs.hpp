// Whole runs of the built beadmap: atomistic entries written record by
// record, the project's example library, and the run in a scratch directory.
#ifndef TESTS_BEADMAP_RUNS_HPP
#define TESTS_BEADMAP_RUNS_HPP

#include <string>
#include <vector>

#include "process.hpp"

namespace bmtest {

// An atomistic entry in the PDB layout, built atom by atom.
class EntryBuilder {
 public:
  // One ATOM (or HETATM) record; the element is the name's first letter
  // unless given.
  EntryBuilder& atom(const std::string& residue, char chain, int number, const std::string& name,
                     double x, double y, double z, bool hetero = false, char altloc = ' ',
                     char insertion_code = ' ', const std::string& segment = "",
                     const std::string& element = "");
  // N, CA, C, O of a residue, at (x, 0, 0), (x+1, 0, 0), (x+1, 1, 0), (x+2, 1, 1):
  // their centroid is (x+1, 0.5, 0.25).
  EntryBuilder& backbone(const std::string& residue, char chain, int number, double x,
                         bool hetero = false, char insertion_code = ' ',
                         const std::string& segment = "");
  EntryBuilder& line(const std::string& text);
  std::string text() const { return text_ + "END\n"; }

 private:
  std::string text_;
  int serial_ = 0;
};

// The 20-template library of the project's example (examples/beadweave).
std::string example_library();

// Runs the built beadmap in `dir` with standard input closed.
testsupport::ProcessResult run_beadmap(const testsupport::ScratchDir& dir,
                                       const std::vector<std::string>& args);

// The text, gzip-compressed (written through a file of `dir`, then removed).
std::string compressed(const testsupport::ScratchDir& dir, const std::string& text);

std::vector<std::string> lines_of(const std::string& text);

// The ATOM records of a coarse-grained structure.
std::vector<std::string> bead_records(const std::string& structure_text);

// Names of the entries of a directory, sorted.
std::vector<std::string> directory_entries(const testsupport::ScratchDir& dir);

}  // namespace bmtest

#endif
