// The mapping from atomistic residues to coarse-grained beads: for each
// residue name its beads in order, for each bead the heavy atoms whose
// centroid is the bead's position, and the residue-name aliases.
#ifndef BEADMAP_MAPPING_HPP
#define BEADMAP_MAPPING_HPP

#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "beadweave/cg_structure_format.hpp"
#include "beadweave/template_library.hpp"

namespace beadmap {

// Longest residue or bead name the coarse-grained structure can carry.
inline constexpr std::size_t max_name_length = beadweave::cg_format::name_length;
// The most beads a residue template of beadweave's library holds.
inline constexpr std::size_t max_beads_per_residue = beadweave::max_template_beads;

// One atom of a bead: alternative names, the first present in the residue is taken.
using AtomSlot = std::vector<std::string>;

struct BeadRule {
  std::string name;
  std::vector<AtomSlot> atoms;
};

struct ResidueRule {
  std::string name;
  std::vector<BeadRule> beads;
};

struct Mapping {
  std::vector<ResidueRule> residues;
  std::unordered_map<std::string, std::size_t> residue_index;  // canonical name -> residues[]
  std::unordered_map<std::string, std::string> aliases;        // alias -> canonical name

  // The canonical name of `name`: its alias target, or the name itself.
  const std::string& canonical_name(const std::string& name) const;
  // The rule of a canonical name, or nullptr when the mapping has none.
  const ResidueRule* find(const std::string& canonical) const;
};

// A mapping text that breaks the format; what() names the source, the line
// and what is wrong ("protein.map:12: ...").
struct MappingError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Parses a mapping text; `source` names it in messages.
Mapping parse_mapping(std::string_view text, std::string_view source);

// The four-to-one protein mapping built into the program (the text of the
// shipped mapping file).
std::string_view default_mapping_text();
inline constexpr std::string_view default_mapping_source = "built-in mapping";

}  // namespace beadmap

#endif
