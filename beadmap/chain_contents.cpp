#include "beadmap/chain_contents.hpp"

#include <algorithm>
#include <gemmi/resinfo.hpp>

namespace beadmap {

std::vector<std::string> chain_names(const gemmi::Model& model) {
  std::vector<std::string> names;
  for (const gemmi::Chain& chain : model.chains) {
    if (std::find(names.begin(), names.end(), chain.name) == names.end())
      names.push_back(chain.name);
  }
  return names;
}

ChainContents chain_contents(const gemmi::Model& model, const std::string& name,
                             const Mapping& mapping) {
  ChainContents contents;
  for (const gemmi::Chain& chain : model.chains) {
    if (chain.name != name) continue;
    for (const gemmi::Residue& residue : chain.residues) {
      const gemmi::ResidueInfo info =
          gemmi::find_tabulated_residue(mapping.canonical_name(residue.name));
      if (residue.is_water()) {
        ++contents.waters;
      } else if (info.is_amino_acid() && info.is_standard()) {
        ++contents.amino_acids;
      } else if (info.is_nucleic_acid()) {
        ++contents.nucleic_acids;
      } else {
        ++contents.others;
      }
    }
  }
  return contents;
}

}  // namespace beadmap
