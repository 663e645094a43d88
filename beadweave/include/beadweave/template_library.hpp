// The residue template library: for each of the 20 residue types its name,
// its beads (type, name, charge-group label, charge) and the bonds,
// constraints, angles and dihedrals between the beads of one residue.
#ifndef BEADWEAVE_TEMPLATE_LIBRARY_HPP
#define BEADWEAVE_TEMPLATE_LIBRARY_HPP

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "beadweave/cg_structure_format.hpp"
#include "common/record_values.hpp"

namespace beadweave {

// Residue names, bead types and bead names: exactly 3 characters.
using Name = rio::FixedText<cg_format::name_length>;

inline constexpr int template_count = 20;
// A template header gives each count in one digit: up to 9 beads and up to
// 9 records of each interaction kind per template.
inline constexpr int max_template_beads = 9;
inline constexpr int max_template_records = 9;

inline constexpr int library_unit = 11;

// All tables are 1-based and start zero-filled; index 0 of the type index is
// the "no template" type and stays empty.
struct TemplateLibrary {
  template <typename T>
  using PerType = std::array<T, template_count + 1>;
  template <typename T>
  using PerBead = PerType<std::array<T, max_template_beads + 1>>;
  template <typename T>
  using PerSlot = PerType<std::array<T, max_template_records + 1>>;

  PerType<Name> RESNAME{};
  PerType<std::int32_t> NBEADS{};
  PerType<std::int32_t> NBOND{};
  PerType<std::int32_t> NANGLE{};
  PerType<std::int32_t> NDIHE{};
  PerType<std::int32_t> NCONST{};

  PerBead<Name> BEADTYPE{};
  PerBead<Name> ATOMNAME{};
  PerBead<std::int32_t> CHARGRP{};
  PerBead<float> CHARBEAD{};

  PerSlot<std::int32_t> BONDATOM1{};
  PerSlot<std::int32_t> BONDATOM2{};
  PerSlot<std::int32_t> BONDTYPE{};
  PerSlot<float> BONDIST{};
  PerSlot<float> BONDK{};

  PerSlot<std::int32_t> CONSTATOM1{};
  PerSlot<std::int32_t> CONSTATOM2{};
  PerSlot<std::int32_t> CONSTTYPE{};
  PerSlot<float> CONSTDIST{};

  PerSlot<std::int32_t> ANGLEATOM1{};
  PerSlot<std::int32_t> ANGLEATOM2{};
  PerSlot<std::int32_t> ANGLEATOM3{};
  PerSlot<std::int32_t> ANGLETYPE{};
  PerSlot<float> ANGLE{};
  PerSlot<float> ANGLEK{};

  PerSlot<std::int32_t> DIHEATOM1{};
  PerSlot<std::int32_t> DIHEATOM2{};
  PerSlot<std::int32_t> DIHEATOM3{};
  PerSlot<std::int32_t> DIHEATOM4{};
  PerSlot<std::int32_t> DIHETYPE{};
  PerSlot<float> DIHE{};
  PerSlot<float> DIHEK{};

  // Receives the residue name field of every template bead record; nothing
  // reads it.
  Name TMPCHAR{};
};

// Opens "beadlib.dat" as unit 11 and reads the 20 templates into `library`.
// Any failed open or read ends the run with the I/O diagnostic.
void load_library(TemplateLibrary& library);
// The same from the library file `file_name`.
void load_library(TemplateLibrary& library, std::string_view file_name);

// The same for a caller that goes on after it: the unit is closed again on
// every path, and the result says whether anything but blanks follows the
// templates read (a library that holds more than beadweave reads). A failed
// open or read throws rio::IoError.
bool load_library_file(TemplateLibrary& library, std::string_view file_name);

// A library text in memory that cannot be read as the library file would be.
struct LibraryTextError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The same from a library text in memory; a record that the file reader
// would refuse throws LibraryTextError, naming the record.
void load_library_text(TemplateLibrary& library, std::string_view text);

// The residue type index of the template named `name`, 0 for none: exact
// comparison of all three characters (case and blanks count); every template
// is compared, so of two templates with one name the later wins.
std::int32_t matching_type(const TemplateLibrary& library, const Name& name);

}  // namespace beadweave

#endif
