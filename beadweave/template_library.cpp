#include "template_library.hpp"

#include "record_io.hpp"

namespace beadweave {
namespace {

// Name, then the counts of beads, bonds, angles, dihedrals and constraints,
// one digit each.
const rio::Layout header_layout{"A3,4X,I1,3X,I1,3X,I1,3X,I1,3X,I1"};

// A bead record lists id, type, residue number, residue name, name, charge
// group and charge, in the column order of a topology atom line; the id,
// residue number and residue name are read and dropped.
void read_bead(TemplateLibrary& library, int type, int bead) {
  std::int32_t ignored_id = 0;
  std::int32_t ignored_residue_number = 0;
  rio::read_free(library_unit, ignored_id, library.BEADTYPE[type][bead], ignored_residue_number,
                 library.TMPCHAR, library.ATOMNAME[type][bead], library.CHARGRP[type][bead],
                 library.CHARBEAD[type][bead]);
}

void read_bond(TemplateLibrary& library, int type, int slot) {
  rio::read_free(library_unit, library.BONDATOM1[type][slot], library.BONDATOM2[type][slot],
                 library.BONDTYPE[type][slot], library.BONDIST[type][slot],
                 library.BONDK[type][slot]);
}

void read_constraint(TemplateLibrary& library, int type, int slot) {
  rio::read_free(library_unit, library.CONSTATOM1[type][slot], library.CONSTATOM2[type][slot],
                 library.CONSTTYPE[type][slot], library.CONSTDIST[type][slot]);
}

void read_angle(TemplateLibrary& library, int type, int slot) {
  rio::read_free(library_unit, library.ANGLEATOM1[type][slot], library.ANGLEATOM2[type][slot],
                 library.ANGLEATOM3[type][slot], library.ANGLETYPE[type][slot],
                 library.ANGLE[type][slot], library.ANGLEK[type][slot]);
}

void read_dihedral(TemplateLibrary& library, int type, int slot) {
  rio::read_free(library_unit, library.DIHEATOM1[type][slot], library.DIHEATOM2[type][slot],
                 library.DIHEATOM3[type][slot], library.DIHEATOM4[type][slot],
                 library.DIHETYPE[type][slot], library.DIHE[type][slot], library.DIHEK[type][slot]);
}

void read_template(TemplateLibrary& library, int type) {
  rio::read(library_unit, header_layout, library.RESNAME[type], library.NBEADS[type],
            library.NBOND[type], library.NANGLE[type], library.NDIHE[type], library.NCONST[type]);
  // The blocks follow in this order, which is not the order of the counts in
  // the header: beads, bonds, constraints, angles, dihedrals. A one-digit
  // count never exceeds the tables.
  for (int bead = 1; bead <= library.NBEADS[type]; ++bead) read_bead(library, type, bead);
  for (int slot = 1; slot <= library.NBOND[type]; ++slot) read_bond(library, type, slot);
  for (int slot = 1; slot <= library.NCONST[type]; ++slot) read_constraint(library, type, slot);
  for (int slot = 1; slot <= library.NANGLE[type]; ++slot) read_angle(library, type, slot);
  for (int slot = 1; slot <= library.NDIHE[type]; ++slot) read_dihedral(library, type, slot);
}

}  // namespace

void load_library(TemplateLibrary& library) { load_library(library, "beadlib.dat"); }

void load_library(TemplateLibrary& library, std::string_view file_name) {
  rio::open(library_unit, file_name, rio::OpenStatus::old_file);
  for (int type = 1; type <= template_count; ++type) read_template(library, type);
}

std::int32_t matching_type(const TemplateLibrary& library, const Name& name) {
  std::int32_t type = 0;
  for (std::int32_t t = 1; t <= template_count; ++t) {
    if (library.RESNAME[t] == name) type = t;
  }
  return type;
}

}  // namespace beadweave
