#include "beadweave/structure_input.hpp"

#include <array>
#include <cstddef>
#include <string>

#include "beadweave/cg_structure_format.hpp"
#include "common/record_io.hpp"
#include "common/record_parsing.hpp"
#include "common/text_records.hpp"

namespace beadweave {
namespace {

// The two lines are the program's own, as users know them: the missing blank
// of "formattedcorrectly" and the backquote of "residues`and" stay as written.
[[noreturn]] void refuse_bead_count() {
  rio::write_line(rio::stdout_unit, "The PDB file you give as an input is not formattedcorrectly");
  rio::write_line(rio::stdout_unit,
                  "Tip: The first line should be the number of residues`and then of atoms.");
  // No topology can be built: the run has failed.
  rio::stop_run(bad_header_status);
}

// Reads the header, then the bead records, each with `read(layout, targets...)`;
// `refuse` is called on a bead count below 1.
template <typename Read, typename Refuse>
void read_records(Structure& structure, Read read, Refuse refuse) {
  read(cg_format::header_layout(), structure.residue_count, structure.bead_count);
  // Nothing tests the residue count; a bead count below 1 leaves nothing to build.
  if (structure.bead_count < 1) refuse();
  structure.resize(structure.bead_count);
  for (std::int32_t bead = 1; bead <= structure.bead_count; ++bead) {
    read(cg_format::bead_read_layout(), structure.PDBATNUMB[bead], structure.PDBATNAME[bead],
         structure.PDBRESNAME[bead], structure.PDBRESNUM[bead], structure.AX[bead],
         structure.AY[bead], structure.AZ[bead]);
  }
  // Whatever follows the last bead record (TER, END) is not read.
}

}  // namespace

void Structure::resize(std::int32_t beads) {
  const auto size = static_cast<std::size_t>(beads) + 1;
  PDBATNUMB.assign(size, 0);
  PDBATNAME.assign(size, Name{});
  PDBRESNAME.assign(size, Name{});
  PDBRESNUM.assign(size, 0);
  AX.assign(size, 0.0F);
  AY.assign(size, 0.0F);
  AZ.assign(size, 0.0F);
}

void read_structure(Structure& structure) {
  rio::open(structure_unit, "pdb-CG.pdb", rio::OpenStatus::old_file);
  read_records(
      structure,
      [](const rio::Layout& layout, auto&... targets) {
        rio::read(structure_unit, layout, targets...);
      },
      refuse_bead_count);
}

void read_structure_text(Structure& structure, std::string_view text) {
  rio::TextRecords records(text);
  const auto read = [&records](const rio::Layout& layout, auto&... targets) {
    const std::array<rio::Target, sizeof...(targets)> packed{rio::make_target(targets)...};
    std::string_view record;
    if (!records.next_record(record)) throw rio::ReadFailure{rio::msg_end_of_file};
    rio::read_fixed_record(record, layout, packed);
  };
  try {
    read_records(structure, read, [] { throw rio::ReadFailure{rio::msg_end_of_file}; });
  } catch (const rio::ReadFailure& failure) {
    throw StructureTextError("record " + std::to_string(records.records_taken()) +
                             " of the structure cannot be read (message " +
                             std::to_string(failure.message_number) + ")");
  }
}

}  // namespace beadweave
