#!/usr/bin/env bash
# Real-client check: builds the topology of every real coarse-grained
# structure with beadweave, then has GROMACS preprocess it (gmx grompp) and
# run 50 steps of steepest-descent minimisation on it (gmx mdrun), with
# position restraints switched on.
#
# Usage: gromacs_check.sh BEADWEAVE PROJECT_SOURCE_DIR
# Data: the project's example library and force-field include
# (examples/beadweave) and the reference structures of
# real proteins (tests/data/reference/<id>/pdb-CG.pdb).
# Exit status 77 (skipped) when gmx is missing.
set -u

beadweave=$1
source_dir=$2
skip_status=77
answers=$'40000\n500\n0.9\n'

if ! command -v gmx > /dev/null 2>&1; then
  echo "SKIP: gmx not found (Debian package gromacs)"
  exit "$skip_status"
fi

data=$source_dir/examples/beadweave
structures=("$source_dir"/tests/data/reference/*/pdb-CG.pdb)
echo "data: $data (${#structures[@]} structures)"

work=$(mktemp -d "${TMPDIR:-/tmp}/beadweave-gromacs-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL [$1]: $2"
  failures=$((failures + 1))
}

# conf.gro from pdb-CG.pdb: nm, in a box 3 nm larger than the protein (the
# conversion of tests/support/cg-to-gro.awk).
write_gro() {
  awk -f "$source_dir/tests/support/cg-to-gro.awk" pdb-CG.pdb > conf.gro
}

write_run_files() {
  printf '#include "cgff.itp"\n#include "protein.itp"\n\n[ system ]\nprotein\n\n[ molecules ]\nprotein 1\n' \
    > topol.top
  printf '[ position_restraints ]\n; bead  funct  kx    ky    kz\n    1    1    1000  1000  1000\n' \
    > posre.itp
  { echo "define          = -DPOSRES"; cat "$source_dir/tests/support/em-50.mdp"; } > em.mdp
}

# Data lines (not comments, not blank) of one [ section ] of protein.itp.
section_lines() {
  awk -v want="[ $1 ]" '
    /^\[/ { inside = ($0 == want); next }
    inside && !/^;/ && !/^ *$/ && !/^#/ { n++ }
    END { print n + 0 }' protein.itp
}

# Entries of one interaction kind in the run input, from gmx dump.
dumped_entries() {
  awk -v kind="      $1:" -v per="$2" '
    $0 == kind { getline; print $2 / per; found = 1; exit }
    END { if (!found) print 0 }' dump.txt
}

run_mdrun_under_qemu() {
  if ! command -v qemu-x86_64 > /dev/null 2>&1; then
    echo "  mdrun needs rdtscp, and qemu-x86_64 (Debian package qemu-user) is missing"
    return 1
  fi
  echo "  mdrun: no rdtscp on this processor, running under qemu-x86_64 -cpu max"
  qemu-x86_64 -cpu max "$(readlink -f "$(command -v gmx)")" mdrun -nt 1 -deffnm em \
    > mdrun.log 2>&1
}

# Debian's build refuses to start on processors without the rdtscp
# instruction; an emulated processor that has it runs the same binary.
run_mdrun() {
  grep -qw rdtscp /proc/cpuinfo || { run_mdrun_under_qemu; return; }
  local status=0
  gmx mdrun -nt 1 -deffnm em > mdrun.log 2>&1 || status=$?
  if ((status != 0)) && { grep -qi rdtscp mdrun.log || ((status == 132)); }; then
    run_mdrun_under_qemu
    return
  fi
  return "$status"
}

check_structure() {
  local pdb=$1 id
  id=$(basename "$(dirname "$pdb")")
  local dir=$work/$id
  mkdir -p "$dir" && cd "$dir" || return
  cp "$data/beadlib.dat" "$data/cgff.itp" "$pdb" .
  chmod u+w ./*
  local status=0
  "$beadweave" <<< "${answers%$'\n'}" > dialogue.txt 2> beadweave.err || status=$?
  if ((status != 0)); then
    fail "$id" "beadweave ended with exit status $status: $(cat beadweave.err)"
    return
  fi
  write_gro
  write_run_files
  if ! gmx grompp -f em.mdp -c conf.gro -r conf.gro -p topol.top -o em.tpr > grompp.log 2>&1; then
    fail "$id" "grompp refused the topology:"
    grep -A6 -E "ERROR|WARNING" grompp.log | head -40
    return
  fi
  # A charged protein draws a note on its net charge; expected.
  grep -h "non-zero total charge" grompp.log | sed "s/^ */  [$id] grompp note: /"
  gmx dump -s em.tpr > dump.txt 2> /dev/null

  # What GROMACS took from the file must be everything the file holds.
  local atoms bonds constraints angles dihedrals
  atoms=$(section_lines atoms)
  bonds=$(section_lines bonds)
  constraints=$(section_lines constraints)
  angles=$(section_lines angles)
  dihedrals=$(section_lines dihedrals)
  local got_atoms got_bonds got_constraints got_angles got_dihedrals got_posres
  got_atoms=$(sed -n 's/^ *atom (\([0-9]*\)):$/\1/p' dump.txt | head -1)
  got_bonds=$(dumped_entries "Bond" 3)
  got_constraints=$(dumped_entries "Constraint" 3)
  got_angles=$(dumped_entries "G96Angle" 4)
  got_dihedrals=$(dumped_entries "Improper Dih." 5)
  got_posres=$(dumped_entries "Position Rest." 2)
  echo "  [$id] protein.itp: $atoms atoms, $bonds bonds, $constraints constraints," \
    "$angles angles, $dihedrals dihedrals; run input: $got_atoms, $got_bonds, $got_constraints," \
    "$got_angles, $got_dihedrals; position restraints: $got_posres"
  [[ "$atoms" == "$got_atoms" && "$bonds" == "$got_bonds" && "$constraints" == "$got_constraints" \
    && "$angles" == "$got_angles" && "$dihedrals" == "$got_dihedrals" ]] \
    || fail "$id" "GROMACS did not take every line of protein.itp"
  [[ "$got_posres" == 1 ]] || fail "$id" "the position restraint of posre.itp was not applied"

  # Every bead's charge in the run input is the charge in its atom line.
  local charge_mismatches
  charge_mismatches=$(awk '
    FNR == NR { if ($0 ~ /^\[/) inside = ($0 == "[ atoms ]"); else if (inside && $0 !~ /^;/ && $0 !~ /^ *$/) q[++n] = substr($0, 45, 5) + 0; next }
    /^ *atom\[ *[0-9]+\]=\{type=/ { if (done) next
      i = $0; sub(/^ *atom\[ */, "", i); sub(/\].*/, "", i)
      c = $0; sub(/.* q= */, "", c); sub(/,.*/, "", c)
      if ((c + 0) - q[i + 1] > 1e-4 || q[i + 1] - (c + 0) > 1e-4) bad++
      if (i + 1 == n) done = 1 }
    END { print bad + 0 }' protein.itp dump.txt)
  [[ "$charge_mismatches" == 0 ]] || fail "$id" "$charge_mismatches beads lost their charge in GROMACS"

  if ! run_mdrun; then
    fail "$id" "mdrun failed:"
    tail -25 mdrun.log
    return
  fi
  local energy steps
  energy=$(sed -n 's/^Potential Energy *= *//p' mdrun.log | head -1)
  steps=$(sed -n 's/.* in \([0-9]*\) steps.*/\1/p' mdrun.log | head -1)
  if [[ -z "$energy" || "$energy" == *nan* || "$energy" == *inf* || ! -s em.gro ]]; then
    fail "$id" "mdrun gave no finite potential energy or no minimised structure"
    return
  fi
  echo "  [$id] mdrun: steepest descent ended after ${steps:-?} steps, potential energy $energy"
}

for pdb in "${structures[@]}"; do
  (check_structure "$pdb") | tee -a "$work/report.txt"
done
failed=$(grep -c '^FAIL' "$work/report.txt")
echo "gromacs check: $((${#structures[@]} - failed)) of ${#structures[@]} structures accepted"
[[ "$failed" == 0 ]]
