#!/usr/bin/env bash
# Builds the topology of coarse-grained ubiquitin with beadweave: copies the
# example's inputs into a scratch directory (made anew at each run), feeds the
# answers from answers.txt and prints a short summary of the file.
#
# Usage: run-example.sh [PATH_TO_BEADWEAVE]
# Without the argument the program and the scratch directory are found as
# ../example-env.sh says (CGTOOLS_BIN, CGTOOLS_SCRATCH); the example directory
# itself is only read, so the installed copy works as well.
set -euo pipefail

example=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$example/../example-env.sh"
beadweave=$(realpath "${1:-$(example_program beadweave)}")
out=$(example_scratch beadweave-example)
cp "$example/beadlib.dat" "$example/pdb-CG.pdb" "$out/"
cd "$out"
status=0
"$beadweave" < "$example/answers.txt" > dialogue.txt || status=$?
if ((status != 0)); then
  echo "beadweave ended with exit status $status" >&2
  exit "$status"
fi

echo "beadweave example: coarse-grained ubiquitin (PDB 1UBI)"
sed -n 's/^HEADER number of residues: *\([0-9]*\) number of beads: *\([0-9]*\).*/  structure:   \1 residues, \2 beads/p' pdb-CG.pdb
echo "  answers:     $(awk '{printf "%s%s", sep, $1; sep = ", "}' "$example/answers.txt")" \
  "(i-i+4 force constant, elastic network force constant, cut-off in nm)"
echo "  dialogue:    $out/dialogue.txt"
echo "  topology:    $out/protein.itp"
# Data lines per group, the group told by the comment line before it.
awk '
  /^; The distance is taken/ { group = (group == "i-i+1 bonds" ? "i-i+4 bonds" : "i-i+1 bonds") }
  /^; at least i-i\+3/ { group = "elastic network bonds" }
  /^; The distances are taken/ { group = "template bonds" }
  /^\[ constraints \]/ { group = "constraints" }
  /^\[ angles \]/ { group = "template angles" }
  /^; The values are taken from the struture/ { group = "backbone angles" }
  /^\[ dihedrals \]/ { group = "dihedrals" }
  /^\[ atoms \]/ { group = "atoms" }
  /^[;#\[]/ || /^ *$/ || group == "" { next }
  { if (!(group in count)) order[++n] = group; count[group]++ }
  END { for (i = 1; i <= n; i++) printf "  %-22s %5d lines\n", order[i] ":", count[order[i]] }
' protein.itp
