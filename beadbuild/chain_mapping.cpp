#include "chain_mapping.hpp"

#include "beadmap/chain_contents.hpp"
#include "beadmap/refusal.hpp"

namespace beadbuild {
namespace {

// What a chain holds instead of amino acids, by kind.
std::string describe_contents(const beadmap::ChainContents& contents) {
  std::string text;
  const auto add = [&text](std::size_t count, const char* kind) {
    if (count == 0) return;
    if (!text.empty()) text += ", ";
    text +=
        std::string(kind) + ": " + std::to_string(count) + (count == 1 ? " residue" : " residues");
  };
  add(contents.nucleic_acids, "nucleic acid");
  add(contents.amino_acids + contents.others, "other");
  add(contents.waters, "water");
  return text.empty() ? "no residues" : text;
}

MappedChain map_chain(const gemmi::Model& model, const std::string& name,
                      const beadmap::Mapping& mapping, const beadmap::SelectionOptions& options) {
  beadmap::Selection selection = beadmap::select_residues(model, name, mapping, options);
  if (selection.structure.residues.empty()) {
    throw beadmap::Refusal("no residue of chain " + beadmap::chain_label(name) +
                           " could be mapped");
  }
  MappedChain chain{name,
                    std::move(selection.structure),
                    std::move(selection.skipped),
                    std::move(selection.incomplete),
                    std::move(selection.unmapped_segments),
                    {}};
  chain.breaks = beadmap::find_backbone_gaps(chain.structure);
  return chain;
}

}  // namespace

EntryChains map_chains(const gemmi::Model& model, const std::vector<std::string>& wanted,
                       const beadmap::Mapping& mapping, const beadmap::SelectionOptions& options) {
  EntryChains chains;
  if (!wanted.empty()) {
    // The selection refuses a name the model lacks or a chain without amino acid.
    for (const std::string& name : wanted)
      chains.mapped.push_back(map_chain(model, name, mapping, options));
    return chains;
  }
  for (const std::string& name : beadmap::chain_names(model)) {
    if (beadmap::holds_amino_acid(model, name, mapping)) {
      chains.mapped.push_back(map_chain(model, name, mapping, options));
    } else {
      chains.left_out.push_back(
          {name, describe_contents(beadmap::chain_contents(model, name, mapping))});
    }
  }
  if (chains.mapped.empty()) {
    throw beadmap::Refusal("no chain of " + options.model_label + " holds a standard amino acid");
  }
  return chains;
}

}  // namespace beadbuild
