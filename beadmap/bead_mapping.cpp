#include "beadmap/bead_mapping.hpp"

namespace beadmap {
namespace {

const NamedAtom* find_atom(std::span<const NamedAtom> atoms, const AtomSlot& slot) {
  for (const std::string& alternative : slot) {
    for (const NamedAtom& atom : atoms) {
      if (atom.name == alternative) return &atom;
    }
  }
  return nullptr;
}

std::string slot_text(const AtomSlot& slot) {
  std::string text;
  for (const std::string& alternative : slot) {
    if (!text.empty()) text += '/';
    text += alternative;
  }
  return text;
}

// Closer than this to another bead counts as coinciding: the structure file
// writes three decimals.
constexpr double coincidence = 0.01;

}  // namespace

std::variant<std::vector<CgBead>, MissingAtom> map_beads(const ResidueRule& rule,
                                                         std::span<const NamedAtom> atoms) {
  std::vector<CgBead> beads;
  beads.reserve(rule.beads.size());
  std::vector<Position> positions;
  for (const BeadRule& bead_rule : rule.beads) {
    positions.clear();
    for (const AtomSlot& slot : bead_rule.atoms) {
      const NamedAtom* atom = find_atom(atoms, slot);
      if (atom == nullptr) return MissingAtom{bead_rule.name, slot_text(slot)};
      positions.push_back(atom->position);
    }
    beads.push_back(CgBead{bead_rule.name, centroid(positions)});
  }
  return beads;
}

std::optional<PartialBeads> map_partial_beads(const ResidueRule& rule,
                                              std::span<const NamedAtom> atoms) {
  PartialBeads result;
  result.beads.reserve(rule.beads.size());
  std::vector<Position> present;
  for (std::size_t b = 0; b < rule.beads.size(); ++b) {
    const BeadRule& bead_rule = rule.beads[b];
    present.clear();
    IncompleteBead incomplete{b, {}, false};
    for (const AtomSlot& slot : bead_rule.atoms) {
      const NamedAtom* atom = find_atom(atoms, slot);
      if (atom == nullptr) {
        incomplete.missing.push_back(slot_text(slot));
      } else {
        present.push_back(atom->position);
      }
    }
    if (present.empty() && b == 0) return std::nullopt;  // no backbone to hold the residue
    incomplete.rebuilt = present.empty();
    result.beads.push_back(
        CgBead{bead_rule.name, present.empty() ? Position{} : centroid(present)});
    if (!incomplete.missing.empty()) result.incomplete.push_back(std::move(incomplete));
  }
  return result;
}

Position rebuild_bead(const Position& bead_before, const Position* backbone_before,
                      const Position* backbone_after, std::span<const Position> taken) {
  std::vector<Position> directions;
  const Position* neighbours[] = {backbone_before, backbone_after};
  std::vector<Position> present;
  for (const Position* neighbour : neighbours) {
    if (neighbour != nullptr) present.push_back(*neighbour);
  }
  if (!present.empty()) {
    const Position middle = centroid(present);
    const Position away{bead_before.x - middle.x, bead_before.y - middle.y,
                        bead_before.z - middle.z};
    const double length = distance(bead_before, middle);
    if (length > coincidence)
      directions.push_back({away.x / length, away.y / length, away.z / length});
  }
  for (const Position axis : {Position{1, 0, 0}, Position{-1, 0, 0}, Position{0, 1, 0},
                              Position{0, -1, 0}, Position{0, 0, 1}, Position{0, 0, -1}}) {
    directions.push_back(axis);
  }
  // Candidate places lie 0.5 angstrom or more apart, so each bead of
  // `taken` rules out one at most: one of the first taken.size() + 1 is free.
  for (std::size_t ring = 0;; ++ring) {
    const double reach = rebuilt_bead_distance + 0.5 * static_cast<double>(ring);
    for (const Position& direction : directions) {
      const Position place{bead_before.x + reach * direction.x, bead_before.y + reach * direction.y,
                           bead_before.z + reach * direction.z};
      bool free = true;
      for (const Position& other : taken) free = free && distance(place, other) >= coincidence;
      if (free) return place;
    }
  }
}

}  // namespace beadmap
