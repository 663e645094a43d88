#!/usr/bin/env bash
# The set-up cost of pairprobe runs of several sizes: page faults, task
# clock and user and system time of the whole process (perf stat, 10 runs
# a round, from Debian's linux-perf), on uniform random configurations made
# by bench/pairprobe_configuration. Page faults do not depend on the
# machine's load; the times do, so the load average is printed with each
# round.
#
# Each round of pairprobe is followed by one of bench/empty_process, a
# program that does nothing, linked as pairprobe is. Its figures are the
# floor of any run in that minute: starting and ending a process, and the
# time perf's own child spends before it starts the program, which perf
# counts as the program's. "Above the floor" is pairprobe's user plus system
# time less the empty program's, round by round.
#
# Goals: at most 500 page faults and 12 ms of user plus system time for
# 5*10^4 particles (the time on a quiet machine), at most 3000 page faults
# for 10^6. Every figure is printed, goals met or not.
#
# Usage: bench/pairprobe_fixed_cost.sh [BUILD] [SIZES] [ROUNDS]
#   (defaults build/bench-rel, 50000,1000000 and 3)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath "${1:-$root/build/bench-rel}")
sizes=${2:-50000,1000000}
rounds=${3:-3}
pairprobe=$build/pairprobe/pairprobe
empty=$build/bench/empty_process
make_configuration=$build/bench/pairprobe_configuration

work=$(mktemp -d "${TMPDIR:-/tmp}/pairprobe-fixed-cost-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# One round of 10 runs: "faults task-clock-ms user+system-ms".
measure() {
  perf stat -x, -r 10 -e page-faults,task-clock,user_time,system_time "$1" 2>&1 > /dev/null |
    awk -F, '$3 == "page-faults" { faults = $1 }
             $3 == "task-clock" { clock = $1 }
             $3 ~ /user_time/ { user_ns = $1 }
             $3 ~ /system_time/ { system_ns = $1 }
             END { printf "%s %.2f %.2f\n", faults, clock, (user_ns + system_ns) / 1e6 }'
}

for n in ${sizes//,/ }; do
  "$make_configuration" uniform "$n" conf.xyz 1 > /dev/null
  echo "N = $n"
  for round in $(seq "$rounds"); do
    read -r faults clock cpu < <(measure "$pairprobe")
    read -r _ empty_clock empty_cpu < <(measure "$empty")
    above=$(awk -v a="$cpu" -v b="$empty_cpu" 'BEGIN { printf "%.2f", a - b }')
    echo "  round $round (load $(cut -d' ' -f1-3 /proc/loadavg)): pairprobe $faults page faults," \
         "task clock $clock ms, user+system $cpu ms; empty program task clock $empty_clock ms," \
         "user+system $empty_cpu ms; above the floor $above ms"
  done
  rm -f conf.xyz
done
