#include "molecules.hpp"

#include <algorithm>
#include <cctype>
#include <set>

#include "beadmap/cg_writer.hpp"
#include "beadmap/refusal.hpp"

namespace beadbuild {
namespace {

using beadmap::Refusal;

// Up to this many chain names stand in a merged molecule's name; a longer
// merge is named by its first and last chain.
constexpr std::size_t chains_named_in_full = 4;

std::string name_part(const std::string& chain_name) {
  std::string part = chain_name;
  for (char& c : part) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-') c = '_';
  }
  return part;
}

// The chains of each molecule, as indexes into `chains`, in the order of
// their first chains.
std::vector<std::vector<std::size_t>> group_chains(const std::vector<MappedChain>& chains,
                                                   const MoleculePlan& plan) {
  const auto index_of = [&chains](const std::string& name) {
    for (std::size_t i = 0; i < chains.size(); ++i) {
      if (chains[i].name == name) return i;
    }
    std::string mapped;
    for (const MappedChain& chain : chains) {
      mapped += mapped.empty() ? "" : " ";
      mapped += beadmap::chain_label(chain.name);
    }
    throw Refusal("--merge names chain " + beadmap::chain_label(name) +
                  ", which is not among the mapped chains (" + mapped + ")");
  };
  std::vector<std::size_t> group_of(chains.size(), chains.size());  // chains.size(): on its own
  if (plan.merge_all) std::fill(group_of.begin(), group_of.end(), 0);
  for (std::size_t merge = 0; merge < plan.merges.size(); ++merge) {
    for (const std::string& name : plan.merges[merge]) {
      const std::size_t chain = index_of(name);
      if (group_of[chain] != chains.size()) {
        throw Refusal("chain " + beadmap::chain_label(name) + " is named in two --merge options");
      }
      group_of[chain] = merge;
    }
  }
  std::vector<std::vector<std::size_t>> molecules;
  std::vector<std::size_t> molecule_of_group(std::max<std::size_t>(plan.merges.size(), 1), 0);
  std::vector<bool> group_started(molecule_of_group.size(), false);
  for (std::size_t chain = 0; chain < chains.size(); ++chain) {
    const std::size_t group = group_of[chain];
    if (group == chains.size()) {
      molecules.push_back({chain});
    } else if (!group_started[group]) {
      group_started[group] = true;
      molecule_of_group[group] = molecules.size();
      molecules.push_back({chain});
    } else {
      molecules[molecule_of_group[group]].push_back(chain);
    }
  }
  return molecules;
}

// Backbone pieces: a new piece at each chain and, unless gaps are bonded,
// after each break.
beadweave::BackbonePieces backbone_pieces(const Molecule& molecule, bool bond_gaps) {
  beadweave::BackbonePieces pieces;
  std::int32_t piece = 0;
  for (std::size_t c = 0; c < molecule.chains.size(); ++c) {
    const MappedChain& chain = *molecule.chains[c];
    auto next_break = chain.breaks.begin();
    for (std::size_t r = 0; r < chain.structure.residues.size(); ++r) {
      pieces.piece.push_back(piece);
      pieces.chain.push_back(static_cast<std::int32_t>(c));
      if (next_break != chain.breaks.end() && next_break->residue_before == r) {
        if (!bond_gaps) ++piece;
        ++next_break;
      }
    }
    ++piece;
  }
  return pieces;
}

void check_bead_count(const Molecule& molecule) {
  const std::size_t beads = beadmap::bead_count(molecule.structure);
  if (beads <= static_cast<std::size_t>(beadweave::max_topology_bead)) return;
  std::string message = "molecule " + molecule.name + " has " + std::to_string(beads) +
                        " beads; a topology numbers at most " +
                        std::to_string(beadweave::max_topology_bead);
  if (molecule.chains.size() > 1)
    message += ": leave its chains unmerged (each is a molecule then)";
  throw Refusal(message);
}

// The tables beadweave would read from the molecule's structure file, so
// that the topology is measured on exactly the coordinates it would see.
void assign(Molecule& molecule, const beadweave::TemplateLibrary& library) {
  beadweave::read_structure_text(molecule.tables, beadmap::format_cg_structure(molecule.structure));
  if (const auto refusal = beadweave::assign_beads(library, molecule.tables, molecule.assignment)) {
    throw Refusal("molecule " + molecule.name + ": " + beadweave::refusal_message(*refusal));
  }
}

// Consecutive backbone beads of one piece at one place leave the backbone
// angle at them undefined: refused, naming them.
void check_backbone_beads_apart(const Molecule& molecule) {
  const beadweave::Structure& tables = molecule.tables;
  const auto& begin = molecule.assignment.BEGINRES;
  for (std::int32_t r = 1; r < tables.residue_count; ++r) {
    if (!molecule.pieces.same_piece(r, r + 1)) continue;
    const auto a = static_cast<std::size_t>(begin[r]);
    const auto b = static_cast<std::size_t>(begin[r + 1]);
    if (tables.AX[a] != tables.AX[b] || tables.AY[a] != tables.AY[b] ||
        tables.AZ[a] != tables.AZ[b]) {
      continue;
    }
    const auto& residues = molecule.structure.residues;
    const auto chain =
        static_cast<std::size_t>(molecule.pieces.chain[static_cast<std::size_t>(r - 1)]);
    throw Refusal("chain " + beadmap::chain_label(molecule.chains[chain]->name) +
                  ": the backbone beads of " +
                  beadmap::residue_label(residues[static_cast<std::size_t>(r - 1)].name,
                                         residues[static_cast<std::size_t>(r - 1)].place) +
                  " and " +
                  beadmap::residue_label(residues[static_cast<std::size_t>(r)].name,
                                         residues[static_cast<std::size_t>(r)].place) +
                  " coincide; no backbone bond or angle can be measured there");
  }
}

void make_names_unique(std::vector<std::unique_ptr<Molecule>>& molecules) {
  std::set<std::string> taken;
  for (auto& molecule : molecules) {
    const std::string base = molecule->name;
    for (int suffix = 2; !taken.insert(molecule->name).second; ++suffix) {
      molecule->name = base;
      molecule->name += '_';
      molecule->name += std::to_string(suffix);
    }
  }
}

}  // namespace

std::string molecule_name(const std::vector<std::string>& chain_names) {
  if (chain_names.size() == 1 && chain_names.front().empty()) return "protein";
  std::string name = "protein";
  const auto append = [&name](const std::string& part) {
    name += '_';
    name += name_part(part);
  };
  if (chain_names.size() <= chains_named_in_full) {
    for (const std::string& chain : chain_names) append(chain);
  } else {
    append(chain_names.front());
    name += "_to";
    append(chain_names.back());
  }
  return name;
}

std::vector<std::unique_ptr<Molecule>> build_molecules(const std::vector<MappedChain>& chains,
                                                       const MoleculePlan& plan,
                                                       const beadweave::TemplateLibrary& library) {
  std::vector<std::unique_ptr<Molecule>> molecules;
  for (const std::vector<std::size_t>& group : group_chains(chains, plan)) {
    auto molecule = std::make_unique<Molecule>();
    std::vector<std::string> names;
    for (const std::size_t c : group) {
      molecule->chains.push_back(&chains[c]);
      names.push_back(chains[c].name);
      const auto& residues = chains[c].structure.residues;
      molecule->structure.residues.insert(molecule->structure.residues.end(), residues.begin(),
                                          residues.end());
    }
    molecule->structure.chain_id = chains[group.front()].structure.chain_id;
    molecule->name = molecule_name(names);
    molecules.push_back(std::move(molecule));
  }
  make_names_unique(molecules);
  for (auto& molecule : molecules) {
    check_bead_count(*molecule);
    molecule->pieces = backbone_pieces(*molecule, plan.bond_gaps);
    assign(*molecule, library);
    check_backbone_beads_apart(*molecule);
  }
  return molecules;
}

}  // namespace beadbuild
