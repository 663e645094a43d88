#include "beadmap/cg_structure.hpp"

#include <cmath>

#include "beadmap/printable_text.hpp"

namespace beadmap {

Position centroid(std::span<const Position> points) {
  Position sum;
  for (const Position& point : points) {
    sum.x += point.x;
    sum.y += point.y;
    sum.z += point.z;
  }
  const auto count = static_cast<double>(points.size());
  return Position{sum.x / count, sum.y / count, sum.z / count};
}

double distance(const Position& a, const Position& b) {
  return std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) +
                   (b.z - a.z) * (b.z - a.z));
}

std::string chain_label(const std::string& chain_name) {
  return chain_name.empty() ? "(blank)" : printable(chain_name);
}

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
