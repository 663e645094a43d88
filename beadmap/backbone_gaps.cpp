#include "beadmap/backbone_gaps.hpp"

#include <cstdio>

namespace beadmap {

std::vector<BackboneGap> find_backbone_gaps(const CgStructure& structure) {
  std::vector<BackboneGap> gaps;
  const auto& residues = structure.residues;
  for (std::size_t i = 1; i < residues.size(); ++i) {
    const double apart =
        distance(residues[i - 1].beads.front().position, residues[i].beads.front().position);
    if (apart > gap_distance) gaps.push_back({i - 1, apart});
  }
  return gaps;
}

std::string describe_gap(const CgStructure& structure, const BackboneGap& gap) {
  const CgResidue& before = structure.residues[gap.residue_before];
  const CgResidue& after = structure.residues[gap.residue_before + 1];
  char distance_text[32];
  std::snprintf(distance_text, sizeof distance_text, "%.2f", gap.distance);
  return std::string(distance_text) + " angstrom between the backbone beads of " +
         residue_label(before.name, before.place) + " and " +
         residue_label(after.name, after.place);
}

}  // namespace beadmap
