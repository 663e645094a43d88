// One residue's beads: each at the centroid of its heavy atoms, as the
// mapping's rule for the residue lists them.
#ifndef BEADMAP_BEAD_MAPPING_HPP
#define BEADMAP_BEAD_MAPPING_HPP

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cg_structure.hpp"
#include "mapping.hpp"

namespace beadmap {

// A heavy atom of the residue; of several atoms with one name only the
// first is given.
struct NamedAtom {
  std::string_view name;
  Position position;
};

// The first atom slot no atom of the residue fills.
struct MissingAtom {
  std::string bead;
  std::string slot;  // its alternatives as the mapping writes them, "O/OT1"
};

std::variant<std::vector<CgBead>, MissingAtom> map_beads(const ResidueRule& rule,
                                                         std::span<const NamedAtom> atoms);

}  // namespace beadmap

#endif
