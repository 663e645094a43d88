// Bead assignment: cuts the structure's beads into residues by the bead
// counts of their templates, types each residue by the residue name of its
// first bead, and numbers beads and charge groups across the protein.
#ifndef BEADWEAVE_BEAD_ASSIGNMENT_HPP
#define BEADWEAVE_BEAD_ASSIGNMENT_HPP

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "beadweave/structure_input.hpp"
#include "beadweave/template_library.hpp"

namespace beadweave {

// The topology's bead numbers are written in four columns.
inline constexpr std::int32_t max_topology_bead = 9999;

// Exit status of a structure that cannot be assigned.
inline constexpr int refused_structure_status = 1;

// Per-residue tables are indexed by protein residue 1..residue count, the
// per-bead tables by (residue, bead within the residue 1..9); index 0 is
// unused. Everything starts zero-filled.
struct BeadAssignment {
  template <typename T>
  using PerBead = std::vector<std::array<T, max_template_beads + 1>>;

  std::vector<std::int32_t> BEGINRES;  // bead number of the residue's backbone bead
  std::vector<Name> TPRESNAME;
  std::vector<std::int32_t> TPRESTYPE;  // 0 while no template has matched

  PerBead<Name> TPBEADTYPE;
  PerBead<Name> TPATOMNAME;
  PerBead<std::int32_t> TPATNUMB;
  PerBead<float> TPATCHARGE;
  PerBead<std::int32_t> TPCHRGRP;

  // The counters after the last residue: the number the next bead would get,
  // and the last charge group opened.
  std::int32_t bead_counter = 1;
  std::int32_t charge_group_counter = 0;
};

// Why a structure cannot be turned into a topology.
struct AssignmentRefusal {
  enum class Reason {
    no_template,        // the residue's name matches no template
    beyond_beads_read,  // the residue's first bead was never read
    too_many_beads,     // the residues take more beads than four columns hold
  };
  Reason reason;
  std::int32_t residue = 0;     // protein residue index (not for too_many_beads)
  std::int32_t first_bead = 0;  // its first bead number (not for too_many_beads)
  Name name{};                  // its residue name (no_template only)
  std::int32_t beads_read = 0;
  std::int32_t beads_taken = 0;  // too_many_beads only
};

// Fills `assignment` for residues 1 to the residue count (none when it is 0
// or less). Stops at the first residue that starts beyond the beads read or
// whose name matches no template, and after the last residue when the
// residues take more than 9999 beads; the refusal says which.
std::optional<AssignmentRefusal> assign_beads(const TemplateLibrary& library,
                                              const Structure& structure,
                                              BeadAssignment& assignment);

// The one line that tells the user why the structure was refused.
std::string refusal_message(const AssignmentRefusal& refusal);

}  // namespace beadweave

#endif
