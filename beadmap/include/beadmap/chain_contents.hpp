// What the chains of a model hold: their names in file order, and their
// residues by kind.
#ifndef BEADMAP_CHAIN_CONTENTS_HPP
#define BEADMAP_CHAIN_CONTENTS_HPP

#include <cstddef>
#include <gemmi/model.hpp>
#include <string>
#include <vector>

#include "beadmap/mapping.hpp"

namespace beadmap {

// The chain names of the model in file order, each once (a chain may come
// in several parts).
std::vector<std::string> chain_names(const gemmi::Model& model);

struct ChainContents {
  std::size_t amino_acids = 0;  // standard amino acids, after the mapping's aliases
  std::size_t nucleic_acids = 0;
  std::size_t waters = 0;
  std::size_t others = 0;  // ligands, ions, sugars, modified residues ...
  std::size_t residues() const { return amino_acids + nucleic_acids + waters + others; }
};

// The residues of every part of chain `name`, by kind.
ChainContents chain_contents(const gemmi::Model& model, const std::string& name,
                             const Mapping& mapping);

}  // namespace beadmap

#endif
