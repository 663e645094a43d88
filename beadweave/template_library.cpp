#include "beadweave/template_library.hpp"

#include <array>
#include <span>
#include <string>

#include "common/record_io.hpp"
#include "common/record_parsing.hpp"
#include "common/text_records.hpp"

namespace beadweave {
namespace {

// Name, then the counts of beads, bonds, angles, dihedrals and constraints,
// one digit each.
const rio::Layout header_layout{"A3,4X,I1,3X,I1,3X,I1,3X,I1,3X,I1"};

// The library's records from the library unit.
struct UnitReader {
  template <typename... Args>
  void read(const rio::Layout& layout, Args&... targets) {
    rio::read(library_unit, layout, targets...);
  }
  template <typename... Args>
  void read_free(Args&... targets) {
    rio::read_free(library_unit, targets...);
  }
};

// The same records from a text in memory; a read that fails throws
// rio::ReadFailure.
struct TextReader {
  rio::TextRecords records;

  template <typename... Args>
  void read(const rio::Layout& layout, Args&... targets) {
    const std::array<rio::Target, sizeof...(Args)> packed{rio::make_target(targets)...};
    std::string_view record;
    if (!records.next_record(record)) throw rio::ReadFailure{rio::msg_end_of_file};
    rio::read_fixed_record(record, layout, packed);
  }
  template <typename... Args>
  void read_free(Args&... targets) {
    const std::array<rio::Target, sizeof...(Args)> packed{rio::make_target(targets)...};
    rio::read_free_values(records, packed);
  }
};

// A bead record lists id, type, residue number, residue name, name, charge
// group and charge, in the column order of a topology atom line; the id,
// residue number and residue name are read and dropped.
template <typename Reader>
void read_bead(Reader& reader, TemplateLibrary& library, int type, int bead) {
  std::int32_t ignored_id = 0;
  std::int32_t ignored_residue_number = 0;
  reader.read_free(ignored_id, library.BEADTYPE[type][bead], ignored_residue_number,
                   library.TMPCHAR, library.ATOMNAME[type][bead], library.CHARGRP[type][bead],
                   library.CHARBEAD[type][bead]);
}

template <typename Reader>
void read_bond(Reader& reader, TemplateLibrary& library, int type, int slot) {
  reader.read_free(library.BONDATOM1[type][slot], library.BONDATOM2[type][slot],
                   library.BONDTYPE[type][slot], library.BONDIST[type][slot],
                   library.BONDK[type][slot]);
}

template <typename Reader>
void read_constraint(Reader& reader, TemplateLibrary& library, int type, int slot) {
  reader.read_free(library.CONSTATOM1[type][slot], library.CONSTATOM2[type][slot],
                   library.CONSTTYPE[type][slot], library.CONSTDIST[type][slot]);
}

template <typename Reader>
void read_angle(Reader& reader, TemplateLibrary& library, int type, int slot) {
  reader.read_free(library.ANGLEATOM1[type][slot], library.ANGLEATOM2[type][slot],
                   library.ANGLEATOM3[type][slot], library.ANGLETYPE[type][slot],
                   library.ANGLE[type][slot], library.ANGLEK[type][slot]);
}

template <typename Reader>
void read_dihedral(Reader& reader, TemplateLibrary& library, int type, int slot) {
  reader.read_free(library.DIHEATOM1[type][slot], library.DIHEATOM2[type][slot],
                   library.DIHEATOM3[type][slot], library.DIHEATOM4[type][slot],
                   library.DIHETYPE[type][slot], library.DIHE[type][slot],
                   library.DIHEK[type][slot]);
}

template <typename Reader>
void read_template(Reader& reader, TemplateLibrary& library, int type) {
  reader.read(header_layout, library.RESNAME[type], library.NBEADS[type], library.NBOND[type],
              library.NANGLE[type], library.NDIHE[type], library.NCONST[type]);
  // The blocks follow in this order, which is not the order of the counts in
  // the header: beads, bonds, constraints, angles, dihedrals. A one-digit
  // count never exceeds the tables.
  for (int bead = 1; bead <= library.NBEADS[type]; ++bead) read_bead(reader, library, type, bead);
  for (int slot = 1; slot <= library.NBOND[type]; ++slot) read_bond(reader, library, type, slot);
  for (int slot = 1; slot <= library.NCONST[type]; ++slot)
    read_constraint(reader, library, type, slot);
  for (int slot = 1; slot <= library.NANGLE[type]; ++slot) read_angle(reader, library, type, slot);
  for (int slot = 1; slot <= library.NDIHE[type]; ++slot)
    read_dihedral(reader, library, type, slot);
}

}  // namespace

void load_library(TemplateLibrary& library) { load_library(library, "beadlib.dat"); }

void load_library(TemplateLibrary& library, std::string_view file_name) {
  rio::open(library_unit, file_name, rio::OpenStatus::old_file);
  UnitReader reader;
  for (int type = 1; type <= template_count; ++type) read_template(reader, library, type);
}

bool load_library_file(TemplateLibrary& library, std::string_view file_name) {
  const rio::OpenUnit unit(library_unit, file_name, rio::OpenStatus::old_file);
  UnitReader reader;
  for (int type = 1; type <= template_count; ++type) read_template(reader, library, type);
  try {
    Name word{};
    rio::read_free(library_unit, word);
    return true;
  } catch (const rio::IoError&) {
    return false;  // the end of the file
  }
}

void load_library_text(TemplateLibrary& library, std::string_view text) {
  TextReader reader{rio::TextRecords(text)};
  try {
    for (int type = 1; type <= template_count; ++type) read_template(reader, library, type);
  } catch (const rio::ReadFailure& failure) {
    throw LibraryTextError("record " + std::to_string(reader.records.records_taken()) +
                           " of the library cannot be read (message " +
                           std::to_string(failure.message_number) + ")");
  }
}

std::int32_t matching_type(const TemplateLibrary& library, const Name& name) {
  std::int32_t type = 0;
  for (std::int32_t t = 1; t <= template_count; ++t) {
    if (library.RESNAME[t] == name) type = t;
  }
  return type;
}

}  // namespace beadweave
