#include "beadweave/topology_writer.hpp"

#include <cstdint>
#include <limits>

#include "common/record_io.hpp"

namespace beadweave {
namespace {

// A widthless text field writes the text exactly, with nothing around it.
const rio::Layout& text_layout() {
  static const rio::Layout layout{"A"};
  return layout;
}

const rio::Layout& bond_line_layout() {
  static const rio::Layout layout{"I4,4X,I4,4X,I4,4X,F8.3,4X,F8.1"};
  return layout;
}

const rio::Layout& constraint_line_layout() {
  static const rio::Layout layout{"I4,4X,I4,4X,I4,4X,F8.3"};
  return layout;
}

const rio::Layout& dihedral_line_layout() {
  static const rio::Layout layout{"I4,4X,I4,4X,I4,4X,I4,4X,I4,4X,F8.1,4X,F8.1"};
  return layout;
}

void write_atom_lines(int unit, const Protein& protein) {
  const auto& library = protein.library;
  const auto& a = protein.assignment;
  for (std::int32_t i = 1; i <= protein.structure.residue_count; ++i) {
    const std::int32_t t = a.TPRESTYPE[i];
    // Every line of a residue carries the residue name of its backbone bead.
    const Name& residue_name = protein.structure.PDBRESNAME[a.BEGINRES[i]];
    for (std::int32_t j = 1; j <= library.NBEADS[t]; ++j) {
      rio::write(unit, atom_line_layout(a.TPATOMNAME[i][j], a.TPCHRGRP[i][j]), a.TPATNUMB[i][j],
                 a.TPBEADTYPE[i][j], i, residue_name, a.TPATOMNAME[i][j], a.TPCHRGRP[i][j],
                 a.TPATCHARGE[i][j]);
    }
  }
}

// Calls line(t, k, first_bead) for every interaction k of every residue of
// type t, residue after residue, each in template order.
template <typename LineWriter>
void for_each_entry(const Protein& protein, const TemplateLibrary::PerType<std::int32_t>& counts,
                    LineWriter line) {
  const auto& a = protein.assignment;
  for (std::int32_t i = 1; i <= protein.structure.residue_count; ++i) {
    const std::int32_t t = a.TPRESTYPE[i];
    for (std::int32_t k = 1; k <= counts[t]; ++k) line(t, k, a.BEGINRES[i]);
  }
}

}  // namespace

const rio::Layout& atom_line_layout(const Name& bead_name, std::int32_t charge_group) {
  static const rio::Layout joined{"I4,4X,A3,4X,I4,5X,A3,4X,A3,I4,6X,F5.2"};
  static const rio::Layout separated{"I4,4X,A3,4X,I4,5X,A3,4X,A3,1X,I4,5X,F5.2"};
  const bool four_digits = charge_group >= 1000 && charge_group <= 9999;
  return four_digits && bead_name[2] != ' ' ? separated : joined;
}

const rio::Layout& angle_line_layout() {
  static const rio::Layout layout{"I4,4X,I4,4X,I4,4X,I4,4X,F8.1,4X,F8.1"};
  return layout;
}

std::int32_t template_bead_number(std::int32_t first_bead, std::int32_t m) {
  const std::int64_t number = std::int64_t{first_bead} + m - 1;
  constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(number < lowest ? lowest : number > highest ? highest : number);
}

void create_topology_file() { rio::open(topology_unit, "protein.itp", rio::OpenStatus::new_file); }

void write_fixed_line(int unit, std::string_view text) { rio::write(unit, text_layout(), text); }

void write_empty_line(int unit) { rio::write_line(unit, ""); }

std::string molecule_line(std::string_view molecule_name) {
  std::string line(molecule_name);
  if (line.size() < molecule_name_columns) line.resize(molecule_name_columns, ' ');
  return line + "\t1";
}

void write_molecule_and_atoms(const TopologyTarget& target, const Protein& protein) {
  const int unit = target.unit;
  write_fixed_line(unit, "[ moleculetype ]");
  write_fixed_line(unit, "; molname \tnrexcl");
  write_fixed_line(unit, molecule_line(target.molecule_name));
  write_empty_line(unit);
  write_fixed_line(unit, "[ atoms ]");
  write_fixed_line(unit, ";id type resnr residu atom cgnr charge");
  write_atom_lines(unit, protein);
  write_empty_line(unit);
}

void write_bonds_opening(int unit) {
  write_fixed_line(unit, "[ bonds ]");
  write_fixed_line(unit, "; bonds between the consecutive Calphas: i-i+1");
  write_fixed_line(unit, "; The distance is taken from the pdb file");
}

void write_i4_opening(int unit) {
  write_empty_line(unit);
  write_fixed_line(unit, "; bonds between the consecutive Calphas: i-i+4");
  write_fixed_line(unit, "; The distance is taken from the pdb file");
}

void write_elastic_network_opening(int unit) {
  write_empty_line(unit);
  // The comment lines are the file's own, compared byte for byte by those who
  // read it: "Tolvik", "struture" and "Dihedrals angles" stay as written.
  write_fixed_line(unit, "; bonds between Calphas defining the Tolvik");
  write_fixed_line(unit, "; bonds are taken from the pdb file between Ca");
  write_fixed_line(unit, "; at least i-i+3");
}

void write_template_bonds(int unit, const Protein& protein) {
  const auto& lib = protein.library;
  write_empty_line(unit);
  write_fixed_line(unit, "; bonds between Ca and SC1 for each residue");
  write_fixed_line(unit, "; The distances are taken from the FF topology");
  for_each_entry(protein, lib.NBOND, [&](std::int32_t t, std::int32_t k, std::int32_t first) {
    rio::write(unit, bond_line_layout(), template_bead_number(first, lib.BONDATOM1[t][k]),
               template_bead_number(first, lib.BONDATOM2[t][k]), lib.BONDTYPE[t][k],
               lib.BONDIST[t][k], lib.BONDK[t][k]);
  });
}

void write_constraints(int unit, const Protein& protein) {
  const auto& lib = protein.library;
  write_empty_line(unit);
  write_fixed_line(unit, "[ constraints ]");
  write_fixed_line(unit, "; constraints between atoms of the side chains");
  write_fixed_line(unit, "; The values are taken from the FF topology");
  for_each_entry(protein, lib.NCONST, [&](std::int32_t t, std::int32_t k, std::int32_t first) {
    rio::write(unit, constraint_line_layout(), template_bead_number(first, lib.CONSTATOM1[t][k]),
               template_bead_number(first, lib.CONSTATOM2[t][k]), lib.CONSTTYPE[t][k],
               lib.CONSTDIST[t][k]);
  });
}

void write_template_angles(int unit, const Protein& protein) {
  const auto& lib = protein.library;
  write_empty_line(unit);
  write_fixed_line(unit, "[ angles ]");
  write_fixed_line(unit, "; angles between atoms of the side chains");
  write_fixed_line(unit, "; The angles are taken from the FF topology");
  for_each_entry(protein, lib.NANGLE, [&](std::int32_t t, std::int32_t k, std::int32_t first) {
    rio::write(unit, angle_line_layout(), template_bead_number(first, lib.ANGLEATOM1[t][k]),
               template_bead_number(first, lib.ANGLEATOM2[t][k]),
               template_bead_number(first, lib.ANGLEATOM3[t][k]), lib.ANGLETYPE[t][k],
               lib.ANGLE[t][k], lib.ANGLEK[t][k]);
  });
  write_empty_line(unit);
  write_fixed_line(unit, "; Here the angles between CAs i-1/i/i+1");
  write_fixed_line(unit, "; The values are taken from the struture");
}

void write_dihedrals(int unit, const Protein& protein) {
  const auto& lib = protein.library;
  write_empty_line(unit);
  write_fixed_line(unit, "[ dihedrals ]");
  write_fixed_line(unit, "; Dihedrals angles used in Side chains");
  write_fixed_line(unit, "; The angles are taken from the FF topology");
  for_each_entry(protein, lib.NDIHE, [&](std::int32_t t, std::int32_t k, std::int32_t first) {
    rio::write(unit, dihedral_line_layout(), template_bead_number(first, lib.DIHEATOM1[t][k]),
               template_bead_number(first, lib.DIHEATOM2[t][k]),
               template_bead_number(first, lib.DIHEATOM3[t][k]),
               template_bead_number(first, lib.DIHEATOM4[t][k]), lib.DIHETYPE[t][k], lib.DIHE[t][k],
               lib.DIHEK[t][k]);
  });
}

void write_position_restraints(const TopologyTarget& target) {
  write_empty_line(target.unit);
  write_fixed_line(target.unit, "#ifdef POSRES");
  write_fixed_line(target.unit, "#include \"" + target.restraint_include + "\"");
  write_fixed_line(target.unit, "#endif");
}

}  // namespace beadweave
