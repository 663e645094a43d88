#!/usr/bin/env bash
# Timing of beadmap on entries of about 10^5 atoms, made by replicating the
# chains of a real entry (PDB 2XHE, 6267 protein atoms in chains A and B, the
# project's copy in tests/data/entries):
#   many-chains  16 copies of both chains under new chain ids (100272 atoms);
#                beadmap reads them all and maps the first chain
#   one-chain    23 copies of chain A as one chain, told apart by insertion
#                codes (102718 atoms); all 28566 beads are mapped and checked,
#                then refused (beadweave takes at most 9999)
#   largest      7 copies of chain A as one chain (31262 atoms, 8694 beads):
#                the largest structure beadweave takes, written whole
# Each entry also gzip-compressed. Prints the best wall time of 5 runs.
#
# Usage: bench/beadmap_bench.sh [BEADMAP]   (default build/release/beadmap/beadmap)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
beadmap=$(realpath "${1:-$root/build/release/beadmap/beadmap}")
source_entry=$root/tests/data/entries/2XHE.pdb.gz

work=$(mktemp -d "${TMPDIR:-/tmp}/beadmap-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$root/examples/beadweave/beadlib.dat" "$work/"
cd "$work"
zcat "$source_entry" | grep '^ATOM' > atoms.txt

# Copies of the ATOM records: chain ids from `chains` (two a copy) or one
# chain with an insertion code a copy; serial numbers renewed.
awk -v copies=16 -v chains=ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz '
  { line[NR] = $0 }
  END {
    for (k = 0; k < copies; k++)
      for (i = 1; i <= NR; i++) {
        c = substr(line[i], 22, 1) == "A" ? substr(chains, 2 * k + 1, 1) : substr(chains, 2 * k + 2, 1)
        printf "%s%5d%s%s%s\n", substr(line[i], 1, 6), (++n) % 100000, substr(line[i], 12, 10), c,
               substr(line[i], 23)
      }
    print "END"
  }' atoms.txt > many-chains.pdb
one_chain() {
  awk -v copies="$1" -v codes=ABCDEFGHIJKLMNOPQRSTUVWXYZ '
    substr($0, 22, 1) == "A" { line[++m] = $0 }
    END {
      for (k = 0; k < copies; k++)
        for (i = 1; i <= m; i++)
          printf "%s%5d%s%s%s\n", substr(line[i], 1, 6), (++n) % 100000, substr(line[i], 12, 15),
                 substr(codes, k + 1, 1), substr(line[i], 28)
      print "END"
    }' atoms.txt
}
one_chain 23 > one-chain.pdb
one_chain 7 > largest.pdb
for entry in many-chains one-chain largest; do gzip -k "$entry.pdb"; done

best_time() {
  local best="" start end elapsed
  for _ in 1 2 3 4 5; do
    rm -f out.pdb
    start=$(date +%s%N)
    "$beadmap" "$@" -o out.pdb > /dev/null 2>&1 || true
    end=$(date +%s%N)
    elapsed=$(((end - start) / 1000))
    if [[ -z "$best" || $elapsed -lt $best ]]; then best=$elapsed; fi
  done
  awk -v us="$best" 'BEGIN { printf "%8.3f s", us / 1e6 }'
}

echo "beadmap on entries of about 10^5 atoms (best of 5 runs, wall time)"
for entry in many-chains one-chain largest; do
  atoms=$(grep -c '^ATOM' "$entry.pdb")
  rm -f out.pdb
  "$beadmap" "$entry.pdb" -o out.pdb > summary.txt 2> reports.txt && status=0 || status=$?
  rm -f out.pdb
  outcome=$(if ((status == 0)); then sed 's/.*: \([0-9]* residues, [0-9]* beads\).*/\1 written/' summary.txt;
            else sed 's/^beadmap: //' reports.txt | tail -1; fi)
  printf '  %-12s %6d atoms  .pdb %s  .pdb.gz %s  (%s)\n' "$entry" "$atoms" \
    "$(best_time "$entry.pdb")" "$(best_time "$entry.pdb.gz")" "$outcome"
done
