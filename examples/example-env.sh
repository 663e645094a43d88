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
