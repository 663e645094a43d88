#!/usr/bin/env bash
# Timing of beadbuild, entry to system directory, on entries of about 10^5
# atoms made from copies of real protein chains (from Debian's
# python-biopython-doc: PDB 2XHE chains A (4466 atoms) and B (1801), PDB 1A8O
# chain A (556, selenomethionines included); waters left out). Each copy is
# moved on a grid so that no two copies overlap, and gets a chain id of its own:
#   chains30   17 copies of 2XHE A and 13 of 2XHE B, 30 chains, 99335 atoms:
#              .pdb, .pdb.gz and .cif
#   chains70   49 copies of 2XHE B and 21 of 1A8O A, 70 chains, 99925 atoms,
#              two-letter chain names (AA, AB, ... CR): .cif, .cif.gz and .pdb
#              (the name in columns 21-22, which the structure reader takes)
# The goals: chains30 becomes a system directory in under 0.5 s on every run;
# and at a fixed atom count time grows about linearly with the chain count (the
# entry is read once, not once a chain): chains70 over chains30, in the same
# format and the same round, stays under 70/30 = 2.33 in every round. That is
# the ratio of a time in proportion to chains x atoms (the whole entry gone
# through once for each chain); a time growing with the square of the chain
# count goes beyond it. A ratio near 1 means a small cost per chain.
#
# The runs go in rounds, each round every entry once, so that a drift of the
# machine's speed falls on all entries alike. Every run's wall time (the whole
# process, from date before to date after, output to a scratch directory with
# --force) is printed, then the median.
#
# Usage: bench/beadbuild_bench.sh [--runs N] [--load K] [BEADBUILD]
#   BEADBUILD  default build/release/beadbuild/beadbuild; give a Release build
#   --runs N   rounds (default 5)
#   --load K   keep K CPU-bound processes (`yes`) running during the runs;
#              each ends with the script, or after ten minutes in any case
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=5
load=0
beadbuild=""
while (($# > 0)); do
  case $1 in
    --runs) runs=${2:?--runs needs a number}; shift 2 ;;
    --load) load=${2:?--load needs a number}; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) beadbuild=$1; shift ;;
  esac
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "--runs: not a positive number: $runs" >&2; exit 2; }
[[ $load =~ ^[0-9]+$ ]] || { echo "--load: not a number: $load" >&2; exit 2; }
beadbuild=$(realpath "${beadbuild:-$root/build/release/beadbuild/beadbuild}")
[[ -x $beadbuild ]] || { echo "$beadbuild is not an executable" >&2; exit 1; }
sources=/usr/share/doc/python-biopython-doc/Tests/PDB
for entry in 2XHE 1A8O; do
  [[ -f $sources/$entry.pdb.gz ]] ||
    { echo "$sources/$entry.pdb.gz is missing (Debian package python-biopython-doc)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/beadbuild-bench-XXXXXX")
load_pids=()
finish() {
  local pid
  for pid in "${load_pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT
cd "$work"

# The entries, written by Python's standard library alone.
python3 - "$sources" << 'EOF'
import gzip
import sys

sources = sys.argv[1]


def chain_records(entry, chain):
    """The chain's ATOM and HETATM records of model 1, waters left out."""
    records = []
    with gzip.open(f"{sources}/{entry}.pdb.gz", "rt") as stream:
        for line in stream:
            if line.startswith("ENDMDL"):
                break
            if line[:6] in ("ATOM  ", "HETATM") and line[21] == chain and line[17:20] != "HOH":
                records.append(line.rstrip("\n").ljust(80))
    return records


sources_chains = {name: chain_records(*name.split(":")) for name in ("2XHE:A", "2XHE:B", "1A8O:A")}


def extent(records):
    coordinates = [[float(r[30 + 8 * k:38 + 8 * k]) for r in records] for k in range(3)]
    return [min(c) for c in coordinates], max(max(c) - min(c) for c in coordinates)


def layout(copies):
    """The copies in order, each with its shift: a cubic grid of cells, each
    cell as wide as the widest chain and 10 angstrom more."""
    cell = max(extent(sources_chains[name])[1] for name in set(copies)) + 10.0
    side = 1
    while side ** 3 < len(copies):
        side += 1
    placed = []
    for k, name in enumerate(copies):
        low, _ = extent(sources_chains[name])
        corner = (k % side * cell, k // side % side * cell, k // side // side * cell)
        placed.append((name, [corner[i] - low[i] for i in range(3)]))
    return placed


def two_letter(k):
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    return letters[k // 26] + letters[k % 26]


def one_character(k):
    return "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"[k]


def atoms(copies, names):
    """(chain name, record, x, y, z) of every atom, chain after chain."""
    for k, (name, shift) in enumerate(layout(copies)):
        for record in sources_chains[name]:
            xyz = [float(record[30 + 8 * i:38 + 8 * i]) + shift[i] for i in range(3)]
            yield names(k), record, xyz


def write_pdb(path, copies, names):
    with open(path, "w") as out:
        out.write("REMARK   1 COPIES OF PROTEIN CHAINS OF PDB 2XHE AND 1A8O, MOVED APART\n")
        serial = 0
        previous = None
        for chain, record, xyz in atoms(copies, names):
            if previous is not None and chain != previous:
                out.write(f"TER   {serial % 100000:5d}\n")
            previous = chain
            serial += 1
            coordinates = "".join(f"{c:8.3f}" for c in xyz)
            if len(chain) == 1:
                head = record[:21] + chain
            else:  # columns 21-22
                head = record[:20] + chain
            out.write(f"{record[:6]}{serial % 100000:5d}{head[11:]}{record[22:30]}{coordinates}"
                      f"{record[54:]}".rstrip() + "\n")
        out.write(f"TER   {serial % 100000:5d}\nEND\n")


def write_cif(path, copies, names):
    block = path.split("/")[-1].split(".")[0]
    fields = ("group_PDB id type_symbol label_atom_id label_alt_id label_comp_id label_asym_id "
              "label_entity_id label_seq_id pdbx_PDB_ins_code Cartn_x Cartn_y Cartn_z occupancy "
              "B_iso_or_equiv auth_seq_id auth_asym_id pdbx_PDB_model_num").split()
    with open(path, "w") as out:
        out.write(f"data_{block}\n#\n_struct.title 'Copies of protein chains of PDB 2XHE and 1A8O, "
                  "moved apart'\n#\nloop_\n")
        out.write("".join(f"_atom_site.{field}\n" for field in fields))
        serial = 0
        chain_before = residue_before = None
        sequence = 0
        for chain, record, xyz in atoms(copies, names):
            serial += 1
            residue = record[22:27]
            if chain != chain_before:
                sequence = 0
            if chain != chain_before or residue != residue_before:
                sequence += 1
            chain_before, residue_before = chain, residue
            atom_name = record[12:16].strip()
            if '"' in atom_name or "'" in atom_name:
                atom_name = f'"{atom_name}"' if "'" in atom_name else f"'{atom_name}'"
            alt = record[16].strip() or "."
            insertion = record[26].strip() or "?"
            element = record[76:78].strip() or atom_name.strip("'\"")[0]
            values = (record[:6].strip(), serial, element, atom_name, alt, record[17:20].strip(),
                      chain, 1, sequence, insertion, *(f"{c:.3f}" for c in xyz),
                      record[54:60].strip(), record[60:66].strip(), record[22:26].strip(), chain, 1)
            out.write(" ".join(str(v) for v in values) + "\n")
        out.write("#\n")


thirty = ["2XHE:A"] * 17 + ["2XHE:B"] * 13
seventy = ["2XHE:B"] * 49 + ["1A8O:A"] * 21
# Mixed, so that neither the order nor the size of the chains is uniform.
thirty = [thirty[(k * 7) % 30] for k in range(30)]
seventy = [seventy[(k * 3) % 70] for k in range(70)]
write_pdb("chains30.pdb", thirty, one_character)
write_cif("chains30.cif", thirty, one_character)
write_pdb("chains70.pdb", seventy, two_letter)
write_cif("chains70.cif", seventy, two_letter)
EOF
gzip -k chains30.pdb
gzip -k chains70.cif
entries=(chains30.pdb chains30.pdb.gz chains30.cif chains70.cif chains70.cif.gz chains70.pdb)

# What each entry is, checked by one run: atoms, chains, molecules and beads.
declare -A atoms chains summary
for entry in "${entries[@]}"; do
  case $entry in
    *.pdb | *.pdb.gz)
      atoms[$entry]=$(zcat -f "$entry" | grep -c -E '^(ATOM  |HETATM)')
      chains[$entry]=$(zcat -f "$entry" | grep -E '^(ATOM  |HETATM)' | cut -c21-22 | sort -u | wc -l) ;;
    *)
      atoms[$entry]=$(zcat -f "$entry" | grep -c -E '^(ATOM|HETATM) ')
      chains[$entry]=$(zcat -f "$entry" | awk '/^(ATOM|HETATM) / { print $(NF - 1) }' | sort -u | wc -l) ;;
  esac
  if ! "$beadbuild" "$entry" -o out --force > summary.txt 2> reports.txt; then
    echo "beadbuild refused $entry:" >&2
    tail -5 reports.txt >&2
    exit 1
  fi
  summary[$entry]=$(sed -n 's/.*: \([0-9]* molecules, [0-9]* beads\).*/\1/p' summary.txt)
  [[ -n ${summary[$entry]} ]] || { echo "no summary from beadbuild on $entry" >&2; exit 1; }
done

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((k = 0; k < load; k++)); do
  timeout 600 yes > /dev/null &
  load_pids+=($!)
done

# Rounds: every entry once a round; times in microseconds. The processor
# time of the process (user + system, by GNU time, 10 ms steps) is shown
# beside: what the program itself costs, whatever else the machine does.
declare -A times cpu
cpu_timer=()
if [[ -x /usr/bin/time ]]; then cpu_timer=(/usr/bin/time -f "%U %S" -o cpu.txt); fi
for ((round = 1; round <= runs; round++)); do
  for entry in "${entries[@]}"; do
    start=$(date +%s%N)
    "${cpu_timer[@]}" "$beadbuild" "$entry" -o out --force > /dev/null 2> reports.txt ||
      { echo "beadbuild failed on $entry in round $round" >&2; tail -5 reports.txt >&2; exit 1; }
    end=$(date +%s%N)
    times[$entry]+=" $(((end - start) / 1000))"
    if ((${#cpu_timer[@]} > 0)); then cpu[$entry]+=" $(awk '{ printf "%d", ($1 + $2) * 1e6 }' cpu.txt)"; fi
  done
done

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "beadbuild $("$beadbuild" --version 2>&1 | head -1 | sed 's/^beadbuild //')  ($beadbuild)"
echo "on $(nproc) cores, $runs rounds, $load CPU-bound processes (yes) started beside;"
echo "load average (1, 5, 15 min) $load_before before the rounds, $load_after after"
echo "wall time of each run in seconds, in round order; then the median"
[[ -z ${cpu_timer[*]} ]] || echo "(below it, cpu: the processor time of the same runs, user + system)"
for entry in "${entries[@]}"; do
  list=""
  for us in ${times[$entry]}; do list+=" $(seconds "$us")"; done
  printf '  %-16s %6d atoms %3d chains -> %-26s %s   median %s\n' "$entry" "${atoms[$entry]}" \
    "${chains[$entry]}" "${summary[$entry]}" "$list" "$(seconds "$(median <<< "${times[$entry]}")")"
  if [[ -n ${cpu[$entry]:-} ]]; then
    list=""
    for us in ${cpu[$entry]}; do list+=" $(seconds "$us")"; done
    printf '  %-70s cpu %s   median %s\n' "" "$list" "$(seconds "$(median <<< "${cpu[$entry]}")")"
  fi
done

# The goals, judged on every run.
echo "goal: the 30-chain entry of about 10^5 atoms in under 0.5 s on every run"
for entry in chains30.pdb chains30.pdb.gz chains30.cif; do
  slowest=$(tr ' ' '\n' <<< "${times[$entry]}" | grep . | sort -n | tail -1)
  verdict=$( ((slowest < 500000)) && echo met || echo "NOT met")
  printf '  %-16s slowest run %s s: %s\n' "$entry" "$(seconds "$slowest")" "$verdict"
done
echo "goal: time about linear in the chain count at a fixed atom count: 70 chains / 30 chains,"
echo "      same format, same round, under 70/30 = 2.33 (time in proportion to chains x atoms)"
echo "      (then the same on processor time, steadier on a busy machine)"
ratios() {  # NAME MANY FEW: the ratio of each round, the largest, the verdict
  local many_times few_times list="" worst=0 ratio i
  read -ra many_times <<< "$2"
  read -ra few_times <<< "$3"
  for ((i = 0; i < runs; i++)); do
    ratio=$(awk -v a="${many_times[i]}" -v b="${few_times[i]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 99) }')
    list+=" $ratio"
    worst=$(awk -v r="$ratio" -v w="$worst" 'BEGIN { print (r > w ? r : w) }')
  done
  printf '  %-31s %s   largest %s: %s\n' "$1" "$list" "$worst" \
    "$(awk -v w="$worst" 'BEGIN { print (w < 70 / 30 ? "met" : "NOT met") }')"
}
for pair in "chains70.cif chains30.cif" "chains70.pdb chains30.pdb"; do
  read -r many few <<< "$pair"
  ratios "$many / $few" "${times[$many]}" "${times[$few]}"
  if [[ -n ${cpu[$many]:-} ]]; then ratios "  cpu" "${cpu[$many]}" "${cpu[$few]}"; fi
done
