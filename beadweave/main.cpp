// beadweave: builds the topology of a coarse-grained protein from a residue
// template library and a coarse-grained structure.
#include "common/command_line.hpp"
#include "run_sequence.hpp"

namespace {

constexpr const char* help_text =
    R"(usage: beadweave [--help | --version]

Builds the GROMACS topology of a coarse-grained protein. Takes no arguments:
it works in the current directory.

Reads:
  beadlib.dat   the residue template library: 20 residue types, their beads
                (type, name, charge group, charge) and the bonds, constraints,
                angles and dihedrals inside a residue
  pdb-CG.pdb    the coarse-grained structure: a header line with the residue
                and bead counts, then one ATOM record per bead (angstrom)
Writes:
  protein.itp   the molecule type "protein"; it must not exist yet

Asks on standard input, while writing protein.itp:
  1. the force constant (integer, kJ mol-1 nm-2) of the bonds between
     backbone beads four residues apart; 0 or less leaves them out
  2. the force constant (integer, kJ mol-1 nm-2) of the elastic network
  3. the elastic network cut-off (nm): backbone beads at least three residues
     apart and closer than this are bonded

Exit status:
  0     the topology was written
  1     the structure was refused (bead count below 1, a residue that matches
        no template or starts beyond the beads read, more than 9999 beads),
        or two consecutive backbone beads coincide
  2     an unknown command-line argument
  9-64  an input/output failure, reported on standard error; for example
        10: protein.itp exists, 24: end of input, 29: file not found,
        59: an answer that is not a number, 64: a malformed number in a file)

The manual page beadweave(1) is the full reference: man beadweave)";

}  // namespace

int main(int argc, char** argv) {
  return rio::run_command(argc, argv, {"beadweave", help_text}, [] { beadweave::run_sequence(); });
}
