// beadmap: maps an atomistic protein structure to the coarse-grained
// structure beadweave reads.
#include <cstdio>
#include <span>

#include "beadmap/arguments.hpp"
#include "beadmap/front_end.hpp"
#include "run_beadmap.hpp"

namespace {

constexpr const char* help_text =
    R"(usage: beadmap INPUT [-o OUTPUT] [--chain ID] [--library FILE] [--mapping FILE]
               [--posre FILE] [--skip-incomplete] [--format pdb|cif|json]
               [--model N] [--altloc X] [--force]
       beadmap INPUT --list [--format pdb|cif|json] [--model N]
       beadmap --help | --version

Maps one protein chain of an atomistic structure (PDB, mmCIF or mmJSON,
gzip-compressed or not; INPUT - reads standard input) to the coarse-grained
structure beadweave reads: one bead per group of heavy atoms, at the
group's centroid.

Options (before or after INPUT):
  -o, --output FILE  the coarse-grained structure (default pdb-CG.pdb)
  --chain ID         the chain to map (default: the first chain of the first
                     model that holds a standard amino acid)
  --library FILE     the residue template library the beads are checked
                     against (default beadlib.dat)
  --mapping FILE     the mapping of residues to beads (default: the built-in
                     four-to-one protein mapping, shipped as protein.map)
  --posre FILE       also write position restraints on the backbone beads
                     (for #include "posre.itp" and define = -DPOSRES)
  --skip-incomplete  skip residues that lack atoms (default: keep them, each
                     bead at the centroid of the atoms present, a side-chain
                     bead with none rebuilt 3 angstrom from the bead before
                     it, away from the neighbouring backbone beads)
  --format FORMAT    read INPUT as pdb, cif or json, whatever its name says
                     (for names such as 1abc.pdb1.gz; standard input is
                     told by its content)
  --model N          the model numbered N (default: the first)
  --altloc X         of atoms in several alternate locations, those in X
                     (default: the first of each name)
  --list             list the chains of the model instead: what each holds
                     and the beads it maps to; nothing is written
  --force            replace existing output files (a run that fails
                     leaves them as they were)

Skipped residues, incomplete residues and gaps in the backbone are reported
on standard error.

From an entry to an energy-minimised coarse-grained protein:
  beadmap 1ubi.pdb.gz --posre posre.itp     # writes pdb-CG.pdb, posre.itp
  printf '40000\n500\n0.9\n' | beadweave    # writes protein.itp
  gmx grompp ... && gmx mdrun ...

The manual page beadmap(1) is the full reference, with the exit statuses
and every message: man beadmap)";

bool run(std::span<const char* const> words) {
  using beadmap::Arguments;
  const Arguments arguments = beadmap::parse_arguments(words);
  if (arguments.action == Arguments::Action::help) {
    std::puts(help_text);
  } else if (arguments.action == Arguments::Action::version) {
    std::puts("beadmap " CGTOOLS_VERSION);
  } else {
    beadmap::run_beadmap(arguments);  // maps, or lists the chains
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::span<const char* const> words(argv + 1,
                                           static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
  return beadmap::run_front_end("beadmap", [words] { return run(words); });
}
