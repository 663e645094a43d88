// The coarse-grained structure file (pdb-CG.pdb) that beadmap writes and
// beadweave reads: its record layouts and its limits, defined here alone.
//
//   HEADER number of residues:   76 number of beads:  163
//   ATOM      1  BB  MET A   1      26.913  27.380   3.470  1.00  0.00
//   ...
//   END
#ifndef BEADWEAVE_CG_STRUCTURE_FORMAT_HPP
#define BEADWEAVE_CG_STRUCTURE_FORMAT_HPP

#include <cstddef>
#include <cstdint>

#include "common/layout.hpp"

namespace beadweave::cg_format {

// Bead and residue names: three characters.
inline constexpr std::size_t name_length = 3;
// Residue and bead counts of the header, and residue numbers: four columns.
inline constexpr int number_columns = 4;
inline constexpr std::int32_t max_beads = 9999;
// Bead serial numbers: seven columns.
inline constexpr int serial_columns = 7;
// Coordinates, angstrom: eight columns, three decimals.
inline constexpr int coordinate_columns = 8;
inline constexpr int coordinate_decimals = 3;

// "HEADER number of residues: NNNN number of beads: NNNN"; on input the
// literals are passed over, whatever the columns hold.
const rio::Layout& header_layout();

// A bead record as beadweave reads it: "ATOM", the serial number (columns
// 5-11), the bead name (13-16, of which the last three are kept), the
// residue name (18-20), the residue number (23-26) and x, y, z (31-54).
const rio::Layout& bead_read_layout();

// The same record as beadmap writes it, in the same columns: the bead name
// left-aligned in 14-16 (its values are blank-padded to three characters),
// the chain id in 22 and the insertion code in 27, which the reader passes
// over, and an occupancy of 1.00 and a temperature factor of 0.00 after the
// coordinates.
const rio::Layout& bead_write_layout();

}  // namespace beadweave::cg_format

#endif
