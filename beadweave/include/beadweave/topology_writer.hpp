// The topology file "protein.itp", written front to back in fixed steps:
// the molecule type, the atoms, the section headers with their comment
// lines, and the lines that the residue templates give inside each residue.
// The backbone groups (backbone_network.hpp) are written between these steps.
#ifndef BEADWEAVE_TOPOLOGY_WRITER_HPP
#define BEADWEAVE_TOPOLOGY_WRITER_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "beadweave/bead_assignment.hpp"
#include "common/layout.hpp"
#include "beadweave/structure_input.hpp"
#include "beadweave/template_library.hpp"

namespace beadweave {

inline constexpr int topology_unit = 12;

// Where one molecule's topology goes and what it is called: beadweave writes
// the molecule "protein" to "protein.itp" with the restraints of "posre.itp".
struct TopologyTarget {
  int unit = topology_unit;
  std::string molecule_name = "protein";
  std::string restraint_include = "posre.itp";
};

// The molecule name's column is at least this wide ("protein" and six
// blanks), then a tab and the exclusion count.
inline constexpr std::size_t molecule_name_columns = 13;

// Everything the writer reads, all filled before the file is created.
struct Protein {
  const TemplateLibrary& library;
  const Structure& structure;
  const BeadAssignment& assignment;
};

// The atom line normally runs the bead name and the charge group together
// (columns 32-38). A four-digit group after a three-character name would
// then read as one word, and the charge column would be taken as the group:
// in exactly that case one blank separates them and the charge keeps its
// columns 45-49.
const rio::Layout& atom_line_layout(const Name& bead_name, std::int32_t charge_group);

// Shared by the template angles and the backbone angles.
const rio::Layout& angle_line_layout();

// The bead number of template bead index m in a residue whose first bead is
// `first_bead`: first_bead + m - 1. Computed without overflow; a value
// beyond the 4-byte range is held at its limit (it fills its field with
// asterisks either way).
std::int32_t template_bead_number(std::int32_t first_bead, std::int32_t m);

// Creates "protein.itp" as unit 12; an existing file ends the run.
void create_topology_file();

// Writes a fixed line, exactly as given.
void write_fixed_line(int unit, std::string_view text);
// Writes an empty line (one blank).
void write_empty_line(int unit);

// [ moleculetype ] and [ atoms ], closed by an empty line.
void write_molecule_and_atoms(const TopologyTarget& target, const Protein& protein);
// [ bonds ] and the comment lines of the consecutive backbone bonds.
void write_bonds_opening(int unit);
// The empty line and comment lines before the i to i+4 bonds.
void write_i4_opening(int unit);
// The empty line and comment lines before the elastic network.
void write_elastic_network_opening(int unit);
// The empty line, comment lines and template bond lines.
void write_template_bonds(int unit, const Protein& protein);
// [ constraints ] with its template lines.
void write_constraints(int unit, const Protein& protein);
// [ angles ] with the template angle lines, then the comment lines of the
// backbone angles.
void write_template_angles(int unit, const Protein& protein);
// [ dihedrals ] with its template lines.
void write_dihedrals(int unit, const Protein& protein);
// The closing block that includes the molecule's position restraints when
// POSRES is defined.
void write_position_restraints(const TopologyTarget& target);

}  // namespace beadweave

#endif
