// Where the system's beads stand in its box: the structure centred in a
// rectangular box of its extent plus a margin on every side.
#ifndef BEADBUILD_SYSTEM_LAYOUT_HPP
#define BEADBUILD_SYSTEM_LAYOUT_HPP

#include <array>
#include <memory>
#include <vector>

#include "molecules.hpp"

namespace beadbuild {

struct Box {
  std::array<double, 3> edges{};  // nm
  std::array<double, 3> shift{};  // nm, added to a bead's position in nm
};

// The box around every bead of every molecule, `margin` nm on each side.
Box centred_box(const std::vector<std::unique_ptr<Molecule>>& molecules, double margin);

// A bead's position in the box, nm: the coordinate beadweave measured
// (angstrom, as the structure file holds it) in nm, shifted.
std::array<double, 3> position_in_box(const Box& box, const beadweave::Structure& tables,
                                      std::int32_t bead);

}  // namespace beadbuild

#endif
