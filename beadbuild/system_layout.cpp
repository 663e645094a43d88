#include "system_layout.hpp"

#include <algorithm>
#include <limits>

namespace beadbuild {
namespace {

std::array<double, 3> angstrom_position(const beadweave::Structure& tables, std::int32_t bead) {
  const auto b = static_cast<std::size_t>(bead);
  return {static_cast<double>(tables.AX[b]), static_cast<double>(tables.AY[b]),
          static_cast<double>(tables.AZ[b])};
}

}  // namespace

Box centred_box(const std::vector<std::unique_ptr<Molecule>>& molecules, double margin) {
  std::array<double, 3> low;
  std::array<double, 3> high;
  low.fill(std::numeric_limits<double>::infinity());
  high.fill(-std::numeric_limits<double>::infinity());
  for (const auto& molecule : molecules) {
    for (std::int32_t bead = 1; bead <= molecule->tables.bead_count; ++bead) {
      const auto position = angstrom_position(molecule->tables, bead);
      for (int axis = 0; axis < 3; ++axis) {
        low[axis] = std::min(low[axis], position[axis] / 10.0);
        high[axis] = std::max(high[axis], position[axis] / 10.0);
      }
    }
  }
  Box box;
  for (int axis = 0; axis < 3; ++axis) {
    box.edges[axis] = high[axis] - low[axis] + 2.0 * margin;
    box.shift[axis] = box.edges[axis] / 2.0 - (low[axis] + high[axis]) / 2.0;
  }
  return box;
}

std::array<double, 3> position_in_box(const Box& box, const beadweave::Structure& tables,
                                      std::int32_t bead) {
  auto position = angstrom_position(tables, bead);
  for (int axis = 0; axis < 3; ++axis) position[axis] = position[axis] / 10.0 + box.shift[axis];
  return position;
}

}  // namespace beadbuild
