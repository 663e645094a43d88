#include "beadweave_inputs.hpp"

#include <cstdio>
#include <sstream>

namespace bwtest {

std::string library(const std::vector<std::string>& extra) {
  std::string text =
      "GLY    1   0   0   0   0\n"
      "    1    P5     1   GLY    BB     1   0.000\n"
      "HIS    4   1   2   1   3\n"
      "    1    P5     1   HIS    BB     1   0.000\n"
      "    2   SC4     1   HIS   SC1     2   0.000\n"
      "    3   SP1     1   HIS   SC2     2   0.000\n"
      "    4   SP1     1   HIS   SC3     2   0.000\n"
      "    1     2     1     0.320    7500.0\n"
      "    2     3     1     0.270\n"
      "    2     4     1     0.270\n"
      "    3     4     1     0.270\n"
      "    1     2     3     2     150.0      50.0\n"
      "    1     2     4     2     150.0      50.0\n"
      "    1     3     4     2     2       0.0      50.0\n"
      "LYS    3   2   1   0   0\n"
      "    1    P5     1   LYS    BB     1   0.000\n"
      "    2    C3     1   LYS   SC1     2   0.000\n"
      "    3    Qd     1   LYS   SC2     3   1.000\n"
      "    1     2     1     0.330    5000.0\n"
      "    2     3     1     0.280    5000.0\n"
      "    1     2     3     2     180.0      25.0\n"
      "ASP    2   1   0   0   0\n"
      "    1    P5     1   ASP    BB     1   0.000\n"
      "    2    Qa     1   ASP   SC1     1  -1.000\n"
      "    1     2     1     0.320    7500.0\n";
  for (const auto& t : extra) text += t;
  for (int type = 5 + static_cast<int>(extra.size()); type <= 20; ++type) {
    std::string name = "F";
    name += std::to_string(type / 10);
    name += std::to_string(type % 10);
    text += name + "    1   0   0   0   0\n    1    N0     1   " + name + "    BB     1   0.000\n";
  }
  return text;
}

std::string header(int residues, int beads) {
  char line[80];
  std::snprintf(line, sizeof line, "HEADER number of residues: %4d number of beads: %4d\n",
                residues, beads);
  return line;
}

std::string bead(int serial, const char* name, const char* residue, int residue_number, double x,
                 double y, double z) {
  char line[100];
  std::snprintf(line, sizeof line, "ATOM%7d  %-3s %-3s  %4d    %8.3f%8.3f%8.3f  1.00  0.00\n",
                serial, name, residue, residue_number, x, y, z);
  return line;
}

std::string zigzag_structure() {
  // Serial and residue numbers are not consecutive and bead 3 carries another
  // residue name: none of it may reach the topology.
  return header(6, 15) + bead(10, "BB", "GLY", 101, 0, 0, 0) + bead(12, "BB", "HIS", 102, 3, 4, 0) +
         bead(13, "SC1", "XXX", 102, 3, 6, 1) + bead(14, "SC2", "HIS", 102, 4, 7, 1) +
         bead(15, "SC3", "HIS", 102, 2, 7, 1) + bead(20, "BB", "LYS", 103, 6, 0, 0) +
         bead(21, "SC1", "LYS", 103, 6, -2, 0) + bead(22, "SC2", "LYS", 103, 6, -4, 0) +
         bead(30, "BB", "ASP", 105, 9, 4, 0) + bead(31, "SC1", "ASP", 105, 9, 6, 0) +
         bead(40, "BB", "GLY", 105, 12, 0, 0) + bead(50, "BB", "HIS", 110, 15, 4, 0) +
         bead(51, "SC1", "HIS", 110, 15, 6, 1) + bead(52, "SC2", "HIS", 110, 16, 7, 1) +
         bead(53, "SC3", "HIS", 110, 14, 7, 1) + "TER\nEND\n";
}

testsupport::ProcessResult run(const testsupport::ScratchDir& dir,
                               const std::optional<std::string>& answers,
                               const std::vector<std::string>& args) {
  return testsupport::run_process(BEADWEAVE_PATH, args, dir.path(), answers);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

namespace {

void append(std::string& text, const Lines& lines) {
  for (const auto& line : lines) text += line + "\n";
}

}  // namespace

std::string topology(const Groups& g) {
  std::string t =
      "[ moleculetype ]\n; molname \tnrexcl\nprotein      \t1\n \n[ atoms ]\n"
      ";id type resnr residu atom cgnr charge\n";
  append(t, g.atoms);
  t += " \n[ bonds ]\n; bonds between the consecutive Calphas: i-i+1\n"
       "; The distance is taken from the pdb file\n";
  append(t, g.consecutive);
  t += " \n; bonds between the consecutive Calphas: i-i+4\n"
       "; The distance is taken from the pdb file\n";
  append(t, g.i4);
  t += " \n; bonds between Calphas defining the Tolvik\n"
       "; bonds are taken from the pdb file between Ca\n; at least i-i+3\n";
  append(t, g.elastic);
  t += " \n; bonds between Ca and SC1 for each residue\n"
       "; The distances are taken from the FF topology\n";
  append(t, g.template_bonds);
  t += " \n[ constraints ]\n; constraints between atoms of the side chains\n"
       "; The values are taken from the FF topology\n";
  append(t, g.constraints);
  t += " \n[ angles ]\n; angles between atoms of the side chains\n"
       "; The angles are taken from the FF topology\n";
  append(t, g.template_angles);
  t += " \n; Here the angles between CAs i-1/i/i+1\n; The values are taken from the struture\n";
  append(t, g.backbone_angles);
  t += " \n[ dihedrals ]\n; Dihedrals angles used in Side chains\n"
       "; The angles are taken from the FF topology\n";
  append(t, g.dihedrals);
  t += " \n#ifdef POSRES\n#include \"posre.itp\"\n#endif\n";
  return t;
}

const char* const full_dialogue =
    " \n"
    " Select a value for the Ca (i-i_4) bonds.\n"
    " Type 0 (zero) to exclude this type of bonds.\n"
    " 40000 kJ mole-1 nm-2 seems to be working fine.\n"
    " \n"
    " Value:\n"
    " Choose a force constant (kJ mol-1 nm-2) for Tolvik:\n"
    " Choose a cutoff (nm) for Tolvik:\n";

}  // namespace bwtest
