#include "residue_selection.hpp"

#include <algorithm>
#include <cstdint>
#include <span>
#include <unordered_set>

#include <gemmi/resinfo.hpp>

#include "bead_mapping.hpp"
#include "refusal.hpp"

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
      pieces.push_back({&chain, std::span<const gemmi::Residue>(residues).subspan(start, i - start)});
      start = i;
    }
  }
  return pieces;
}

// HETATM residues other than selenomethionine are not protein.
bool is_skipped_hetero(const gemmi::Residue& residue) {
  return residue.het_flag == 'H' && residue.name != "MSE";
}

bool holds_amino_acid(const ChainPiece& piece, const Mapping& mapping) {
  for (const gemmi::Residue& residue : piece.residues) {
    if (is_skipped_hetero(residue)) continue;
    const gemmi::ResidueInfo info = gemmi::find_tabulated_residue(mapping.canonical_name(residue.name));
    if (info.is_amino_acid() && info.is_standard()) return true;
  }
  return false;
}

// The chain names of a model, each once (a chain may come in several parts).
std::string chain_list(const gemmi::Model& model) {
  std::vector<std::string> seen;
  std::string names;
  for (const gemmi::Chain& chain : model.chains) {
    if (std::find(seen.begin(), seen.end(), chain.name) != seen.end()) continue;
    seen.push_back(chain.name);
    names += names.empty() ? "" : " ";
    names += chain.name.empty() ? "(blank)" : chain.name;
  }
  return names.empty() ? "none" : names;
}

ChainPiece choose_piece(const gemmi::Model& model, const std::optional<std::string>& chain_id,
                        const Mapping& mapping) {
  bool chain_found = false;
  for (const gemmi::Chain& chain : model.chains) {
    if (chain_id && chain.name != *chain_id) continue;
    chain_found = true;
    for (const ChainPiece& piece : cut_at_segments(chain)) {
      if (holds_amino_acid(piece, mapping)) return piece;
    }
  }
  if (chain_id && !chain_found) {
    throw Refusal("the first model has no chain \"" + *chain_id + "\" (its chains: " +
                  chain_list(model) + ")");
  }
  if (chain_id) throw Refusal("chain \"" + *chain_id + "\" holds no standard amino acid");
  throw Refusal("no chain of the first model holds a standard amino acid");
}

ResiduePlace place_of(const gemmi::Residue& residue) {
  if (!residue.seqid.num.has_value()) {
    throw Refusal("residue " + residue.name + " has no residue number");
  }
  return ResiduePlace{residue.seqid.num.value, residue.seqid.icode};
}

std::int64_t place_key(const ResiduePlace& place) {
  return static_cast<std::int64_t>(place.number) * 256 +
         static_cast<unsigned char>(place.insertion_code);
}

// The heavy atoms, the first of each name (later alternate locations are
// passed over).
void collect_heavy_atoms(const gemmi::Residue& residue, std::vector<NamedAtom>& atoms) {
  atoms.clear();
  for (const gemmi::Atom& atom : residue.atoms) {
    if (atom.is_hydrogen()) continue;
    bool seen = false;
    for (const NamedAtom& earlier : atoms) seen = seen || earlier.name == atom.name;
    if (!seen) atoms.push_back({atom.name, Position{atom.pos.x, atom.pos.y, atom.pos.z}});
  }
}

char chain_column(const std::string& chain_name) {
  return chain_name.size() == 1 ? chain_name[0] : ' ';
}

class PieceMapper {
 public:
  PieceMapper(const Mapping& mapping, Selection& selection)
      : mapping_(mapping), selection_(selection) {}

  void map_residue(const gemmi::Residue& residue) {
    if (residue.is_water()) return;
    const ResiduePlace place = place_of(residue);
    if (!places_seen_.insert(place_key(place)).second) {
      return skip(residue, place, "an earlier residue holds the same number and insertion code");
    }
    if (is_skipped_hetero(residue)) return skip(residue, place, "HETATM record");
    const std::string& canonical = mapping_.canonical_name(residue.name);
    const ResidueRule* rule = mapping_.find(canonical);
    if (rule == nullptr) return skip(residue, place, "the mapping has no residue of this name");
    collect_heavy_atoms(residue, atoms_);
    auto beads = map_beads(*rule, atoms_);
    if (const auto* missing = std::get_if<MissingAtom>(&beads)) {
      return skip(residue, place, "no atom " + missing->slot + " for bead " + missing->bead);
    }
    selection_.structure.residues.push_back(
        CgResidue{canonical, place, std::move(std::get<std::vector<CgBead>>(beads))});
  }

 private:
  void skip(const gemmi::Residue& residue, const ResiduePlace& place, std::string reason) {
    selection_.skipped.push_back({residue.name, place, std::move(reason)});
  }

  const Mapping& mapping_;
  Selection& selection_;
  std::unordered_set<std::int64_t> places_seen_;
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
      if (piece.residues.data() == taken.residues.data() || !holds_amino_acid(piece, mapping)) continue;
      const auto residues = std::count_if(piece.residues.begin(), piece.residues.end(),
                                          [](const gemmi::Residue& residue) { return !residue.is_water(); });
      segments.push_back({piece.residues.front().segment, static_cast<std::size_t>(residues)});
    }
  }
  return segments;
}

}  // namespace

Selection select_residues(const gemmi::Structure& entry, const std::optional<std::string>& chain_id,
                          const Mapping& mapping) {
  const ChainPiece piece = choose_piece(entry.models.front(), chain_id, mapping);
  Selection selection;
  selection.unmapped_segments = unmapped_segments(entry.models.front(), piece, mapping);
  selection.chain_name = piece.chain->name;
  selection.structure.chain_id = chain_column(piece.chain->name);
  selection.structure.residues.reserve(piece.residues.size());
  PieceMapper mapper(mapping, selection);
  for (const gemmi::Residue& residue : piece.residues) mapper.map_residue(residue);
  return selection;
}

}  // namespace beadmap
