#include "beadmap/mapping.hpp"

#include <algorithm>
#include <cstddef>

namespace beadmap {
namespace {

// A name is a run of printable characters other than the blank, the comment
// mark and the separator of alternatives.
bool is_name_character(char c) { return c > ' ' && c < 127 && c != '#' && c != '/'; }

std::vector<std::string_view> split_words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    const std::size_t start = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    if (at > start) words.push_back(line.substr(start, at - start));
  }
  return words;
}

class Parser {
 public:
  explicit Parser(std::string_view source) : source_(source) {}

  void parse_line(std::string_view line, int line_number);
  Mapping finish();

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw MappingError(std::string(source_) + ":" + std::to_string(line_number_) + ": " + what);
  }
  std::string checked_name(std::string_view word, std::string_view role, std::size_t longest);
  AtomSlot atom_slot(std::string_view word);
  void bead_line(const std::vector<std::string_view>& words);
  void alias_line(const std::vector<std::string_view>& words);

  struct PendingAlias {
    std::string alias;
    std::string target;
    int line_number;
  };

  std::string_view source_;
  int line_number_ = 0;
  Mapping mapping_;
  std::vector<PendingAlias> pending_aliases_;
};

std::string Parser::checked_name(std::string_view word, std::string_view role,
                                 std::size_t longest) {
  if (!std::all_of(word.begin(), word.end(), is_name_character)) {
    fail(std::string(role) + " \"" + std::string(word) +
         "\" holds a character that a name cannot hold");
  }
  if (word.size() > longest) {
    fail(std::string(role) + " \"" + std::string(word) + "\" is longer than " +
         std::to_string(longest) + " characters");
  }
  return std::string(word);
}

AtomSlot Parser::atom_slot(std::string_view word) {
  AtomSlot slot;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = word.find('/', start);
    const std::string_view name =
        word.substr(start, end == std::string_view::npos ? end : end - start);
    if (name.empty()) fail("atom \"" + std::string(word) + "\" has an empty alternative");
    slot.push_back(checked_name(name, "atom name", std::string_view::npos));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return slot;
}

// bead RESIDUE BEAD ATOM...: the beads of a residue follow in the order of
// their lines, which must stand together.
void Parser::bead_line(const std::vector<std::string_view>& words) {
  if (words.size() < 4) fail("a bead line needs a residue name, a bead name and at least one atom");
  const std::string residue = checked_name(words[1], "residue name", max_name_length);
  BeadRule bead{checked_name(words[2], "bead name", max_name_length), {}};
  for (std::size_t w = 3; w < words.size(); ++w) bead.atoms.push_back(atom_slot(words[w]));

  const bool continues_last =
      !mapping_.residues.empty() && mapping_.residues.back().name == residue;
  if (!continues_last) {
    if (mapping_.residue_index.contains(residue)) {
      fail("the bead lines of residue " + residue + " do not stand together");
    }
    mapping_.residue_index.emplace(residue, mapping_.residues.size());
    mapping_.residues.push_back(ResidueRule{residue, {}});
  }
  auto& beads = mapping_.residues.back().beads;
  for (const BeadRule& earlier : beads) {
    if (earlier.name == bead.name) fail("residue " + residue + " has two beads " + bead.name);
  }
  if (beads.size() == max_beads_per_residue) {
    fail("residue " + residue + " has more than " + std::to_string(max_beads_per_residue) +
         " beads");
  }
  beads.push_back(std::move(bead));
}

// alias RESIDUE NAME...: each NAME is read as RESIDUE. The target is checked
// at the end, since its bead lines may come later.
void Parser::alias_line(const std::vector<std::string_view>& words) {
  if (words.size() < 3) fail("an alias line needs a residue name and at least one alias");
  const std::string target = checked_name(words[1], "residue name", max_name_length);
  for (std::size_t w = 2; w < words.size(); ++w) {
    std::string alias = checked_name(words[w], "alias", std::string_view::npos);
    if (mapping_.aliases.contains(alias)) fail("alias " + alias + " is given twice");
    mapping_.aliases.emplace(alias, target);
    pending_aliases_.push_back({std::move(alias), target, line_number_});
  }
}

void Parser::parse_line(std::string_view line, int line_number) {
  line_number_ = line_number;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  line = line.substr(0, line.find('#'));
  const auto words = split_words(line);
  if (words.empty()) return;
  if (words[0] == "bead") {
    bead_line(words);
  } else if (words[0] == "alias") {
    alias_line(words);
  } else {
    fail("unknown line kind \"" + std::string(words[0]) + "\" (expected bead or alias)");
  }
}

Mapping Parser::finish() {
  for (const PendingAlias& pending : pending_aliases_) {
    line_number_ = pending.line_number;
    if (!mapping_.residue_index.contains(pending.target)) {
      fail("alias " + pending.alias + " names residue " + pending.target + ", which has no beads");
    }
    if (mapping_.residue_index.contains(pending.alias)) {
      fail("alias " + pending.alias + " is also a residue with beads");
    }
  }
  if (mapping_.residues.empty()) {
    throw MappingError(std::string(source_) + ": no bead lines: the mapping is empty");
  }
  return std::move(mapping_);
}

}  // namespace

const std::string& Mapping::canonical_name(const std::string& name) const {
  const auto found = aliases.find(name);
  return found == aliases.end() ? name : found->second;
}

const ResidueRule* Mapping::find(const std::string& canonical) const {
  const auto found = residue_index.find(canonical);
  return found == residue_index.end() ? nullptr : &residues[found->second];
}

Mapping parse_mapping(std::string_view text, std::string_view source) {
  Parser parser(source);
  int line_number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    parser.parse_line(text.substr(0, end), ++line_number);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return parser.finish();
}

}  // namespace beadmap
