#include "bead_mapping.hpp"

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

}  // namespace

std::variant<std::vector<CgBead>, MissingAtom> map_beads(const ResidueRule& rule,
                                                         std::span<const NamedAtom> atoms) {
  std::vector<CgBead> beads;
  beads.reserve(rule.beads.size());
  for (const BeadRule& bead_rule : rule.beads) {
    Position sum;
    for (const AtomSlot& slot : bead_rule.atoms) {
      const NamedAtom* atom = find_atom(atoms, slot);
      if (atom == nullptr) return MissingAtom{bead_rule.name, slot_text(slot)};
      sum.x += atom->position.x;
      sum.y += atom->position.y;
      sum.z += atom->position.z;
    }
    const auto count = static_cast<double>(bead_rule.atoms.size());
    beads.push_back(CgBead{bead_rule.name, Position{sum.x / count, sum.y / count, sum.z / count}});
  }
  return beads;
}

}  // namespace beadmap
