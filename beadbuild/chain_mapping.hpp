// The protein chains of a model of the entry, each mapped as beadmap maps
// the chain it is told to take; the chains without an amino acid left out.
#ifndef BEADBUILD_CHAIN_MAPPING_HPP
#define BEADBUILD_CHAIN_MAPPING_HPP

#include <gemmi/model.hpp>
#include <string>
#include <vector>

#include "beadmap/backbone_gaps.hpp"
#include "beadmap/cg_structure.hpp"
#include "beadmap/mapping.hpp"
#include "beadmap/residue_selection.hpp"

namespace beadbuild {

struct MappedChain {
  std::string name;  // as the entry gives it; may be empty
  beadmap::CgStructure structure;
  std::vector<beadmap::SkippedResidue> skipped;
  std::vector<beadmap::IncompleteResidue> incomplete;
  std::vector<beadmap::UnmappedSegment> unmapped_segments;
  std::vector<beadmap::BackboneGap> breaks;  // consecutive backbone beads too far apart
};

// A chain that holds no standard amino acid, and what it holds instead.
struct LeftOutChain {
  std::string name;
  std::string contents;  // "nucleic acid: 12 residues, water: 40 residues"
};

struct EntryChains {
  std::vector<MappedChain> mapped;  // in file order, or in the order `wanted` gives
  std::vector<LeftOutChain> left_out;
};

// Maps the chains `wanted` names (all chains with an amino acid when it is
// empty). A named chain that does not exist or holds no amino acid, or a
// chain of which no residue can be mapped, is refused.
EntryChains map_chains(const gemmi::Model& model, const std::vector<std::string>& wanted,
                       const beadmap::Mapping& mapping, const beadmap::SelectionOptions& options);

}  // namespace beadbuild

#endif
