#include "beadweave/bead_assignment.hpp"

#include <cstddef>
#include <string_view>

namespace beadweave {
namespace {

void size_tables(std::int32_t residues, BeadAssignment& assignment) {
  const auto size = static_cast<std::size_t>(residues > 0 ? residues : 0) + 1;
  assignment.BEGINRES.assign(size, 0);
  assignment.TPRESNAME.assign(size, Name{});
  assignment.TPRESTYPE.assign(size, 0);
  assignment.TPBEADTYPE.assign(size, {});
  assignment.TPATOMNAME.assign(size, {});
  assignment.TPATNUMB.assign(size, {});
  assignment.TPATCHARGE.assign(size, {});
  assignment.TPCHRGRP.assign(size, {});
  assignment.bead_counter = 1;
  assignment.charge_group_counter = 0;
}

// Copies the template's beads into residue i and numbers them. A new charge
// group opens at the residue's first bead and wherever the template label
// differs from the label of the bead before it.
void assign_residue_beads(const TemplateLibrary& library, std::int32_t i,
                          BeadAssignment& assignment) {
  const std::int32_t t = assignment.TPRESTYPE[i];
  for (std::int32_t k = 1; k <= library.NBEADS[t]; ++k) {
    assignment.TPBEADTYPE[i][k] = library.BEADTYPE[t][k];
    assignment.TPATOMNAME[i][k] = library.ATOMNAME[t][k];
    assignment.TPATNUMB[i][k] = assignment.bead_counter;
    assignment.TPATCHARGE[i][k] = library.CHARBEAD[t][k];
    if (k == 1 || library.CHARGRP[t][k] != library.CHARGRP[t][k - 1]) {
      ++assignment.charge_group_counter;
    }
    assignment.TPCHRGRP[i][k] = assignment.charge_group_counter;
    ++assignment.bead_counter;
  }
}

std::string quoted(const Name& name) { return '"' + std::string(name.data(), name.size()) + '"'; }

}  // namespace

std::optional<AssignmentRefusal> assign_beads(const TemplateLibrary& library,
                                              const Structure& structure,
                                              BeadAssignment& assignment) {
  using Reason = AssignmentRefusal::Reason;
  size_tables(structure.residue_count, assignment);
  for (std::int32_t i = 1; i <= structure.residue_count; ++i) {
    const std::int32_t first_bead = assignment.bead_counter;
    assignment.BEGINRES[i] = first_bead;
    if (first_bead > structure.bead_count) {
      return AssignmentRefusal{Reason::beyond_beads_read, i, first_bead, Name{},
                               structure.bead_count,      0};
    }
    assignment.TPRESNAME[i] = structure.PDBRESNAME[first_bead];
    assignment.TPRESTYPE[i] = matching_type(library, assignment.TPRESNAME[i]);
    if (assignment.TPRESTYPE[i] == 0) {
      return AssignmentRefusal{Reason::no_template,  i, first_bead, assignment.TPRESNAME[i],
                               structure.bead_count, 0};
    }
    assign_residue_beads(library, i, assignment);
  }
  const std::int32_t beads_taken = assignment.bead_counter - 1;
  if (beads_taken > max_topology_bead) {
    return AssignmentRefusal{Reason::too_many_beads, 0,          0, Name{},
                             structure.bead_count,   beads_taken};
  }
  return std::nullopt;
}

std::string refusal_message(const AssignmentRefusal& refusal) {
  const std::string residue = "residue " + std::to_string(refusal.residue) + ", first bead " +
                              std::to_string(refusal.first_bead);
  switch (refusal.reason) {
    case AssignmentRefusal::Reason::no_template:
      return residue + ", name " + quoted(refusal.name) +
             ": no residue template in beadlib.dat has this name";
    case AssignmentRefusal::Reason::beyond_beads_read:
      return residue + ", no name: the first bead lies beyond the " +
             std::to_string(refusal.beads_read) + " beads read from pdb-CG.pdb";
    case AssignmentRefusal::Reason::too_many_beads:
      break;
  }
  return "the residues take " + std::to_string(refusal.beads_taken) +
         " beads; the topology file holds bead numbers up to " + std::to_string(max_topology_bead);
}

}  // namespace beadweave
