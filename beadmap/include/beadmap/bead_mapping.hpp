// One residue's beads: each at the centroid of its heavy atoms, as the
// mapping's rule for the residue lists them.
#ifndef BEADMAP_BEAD_MAPPING_HPP
#define BEADMAP_BEAD_MAPPING_HPP

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "beadmap/cg_structure.hpp"
#include "beadmap/mapping.hpp"

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

// A bead of a residue whose atoms were not all present.
struct IncompleteBead {
  std::size_t bead = 0;              // its place in the residue
  std::vector<std::string> missing;  // the slots no atom filled, as the mapping writes them
  bool rebuilt = false;              // no atom at all: placed by rebuild_bead()
};

// The beads of a residue that may lack atoms: a bead with some of its atoms
// sits at the centroid of those present; a side-chain bead with none is
// left to be rebuilt (its position is not set). A residue none of whose
// backbone-bead atoms is present gives std::nullopt.
struct PartialBeads {
  std::vector<CgBead> beads;
  std::vector<IncompleteBead> incomplete;  // in bead order; empty when whole
};
std::optional<PartialBeads> map_partial_beads(const ResidueRule& rule,
                                              std::span<const NamedAtom> atoms);

// How far a rebuilt bead stands from the bead before it, angstrom.
inline constexpr double rebuilt_bead_distance = 3.0;

// The place of a side-chain bead without atoms: rebuilt_bead_distance from
// the bead before it in the residue, pointing away from the midpoint of the
// backbone beads of the residues before and after it in the chain (only the
// one that exists at a chain end; along x when neither does, or when the
// bead before it lies on that midpoint). Of the directions tried in turn
// (that one, then the six axis directions), the first whose place lies at
// least 0.01 angstrom from every bead of `taken` is used; should all be
// taken, the same again 0.5 angstrom farther out.
Position rebuild_bead(const Position& bead_before, const Position* backbone_before,
                      const Position* backbone_after, std::span<const Position> taken);

}  // namespace beadmap

#endif
