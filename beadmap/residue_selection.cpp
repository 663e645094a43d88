#include "beadmap/residue_selection.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gemmi/resinfo.hpp>
#include <span>
#include <unordered_map>

#include "beadmap/bead_mapping.hpp"
#include "beadmap/chain_contents.hpp"
#include "beadmap/refusal.hpp"
#include "beadmap/residue_numbers.hpp"

namespace beadmap {
namespace {

// A run of residues of one chain with one segment id.
struct ChainPiece {
  const gemmi::Chain* chain = nullptr;
  std::span<const gemmi::Residue> residues;
};

std::vector<ChainPiece> cut_at_segments(const gemmi::Chain& chain) {
  std::vector<ChainPiece> pieces;
  const auto& residues = chain.residues;
  std::size_t start = 0;
  for (std::size_t i = 1; i <= residues.size(); ++i) {
    if (i == residues.size() || residues[i].segment != residues[start].segment) {
      pieces.push_back(
          {&chain, std::span<const gemmi::Residue>(residues).subspan(start, i - start)});
      start = i;
    }
  }
  return pieces;
}

// HETATM residues are not protein, but for selenomethionine and the
// residues the mapping names as aliases of a mapped residue (modified
// residues that the user maps like the residue they modify).
bool is_skipped_hetero(const gemmi::Residue& residue, const Mapping& mapping) {
  return residue.het_flag == 'H' && residue.name != "MSE" &&
         !mapping.aliases.contains(residue.name);
}

bool holds_amino_acid(const ChainPiece& piece, const Mapping& mapping) {
  for (const gemmi::Residue& residue : piece.residues) {
    if (is_skipped_hetero(residue, mapping)) continue;
    const gemmi::ResidueInfo info =
        gemmi::find_tabulated_residue(mapping.canonical_name(residue.name));
    if (info.is_amino_acid() && info.is_standard()) return true;
  }
  return false;
}

// The chain names of a model, each once, as messages list them: the first
// twenty, and how many more there are.
std::string chain_list(const gemmi::Model& model) {
  constexpr std::size_t names_shown = 20;
  const std::vector<std::string> all = chain_names(model);
  std::string names;
  for (std::size_t c = 0; c < all.size() && c < names_shown; ++c) {
    names += names.empty() ? "" : " ";
    names += chain_label(all[c]);
  }
  if (all.size() > names_shown)
    names += " and " + std::to_string(all.size() - names_shown) + " more";
  return names.empty() ? "none" : names;
}

ChainPiece choose_piece(const gemmi::Model& model, const std::optional<std::string>& chain_id,
                        const Mapping& mapping, const std::string& model_label) {
  bool chain_found = false;
  for (const gemmi::Chain& chain : model.chains) {
    if (chain_id && chain.name != *chain_id) continue;
    chain_found = true;
    for (const ChainPiece& piece : cut_at_segments(chain)) {
      if (holds_amino_acid(piece, mapping)) return piece;
    }
  }
  if (chain_id && !chain_found) {
    throw Refusal(model_label + " has no chain \"" + *chain_id +
                  "\" (its chains: " + chain_list(model) + ")");
  }
  if (chain_id) throw Refusal("chain \"" + *chain_id + "\" holds no standard amino acid");
  throw Refusal("no chain of " + model_label + " holds a standard amino acid");
}

ResiduePlace place_of(const gemmi::Residue& residue) {
  if (!has_residue_number(residue)) {
    throw Refusal("residue " + residue.name + " has no residue number");
  }
  // A number the library does not hold is -999 as written.
  return ResiduePlace{residue.seqid.num.value, residue.seqid.icode};
}

std::int64_t place_key(const ResiduePlace& place) {
  return static_cast<std::int64_t>(place.number) * 256 +
         static_cast<unsigned char>(place.insertion_code);
}

// The heavy atoms, one of each name: the first in alternate location
// `altloc` or in none, else the first ('\0': the first of each name).
void collect_heavy_atoms(const gemmi::Residue& residue, char altloc,
                         std::vector<NamedAtom>& atoms) {
  atoms.clear();
  const auto take = [&atoms](const gemmi::Atom& atom) {
    for (const NamedAtom& earlier : atoms) {
      if (earlier.name == atom.name) return;
    }
    atoms.push_back({atom.name, Position{atom.pos.x, atom.pos.y, atom.pos.z}});
  };
  for (const gemmi::Atom& atom : residue.atoms) {
    if (atom.is_hydrogen()) continue;
    if (altloc == '\0' || atom.altloc == '\0' || atom.altloc == altloc) take(atom);
  }
  if (altloc == '\0') return;
  for (const gemmi::Atom& atom : residue.atoms) {
    if (!atom.is_hydrogen()) take(atom);
  }
}

// Whether an atom of the residue stands in alternate location `altloc`.
bool holds_altloc(const gemmi::Residue& residue, char altloc) {
  return std::any_of(residue.atoms.begin(), residue.atoms.end(),
                     [altloc](const gemmi::Atom& atom) { return atom.altloc == altloc; });
}

// The alternate location of a residue every atom of which stands in one
// ('\0' when an atom stands in none): a residue of a place that holds
// other residues in other locations (two amino acids modelled at one site).
char sole_altloc(const gemmi::Residue& residue) {
  if (residue.atoms.empty()) return '\0';
  const char altloc = residue.atoms.front().altloc;
  for (const gemmi::Atom& atom : residue.atoms) {
    if (atom.altloc != altloc) return '\0';
  }
  return altloc;
}

// The residue taken at each place of the piece: the first that stands
// there, unless a later one stands in the alternate location asked for
// while the first stands wholly in another.
using PlaceChoice = std::unordered_map<std::int64_t, const gemmi::Residue*>;
PlaceChoice choose_at_places(std::span<const gemmi::Residue> residues, char altloc) {
  PlaceChoice chosen;
  for (const gemmi::Residue& residue : residues) {
    if (residue.is_water() || !has_residue_number(residue)) continue;
    const auto [at, first] = chosen.try_emplace(place_key(place_of(residue)), &residue);
    if (first || altloc == '\0') continue;
    const gemmi::Residue& taken = *at->second;
    const char taken_altloc = sole_altloc(taken);
    if (taken_altloc != '\0' && taken_altloc != altloc && holds_altloc(residue, altloc)) {
      at->second = &residue;
    }
  }
  return chosen;
}

char chain_column(const std::string& chain_name) {
  return chain_name.size() == 1 ? chain_name[0] : ' ';
}

class PieceMapper {
 public:
  PieceMapper(const Mapping& mapping, Selection& selection, const SelectionOptions& options,
              PlaceChoice chosen)
      : mapping_(mapping), selection_(selection), options_(options), chosen_(std::move(chosen)) {}

  void map_residue(const gemmi::Residue& residue) {
    if (residue.is_water()) return;
    const ResiduePlace place = place_of(residue);
    if (const gemmi::Residue* taken = chosen_.at(place_key(place)); taken != &residue) {
      return skip(residue, place, place_taken_reason(residue, *taken));
    }
    if (is_skipped_hetero(residue, mapping_)) return skip(residue, place, "HETATM record");
    const std::string& canonical = mapping_.canonical_name(residue.name);
    const ResidueRule* rule = mapping_.find(canonical);
    if (rule == nullptr) return skip(residue, place, "the mapping has no residue of this name");
    collect_heavy_atoms(residue, options_.altloc, atoms_);
    refuse_coordinates_not_finite(canonical, place);
    if (options_.incomplete == IncompleteResidues::keep)
      return keep_partial(residue, canonical, place, *rule);
    auto beads = map_beads(*rule, atoms_);
    if (const auto* missing = std::get_if<MissingAtom>(&beads)) {
      return skip(residue, place, "no atom " + missing->slot + " for bead " + missing->bead);
    }
    selection_.structure.residues.push_back(
        CgResidue{canonical, place, std::move(std::get<std::vector<CgBead>>(beads))});
  }

 private:
  // Why a residue whose place another residue takes is skipped: an
  // alternate residue says which location would take it.
  static std::string place_taken_reason(const gemmi::Residue& residue,
                                        const gemmi::Residue& taken) {
    const char altloc = sole_altloc(residue);
    if (altloc == '\0' || altloc == sole_altloc(taken)) {
      return "an earlier residue holds the same number and insertion code";
    }
    const std::string location(1, altloc);
    return "alternate location " + location + " of this place (" + taken.name +
           " taken; --altloc " + location + " takes this one)";
  }

  // A coordinate read as "nan", "inf" or a number beyond the reals would
  // be written as such, and no topology can be built from it.
  void refuse_coordinates_not_finite(const std::string& name, const ResiduePlace& place) const {
    for (const NamedAtom& atom : atoms_) {
      const Position& at = atom.position;
      if (std::isfinite(at.x) && std::isfinite(at.y) && std::isfinite(at.z)) continue;
      throw Refusal("chain " + chain_label(selection_.chain_name) + ": residue " +
                    residue_label(name, place) + ": atom " + std::string(atom.name) +
                    " has a coordinate that is not a finite number");
    }
  }

  void skip(const gemmi::Residue& residue, const ResiduePlace& place, std::string reason) {
    selection_.skipped.push_back({residue.name, place, std::move(reason)});
  }

  void keep_partial(const gemmi::Residue& residue, const std::string& canonical,
                    const ResiduePlace& place, const ResidueRule& rule) {
    std::optional<PartialBeads> partial = map_partial_beads(rule, atoms_);
    if (!partial)
      return skip(residue, place, "no atom of backbone bead " + rule.beads.front().name);
    if (!partial->incomplete.empty()) {
      selection_.incomplete.push_back(
          {selection_.structure.residues.size(), std::move(partial->incomplete)});
    }
    selection_.structure.residues.push_back(CgResidue{canonical, place, std::move(partial->beads)});
  }

  const Mapping& mapping_;
  Selection& selection_;
  SelectionOptions options_;
  PlaceChoice chosen_;
  std::vector<NamedAtom> atoms_;
};

}  // namespace

bool holds_amino_acid(const gemmi::Model& model, const std::string& chain_name,
                      const Mapping& mapping) {
  for (const gemmi::Chain& chain : model.chains) {
    if (chain.name != chain_name) continue;
    for (const ChainPiece& piece : cut_at_segments(chain)) {
      if (holds_amino_acid(piece, mapping)) return true;
    }
  }
  return false;
}

namespace {

// The parts of the chain after `taken` that hold amino acids.
std::vector<UnmappedSegment> unmapped_segments(const gemmi::Model& model, const ChainPiece& taken,
                                               const Mapping& mapping) {
  std::vector<UnmappedSegment> segments;
  for (const gemmi::Chain& chain : model.chains) {
    if (chain.name != taken.chain->name) continue;
    for (const ChainPiece& piece : cut_at_segments(chain)) {
      if (piece.residues.data() == taken.residues.data() || !holds_amino_acid(piece, mapping))
        continue;
      const auto residues =
          std::count_if(piece.residues.begin(), piece.residues.end(),
                        [](const gemmi::Residue& residue) { return !residue.is_water(); });
      segments.push_back({piece.residues.front().segment, static_cast<std::size_t>(residues)});
    }
  }
  return segments;
}

// Places the side-chain beads that had no atom, residue by residue, each
// clear of every bead placed before it.
void rebuild_beads(Selection& selection) {
  auto& residues = selection.structure.residues;
  std::vector<std::pair<std::size_t, std::size_t>> to_place;  // residue, bead
  for (const IncompleteResidue& incomplete : selection.incomplete) {
    for (const IncompleteBead& bead : incomplete.beads) {
      if (bead.rebuilt) to_place.emplace_back(incomplete.residue, bead.bead);
    }
  }
  if (to_place.empty()) return;
  // Every bead placed so far; the rebuilt ones join as they are placed.
  std::vector<Position> taken;
  auto next_rebuilt = to_place.begin();  // in residue and bead order, as the beads are walked
  for (std::size_t r = 0; r < residues.size(); ++r) {
    for (std::size_t b = 0; b < residues[r].beads.size(); ++b) {
      if (next_rebuilt != to_place.end() && *next_rebuilt == std::make_pair(r, b)) {
        ++next_rebuilt;
      } else {
        taken.push_back(residues[r].beads[b].position);
      }
    }
  }
  for (const auto& [r, b] : to_place) {
    const Position* before = r > 0 ? &residues[r - 1].beads.front().position : nullptr;
    const Position* after =
        r + 1 < residues.size() ? &residues[r + 1].beads.front().position : nullptr;
    Position& place = residues[r].beads[b].position;
    place = rebuild_bead(residues[r].beads[b - 1].position, before, after, taken);
    taken.push_back(place);
  }
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

}  // namespace

std::string describe_incomplete(const CgStructure& structure, const IncompleteResidue& residue) {
  const CgResidue& mapped = structure.residues[residue.residue];
  std::string text = residue_label(mapped.name, mapped.place) + ":";
  for (std::size_t i = 0; i < residue.beads.size(); ++i) {
    const IncompleteBead& bead = residue.beads[i];
    text += i == 0 ? " " : "; ";
    text += mapped.beads[bead.bead].name;
    text += bead.rebuilt ? " rebuilt" : " from the atoms present";
    text += " (no " + joined(bead.missing) + ")";
  }
  return text;
}

std::vector<std::string> residue_reports(const std::string& chain_name,
                                         const std::vector<SkippedResidue>& skipped,
                                         const std::vector<IncompleteResidue>& incomplete,
                                         const std::vector<UnmappedSegment>& unmapped_segments,
                                         const CgStructure& structure) {
  const std::string chain = "chain " + chain_label(chain_name) + ": ";
  std::vector<std::string> lines;
  for (const SkippedResidue& residue : skipped) {
    lines.push_back(chain + "skipped residue " + residue_label(residue.name, residue.place) + ": " +
                    residue.reason);
  }
  for (const IncompleteResidue& residue : incomplete) {
    lines.push_back(chain + "incomplete residue " + describe_incomplete(structure, residue));
  }
  for (const UnmappedSegment& segment : unmapped_segments) {
    lines.push_back(chain + std::to_string(segment.residues) + " residues of segment \"" +
                    segment.segment +
                    "\" left out (a chain is mapped from its first segment with amino acids)");
  }
  return lines;
}

SelectionOptions selection_options(bool skip_incomplete, std::optional<char> altloc,
                                   const std::optional<std::string>& model) {
  SelectionOptions options;
  options.incomplete = skip_incomplete ? IncompleteResidues::skip : IncompleteResidues::keep;
  options.altloc = altloc.value_or('\0');
  if (model) options.model_label = "model " + *model;
  return options;
}

Selection select_residues(const gemmi::Model& model, const std::optional<std::string>& chain_id,
                          const Mapping& mapping, const SelectionOptions& options) {
  const ChainPiece piece = choose_piece(model, chain_id, mapping, options.model_label);
  Selection selection;
  selection.unmapped_segments = unmapped_segments(model, piece, mapping);
  selection.chain_name = piece.chain->name;
  selection.structure.chain_id = chain_column(piece.chain->name);
  selection.structure.residues.reserve(piece.residues.size());
  PieceMapper mapper(mapping, selection, options, choose_at_places(piece.residues, options.altloc));
  for (const gemmi::Residue& residue : piece.residues) mapper.map_residue(residue);
  rebuild_beads(selection);
  return selection;
}

}  // namespace beadmap
