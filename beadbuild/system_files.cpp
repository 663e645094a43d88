#include "system_files.hpp"

#include <cstdio>

#include "topology_writer.hpp"

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

template <typename... Args>
void append_formatted(std::string& text, const char* format, Args... values) {
  char line[160];
  const int length = std::snprintf(line, sizeof line, format, values...);
  text.append(line, static_cast<std::size_t>(length < 0 ? 0 : length));
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
  for (const auto& molecule : molecules) text += "#include \"" + topology_file_name(*molecule) + "\"\n";
  text += "\n[ system ]\n" + title + "\n\n[ molecules ]\n; name        count\n";
  for (const auto& molecule : molecules) {
    std::string name = molecule->name;
    if (name.size() < beadweave::molecule_name_columns) name.resize(beadweave::molecule_name_columns, ' ');
    text += name + " 1\n";
  }
  return text;
}

std::string format_gro(const std::vector<std::unique_ptr<Molecule>>& molecules, const Box& box,
                       const std::string& title) {
  std::size_t beads = 0;
  for (const auto& molecule : molecules) beads += static_cast<std::size_t>(molecule->tables.bead_count);
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
        append_formatted(text, "%5d%-5s%5s%5d%8.3f%8.3f%8.3f\n", five_digits(static_cast<std::size_t>(i)),
                         residue_name.c_str(), trimmed(a.TPATOMNAME[i][j]).c_str(),
                         five_digits(++serial), position[0], position[1], position[2]);
      }
    }
  }
  append_formatted(text, "%10.5f%10.5f%10.5f\n", box.edges[0], box.edges[1], box.edges[2]);
  return text;
}

std::string format_system_pdb(const std::vector<std::unique_ptr<Molecule>>& molecules,
                              const Box& box, const std::string& title) {
  std::string text = "TITLE     " + title.substr(0, 70) + "\n";
  append_formatted(text, "CRYST1%9.3f%9.3f%9.3f%7.2f%7.2f%7.2f P 1           1\n",
                   box.edges[0] * 10.0, box.edges[1] * 10.0, box.edges[2] * 10.0, 90.0, 90.0, 90.0);
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
          append_formatted(text, "ATOM  %5d  %-3s %3s%2s%4d%c   %8.3f%8.3f%8.3f  1.00  0.00\n",
                           five_digits(++serial), cg_bead.name.c_str(), residue.name.c_str(), chain_id.c_str(),
                           residue.place.number, residue.place.insertion_code,
                           position[0] * 10.0, position[1] * 10.0, position[2] * 10.0);
        }
      }
      text += "TER\n";
    }
  }
  text += "END\n";
  return text;
}

}  // namespace beadbuild
