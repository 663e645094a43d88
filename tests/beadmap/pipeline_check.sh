#!/usr/bin/env bash
# Real-client check of the whole path: real entries of the project (copied
# from Debian packages) go through beadmap, beadweave, gmx grompp and a 50-step energy
# minimisation (tests/beadmap/beadmap_pipeline.sh), once
# with position restraints on the backbone beads and once without. GROMACS
# must apply one restraint per residue with them and none without.
#
# Usage: pipeline_check.sh BEADMAP BEADWEAVE PROJECT_SOURCE_DIR
# Exit status 77 (skipped) when gmx is missing.
set -u

beadmap=$1
beadweave=$2
source_dir=$3
skip_status=77

if ! command -v gmx > /dev/null 2>&1; then
  echo "SKIP: gmx not found (Debian package gromacs)"
  exit "$skip_status"
fi

# 6WQA keeps 28 residues whose side chains stop short, with rebuilt beads.
entries=(
  "1a1p tests/data/varied/1A1P.pdb.gz"
  "1ubi examples/pipeline/pdb1ubi.pdb"
  "2xhe tests/data/entries/2XHE.pdb.gz"
  "4zhl tests/data/entries/4ZHL.cif.gz"
  "6wqa tests/data/incomplete/6WQA.cif.gz"
)

work=$(mktemp -d "${TMPDIR:-/tmp}/beadmap-pipeline-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The example takes both programs from one directory.
mkdir "$work/bin"
ln -s "$beadmap" "$work/bin/beadmap"
ln -s "$beadweave" "$work/bin/beadweave"

failures=0
checked=0
for line in "${entries[@]}"; do
  read -r id entry <<< "$line"
  entry=$source_dir/$entry
  residues=""
  for posres in yes no; do
    run=$work/$id-posres-$posres/pipeline-example
    if ! CGTOOLS_BIN=$work/bin CGTOOLS_SCRATCH=$work/$id-posres-$posres CGTOOLS_POSRES=$posres \
      bash "$source_dir/tests/beadmap/beadmap_pipeline.sh" "$entry" > "$work/report.txt" 2>&1; then
      echo "FAIL [$id, position restraints $posres]:"
      tail -20 "$work/report.txt"
      failures=$((failures + 1))
      continue
    fi
    residues=$(sed -n 's/^HEADER number of residues: *\([0-9]*\).*/\1/p' "$run/pdb-CG.pdb")
    gmx dump -s "$run/em.tpr" > "$run/dump.txt" 2> /dev/null
    restraints=$(awk '$0 == "      Position Rest.:" { getline; print $2 / 2; found = 1; exit }
                      END { if (!found) print 0 }' "$run/dump.txt")
    expected=$([[ $posres == yes ]] && echo "$residues" || echo 0)
    energy=$(sed -n 's/^ *potential energy: *//p' "$work/report.txt")
    echo "  [$id] $residues residues, position restraints $posres: $restraints applied," \
      "potential energy $energy"
    if [[ "$restraints" != "$expected" ]]; then
      echo "FAIL [$id]: $restraints position restraints applied, $expected expected"
      failures=$((failures + 1))
    fi
  done
  checked=$((checked + 1))
done
echo "pipeline check: $checked entries, $failures failures"
((checked > 0)) || exit "$skip_status"
((failures == 0))
