#!/usr/bin/env bash
# Runs pairprobe on the example configuration (ten particles in a box of edge
# 10, hard-sphere distance 1) and compares its report with expected.txt, the
# five overlapping pairs worked out by hand.
#
# Usage: run-example.sh [PATH_TO_PAIRPROBE]
# Without the argument the program is found as ../example-env.sh says.
# pairprobe only reads, so it runs in the example directory itself.
set -euo pipefail

example=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$example/../example-env.sh"
pairprobe=$(realpath "${1:-$(example_program pairprobe)}")

cd "$example"
report=$("$pairprobe")
printf '%s\n' "$report"
if [[ "$report"$'\n' != "$(cat expected.txt)"$'\n' ]]; then
  echo "pairprobe example: the report differs from expected.txt" >&2
  exit 1
fi
