// The coarse-grained structure: a header with the residue and bead counts,
// then one PDB-style record per bead.
#ifndef BEADWEAVE_STRUCTURE_INPUT_HPP
#define BEADWEAVE_STRUCTURE_INPUT_HPP

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "beadweave/template_library.hpp"

namespace beadweave {

inline constexpr int structure_unit = 13;

// Exit status of a structure whose header gives fewer than one bead.
inline constexpr int bad_header_status = 1;

// Tables indexed by bead number, the 1-based position of the bead record in
// the file (entry 0 is unused); they hold exactly the beads read.
struct Structure {
  std::int32_t residue_count = 0;
  std::int32_t bead_count = 0;

  std::vector<std::int32_t> PDBATNUMB;
  std::vector<Name> PDBATNAME;
  std::vector<Name> PDBRESNAME;
  std::vector<std::int32_t> PDBRESNUM;
  // Coordinates in angstrom.
  std::vector<float> AX;
  std::vector<float> AY;
  std::vector<float> AZ;

  // Makes room for beads 1 to `beads`, all zero.
  void resize(std::int32_t beads);
};

// Opens "pdb-CG.pdb" as unit 13 and reads the header and the bead records.
// A bead count below 1 writes two lines on standard output and ends the run
// with exit status 1; a failed open or read ends it with the I/O diagnostic.
void read_structure(Structure& structure);

// A structure text in memory that cannot be read as the file would be.
struct StructureTextError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The same records from a structure text in memory, read exactly as the
// file's; a record the file reader would refuse, or a bead count below 1,
// throws StructureTextError.
void read_structure_text(Structure& structure, std::string_view text);

}  // namespace beadweave

#endif
