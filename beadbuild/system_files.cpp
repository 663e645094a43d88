#include "system_files.hpp"

#include <array>

#include "common/number_format.hpp"
#include "beadmap/refusal.hpp"
#include "beadweave/topology_writer.hpp"

namespace beadbuild {
namespace {

// Five digits hold a number in conf.gro and a serial number in the PDB
// layout; past them the numbers start again from 0, as GROMACS writes them.
constexpr std::size_t five_digit_wrap = 100000;

int five_digits(std::size_t number) { return static_cast<int>(number % five_digit_wrap); }

std::string trimmed(const beadweave::Name& name) {
  std::string text(name.data(), name.size());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

// Fixed-point numbers in their columns; one that does not fit is refused
// rather than written as asterisks.
void append_fixed(std::string& text, double value, int width, int decimals) {
  if (!rio::format_fixed(text, value, width, decimals)) {
    throw beadmap::Refusal("a coordinate of " + std::to_string(value) + " does not fit in " +
                           std::to_string(width) + " columns");
  }
}

void append_position(std::string& text, const std::array<double, 3>& position, double scale) {
  for (const double coordinate : position) append_fixed(text, coordinate * scale, 8, 3);
}

// A text left-justified in `width` columns, or right-justified.
void append_left(std::string& text, const std::string& name, std::size_t width) {
  text += name;
  if (name.size() < width) text.append(width - name.size(), ' ');
}

void append_right(std::string& text, const std::string& name, std::size_t width) {
  if (name.size() < width) text.append(width - name.size(), ' ');
  text += name;
}

// Chain names take column 22, or columns 21-22 when they have two characters.
std::string chain_columns(const std::string& name) {
  if (name.size() == 2) return name;
  return std::string(" ") + (name.size() == 1 ? name[0] : ' ');
}

}  // namespace

std::string topology_file_name(const Molecule& molecule) { return molecule.name + ".itp"; }

std::string restraint_file_name(const Molecule& molecule) {
  return "posre_" + molecule.name + ".itp";
}

std::string format_system_topology(const std::vector<std::unique_ptr<Molecule>>& molecules,
                                   const std::string& forcefield_file, const std::string& title) {
  std::string text = "; The coarse-grained system: the force field, then each molecule.\n";
  text += "#include \"" + forcefield_file + "\"\n";
  for (const auto& molecule : molecules)
    text += "#include \"" + topology_file_name(*molecule) + "\"\n";
  text += "\n[ system ]\n" + title + "\n\n[ molecules ]\n; name        count\n";
  for (const auto& molecule : molecules) {
    std::string name = molecule->name;
    if (name.size() < beadweave::molecule_name_columns)
      name.resize(beadweave::molecule_name_columns, ' ');
    text += name + " 1\n";
  }
  return text;
}

std::string format_gro(const std::vector<std::unique_ptr<Molecule>>& molecules, const Box& box,
                       const std::string& title) {
  std::size_t beads = 0;
  for (const auto& molecule : molecules)
    beads += static_cast<std::size_t>(molecule->tables.bead_count);
  std::string text = title + "\n" + std::to_string(beads) + "\n";
  text.reserve(text.size() + 45 * beads + 40);
  std::size_t serial = 0;
  for (const auto& molecule : molecules) {
    const beadweave::Structure& tables = molecule->tables;
    const beadweave::BeadAssignment& a = molecule->assignment;
    for (std::int32_t i = 1; i <= tables.residue_count; ++i) {
      const std::string residue_name = trimmed(tables.PDBRESNAME[a.BEGINRES[i]]);
      const std::int32_t beads_of_residue =
          (i < tables.residue_count ? a.BEGINRES[i + 1] : a.bead_counter) - a.BEGINRES[i];
      for (std::int32_t j = 1; j <= beads_of_residue; ++j) {
        const auto position = position_in_box(box, tables, a.TPATNUMB[i][j]);
        rio::format_integer(text, five_digits(static_cast<std::size_t>(i)), 5);
        append_left(text, residue_name, 5);
        append_right(text, trimmed(a.TPATOMNAME[i][j]), 5);
        rio::format_integer(text, five_digits(++serial), 5);
        append_position(text, position, 1.0);
        text += '\n';
      }
    }
  }
  for (const double edge : box.edges) append_fixed(text, edge, 10, 5);
  text += '\n';
  return text;
}

std::string format_system_pdb(const std::vector<std::unique_ptr<Molecule>>& molecules,
                              const Box& box, const std::string& title) {
  std::string text = "TITLE     " + title.substr(0, 70) + "\n";
  text += "CRYST1";
  for (const double edge : box.edges) append_fixed(text, edge * 10.0, 9, 3);
  text += "  90.00  90.00  90.00 P 1           1\n";
  std::size_t beads = 0;
  for (const auto& molecule : molecules)
    beads += static_cast<std::size_t>(molecule->tables.bead_count);
  text.reserve(text.size() + 67 * beads + 4 * molecules.size() + 4);
  std::size_t serial = 0;
  for (const auto& molecule : molecules) {
    std::int32_t bead = 0;
    std::size_t residue_index = 0;
    for (const MappedChain* chain : molecule->chains) {
      const std::string chain_id = chain_columns(chain->name);
      for (std::size_t r = 0; r < chain->structure.residues.size(); ++r, ++residue_index) {
        const beadmap::CgResidue& residue = molecule->structure.residues[residue_index];
        for (const beadmap::CgBead& cg_bead : residue.beads) {
          const auto position = position_in_box(box, molecule->tables, ++bead);
          text += "ATOM  ";
          rio::format_integer(text, five_digits(++serial), 5);
          text += "  ";
          append_left(text, cg_bead.name, 3);
          text += ' ';
          append_right(text, residue.name, 3);
          text += chain_id;
          rio::format_integer(text, residue.place.number, 4);
          text += residue.place.insertion_code;
          text += "   ";
          append_position(text, position, 10.0);
          text += "  1.00  0.00\n";
        }
      }
      text += "TER\n";
    }
  }
  text += "END\n";
  return text;
}

}  // namespace beadbuild
