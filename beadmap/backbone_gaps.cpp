#include "backbone_gaps.hpp"

#include <cmath>

namespace beadmap {

std::vector<BackboneGap> find_backbone_gaps(const CgStructure& structure) {
  std::vector<BackboneGap> gaps;
  const auto& residues = structure.residues;
  for (std::size_t i = 1; i < residues.size(); ++i) {
    const Position& a = residues[i - 1].beads.front().position;
    const Position& b = residues[i].beads.front().position;
    const double distance = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) +
                                      (b.z - a.z) * (b.z - a.z));
    if (distance > gap_distance) gaps.push_back({i - 1, distance});
  }
  return gaps;
}

}  // namespace beadmap
