#include "run_sequence.hpp"

#include <string>

#include "backbone_network.hpp"
#include "bead_assignment.hpp"
#include "record_io.hpp"
#include "structure_input.hpp"
#include "template_library.hpp"
#include "topology_writer.hpp"

namespace beadweave {
namespace {

// A structure that cannot be assigned is refused before "protein.itp" is
// created and before any prompt, with one line on standard error.
[[noreturn]] void refuse_structure(const AssignmentRefusal& refusal) {
  static const rio::Layout line_layout{"A"};
  rio::write(rio::stderr_unit, line_layout, "beadweave: " + refusal_message(refusal));
  rio::stop_run(refused_structure_status);
}

}  // namespace

void run_sequence() {
  TemplateLibrary library;
  load_library(library);
  Structure structure;
  read_structure(structure);
  BeadAssignment assignment;
  if (const auto refusal = assign_beads(library, structure, assignment)) {
    refuse_structure(*refusal);
  }
  const Protein protein{library, structure, assignment};

  create_topology_file();
  write_molecule_and_atoms(protein);
  write_bonds_opening();
  write_consecutive_bonds(structure, assignment);
  write_i4_opening();
  const std::int32_t i4_force_constant = ask_i4_force_constant();
  write_i4_bonds(structure, assignment, i4_force_constant);
  write_elastic_network_opening();
  const ElasticNetwork network = ask_elastic_network();
  write_elastic_network(structure, assignment, network);
  write_template_bonds(protein);
  write_constraints(protein);
  write_template_angles(protein);
  write_backbone_angles(structure, assignment);
  write_dihedrals(protein);
  write_position_restraints();
}

}  // namespace beadweave
