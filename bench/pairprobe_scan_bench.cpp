// Times pairprobe's phases in-process on the configuration "conf.xyz" of the
// current directory: reading it, the cell-list scan and the reference scan
// (the plain pair loop), each as the median of several runs, and checks that
// both scans hand over identical pairs. Prints one "name value" line each.
//
//   pairprobe_scan_bench [RUNS [REFERENCE_RUNS]]     (defaults 5 and 3)
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "common/record_io.hpp"
#include "pairprobe/cell_scan.hpp"
#include "pairprobe/configuration.hpp"
#include "pairprobe/reference_scan.hpp"
#include "pairprobe/run_memory.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double median_seconds(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int k = 0; k < runs; ++k) {
    const Clock::time_point start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  const std::size_t middle = times.size() / 2;
  return times.size() % 2 == 1 ? times[middle] : 0.5 * (times[middle - 1] + times[middle]);
}

struct Found {
  std::int32_t i;
  std::int32_t j;
  std::uint64_t s_bits;
  bool operator==(const Found&) const = default;
};

using Scan = void (*)(const pairprobe::Configuration&, const pairprobe::OverlapSink&);

std::vector<Found> pairs_of(Scan scan, const pairprobe::Configuration& config) {
  std::vector<Found> found;
  scan(config, [&found](const pairprobe::OverlapPair& p) {
    found.push_back({p.i, p.j, std::bit_cast<std::uint64_t>(p.distance_squared)});
  });
  return found;
}

void cell_scan(const pairprobe::Configuration& config, const pairprobe::OverlapSink& sink) {
  pairprobe::cell_list_scan(config, sink);
}

void run_benchmark(int runs, int reference_runs) {
  pairprobe::Configuration config;
  const double read_seconds =
      median_seconds(runs, [&config] { config = pairprobe::read_configuration(); });
  std::vector<Found> cell_pairs;
  const double cell_seconds =
      median_seconds(runs, [&] { cell_pairs = pairs_of(cell_scan, config); });
  std::printf("particles %zu\n", config.positions.size());
  std::printf("pairs %zu\n", cell_pairs.size());
  std::printf("read_seconds %.6f\n", read_seconds);
  std::printf("cell_scan_seconds %.6f\n", cell_seconds);
  if (reference_runs > 0) {
    std::vector<Found> reference_pairs;
    const double reference_seconds = median_seconds(
        reference_runs, [&] { reference_pairs = pairs_of(pairprobe::reference_scan, config); });
    std::printf("reference_scan_seconds %.6f\n", reference_seconds);
    std::printf("speedup %.1f\n", reference_seconds / cell_seconds);
    std::printf("identical %s\n", reference_pairs == cell_pairs ? "yes" : "NO");
  }
}

}  // namespace

int main(int argc, char** argv) {
  pairprobe::set_up_run_memory();  // as the program does
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int reference_runs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 3;
  return rio::run_program("pairprobe_scan_bench",
                          [runs, reference_runs] { run_benchmark(runs, reference_runs); });
}
