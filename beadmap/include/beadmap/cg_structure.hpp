// The coarse-grained structure beadmap builds: residues in file order, each
// a run of beads whose first bead is the backbone bead.
#ifndef BEADMAP_CG_STRUCTURE_HPP
#define BEADMAP_CG_STRUCTURE_HPP

#include <cstddef>
#include <span>
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

// The plain mean of the points (summed in order, then divided).
Position centroid(std::span<const Position> points);
// The distance between two points: sqrt((dx^2 + dy^2) + dz^2).
double distance(const Position& a, const Position& b);

// All beads of all residues.
std::size_t bead_count(const CgStructure& structure);

// "A", or "(blank)" for a chain without a name, as reports show it.
std::string chain_label(const std::string& chain_name);

// "GLY 37B": a residue's name and place as reports show it.
std::string residue_label(const std::string& name, const ResiduePlace& place);

}  // namespace beadmap

#endif
