// The coarse-grained structure beadmap builds: residues in file order, each
// a run of beads whose first bead is the backbone bead.
#ifndef BEADMAP_CG_STRUCTURE_HPP
#define BEADMAP_CG_STRUCTURE_HPP

#include <cstddef>
#include <string>
#include <vector>

namespace beadmap {

struct Position {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

struct CgBead {
  std::string name;
  Position position;  // angstrom
};

// Where a residue stands in its chain: number and insertion code (' ' for none).
struct ResiduePlace {
  int number = 0;
  char insertion_code = ' ';
};

struct CgResidue {
  std::string name;  // canonical name, after aliases
  ResiduePlace place;
  std::vector<CgBead> beads;
};

struct CgStructure {
  char chain_id = ' ';  // column 22 of every record
  std::vector<CgResidue> residues;
};

// All beads of all residues.
std::size_t bead_count(const CgStructure& structure);

// "GLY 37B": a residue's name and place as reports show it.
std::string residue_label(const std::string& name, const ResiduePlace& place);

}  // namespace beadmap

#endif
