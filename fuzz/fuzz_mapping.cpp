// Fuzz target: the mapping-file reader of beadmap. Any text is parsed; a
// malformed one ends in a MappingError that names the source, the expected
// outcome. A mapping that is accepted must hold what the format promises;
// anything else that escapes, and every sanitizer report, is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.hpp"
#include "beadmap/mapping.hpp"

namespace {

constexpr std::string_view source = "fuzz.map";

void check_name(const std::string& name, std::size_t longest) {
  if (name.empty() || name.size() > longest) fuzzsupport::finding("a name of a wrong length");
  for (const char c : name) {
    if (c <= ' ' || c >= 127 || c == '#' || c == '/') fuzzsupport::finding("a name with a separator");
  }
}

void check_residue(const beadmap::Mapping& mapping, std::size_t index) {
  const beadmap::ResidueRule& residue = mapping.residues[index];
  check_name(residue.name, beadmap::max_name_length);
  if (mapping.find(residue.name) != &residue) fuzzsupport::finding("a residue not found by name");
  if (residue.beads.empty() || residue.beads.size() > beadmap::max_beads_per_residue) {
    fuzzsupport::finding("a residue with a bead count outside 1 to 9");
  }
  for (const beadmap::BeadRule& bead : residue.beads) {
    check_name(bead.name, beadmap::max_name_length);
    if (bead.atoms.empty()) fuzzsupport::finding("a bead without atoms");
    for (const beadmap::AtomSlot& slot : bead.atoms) {
      if (slot.empty()) fuzzsupport::finding("an atom slot without names");
      for (const std::string& name : slot) check_name(name, std::string::npos);
    }
  }
}

void check_mapping(const beadmap::Mapping& mapping) {
  if (mapping.residues.empty()) fuzzsupport::finding("an empty mapping accepted");
  if (mapping.residue_index.size() != mapping.residues.size()) {
    fuzzsupport::finding("a residue index that does not match the residues");
  }
  for (std::size_t index = 0; index < mapping.residues.size(); ++index) check_residue(mapping, index);
  for (const auto& [alias, target] : mapping.aliases) {
    if (mapping.find(target) == nullptr) fuzzsupport::finding("an alias of a residue without beads");
    if (mapping.find(alias) != nullptr) fuzzsupport::finding("an alias that is also a residue");
    if (mapping.canonical_name(alias) != target) fuzzsupport::finding("an alias not resolved");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    check_mapping(beadmap::parse_mapping(text, source));
  } catch (const beadmap::MappingError& error) {
    if (!std::string_view(error.what()).starts_with(source)) {
      fuzzsupport::finding("a mapping message that does not name its source");
    }
  }
  return 0;
}
