#include "beadmap/cg_writer.hpp"

#include <cstdint>

#include "common/number_format.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {
namespace {

constexpr int posre_force_constant = 1000;

// A name in `width` columns, starting at the first.
void append_left(std::string& record, const std::string& name, std::size_t width) {
  record += name;
  record.append(width - name.size(), ' ');
}

void append_coordinate(std::string& record, double value, const CgResidue& residue) {
  if (!rio::format_fixed(record, value, 8, 3)) {
    throw Refusal("residue " + residue_label(residue.name, residue.place) + ": coordinate " +
                  std::to_string(value) + " does not fit in the 8 columns of the structure file");
  }
}

void append_bead_record(std::string& record, int serial, char chain_id, const CgResidue& residue,
                        const CgBead& bead) {
  record += "ATOM";
  rio::format_integer(record, serial, 7);
  record += "  ";  // column 12, and column 13 before a name of up to 3 characters
  append_left(record, bead.name, 3);
  record += ' ';
  append_left(record, residue.name, 3);
  record += ' ';
  record += chain_id;
  if (!rio::format_integer(record, residue.place.number, 4)) {
    throw Refusal("residue " + residue_label(residue.name, residue.place) +
                  ": the residue number does not fit in the 4 columns of the structure file");
  }
  record += residue.place.insertion_code;
  record += "   ";
  append_coordinate(record, bead.position.x, residue);
  append_coordinate(record, bead.position.y, residue);
  append_coordinate(record, bead.position.z, residue);
  record += "  1.00  0.00\n";
}

}  // namespace

std::string format_cg_structure(const CgStructure& structure) {
  const std::size_t beads = bead_count(structure);
  if (beads > max_bead_count) {
    throw Refusal("the structure has " + std::to_string(beads) +
                  " beads; beadweave takes at most " + std::to_string(max_bead_count));
  }
  std::string text = "HEADER number of residues: ";
  rio::format_integer(text, static_cast<std::int32_t>(structure.residues.size()), 4);
  text += " number of beads: ";
  rio::format_integer(text, static_cast<std::int32_t>(beads), 4);
  text += '\n';
  text.reserve(text.size() + 67 * beads + 4);
  int serial = 0;
  for (const CgResidue& residue : structure.residues) {
    for (const CgBead& bead : residue.beads) {
      append_bead_record(text, ++serial, structure.chain_id, residue, bead);
    }
  }
  text += "END\n";
  return text;
}

std::string format_position_restraints(const CgStructure& structure,
                                       std::string_view topology_name) {
  std::string text = "; Position restraints on the backbone beads, numbered as in ";
  text += topology_name;
  text +=
      "\n"
      "[ position_restraints ]\n"
      ";  bead  funct       fcx       fcy       fcz\n";
  std::int32_t first_bead = 1;
  for (const CgResidue& residue : structure.residues) {
    rio::format_integer(text, first_bead, 7);
    rio::format_integer(text, 1, 7);
    for (int axis = 0; axis < 3; ++axis) rio::format_integer(text, posre_force_constant, 10);
    text += '\n';
    first_bead += static_cast<std::int32_t>(residue.beads.size());
  }
  return text;
}

}  // namespace beadmap
