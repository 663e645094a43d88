#include "run_sequence.hpp"

#include <string>

#include "beadweave/backbone_network.hpp"
#include "beadweave/bead_assignment.hpp"
#include "beadweave/molecule_topology.hpp"
#include "common/record_io.hpp"
#include "beadweave/structure_input.hpp"
#include "beadweave/template_library.hpp"
#include "beadweave/topology_writer.hpp"

namespace beadweave {
namespace {

// A structure that cannot be assigned is refused before "protein.itp" is
// created and before any prompt, with one line on standard error.
[[noreturn]] void refuse_structure(const AssignmentRefusal& refusal) {
  static const rio::Layout line_layout{"A"};
  rio::write(rio::stderr_unit, line_layout, "beadweave: " + refusal_message(refusal));
  rio::stop_run(refused_structure_status);
}

// The two console dialogues, held in the middle of writing the file.
class ConsoleAnswers final : public BackboneAnswers {
 public:
  std::int32_t i4_force_constant() override { return ask_i4_force_constant(); }
  ElasticNetwork elastic_network() override { return ask_elastic_network(); }
};

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
  ConsoleAnswers console;
  write_molecule_topology(TopologyTarget{}, protein, BackbonePieces{}, console);
}

}  // namespace beadweave
