#!/usr/bin/env bash
# The set-up cost of pairprobe runs of several sizes: page faults, task
# clock and user and system time of the whole process (perf stat, 10 runs
# each, from Debian's linux-perf), on uniform random configurations made by
# bench/pairprobe_configuration. Page faults do not depend on the machine's
# load; the times do, so the load average is printed with each size.
# Goals: at most 500 page faults and 12 ms of user plus system time for
# 5*10^4 particles (the time on a quiet machine), at most 3000 page faults
# for 10^6. Every figure is printed, goals met or not.
#
# Usage: bench/pairprobe_fixed_cost.sh [BUILD] [SIZES]
#   (defaults build/bench-rel and 50000,1000000)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath "${1:-$root/build/bench-rel}")
sizes=${2:-50000,1000000}
pairprobe=$build/pairprobe/pairprobe
make_configuration=$build/bench/pairprobe_configuration

work=$(mktemp -d "${TMPDIR:-/tmp}/pairprobe-fixed-cost-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

for n in ${sizes//,/ }; do
  "$make_configuration" uniform "$n" conf.xyz 1 > /dev/null
  echo "N = $n, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  perf stat -r 10 -e page-faults,task-clock,user_time,system_time "$pairprobe" 2>&1 > /dev/null |
    awk '/page-faults|task-clock|user_time|system_time|elapsed/ { sub(/#.*/, ""); print "  " $0 }' |
    tr -s ' '
  rm -f conf.xyz
done
