#include "cg_structure.hpp"

namespace beadmap {

std::size_t bead_count(const CgStructure& structure) {
  std::size_t count = 0;
  for (const CgResidue& residue : structure.residues) count += residue.beads.size();
  return count;
}

std::string residue_label(const std::string& name, const ResiduePlace& place) {
  std::string label = name + " " + std::to_string(place.number);
  if (place.insertion_code != ' ' && place.insertion_code != '\0') label += place.insertion_code;
  return label;
}

}  // namespace beadmap
