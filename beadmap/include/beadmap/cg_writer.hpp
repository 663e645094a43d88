// The texts beadmap writes: the coarse-grained structure in the column
// layout beadweave reads, and the position restraints of its backbone beads.
#ifndef BEADMAP_CG_WRITER_HPP
#define BEADMAP_CG_WRITER_HPP

#include <string>
#include <string_view>

#include "beadmap/cg_structure.hpp"

namespace beadmap {

// The structure builder reads bead and residue numbers in 4 columns.
inline constexpr int max_bead_count = 9999;

// "HEADER number of residues: NNNN number of beads: NNNN", one ATOM record
// per bead, "END". A structure beadweave cannot take (more than 9999 beads,
// a residue number or coordinate wider than its columns) is refused.
std::string format_cg_structure(const CgStructure& structure);

// [ position_restraints ], function type 1, 1000 kJ mol-1 nm-2 on x, y and
// z, for the first bead of every residue, numbered by position in the file,
// which is the numbering of the molecule in `topology_name`.
std::string format_position_restraints(const CgStructure& structure,
                                       std::string_view topology_name = "protein.itp");

}  // namespace beadmap

#endif
