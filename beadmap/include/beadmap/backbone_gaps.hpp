// Breaks in the chain: consecutive backbone beads of the kept residues
// farther apart than a bonded pair can be. beadweave bonds them all the same.
#ifndef BEADMAP_BACKBONE_GAPS_HPP
#define BEADMAP_BACKBONE_GAPS_HPP

#include <cstddef>
#include <string>
#include <vector>

#include "beadmap/cg_structure.hpp"

namespace beadmap {

inline constexpr double gap_distance = 4.5;  // angstrom

struct BackboneGap {
  std::size_t residue_before;  // index into structure.residues; the gap follows it
  double distance;             // angstrom
};

std::vector<BackboneGap> find_backbone_gaps(const CgStructure& structure);

// "27.82 angstrom between the backbone beads of LYS 509 and GLU 561".
std::string describe_gap(const CgStructure& structure, const BackboneGap& gap);

}  // namespace beadmap

#endif
