// The cell-list scan: every pair of particles whose folded distance is at
// most the hard-sphere distance, in (i, j) order, i < j, both ascending,
// found through a grid of columns, exactly as the reference scan
// (reference_scan.hpp) finds them.
#ifndef PAIRPROBE_CELL_SCAN_HPP
#define PAIRPROBE_CELL_SCAN_HPP

#include <cstddef>

#include "pairprobe/configuration.hpp"
#include "pairprobe/overlap_pair.hpp"

namespace pairprobe {

// How the cell-list scan sizes its grid and shares its work. The pairs
// handed over never depend on these settings; the defaults suit the program,
// and the tests vary them to show that.
struct CellScanOptions {
  unsigned threads = 0;  // 0: one per hardware thread
  // Columns are made wider where there would be more than one per this many
  // particles.
  double particles_per_column = 1.0;
  // Particles per stretch of x, on average, that the grid's counting sort
  // puts in one bin before the few in a bin are put in order.
  double particles_per_bin = 2.0;
  // Below this many particles, the grid sorts them by bin in one pass
  // straight into their rows; from it on, first into groups that keep each
  // group's sort within the cache.
  std::size_t sorted_at_once_below = std::size_t{1} << 17;
  // Pairs collected and sorted at most; with more, pairs stream in order,
  // particle by particle, in blocks of `block_particles` first particles (0:
  // chosen from N), handed between threads `chunk_pairs` at a time.
  std::size_t collected_pairs = 1 << 20;
  std::size_t block_particles = 0;
  std::size_t chunk_pairs = 1 << 14;
};

// The cell-list scan: bins the particles into cells along y and z (columns
// along x, sorted along x), and tests only pairs in neighbouring columns
// within the hard-sphere distance of each other along x, across periodic
// faces too, with the same fold and test as the reference scan, on several
// threads. Hands over exactly the pairs of reference_scan, in the same
// order, with the same squared distances. The sink is called on the calling
// thread only. The grid takes the positions over, so a caller that has no
// further use for its configuration passes it with std::move, and the run
// holds one copy of the positions, not two. When `batch` is given, pairs
// that were all collected go to it at once instead, in the same order.
void cell_list_scan(Configuration config, const OverlapSink& sink,
                    const CellScanOptions& options = {}, const OverlapBatchSink& batch = {});

}  // namespace pairprobe

#endif
