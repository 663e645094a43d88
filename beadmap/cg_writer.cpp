#include "beadmap/cg_writer.hpp"

#include <cstdint>

#include "beadmap/refusal.hpp"
#include "beadweave/cg_structure_format.hpp"
#include "common/number_format.hpp"
#include "common/record_parsing.hpp"
#include "common/record_values.hpp"

namespace beadmap {
namespace {

namespace cg_format = beadweave::cg_format;

constexpr int posre_force_constant = 1000;

// The record would not fit its columns: names the field that does not.
[[noreturn]] void refuse_record(const CgResidue& residue, const CgBead& bead) {
  const std::string label = "residue " + residue_label(residue.name, residue.place);
  std::string scratch;
  if (!rio::format_integer(scratch, residue.place.number, cg_format::number_columns)) {
    throw Refusal(label + ": the residue number does not fit in the " +
                  std::to_string(cg_format::number_columns) + " columns of the structure file");
  }
  for (const double value : {bead.position.x, bead.position.y, bead.position.z}) {
    if (!rio::format_fixed(scratch, value, cg_format::coordinate_columns,
                           cg_format::coordinate_decimals)) {
      throw Refusal(label + ": coordinate " + std::to_string(value) + " does not fit in the " +
                    std::to_string(cg_format::coordinate_columns) +
                    " columns of the structure file");
    }
  }
  throw Refusal(label + ": bead " + bead.name + " does not fit the columns of the structure file");
}

void append_bead_record(std::string& text, std::int32_t serial, char chain_id,
                        const CgResidue& residue, const CgBead& bead) {
  const auto bead_name = rio::fixed_text<cg_format::name_length>(bead.name);
  const auto residue_name = rio::fixed_text<cg_format::name_length>(residue.name);
  const rio::Value values[] = {rio::make_value(serial),
                               rio::make_value(bead_name),
                               rio::make_value(residue_name),
                               rio::make_value(std::string_view(&chain_id, 1)),
                               rio::make_value(std::int32_t{residue.place.number}),
                               rio::make_value(std::string_view(&residue.place.insertion_code, 1)),
                               rio::make_value(bead.position.x),
                               rio::make_value(bead.position.y),
                               rio::make_value(bead.position.z)};
  if (!rio::format_record(text, cg_format::bead_write_layout(), values)) {
    refuse_record(residue, bead);
  }
  text += '\n';
}

}  // namespace

std::string format_cg_structure(const CgStructure& structure) {
  const std::size_t beads = bead_count(structure);
  if (beads > static_cast<std::size_t>(cg_format::max_beads)) {
    throw Refusal("the structure has " + std::to_string(beads) +
                  " beads; beadweave takes at most " + std::to_string(cg_format::max_beads));
  }
  std::string text;
  const rio::Value counts[] = {
      rio::make_value(static_cast<std::int32_t>(structure.residues.size())),
      rio::make_value(static_cast<std::int32_t>(beads))};
  rio::format_record(text, cg_format::header_layout(), counts);  // both within max_beads
  text += '\n';
  text.reserve(text.size() + 67 * beads + 4);
  std::int32_t serial = 0;
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
