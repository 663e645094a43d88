#include "chain_mapping.hpp"

#include <algorithm>
#include <map>

#include <gemmi/resinfo.hpp>

#include "refusal.hpp"

namespace beadbuild {
namespace {

// The chain names of the model in file order, each once (a chain may come in
// several parts).
std::vector<std::string> chain_names(const gemmi::Model& model) {
  std::vector<std::string> names;
  for (const gemmi::Chain& chain : model.chains) {
    if (std::find(names.begin(), names.end(), chain.name) == names.end()) {
      names.push_back(chain.name);
    }
  }
  return names;
}

// What a chain holds, by residue kind, in a fixed order of kinds.
std::string chain_contents(const gemmi::Model& model, const std::string& name) {
  std::map<int, std::size_t> counts;  // 0 nucleic acid, 1 other, 2 water
  for (const gemmi::Chain& chain : model.chains) {
    if (chain.name != name) continue;
    for (const gemmi::Residue& residue : chain.residues) {
      const gemmi::ResidueInfo info = gemmi::find_tabulated_residue(residue.name);
      const int kind = residue.is_water() ? 2 : info.is_nucleic_acid() ? 0 : 1;
      ++counts[kind];
    }
  }
  static constexpr const char* kinds[] = {"nucleic acid", "other", "water"};
  std::string contents;
  for (const auto& [kind, count] : counts) {
    if (!contents.empty()) contents += ", ";
    contents += std::string(kinds[kind]) + ": " + std::to_string(count) +
                (count == 1 ? " residue" : " residues");
  }
  return contents.empty() ? "no residues" : contents;
}

MappedChain map_chain(const gemmi::Structure& entry, const std::string& name,
                      const beadmap::Mapping& mapping, beadmap::IncompleteResidues incomplete) {
  beadmap::Selection selection = beadmap::select_residues(entry, name, mapping, incomplete);
  if (selection.structure.residues.empty()) {
    throw beadmap::Refusal("no residue of chain " + chain_label(name) + " could be mapped");
  }
  MappedChain chain{name, std::move(selection.structure), std::move(selection.skipped),
                    std::move(selection.incomplete), std::move(selection.unmapped_segments), {}};
  chain.breaks = beadmap::find_backbone_gaps(chain.structure);
  return chain;
}

}  // namespace

std::string chain_label(const std::string& name) { return name.empty() ? "(blank)" : name; }

EntryChains map_chains(const gemmi::Structure& entry, const std::vector<std::string>& wanted,
                       const beadmap::Mapping& mapping, beadmap::IncompleteResidues incomplete) {
  const gemmi::Model& model = entry.models.front();
  EntryChains chains;
  if (!wanted.empty()) {
    // The selection refuses a name the model lacks or a chain without amino acid.
    for (const std::string& name : wanted) chains.mapped.push_back(map_chain(entry, name, mapping, incomplete));
    return chains;
  }
  for (const std::string& name : chain_names(model)) {
    if (beadmap::holds_amino_acid(model, name, mapping)) {
      chains.mapped.push_back(map_chain(entry, name, mapping, incomplete));
    } else {
      chains.left_out.push_back({name, chain_contents(model, name)});
    }
  }
  if (chains.mapped.empty()) {
    throw beadmap::Refusal("no chain of the first model holds a standard amino acid");
  }
  return chains;
}

}  // namespace beadbuild
