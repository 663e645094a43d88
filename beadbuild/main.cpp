// beadbuild: from an atomistic entry to a coarse-grained system directory
// that GROMACS runs as it is.
#include <cstdio>
#include <span>

#include "arguments.hpp"
#include "beadmap/front_end.hpp"
#include "run_beadbuild.hpp"

namespace {

constexpr const char* help_text =
    R"(usage: beadbuild ENTRY [-o DIR] [--chains A,B,...] [--merge A,B,...]...
                 [--library FILE] [--mapping FILE] [--forcefield FILE]
                 [--i4 K] [--network-k K] [--network-cutoff NM] [--posre]
                 [--box-margin NM] [--bond-gaps] [--skip-incomplete]
                 [--format pdb|cif|json] [--model N] [--altloc X] [--force]
       beadbuild --help | --version

Builds a coarse-grained system that GROMACS runs as it is from an atomistic
entry (PDB, mmCIF or mmJSON, gzip-compressed or not): every protein chain of
the first model becomes a molecule, mapped as beadmap maps one chain, with
a topology as beadweave writes it.

  beadbuild 1ubi.pdb.gz -o ubiquitin
  cd ubiquitin && gmx grompp -f em.mdp -c conf.gro -r conf.gro -p topol.top -o em.tpr &&
    gmx mdrun -deffnm em

Writes the directory DIR: topol.top, conf.gro (the beads centred in a
rectangular box), one include file per molecule (protein_A.itp ...), the
force field include, em.mdp (steepest descent), md.mdp (a short run at
300 K) and system.pdb (the beads with the entry's chains, for viewers).
All of it appears at once when complete; a failed run leaves nothing.

Options (before or after ENTRY):
  -o, --output DIR       the system directory (default: the entry's name
                         without extensions, "1ubi" for 1ubi.pdb.gz)
  --chains A,B,...       the chains to take, in this order (default: every
                         chain that holds a standard amino acid, in file
                         order; the others are named on standard error)
  --merge A,B,...        these chains form one molecule, held together by
                         the elastic network across chains (repeatable);
                         --merge all merges every chain taken
  --library FILE         the residue template library (default: the one
                         built in, examples/beadweave/beadlib.dat)
  --mapping FILE         the mapping of residues to beads (default: the
                         built-in four-to-one protein mapping, protein.map)
  --forcefield FILE      the force-field include for topol.top; its atom
                         types must cover the library's bead types (default:
                         the minimal one built in, cgff.itp: enough for
                         GROMACS to run the system, not for real work)
  --i4 K                 force constant of the bonds between backbone beads
                         four residues apart, kJ mol-1 nm-2; 0 leaves them
                         out (default 40000)
  --network-k K          force constant of the elastic network, kJ mol-1
                         nm-2 (default 500)
  --network-cutoff NM    the elastic network's cut-off (default 0.9)
                         (these three defaults are the answers the examples
                         give beadweave)
  --posre                also write position restraints on the backbone
                         beads (posre_protein_A.itp ..., for define = -DPOSRES)
  --box-margin NM        space between the structure and each box face
                         (default 1.0)
  --bond-gaps            bond consecutive backbone beads more than 4.5
                         angstrom apart, as beadweave does (default: the
                         backbone is broken there; the network still joins)
  --skip-incomplete      skip residues that lack atoms (default: keep them,
                         as beadmap does, with beads rebuilt where none of
                         their atoms is there)
  --format FORMAT        read ENTRY as pdb, cif or json, whatever its name
                         says (ENTRY - reads standard input, told by its
                         content)
  --model N              the model numbered N (default: the first)
  --altloc X             of atoms in several alternate locations, those in
                         X (default: the first of each name)
  --force                replace an existing DIR that holds files alone

The manual page beadbuild(1) is the full reference, with the exit statuses
and every message: man beadbuild)";

bool run(std::span<const char* const> words) {
  using beadbuild::BuildArguments;
  const BuildArguments arguments = beadbuild::parse_build_arguments(words);
  if (arguments.action == BuildArguments::Action::help) {
    std::puts(help_text);
  } else if (arguments.action == BuildArguments::Action::version) {
    std::puts("beadbuild " CGTOOLS_VERSION);
  } else {
    beadbuild::run_beadbuild(arguments);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::span<const char* const> words(argv + 1,
                                           static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
  return beadmap::run_front_end("beadbuild", [words] { return run(words); });
}
