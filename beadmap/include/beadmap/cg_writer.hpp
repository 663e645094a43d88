// The texts beadmap writes: the coarse-grained structure in the column
// layout beadweave reads, and the position restraints of its backbone beads.
#ifndef BEADMAP_CG_WRITER_HPP
#define BEADMAP_CG_WRITER_HPP

#include <string>
#include <string_view>

#include "beadmap/cg_structure.hpp"

namespace beadmap {

// "HEADER number of residues: NNNN number of beads: NNNN", one ATOM record
// per bead, "END", in the record layouts beadweave reads
// (beadweave/cg_structure_format.hpp). A structure beadweave cannot take
// (more beads than the header's columns hold, a residue number or
// coordinate wider than its columns) is refused.
std::string format_cg_structure(const CgStructure& structure);

// [ position_restraints ], function type 1, 1000 kJ mol-1 nm-2 on x, y and
// z, for the first bead of every residue, numbered by position in the file,
// which is the numbering of the molecule in `topology_name`.
std::string format_position_restraints(const CgStructure& structure,
                                       std::string_view topology_name = "protein.itp");

}  // namespace beadmap

#endif
