#!/usr/bin/python3
"""pairprobe benchmark: the cell-list scan against the plain pair loop, and the
whole program against scipy's cKDTree, on generated configurations.

    bench/pairprobe_bench.py [--build build/release] [--runs 5] [--reference-runs 3]
                             [--sizes 50000,1000000] [--work DIR]

Needs a Release build of the project (pairprobe, pairprobe_configuration and
pairprobe_scan_bench) and, for the cKDTree columns, Debian's python3-scipy
and python3-numpy. Writes, for each size N, two configurations of particles
of diameter 1 (hard-sphere distance 1) in a periodic cube:
  uniform  uniformly random, packing fraction 0.01;
  dense    packing fraction 0.3 without overlaps, plus 10 planted ones.
and prints, as medians over the runs:
  - in-process (pairprobe_scan_bench): reading conf.xyz, the cell-list scan,
    and at N <= 50000 the reference scan, with the speed-up;
  - the whole pairprobe process (wall time, report written to a file;
    three times as many runs up to N = 100000, where a run is short and the
    median steadier) and its peak resident memory (by GNU time);
  - cKDTree with boxsize (numpy.loadtxt + tree + query_pairs + sorting the
    pairs into (i, j) order, timed inside Python), and the ratio;
and checks that pairprobe reports the very pairs cKDTree finds.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

REFERENCE_LIMIT = 50000  # the plain loop takes N(N-1)/2 tests: skipped above
SHORT_RUN_LIMIT = 100000  # up to this N a whole run takes a few tens of ms: 3 times the runs
TIME_PROGRAM = "/usr/bin/time"  # GNU time, for the peak memory


def parse_arguments():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(root, "build", "release"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--reference-runs", type=int, default=3)
    parser.add_argument("--sizes", default="50000,1000000")
    parser.add_argument("--work", default=None, help="directory for the configurations")
    return parser.parse_args()


def program(build, *parts):
    path = os.path.abspath(os.path.join(build, *parts))
    if not os.access(path, os.X_OK):
        sys.exit(f"pairprobe_bench: {path} not found; build the project first")
    return path


def generate(build, kind, count, directory):
    os.makedirs(directory, exist_ok=True)
    conf = os.path.join(directory, "conf.xyz")
    if not os.path.exists(conf):
        subprocess.run([program(build, "bench", "pairprobe_configuration"), kind, str(count), conf],
                       check=True)
    return directory


def in_process_phases(build, directory, runs, reference_runs):
    output = subprocess.run(
        [program(build, "bench", "pairprobe_scan_bench"), str(runs), str(reference_runs)],
        cwd=directory, check=True, capture_output=True, text=True).stdout
    return {name: value for name, value in (line.split() for line in output.splitlines())}


def run_pairprobe(binary, directory):
    """Wall time of one whole run, its report written to report.txt."""
    report = os.path.join(directory, "report.txt")
    with open(report, "wb") as out, open(os.path.join(directory, "stderr.txt"), "wb") as err:
        start = time.perf_counter()
        status = subprocess.run([binary], cwd=directory, stdout=out, stderr=err).returncode
        elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"pairprobe_bench: pairprobe ended with status {status} in {directory}")
    return elapsed


def peak_memory(binary, directory):
    """Peak resident memory (MB) of one whole run, measured by GNU time: a child
    started by this (large) Python process would inherit its peak."""
    if not os.access(TIME_PROGRAM, os.X_OK):
        return None
    measured = os.path.join(directory, "peak-kb.txt")
    with open(os.devnull, "wb") as sink:
        subprocess.run([TIME_PROGRAM, "-f", "%M", "-o", measured, binary], cwd=directory,
                       stdout=sink, check=True)
    with open(measured) as text:
        return int(text.read().split()[-1]) / 1024.0


def reported_pairs(directory):
    pairs = []
    with open(os.path.join(directory, "report.txt")) as report:
        for line in report:
            pairs.append((int(line[41:53]) - 1, int(line[53:65]) - 1))
    return pairs


def kdtree_run(directory):
    """Seconds to load, to build and query the tree, and to sort the pairs."""
    import numpy
    from scipy.spatial import cKDTree
    conf = os.path.join(directory, "conf.xyz")
    start = time.perf_counter()
    with open(conf) as text:
        header = text.readline().split()
        positions = numpy.loadtxt(text)
    edge, r_hs = float(header[1]), float(header[4])
    loaded = time.perf_counter()
    pairs = cKDTree(positions, boxsize=edge).query_pairs(r_hs, output_type="ndarray")
    queried = time.perf_counter()
    pairs = pairs[numpy.lexsort((pairs[:, 1], pairs[:, 0]))]
    done = time.perf_counter()
    return loaded - start, queried - loaded, done - queried, pairs


def scipy_available():
    try:
        import numpy  # noqa: F401
        import scipy.spatial  # noqa: F401
        return True
    except ImportError:
        return False


def median(values):
    return statistics.median(values)


def main():
    args = parse_arguments()
    pairprobe = program(args.build, "pairprobe", "pairprobe")
    work = args.work or tempfile.mkdtemp(prefix="pairprobe-bench-")
    sizes = [int(size) for size in args.sizes.split(",")]
    with_scipy = scipy_available()
    print(f"pairprobe benchmark: {os.cpu_count()} hardware threads; medians of {args.runs} runs"
          f" ({3 * args.runs} whole runs up to N = {SHORT_RUN_LIMIT}, reference loop"
          f" {args.reference_runs}); configurations in {work}")
    if not with_scipy:
        print("(numpy/scipy not found for this Python: cKDTree columns skipped)")
    results = []
    for count in sizes:
        for kind in ("uniform", "dense"):
            directory = generate(args.build, kind, count,
                                 os.path.join(work, f"{kind}-{count}"))
            reference_runs = args.reference_runs if count <= REFERENCE_LIMIT else 0
            phases = in_process_phases(args.build, directory, args.runs, reference_runs)
            # The whole runs alternate with the cKDTree runs, so that both see
            # the same load on a shared machine.
            whole, kd = [], []
            for _ in range(args.runs * (3 if count <= SHORT_RUN_LIMIT else 1)):
                whole.append(run_pairprobe(pairprobe, directory))
                if with_scipy:
                    kd.append(kdtree_run(directory))
            row = {"kind": kind, "count": count, "phases": phases, "total": median(whole),
                   "memory": peak_memory(pairprobe, directory)}
            if with_scipy:
                row["kd_load"] = median([k[0] for k in kd])
                row["kd_query"] = median([k[1] for k in kd])
                row["kd_sort"] = median([k[2] for k in kd])
                row["kd_total"] = median([k[0] + k[1] + k[2] for k in kd])
                row["same_pairs"] = reported_pairs(directory) == [tuple(p) for p in kd[0][3]]
            results.append(row)
            print_row(row)
    print_goals(results)


def print_row(row):
    phases = row["phases"]
    print(f"\n{row['kind']} N={row['count']}: {phases['pairs']} overlapping pairs")
    print(f"  in-process: read {float(phases['read_seconds']):.4f} s, "
          f"cell-list scan {float(phases['cell_scan_seconds']):.4f} s", end="")
    if "reference_scan_seconds" in phases:
        print(f", reference loop {float(phases['reference_scan_seconds']):.3f} s "
              f"-> {phases['speedup']}x faster (pairs identical: {phases['identical']})", end="")
    print()
    share = float(phases["read_seconds"]) / row["total"]
    memory = "n/a" if row["memory"] is None else f"{row['memory']:.1f} MB"
    print(f"  pairprobe whole run: {row['total']:.4f} s (reading {100 * share:.0f}% of it), "
          f"peak memory {memory}")
    if "kd_total" in row:
        print(f"  cKDTree: {row['kd_total']:.4f} s (load {row['kd_load']:.4f}, tree+query "
              f"{row['kd_query']:.4f}, sort {row['kd_sort']:.4f}) -> pairprobe "
              f"{row['kd_total'] / row['total']:.1f}x faster; same pairs: {row['same_pairs']}")


def print_goals(results):
    print("\nGoals:")
    for row in results:
        label = f"{row['kind']} N={row['count']}"
        phases = row["phases"]
        if "speedup" in phases:
            verdict = "met" if float(phases["speedup"]) >= 100 else "MISSED"
            print(f"  {label}: scan vs reference loop {phases['speedup']}x (goal >= 100x) "
                  f"{verdict}")
        if "kd_total" in row:
            ratio = row["kd_total"] / row["total"]
            verdict = "met" if ratio >= 5 else "MISSED"
            print(f"  {label}: whole run vs cKDTree {ratio:.1f}x (goal >= 5x) {verdict}")
        if row["count"] >= 1000000 and row["memory"] is not None:
            verdict = "met" if row["memory"] < 100 else "MISSED"
            print(f"  {label}: peak memory {row['memory']:.1f} MB (goal < 100 MB) {verdict}")


if __name__ == "__main__":
    main()
