#include "beadweave/molecule_topology.hpp"

namespace beadweave {

void write_molecule_topology(const TopologyTarget& target, const Protein& protein,
                             const BackbonePieces& pieces, BackboneAnswers& answers) {
  const int unit = target.unit;
  const Backbone backbone{unit, protein.structure, protein.assignment, pieces};
  write_molecule_and_atoms(target, protein);
  write_bonds_opening(unit);
  write_consecutive_bonds(backbone);
  write_i4_opening(unit);
  write_i4_bonds(backbone, answers.i4_force_constant());
  write_elastic_network_opening(unit);
  write_elastic_network(backbone, answers.elastic_network());
  write_template_bonds(unit, protein);
  write_constraints(unit, protein);
  write_template_angles(unit, protein);
  write_backbone_angles(backbone);
  write_dihedrals(unit, protein);
  write_position_restraints(target);
}

}  // namespace beadweave
