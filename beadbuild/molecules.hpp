// The molecules of the system: each protein chain on its own, or several
// chains merged into one molecule, each turned into the tables beadweave
// builds a topology from.
#ifndef BEADBUILD_MOLECULES_HPP
#define BEADBUILD_MOLECULES_HPP

#include <memory>
#include <string>
#include <vector>

#include "beadweave/backbone_network.hpp"
#include "beadweave/bead_assignment.hpp"
#include "beadmap/cg_structure.hpp"
#include "chain_mapping.hpp"
#include "beadweave/structure_input.hpp"
#include "beadweave/template_library.hpp"

namespace beadbuild {

struct Molecule {
  std::string name;                        // "protein_A", unique in the system
  std::vector<const MappedChain*> chains;  // in system order
  beadmap::CgStructure structure;          // the chains' residues one after another
  beadweave::Structure tables;             // the structure as beadweave reads it
  beadweave::BeadAssignment assignment;
  beadweave::BackbonePieces pieces;  // chains, and pieces at breaks unless bonded
};

struct MoleculePlan {
  std::vector<std::vector<std::string>> merges;  // chain names merged into one molecule
  bool merge_all = false;
  bool bond_gaps = false;  // bond across breaks, as beadweave does
};

// Groups the chains into molecules in the order of their first chains and
// assigns their beads. A merged chain that was not mapped, a chain in two
// merges, or a molecule over the topology's bead numbers is refused.
std::vector<std::unique_ptr<Molecule>> build_molecules(const std::vector<MappedChain>& chains,
                                                       const MoleculePlan& plan,
                                                       const beadweave::TemplateLibrary& library);

// The name of the molecule of `chain_names`: "protein_A", "protein_A_B";
// characters other than letters, digits and "-" become "_".
std::string molecule_name(const std::vector<std::string>& chain_names);

}  // namespace beadbuild

#endif
