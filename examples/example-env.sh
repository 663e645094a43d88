# Sourced by the examples' run-example.sh: where the programs are and where a
# run's files go, the same whether the examples lie in the source tree or are
# installed (read-only) under share/doc/cgtools/examples.
#
#   example_program NAME   prints the program's path: $CGTOOLS_BIN/NAME, else
#                          the source tree's build/release/NAME/NAME when it
#                          is built, else NAME on the PATH
#   example_scratch NAME   prints a directory for the run's files, made anew:
#                          $CGTOOLS_SCRATCH/NAME, else scratch/NAME of the
#                          source tree, else a new temporary directory
#   example_beadbuild NAME ARG...
#                          runs beadbuild ARG... into a new system directory,
#                          the scratch directory NAME, goes there and keeps
#                          beadbuild's report in beadbuild.log; a failed run
#                          ends the script with beadbuild's messages
#   example_gromacs        ends the run unless gmx is on the PATH
#   example_mdrun ARG...   runs gmx mdrun ARG... (through qemu-x86_64 where
#                          the processor lacks what Debian's gmx needs)
#   example_minimise RESTRAINED
#                          in a system directory of beadbuild: 50 steps of
#                          its em.mdp (em-50.mdp), with define = -DPOSRES
#                          when RESTRAINED is yes; gmx grompp and mdrun
#                          write em.* and their logs; prints the steps run
#                          and the final potential energy (kJ/mol)
# The example directories themselves are only read.

examples_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_root=$(cd "$examples_dir/.." && pwd)
if [[ -f "$source_root/CMakeLists.txt" ]]; then in_source_tree=1; else in_source_tree=0; fi

example_program() {
  if [[ -n "${CGTOOLS_BIN:-}" ]]; then
    realpath "$CGTOOLS_BIN/$1"
  elif ((in_source_tree)) && [[ -x "$source_root/build/release/$1/$1" ]]; then
    realpath "$source_root/build/release/$1/$1"
  else
    command -v "$1" || { echo "$1 not found: build it or set CGTOOLS_BIN" >&2; return 2; }
  fi
}

example_scratch() {
  local out
  if [[ -n "${CGTOOLS_SCRATCH:-}" ]]; then
    out=$CGTOOLS_SCRATCH/$1
  elif ((in_source_tree)); then
    out=$source_root/scratch/$1
  else
    mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX"
    return
  fi
  rm -rf "$out"
  mkdir -p "$out"
  echo "$out"
}

example_beadbuild() {
  local name=$1 out report status=0
  shift
  out=$(example_scratch "$name")
  # beadbuild creates the system directory itself, whole or not at all.
  rmdir "$out"
  report=$("$(example_program beadbuild)" "$@" -o "$out" 2>&1) || status=$?
  if ((status != 0)); then
    printf '%s\n' "$report" >&2
    echo "beadbuild ended with exit status $status" >&2
    exit "$status"
  fi
  cd "$out"
  printf '%s\n' "$report" > beadbuild.log
}

example_gromacs() {
  command -v gmx > /dev/null || { echo "gmx not found (Debian package gromacs)" >&2; exit 1; }
}

# Debian's gmx refuses to start on processors without the rdtscp
# instruction; an emulated processor that has it runs the same binary.
example_mdrun() {
  if ! grep -qw rdtscp /proc/cpuinfo && command -v qemu-x86_64 > /dev/null; then
    qemu-x86_64 -cpu max "$(readlink -f "$(command -v gmx)")" mdrun "$@"
  else
    gmx mdrun "$@"
  fi
}

example_minimise() {
  local define=""
  [[ "$1" == yes ]] && define="-DPOSRES"
  sed -e "s/^define .*/define                  = $define/" \
      -e 's/^nsteps .*/nsteps                  = 50/' em.mdp > em-50.mdp
  grep -q '^nsteps *= 50$' em-50.mdp || { echo "em.mdp has no nsteps line" >&2; exit 1; }
  gmx grompp -f em-50.mdp -c conf.gro -r conf.gro -p topol.top -o em.tpr > grompp.log 2>&1 ||
    { tail -30 grompp.log >&2; exit 1; }
  example_mdrun -nt 1 -deffnm em > mdrun.log 2>&1 || { tail -30 mdrun.log >&2; exit 1; }
  local energy steps
  energy=$(sed -n 's/^Potential Energy *= *//p' mdrun.log | head -1)
  steps=$(sed -n 's/.* in \([0-9]*\) steps.*/\1/p' mdrun.log | head -1)
  [[ -n "$energy" && "$energy" != *nan* && "$energy" != *inf* ]] ||
    { echo "mdrun gave no finite potential energy" >&2; exit 1; }
  echo "${steps:-?} $energy"
}
