// Fuzz target: a residue that lacks atoms, mapped as beadmap keeps it. The
// input picks a residue of the built-in mapping, which of its atoms are
// present and where (on a coarse grid, so that atoms and beads coincide
// often), the backbone beads of its neighbours, and other beads already
// placed, some of them on the very places a rebuilt bead would try first.
// Rules no input may break: a residue is dropped exactly when no atom of its
// backbone bead is present; a kept one has every bead of its template, each
// bead with atoms inside the box of those atoms; a bead is rebuilt exactly
// when none of its atoms is present, 3 angstrom (or a further half angstrom
// step) from the bead before it and at least 0.01 angstrom from every bead
// placed before it.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "beadmap/bead_mapping.hpp"
#include "beadmap/mapping.hpp"
#include "fuzz_support.hpp"

namespace {

using beadmap::Position;

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  bool empty() const { return at_ >= size_; }
  // A coordinate on a quarter-angstrom grid, -32 to 31.75.
  double coordinate() { return static_cast<std::int8_t>(next()) / 4.0; }
  Position position() {
    const double x = coordinate();
    const double y = coordinate();
    return {x, y, coordinate()};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

const beadmap::Mapping& built_in_mapping() {
  static const beadmap::Mapping mapping =
      beadmap::parse_mapping(beadmap::default_mapping_text(), beadmap::default_mapping_source);
  return mapping;
}

// The atoms of the residue: for each slot of each bead, present or not, under
// one of its alternative names, somewhere on the grid.
std::vector<beadmap::NamedAtom> atoms_of(const beadmap::ResidueRule& rule, Bytes& bytes) {
  std::vector<beadmap::NamedAtom> atoms;
  for (const beadmap::BeadRule& bead : rule.beads) {
    for (const beadmap::AtomSlot& slot : bead.atoms) {
      const std::uint8_t choice = bytes.next();
      if ((choice & 1U) == 0) continue;
      atoms.push_back({slot[(choice >> 1U) % slot.size()], bytes.position()});
    }
  }
  return atoms;
}

bool inside_box(const Position& place, const std::vector<Position>& points) {
  const auto within = [](double value, double low, double high) {
    return value >= low - 1e-9 && value <= high + 1e-9;
  };
  const auto [x0, x1] =
      std::minmax_element(points.begin(), points.end(), [](auto& a, auto& b) { return a.x < b.x; });
  const auto [y0, y1] =
      std::minmax_element(points.begin(), points.end(), [](auto& a, auto& b) { return a.y < b.y; });
  const auto [z0, z1] =
      std::minmax_element(points.begin(), points.end(), [](auto& a, auto& b) { return a.z < b.z; });
  return within(place.x, x0->x, x1->x) && within(place.y, y0->y, y1->y) &&
         within(place.z, z0->z, z1->z);
}

// The positions of the atoms that fill the bead's slots, as the residue gives them.
std::vector<Position> atoms_of_bead(const beadmap::BeadRule& bead,
                                    const std::vector<beadmap::NamedAtom>& atoms) {
  std::vector<Position> found;
  for (const beadmap::AtomSlot& slot : bead.atoms) {
    const auto filled = [&](const std::string& name) {
      return std::find_if(atoms.begin(), atoms.end(),
                          [&](const beadmap::NamedAtom& atom) { return atom.name == name; });
    };
    const auto name = std::find_if(slot.begin(), slot.end(),
                                   [&](const std::string& n) { return filled(n) != atoms.end(); });
    if (name != slot.end()) found.push_back(filled(*name)->position);
  }
  return found;
}

void check_rebuilt(const Position& place, const Position& before,
                   const std::vector<Position>& taken) {
  if (!std::isfinite(place.x) || !std::isfinite(place.y) || !std::isfinite(place.z)) {
    fuzzsupport::finding("a rebuilt bead at a place that is not finite");
  }
  const double reach = beadmap::distance(place, before);
  const double steps = (reach - beadmap::rebuilt_bead_distance) / 0.5;
  if (steps < -1e-6 || std::fabs(steps - std::round(steps)) > 1e-6) {
    fuzzsupport::finding("a rebuilt bead off its distances from the bead before it");
  }
  for (const Position& other : taken) {
    if (beadmap::distance(place, other) < 0.01)
      fuzzsupport::finding("a rebuilt bead on another bead");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const beadmap::Mapping& mapping = built_in_mapping();
  const beadmap::ResidueRule& rule = mapping.residues[bytes.next() % mapping.residues.size()];
  const std::vector<beadmap::NamedAtom> atoms = atoms_of(rule, bytes);
  const bool backbone_present = !atoms_of_bead(rule.beads.front(), atoms).empty();
  auto partial = beadmap::map_partial_beads(rule, atoms);
  if (partial.has_value() != backbone_present) {
    fuzzsupport::finding("a residue dropped with its backbone, or kept without it");
  }
  if (!partial) return 0;
  if (partial->beads.size() != rule.beads.size())
    fuzzsupport::finding("a bead count off its template");

  // The neighbours' backbone beads, then beads placed elsewhere in the chain.
  const std::uint8_t neighbours = bytes.next();
  const Position before = bytes.position();
  const Position after = bytes.position();
  const Position* backbone_before = (neighbours & 1U) != 0 ? &before : nullptr;
  const Position* backbone_after = (neighbours & 2U) != 0 ? &after : nullptr;
  std::vector<Position> taken;
  std::vector<bool> rebuilt(rule.beads.size(), false);
  for (const beadmap::IncompleteBead& bead : partial->incomplete) rebuilt[bead.bead] = bead.rebuilt;
  for (std::size_t b = 0; b < rule.beads.size(); ++b) {
    const std::vector<Position> present = atoms_of_bead(rule.beads[b], atoms);
    if (rebuilt[b] != present.empty())
      fuzzsupport::finding("a bead rebuilt though it has atoms, or not though it has none");
    if (partial->beads[b].name != rule.beads[b].name)
      fuzzsupport::finding("a bead under another name");
    if (!present.empty()) {
      if (!inside_box(partial->beads[b].position, present))
        fuzzsupport::finding("a bead outside its atoms");
      taken.push_back(partial->beads[b].position);
    }
  }
  // Beads elsewhere: each at a place of the grid, or 3 angstrom along an axis
  // from a bead of the residue (where a rebuilt bead looks first).
  for (std::size_t extra = 0; extra < 24 && !bytes.empty(); ++extra) {
    const std::uint8_t kind = bytes.next();
    if (kind < 128 || taken.empty()) {
      taken.push_back(bytes.position());
      continue;
    }
    const Position& from = taken[kind % taken.size()];
    const double step = beadmap::rebuilt_bead_distance + 0.5 * ((kind >> 3U) % 3);
    const int axis = (kind >> 5U) % 3;
    const double sign = (kind & 4U) != 0 ? -1.0 : 1.0;
    Position place = from;
    (axis == 0 ? place.x : axis == 1 ? place.y : place.z) += sign * step;
    taken.push_back(place);
  }
  for (std::size_t b = 1; b < rule.beads.size(); ++b) {
    if (!rebuilt[b]) continue;
    const Position& bead_before = partial->beads[b - 1].position;
    const Position place =
        beadmap::rebuild_bead(bead_before, backbone_before, backbone_after, taken);
    check_rebuilt(place, bead_before, taken);
    partial->beads[b].position = place;
    taken.push_back(place);
  }
  return 0;
}
