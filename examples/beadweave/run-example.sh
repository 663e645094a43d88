#!/usr/bin/env bash
# Builds the topology of coarse-grained ubiquitin with beadweave: copies the
# example's inputs into a scratch directory (made anew at each run), feeds the
# answers from answers.txt and prints a short summary of the file.
#
# Usage: run-example.sh [PATH_TO_BEADWEAVE]
# The program: the argument, else $CGTOOLS_BIN/beadweave, else the source
# tree's build/release/beadweave/beadweave, else beadweave on the PATH.
# The scratch directory: $CGTOOLS_SCRATCH, else scratch/beadweave-example of
# the source tree, else a new temporary directory. The example directory
# itself is only read, so the installed copy works as well.
set -euo pipefail

example=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$example/../.." && pwd)
if [[ -f "$root/CMakeLists.txt" ]]; then in_source_tree=1; else in_source_tree=0; fi
if [[ $# -ge 1 ]]; then
  beadweave=$1
elif [[ -n "${CGTOOLS_BIN:-}" ]]; then
  beadweave=$CGTOOLS_BIN/beadweave
elif ((in_source_tree)) && [[ -x "$root/build/release/beadweave/beadweave" ]]; then
  beadweave=$root/build/release/beadweave/beadweave
else
  beadweave=$(command -v beadweave) || { echo "beadweave not found: build it or give its path" >&2; exit 2; }
fi
beadweave=$(realpath "$beadweave")
if [[ -n "${CGTOOLS_SCRATCH:-}" ]]; then
  out=$CGTOOLS_SCRATCH/beadweave-example
elif ((in_source_tree)); then
  out=$root/scratch/beadweave-example
else
  out=$(mktemp -d "${TMPDIR:-/tmp}/beadweave-example.XXXXXX")
fi

rm -rf "$out"
mkdir -p "$out"
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
