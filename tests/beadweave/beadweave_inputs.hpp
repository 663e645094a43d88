// Inputs for whole runs of beadweave: a small template library, structure
// files in the PDB column layout, and the run itself in a scratch directory.
#ifndef TESTS_BEADWEAVE_INPUTS_HPP
#define TESTS_BEADWEAVE_INPUTS_HPP

#include <optional>
#include <string>
#include <vector>

#include "process.hpp"

namespace bwtest {

// The 20-template library: GLY (1 bead), HIS (4 beads, a bond, three
// constraints, two angles, a dihedral), LYS (3 beads, two bonds, an angle),
// ASP (2 beads in one charge group, a bond), then `extra` templates, then
// interaction-free one-bead fillers F05, F06, ... up to 20 templates.
std::string library(const std::vector<std::string>& extra = {});

// "HEADER number of residues: RRRR number of beads: BBBB".
std::string header(int residues, int beads);

// One bead record: serial, bead name, residue name, residue number, x, y, z.
std::string bead(int serial, const char* name, const char* residue, int residue_number, double x,
                 double y, double z);

// The six-residue structure GLY HIS LYS ASP GLY HIS (15 beads) with its
// backbone beads (1, 2, 6, 9, 11, 12) on a 3-4-5 zig-zag in the xy plane:
// consecutive backbone beads 5 A apart, every backbone angle acos(0.28).
std::string zigzag_structure();

// Runs the built beadweave in `dir` with `answers` on standard input.
testsupport::ProcessResult run(const testsupport::ScratchDir& dir,
                               const std::optional<std::string>& answers = std::nullopt,
                               const std::vector<std::string>& args = {});

// The lines of a text, each without its line feed.
std::vector<std::string> lines_of(const std::string& text);

using Lines = std::vector<std::string>;

// The data lines of a topology file, group by group.
struct Groups {
  Lines atoms, consecutive, i4, elastic, template_bonds, constraints, template_angles,
      backbone_angles, dihedrals;
};

// The whole file: the fixed lines and empty lines around the data groups.
std::string topology(const Groups& groups);

// The console dialogue when all three questions are asked.
extern const char* const full_dialogue;

}  // namespace bwtest

#endif
