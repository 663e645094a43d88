#!/usr/bin/env bash
# Runs pairprobe on the example configuration (ten particles in a box of edge
# 10, hard-sphere distance 1) and compares its report with expected.txt, the
# five overlapping pairs worked out by hand.
#
# Usage: run-example.sh [PATH_TO_PAIRPROBE]
# The program: the argument, else $CGTOOLS_BIN/pairprobe, else the source
# tree's build/release/pairprobe/pairprobe, else pairprobe on the PATH.
# pairprobe only reads, so it runs in the example directory itself.
set -euo pipefail

example=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$example/../.." && pwd)
if [[ $# -ge 1 ]]; then
  pairprobe=$1
elif [[ -n "${CGTOOLS_BIN:-}" ]]; then
  pairprobe=$CGTOOLS_BIN/pairprobe
elif [[ -f "$root/CMakeLists.txt" && -x "$root/build/release/pairprobe/pairprobe" ]]; then
  pairprobe=$root/build/release/pairprobe/pairprobe
else
  pairprobe=$(command -v pairprobe) || { echo "pairprobe not found: build it or give its path" >&2; exit 2; }
fi
pairprobe=$(realpath "$pairprobe")

cd "$example"
report=$("$pairprobe")
printf '%s\n' "$report"
if [[ "$report"$'\n' != "$(cat expected.txt)"$'\n' ]]; then
  echo "pairprobe example: the report differs from expected.txt" >&2
  exit 1
fi
