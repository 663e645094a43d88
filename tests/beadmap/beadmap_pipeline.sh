#!/usr/bin/env bash
# beadmap's whole path, step by step as the single-chain tools take it:
# beadmap maps the entry (default: the pipeline example's pdb1ubi.pdb) to
# pdb-CG.pdb and posre.itp, beadweave builds protein.itp, conf.gro comes from
# tests/support/cg-to-gro.awk, and gmx grompp and mdrun run 50 steps of
# steepest descent (tests/support/em-50.mdp). Prints the final potential
# energy.
#
# Usage: beadmap_pipeline.sh [ENTRY]   (PDB or mmCIF, gzip-compressed or not)
# Environment, as for the examples:
#   CGTOOLS_BIN      directory holding beadmap and beadweave
#   CGTOOLS_SCRATCH  the run's files go to its pipeline-example, made anew
#   CGTOOLS_POSRES   "no" runs without position restraints
# The force field (beadlib.dat, cgff.itp) is that of examples/beadweave.
set -euo pipefail

support=$(cd "$(dirname "${BASH_SOURCE[0]}")/../support" && pwd)
example=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../examples/pipeline" && pwd)
entry=$(realpath "${1:-$example/pdb1ubi.pdb}")
forcefield=$example/../beadweave
posres=${CGTOOLS_POSRES:-yes}

source "$example/../example-env.sh"
beadmap=$(example_program beadmap)
beadweave=$(example_program beadweave)
command -v gmx > /dev/null || { echo "gmx not found (Debian package gromacs)" >&2; exit 1; }

out=$(example_scratch pipeline-example)
cp "$forcefield/beadlib.dat" "$forcefield/cgff.itp" "$out/"
chmod u+w "$out"/*
cd "$out"

# 1. The coarse-grained structure and the restraints on its backbone beads.
"$beadmap" "$entry" --posre posre.itp > beadmap.log
# 2. The topology: i-i+4 force constant, elastic network force constant and cut-off.
printf '40000\n500\n0.9\n' | "$beadweave" > dialogue.txt

# conf.gro: the structure in nm, in a box 3 nm larger than the protein.
awk -f "$support/cg-to-gro.awk" pdb-CG.pdb > conf.gro

printf '#include "cgff.itp"\n#include "protein.itp"\n\n[ system ]\nprotein\n\n[ molecules ]\nprotein 1\n' \
  > topol.top
{
  [[ "$posres" == no ]] || echo "define          = -DPOSRES"
  cat "$support/em-50.mdp"
} > em.mdp

# 3. Preprocessing and a short energy minimisation.
gmx grompp -f em.mdp -c conf.gro -r conf.gro -p topol.top -o em.tpr > grompp.log 2>&1 ||
  { tail -30 grompp.log >&2; exit 1; }
example_mdrun -nt 1 -deffnm em > mdrun.log 2>&1 || { tail -30 mdrun.log >&2; exit 1; }

energy=$(sed -n 's/^Potential Energy *= *//p' mdrun.log | head -1)
steps=$(sed -n 's/.* in \([0-9]*\) steps.*/\1/p' mdrun.log | head -1)
[[ -n "$energy" && "$energy" != *nan* && "$energy" != *inf* ]] ||
  { echo "mdrun gave no finite potential energy" >&2; exit 1; }

echo "pipeline example: $(basename "$entry") -> beadmap -> beadweave -> gmx grompp + mdrun"
sed 's/^beadmap: /  beadmap:     /' beadmap.log
echo "  position restraints: $([[ "$posres" == no ]] && echo off || echo "on ($(grep -c '^ *[0-9]' posre.itp) backbone beads)")"
echo "  energy minimisation: ${steps:-?} steepest-descent steps"
echo "  potential energy:    $energy kJ/mol"
echo "  files:               $out"
