// The cell-list scan, and why it reports exactly what the reference scan
// reports.
//
// The reference scan reports the pair (i, j), i < j, when c >= s, where c is
// r_hs * r_hs and s = (dx*dx + dy*dy) + dz*dz from the folded differences
// d = pbc(R(j) - R(i)). This scan evaluates that very expression, with the
// very same code (folded_distance_squared and overlaps), on copies of the
// same coordinates, always as second particle minus first; only the choice of
// which pairs to evaluate differs. So it is exact when every reported pair is
// among its candidates:
//
// - c is NaN (r_hs NaN): no comparison with NaN holds; nothing is reported.
// - c is infinite (r_hs infinite, or its square overflows): every pair whose
//   s is not NaN is reported, up to all N(N-1)/2 of them, so there is
//   nothing to gain from a grid: the reference scan runs.
// - c is finite. Every square is at least +0 and rounding is monotonic, so a
//   reported pair has fl(d*d) <= s <= c on each axis, hence |d| <= reach =
//   sqrt(c) * (1 + 1e-9) + 1e-150 (the relative term covers the rounding of
//   d*d and of the square root, the absolute one squares that underflow to
//   zero, below 2^-537 in size).
//   * A coordinate that is NaN or infinite makes d NaN or infinite on its
//     axis (inf - inf is NaN, x - inf is -inf), the fold keeps it NaN or
//     infinite (inf - edge is inf, -inf + inf is NaN), and its square is NaN
//     or infinite: such a particle overlaps nothing and stays out of the grid.
//   * Open axis (edge <= 0, NaN or infinite): the fold changes no finite
//     difference, so |fl(x(j) - x(i))| <= reach, and the true difference is
//     within a relative rounding error of that.
//   * Periodic axis, edge E: d is fl(fl(x(j) - x(i)) + m*E), m in {-1, 0, 1},
//     since the fold adds or subtracts one edge at most. With |d| <= reach,
//     |x(j) - x(i) + m*E| is at most reach plus a few units in the last place
//     of E + reach (when the fold acted, |fl(x(j) - x(i))| is within reach of
//     E, so its own rounding is that small however far outside the box the
//     particles are). The minimum-image separation of x(i) and x(j) modulo E
//     is at most that, being the least |x(j) - x(i) + m*E| over all integers
//     m. A folded difference that is not the minimum image (particles more
//     than an edge outside the box) is only larger, so such pairs are
//     reported only when the reference reports them: the test itself
//     decides, never the grid.
//   So along every axis the two particles of a reported pair are within the
//   reach, up to rounding: of each other on an open axis, and modulo the
//   edge on a periodic one. The grid (column_grid.hpp) wraps periodic
//   coordinates into [0, E) with the exact fmod, or measures open ones from
//   their lowest value; along y and z it cuts them into cells wider than the
//   reach plus margins for all that rounding (first and last periodic cells
//   being neighbours, and an axis too short for three such cells one cell),
//   and along x each particle meets the window of the reach plus the same
//   margins around it (wrapping on a periodic axis; the whole column when
//   the window nears half the edge). The two particles therefore sit in the
//   same or neighbouring columns and within each other's windows, wherever
//   they are.
// Both traversals of the grid (collected_pairs.hpp, streamed_pairs.hpp) test every such candidate
// pair exactly once and deliver the pairs in (i, j) order, so the output is
// the reference's, pair for pair.
#include "pairprobe/cell_scan.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "collected_pairs.hpp"
#include "column_grid.hpp"
#include "pairprobe/reference_scan.hpp"
#include "parallel/helper_threads.hpp"
#include "streamed_pairs.hpp"

namespace pairprobe {
namespace {

// An upper bound on |d| along each axis for every pair with s <= c (finite).
double search_reach(double contact_squared) {
  return std::sqrt(contact_squared) * (1.0 + 1e-9) + 1e-150;
}

// Below this many particles, sharing the grid and the scan saves less time
// than waking a helper and handing the work over take: one thread does
// them, and the run takes half the processor time for the same wall time.
constexpr std::size_t particles_worth_sharing = 65536;

unsigned thread_count(const CellScanOptions& options, std::size_t particles) {
  if (options.threads > 0) return options.threads;
  return particles < particles_worth_sharing ? 1 : parallel::threads_in_use();
}

// Blocks small enough to share the work evenly, large enough that handing
// them over costs little.
std::size_t block_size(const CellScanOptions& options, std::size_t particles, unsigned threads) {
  if (options.block_particles > 0) return options.block_particles;
  return std::clamp<std::size_t>(particles / (std::size_t{threads} * 32), 256, 8192);
}

}  // namespace

void cell_list_scan(Configuration config, const OverlapSink& sink, const CellScanOptions& options,
                    const OverlapBatchSink& batch) {
  const std::size_t n = config.positions.size();
  const double contact_squared = config.r_hs * config.r_hs;
  if (n < 2 || std::isnan(contact_squared)) return;
  if (std::isinf(contact_squared)) {
    reference_scan(config, sink);
    return;
  }
  const unsigned threads = thread_count(options, n);
  const GridPlan plan = plan_grid(config.positions, config.box, search_reach(contact_squared),
                                  options.particles_per_column, threads);
  ColumnGrid grid(std::move(config.positions), plan, threads, options.particles_per_bin,
                  options.sorted_at_once_below);
  // Few pairs, the usual case: the cache-friendly traversal, pairs sorted
  // into order at the end. Many: streamed in order with bounded memory.
  std::vector<OverlapPair> pairs;
  if (collect_pairs_by_column(config, grid, threads, options.collected_pairs, pairs)) {
    if (batch) {
      batch(pairs);
    } else {
      for (const OverlapPair& pair : pairs) sink(pair);
    }
    return;
  }
  release_memory(pairs);
  grid.index_particles(threads);
  const BlockPlan blocks{n, block_size(options, n, threads), threads,
                         std::max<std::size_t>(options.chunk_pairs, 1)};
  stream_pairs_by_particle(config, grid, blocks, sink);
}

}  // namespace pairprobe
