#!/usr/bin/env bash
# Timing of beadmap on one chain of many residues, the same atoms as mmCIF and
# as PDB: RESIDUES glycines (default 250000) of four atoms each (N, CA, C, O),
# laid on a grid 3.8 angstrom apart, so that every coordinate fits the PDB
# columns. In the PDB file the residue numbers wrap at 9999 (their 4
# columns) and each round of 9999 takes the next insertion code; in the
# mmCIF file they run from 1 to RESIDUES. The residues run back and forth
# through the grid, each 3.8 angstrom from the last. beadmap maps the whole
# chain, then refuses it (beadweave takes at most 9999 beads): the time is
# that of the reading and the mapping. Prints the wall time of each run.
#
# Usage: bench/beadmap_long_chain.sh [BEADMAP [RESIDUES [RUNS]]]
#        (default build/release/beadmap/beadmap 250000 1)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
beadmap=$(realpath "${1:-$root/build/release/beadmap/beadmap}")
residues=${2:-250000}
runs=${3:-1}

work=$(mktemp -d "${TMPDIR:-/tmp}/beadmap-long-chain-XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$root/examples/beadweave/beadlib.dat" "$work/"
cd "$work"

# One line per atom: serial, atom name, element, residue number, x, y, z.
awk -v residues="$residues" 'BEGIN {
  split("N CA C O", names, " ")
  split("N C C O", elements, " ")
  split("0.0 1.2 2.0 3.1", dx, " ")
  split("0.0 0.9 0.0 -0.6", dy, " ")
  for (r = 1; r <= residues; r++) {
    row = int((r - 1) / 50); layer = int(row / 50)
    column = row % 2 == 0 ? (r - 1) % 50 : 49 - (r - 1) % 50
    x = 3.8 * column; y = 3.8 * (layer % 2 == 0 ? row % 50 : 49 - row % 50); z = 3.8 * layer
    for (a = 1; a <= 4; a++)
      printf "%d %s %s %d %.3f %.3f %.3f\n", ++n, names[a], elements[a], r, x + dx[a], y + dy[a], z
  }
}' > atoms.txt

awk -v codes=" ABCDEFGHIJKLMNOPQRSTUVWXYZ" '{
  code = substr(codes, int(($4 - 1) / 9999) + 1, 1)
  printf "ATOM  %5d  %-3s GLY A%4d%s   %8.3f%8.3f%8.3f  1.00  0.00          %2s\n",
         $1 % 100000, $2, ($4 - 1) % 9999 + 1, code, $5, $6, $7, $3
} END { print "END" }' atoms.txt > long.pdb

{
  printf 'data_LONG\nloop_\n'
  for tag in group_PDB id type_symbol label_atom_id label_alt_id label_comp_id label_asym_id \
             label_entity_id label_seq_id pdbx_PDB_ins_code Cartn_x Cartn_y Cartn_z occupancy \
             B_iso_or_equiv auth_seq_id auth_asym_id pdbx_PDB_model_num; do
    printf '_atom_site.%s\n' "$tag"
  done
  awk '{ printf "ATOM %d %s %s . GLY A 1 %d ? %s %s %s 1.00 0.00 %d A 1\n",
         $1, $3, $2, $4, $5, $6, $7, $4 }' atoms.txt
} > long.cif

echo "one chain of ${residues} residues ($(wc -l < atoms.txt) atoms):" \
     "long.pdb $(stat -c %s long.pdb) bytes, long.cif $(stat -c %s long.cif) bytes"
for entry in long.pdb long.cif; do
  for ((run = 1; run <= runs; run++)); do
    rm -f out.pdb
    start=$(date +%s%N)
    "$beadmap" "$entry" -o out.pdb > /dev/null 2> err.txt || true
    end=$(date +%s%N)
    printf '  %-9s %8.2f s  (%s)\n' "$entry" "$(((end - start) / 1000000))e-3" "$(tail -n 1 err.txt)"
  done
done
