// Which residues of the entry become coarse-grained residues: the first
// model, one chain (cut where the segment id changes), and within it every
// residue the mapping covers whose atoms are all present.
#ifndef BEADMAP_RESIDUE_SELECTION_HPP
#define BEADMAP_RESIDUE_SELECTION_HPP

#include <gemmi/model.hpp>
#include <optional>
#include <string>
#include <vector>

#include "beadmap/bead_mapping.hpp"
#include "beadmap/cg_structure.hpp"
#include "beadmap/mapping.hpp"

namespace beadmap {

struct SkippedResidue {
  std::string name;
  ResiduePlace place;
  std::string reason;
};

// A later part of the chain, under another segment id, that holds amino
// acids but is not mapped: only the chain's first such part is.
struct UnmappedSegment {
  std::string segment;
  std::size_t residues = 0;  // waters not counted
};

// A kept residue some of whose atoms are missing.
struct IncompleteResidue {
  std::size_t residue = 0;  // index into the selection's structure.residues
  std::vector<IncompleteBead> beads;
};

struct Selection {
  std::string chain_name;  // as the entry gives it; may be empty
  CgStructure structure;
  std::vector<SkippedResidue> skipped;        // in file order; waters are left out silently
  std::vector<IncompleteResidue> incomplete;  // in file order
  std::vector<UnmappedSegment> unmapped_segments;
};

// Whether a residue that lacks atoms is kept (its beads at the centroids of
// the atoms present, side-chain beads without any rebuilt) or skipped.
enum class IncompleteResidues { keep, skip };

struct SelectionOptions {
  IncompleteResidues incomplete = IncompleteResidues::keep;
  // Of atoms with one name in several alternate locations, the one in this
  // location (or in none) is taken; '\0': the first.
  char altloc = '\0';
  // The model in messages.
  std::string model_label = "the first model";
};

// The options a command line gives: --skip-incomplete, --altloc, --model.
SelectionOptions selection_options(bool skip_incomplete, std::optional<char> altloc,
                                   const std::optional<std::string>& model);

// Takes the chain `chain_id`, or the first chain that holds a standard amino
// acid, from the model and maps its residues. A chain that does not
// exist, or no chain with an amino acid, is refused.
Selection select_residues(const gemmi::Model& model, const std::optional<std::string>& chain_id,
                          const Mapping& mapping, const SelectionOptions& options = {});

// What became of an incomplete residue, for the report: "ARG 297: SC1 from
// the atoms present (no CG, CD); SC2 rebuilt (no NE, CZ, NH1, NH2)".
std::string describe_incomplete(const CgStructure& structure, const IncompleteResidue& residue);

// The report lines of a chain's skipped residues, its incomplete ones, then
// its later segments left out: "chain A: skipped residue NAG 101: HETATM
// record", "chain A: incomplete residue ...", "chain A: 99 residues of
// segment "PROB" left out (...)".
std::vector<std::string> residue_reports(const std::string& chain_name,
                                         const std::vector<SkippedResidue>& skipped,
                                         const std::vector<IncompleteResidue>& incomplete,
                                         const std::vector<UnmappedSegment>& unmapped_segments,
                                         const CgStructure& structure);

// Whether a part of chain `chain_name` of the model holds a standard amino
// acid, as the choice of a chain above sees it.
bool holds_amino_acid(const gemmi::Model& model, const std::string& chain_name,
                      const Mapping& mapping);

}  // namespace beadmap

#endif
