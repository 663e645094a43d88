#!/usr/bin/env bash
# From an atomistic entry to an energy-minimised coarse-grained protein:
# beadbuild turns the entry (default pdb1ubi.pdb, ubiquitin, next to this
# script) into a system directory with position restraints on the backbone
# beads, then gmx grompp preprocesses the directory's em.mdp (with the
# restraints switched on) and gmx mdrun runs 50 steps of steepest descent.
# Prints what beadbuild built and the final potential energy.
#
# Usage: run-example.sh [ENTRY]        (PDB, mmCIF or mmJSON, gzip-compressed or not)
# Environment:
#   CGTOOLS_BIN      directory holding beadbuild (default: the source tree's
#                    build/release when this script lies in a source tree
#                    and it is built, else PATH)
#   CGTOOLS_SCRATCH  the system directory is its pipeline-example, made anew
#                    (default: scratch/pipeline-example of the source tree,
#                    else a new temporary directory); the example directory
#                    itself is only read, so the installed copy works as well
#   CGTOOLS_POSRES   "no" builds and runs without position restraints
# The library and the force field are the ones built into beadbuild.
set -euo pipefail

example=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
entry=$(realpath "${1:-$example/pdb1ubi.pdb}")
posres=${CGTOOLS_POSRES:-yes}

source "$example/../example-env.sh"
example_gromacs

options=()
[[ "$posres" == no ]] || options+=(--posre)
example_beadbuild pipeline-example "$entry" "${options[@]}"

# GROMACS: preprocessing and a short energy minimisation.
read -r steps energy < <(example_minimise "$posres")

echo "pipeline example: $(basename "$entry") -> beadbuild -> gmx grompp + mdrun"
sed 's/^/  /' beadbuild.log
restrained=$(cat posre_*.itp 2>/dev/null | grep -c '^ *[0-9]' || true)
echo "  position restraints: $([[ "$posres" == no ]] && echo off || echo "on ($restrained backbone beads)")"
echo "  energy minimisation: $steps steepest-descent steps (em-50.mdp)"
echo "  potential energy:    $energy kJ/mol"
echo "  files:               $PWD"
