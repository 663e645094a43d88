// Column-by-column traversal of the grid: each column with itself and with
// the half of its neighbouring columns that come after it, so that every
// pair of neighbouring columns is met once; between two columns, each
// particle meets the particles in its window along x.
#include "collected_pairs.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "column_windows.hpp"
#include "index_range.hpp"
#include "occupied_stretches.hpp"
#include "pairprobe/bulk_storage.hpp"
#include "pairprobe/periodic_fold.hpp"
#include "pairprobe/shared_work.hpp"
#include "parallel/helper_threads.hpp"

namespace pairprobe {
namespace {

// Bands of columns per thread: enough to even out the work, also when a
// thread shares its core with another process.
constexpr std::size_t bands_per_thread = 64;

// Two columns count as sparse when their particles, each with its window,
// cover at most this share of the axis.
constexpr double sparse_share = 0.1;

// Columns whose occupied stretches a thread finds at a time.
constexpr std::size_t columns_per_piece = std::size_t{1} << 14;

// The pairs one thread finds, in bulk storage: a large run's grow to
// megabytes, and each step of growth would otherwise fault on every page of
// fresh memory.
using FoundPairs = BulkVector<OverlapPair>;

// Shared by the threads of one traversal.
struct Progress {
  std::atomic<std::size_t> next_band{0};
  std::atomic<std::size_t> pairs_found{0};
  std::atomic<bool> over_limit{false};
};

// The neighbouring columns after a column: the next one along y, and the
// ones around y in the next plane along z. Of any two distinct neighbouring
// columns, exactly one lies after the other in this sense (a periodic axis
// has one cell or at least three, so the steps -1, 0 and +1 reach distinct
// cells).
struct LaterColumns {
  std::array<std::uint32_t, 4> columns{};
  std::uint32_t count = 0;
};

class HalfShellScan {
 public:
  HalfShellScan(const Configuration& config, const ColumnGrid& grid, unsigned threads)
      : grid_(grid),
        rows_(grid.rows()),
        keys_(grid.plan().x),
        stretches_(grid.plan().x),
        fold_(box_fold(config.box)),
        contact_squared_(config.r_hs * config.r_hs) {
    if (stretches_.in_use() && columns_are_mostly_sparse()) find_column_stretches(threads);
  }

  // Tests every pair with a particle in the band's columns (numbered y + z *
  // cells along y) against the particles in its window along x, in the same
  // column (those after it) and in the later columns. False when the limit
  // was passed.
  bool scan(IndexRange band, FoundPairs& found, Progress& progress, std::size_t limit) const {
    const std::size_t found_before = found.size();
    // The column's cells, stepped along with it rather than divided out.
    const std::uint32_t y_count = grid_.plan().y.count;
    auto y = static_cast<std::uint32_t>(band.first % y_count);
    auto z = static_cast<std::uint32_t>(band.first / y_count);
    for (std::size_t c = band.first; c < band.last; ++c) {
      scan_column(static_cast<std::uint32_t>(c), y, z, found);
      if (found.size() > limit || progress.over_limit.load(std::memory_order_relaxed)) {
        return false;
      }
      if (++y == y_count) {
        y = 0;
        ++z;
      }
    }
    const std::size_t new_pairs = found.size() - found_before;
    return progress.pairs_found.fetch_add(new_pairs) + new_pairs <= limit;
  }

 private:
  using Keys = std::span<const double>;

  // The first particle of the pairs being tested, held in registers.
  struct Particle {
    double x;
    double y;
    double z;
    std::int32_t index;
  };

  Particle particle(std::size_t row) const {
    return {rows_.x[row], rows_.y[row], rows_.z[row], rows_.index[row]};
  }

  // A pair is tested as the reference tests it: the coordinates of the
  // particle with the higher number minus those of the lower one. Which of
  // a and b that is goes either way, so rather than branch, the difference
  // b - a is negated (its sign bit flipped) when a has the higher number:
  // rounding to nearest is symmetric, fl(a - b) = -fl(b - a), except that
  // equal coordinates give +0 either way and -0 here, which neither the fold
  // (it compares, and -0 + edge is edge) nor the square can tell apart.
  void test(const Particle& a, std::size_t row_b, FoundPairs& found) const {
    const std::int32_t index_b = rows_.index[row_b];
    const std::uint64_t flip = std::uint64_t{a.index > index_b} << 63;
    const auto second_minus_first = [flip](double of_b, double of_a) {
      return std::bit_cast<double>(std::bit_cast<std::uint64_t>(of_b - of_a) ^ flip);
    };
    const double s = folded_distance_squared(second_minus_first(rows_.x[row_b], a.x),
                                             second_minus_first(rows_.y[row_b], a.y),
                                             second_minus_first(rows_.z[row_b], a.z), fold_);
    if (overlaps(s, contact_squared_)) {
      found.push_back({std::min(a.index, index_b) + 1, std::max(a.index, index_b) + 1, s});
    }
  }

  // Tests a against rows [first, last) of the column that begins at row
  // `base`.
  void test_range(const Particle& a, std::size_t base, IndexRange range, FoundPairs& found) const {
    for (std::size_t q = base + range.first; q < base + range.last; ++q) test(a, q, found);
  }

  LaterColumns later_columns(std::uint32_t y, std::uint32_t z) const {
    const GridPlan& plan = grid_.plan();
    LaterColumns later;
    std::uint32_t above = 0;
    if (plan.y.next(y, above)) later.columns[later.count++] = grid_.column_at(above, z);
    if (plan.z.next(z, above)) {
      const AxisNeighbours around = plan.y.neighbours(y);
      for (std::uint32_t k = 0; k < around.count; ++k) {
        later.columns[later.count++] = grid_.column_at(around.cells[k], above);
      }
    }
    return later;
  }

  // Column c, at cells (y, z).
  void scan_column(std::uint32_t c, std::uint32_t y, std::uint32_t z, FoundPairs& found) const {
    const IndexRange home = grid_.column(c);
    if (home.empty()) return;
    const Keys home_keys = grid_.keys(c);
    scan_within(home.first, home_keys, found);
    const LaterColumns later = later_columns(y, z);
    // The stretches the home column's windows reach, told once for all its
    // sparse neighbours.
    const bool by_stretches = stretches_.in_use() && sparse(home_keys.size(), 0);
    const StretchWord home_reach =
        by_stretches ? stretches_.reached(stretches_of(c, home_keys)) : 0;
    for (std::uint32_t k = 0; k < later.count; ++k) {
      const std::uint32_t other = later.columns[k];
      const Keys other_keys = grid_.keys(other);
      if (by_stretches && sparse(home_keys.size(), other_keys.size()) &&
          !OccupiedStretches::reach_meets(home_reach, stretches_of(other, other_keys))) {
        continue;
      }
      scan_between(home.first, home_keys, grid_.column(other).first, other_keys, found);
    }
  }

  // Each pair of the column (its rows from `base` on) once: particle p meets
  // the particles after it up to the end of its window and, where the window
  // runs past the edge, the particles before it that the wrapped part
  // reaches. A pair p < q cannot be met both ways: q within p's window and
  // p + edge within q's would make the window at least half the edge.
  void scan_within(std::size_t base, Keys home_keys, FoundPairs& found) const {
    const std::size_t size = home_keys.size();
    for (std::size_t p = 0; p < size; ++p) {
      const Particle a = particle(base + p);
      if (keys_.whole) {
        test_range(a, base, {p + 1, size}, found);
        continue;
      }
      const double high = home_keys[p] + keys_.window;
      for (std::size_t q = p + 1; q < size && home_keys[q] <= high; ++q) test(a, base + q, found);
      if (keys_.periodic && high >= keys_.edge) {
        test_range(a, base, {0, std::min(wrapped_head(keys_, home_keys, high), p)}, found);
      }
    }
  }

  // Each particle of the home column with the particles of the other column
  // in its window.
  void scan_between(std::size_t home_base, Keys home_keys, std::size_t other_base, Keys other_keys,
                    FoundPairs& found) const {
    const std::size_t other_size = other_keys.size();
    if (other_size == 0) return;
    if (keys_.whole) {
      for (std::size_t p = 0; p < home_keys.size(); ++p) {
        test_range(particle(home_base + p), other_base, {0, other_size}, found);
      }
      return;
    }
    if (sparse(home_keys.size(), other_size)) {
      sweep_between(home_base, home_keys, other_base, other_keys, found);
      return;
    }
    // The main part of the window slides along the other column as the
    // keys ascend.
    IndexRange main{0, 0};
    for (std::size_t p = 0; p < home_keys.size(); ++p) {
      const double low = home_keys[p] - keys_.window;
      const double high = home_keys[p] + keys_.window;
      while (main.first < other_size && other_keys[main.first] < low) ++main.first;
      main.last = std::max(main.last, main.first);
      while (main.last < other_size && other_keys[main.last] <= high) ++main.last;
      const Particle a = particle(home_base + p);
      test_range(a, other_base, main, found);
      if (keys_.periodic && (low <= 0.0 || high >= keys_.edge)) {
        WindowRanges wrapped;
        add_wrapped(keys_, other_keys, low, high, main, wrapped);
        for (std::size_t k = 0; k < wrapped.count; ++k) {
          test_range(a, other_base, wrapped.ranges[k], found);
        }
      }
    }
  }

  // Whether two columns hold so few particles for their length that a
  // particle's window in the other column is mostly empty.
  bool sparse(std::size_t home_size, std::size_t other_size) const {
    return sparse_together(static_cast<double>(home_size + other_size));
  }

  // Whether two columns of the mean size are sparse: most neighbouring
  // columns are then told apart by their occupied stretches.
  bool columns_are_mostly_sparse() const {
    const double mean_size = static_cast<double>(grid_.particles_before(grid_.column_count())) /
                             static_cast<double>(grid_.column_count());
    return sparse_together(2.0 * mean_size);
  }

  // Whether `particles` in two columns, each with its window, cover at most
  // the sparse share of the axis.
  bool sparse_together(double particles) const {
    return particles * keys_.window <= sparse_share * keys_.length;
  }

  // Each column's occupied stretches, told once: a column meets up to five
  // columns, each needing them.
  void find_column_stretches(unsigned threads) {
    column_stretches_.resize(grid_.column_count());
    for_pieces(threads, column_stretches_.size(), columns_per_piece,
               [this](std::size_t first, std::size_t last) {
                 for (std::size_t c = first; c < last; ++c) {
                   column_stretches_[c] = stretches_.of(grid_.keys(static_cast<std::uint32_t>(c)));
                 }
               });
  }

  StretchWord stretches_of(std::uint32_t c, Keys keys) const {
    return column_stretches_.empty() ? stretches_.of(keys) : column_stretches_[c];
  }

  // The pairs of two sparse columns within a window of each other, found by
  // going through both columns' keys at once in ascending order: each
  // particle meets the particles of the other column met before it, within
  // a window below it, so each pair is met once, by the later of its two.
  // Sliding a window instead would stop at an unforeseeable place in the
  // other column for every particle; here the one question per particle,
  // whether the key met just before is within a window, nearly always has
  // the same answer. (When that key is of the same column, the particle may
  // meet none.) The parts of windows that wrap around a periodic axis are
  // added as before.
  void sweep_between(std::size_t home_base, Keys home_keys, std::size_t other_base, Keys other_keys,
                     FoundPairs& found) const {
    const double window = keys_.window;
    const std::size_t home_size = home_keys.size();
    const std::size_t other_size = other_keys.size();
    std::size_t p = 0;
    std::size_t q = 0;
    double previous = -std::numeric_limits<double>::infinity();
    while (p < home_size && q < other_size) {
      const bool home_first = home_keys[p] <= other_keys[q];
      const double key = std::min(home_keys[p], other_keys[q]);
      if (previous >= key - window) {
        if (home_first) {
          test_earlier(particle(home_base + p), key, other_base, other_keys, q, found);
        } else {
          test_earlier(particle(other_base + q), key, home_base, home_keys, p, found);
        }
      }
      previous = key;
      p += home_first ? 1 : 0;
      q += home_first ? 0 : 1;
    }
    for (; p < home_size && q > 0 && other_keys[q - 1] >= home_keys[p] - window; ++p) {
      test_earlier(particle(home_base + p), home_keys[p], other_base, other_keys, q, found);
    }
    for (; q < other_size && p > 0 && home_keys[p - 1] >= other_keys[q] - window; ++q) {
      test_earlier(particle(other_base + q), other_keys[q], home_base, home_keys, p, found);
    }
    if (keys_.periodic) add_wrapped_pairs(home_base, home_keys, other_base, other_keys, found);
  }

  // Tests a, whose key is `key`, against the particles [0, met) of a column
  // (from row `base` on) within a window below it.
  void test_earlier(const Particle& a, double key, std::size_t base, Keys keys, std::size_t met,
                    FoundPairs& found) const {
    const double low = key - keys_.window;
    for (std::size_t r = met; r > 0 && keys[r - 1] >= low; --r) test(a, base + r - 1, found);
  }

  // The pairs a sweep leaves out: a home particle near either end of a
  // periodic axis with the particles its window reaches at the other end.
  void add_wrapped_pairs(std::size_t home_base, Keys home_keys, std::size_t other_base,
                         Keys other_keys, FoundPairs& found) const {
    const std::size_t home_size = home_keys.size();
    std::size_t p = 0;
    for (; p < home_size && home_keys[p] - keys_.window <= 0.0; ++p) {
      test_wrapped(particle(home_base + p), home_keys[p], other_base, other_keys, found);
    }
    for (std::size_t r = home_size; r > p && home_keys[r - 1] + keys_.window >= keys_.edge; --r) {
      test_wrapped(particle(home_base + r - 1), home_keys[r - 1], other_base, other_keys, found);
    }
  }

  void test_wrapped(const Particle& a, double key, std::size_t other_base, Keys other_keys,
                    FoundPairs& found) const {
    const WindowRanges window = window_around(keys_, other_keys, key);
    for (std::size_t k = 1; k < window.count; ++k) {
      test_range(a, other_base, window.ranges[k], found);
    }
  }

  const ColumnGrid& grid_;
  GridRows rows_;
  AxisKeys keys_;
  OccupiedStretches stretches_;
  BoxFold fold_;
  double contact_squared_;
  // Each column's occupied stretches, when most columns are sparse.
  BulkVector<StretchWord> column_stretches_;
};

// The first column from `first` on with at least `share` particles in the
// columns before it (column_count() when none has).
std::uint32_t first_column_after_share(const ColumnGrid& grid, std::uint32_t first, double share) {
  const std::span<const std::uint32_t> before = grid.particles_before_columns();
  const auto found =
      std::partition_point(before.begin() + first, before.end() - 1,
                           [share](std::uint32_t particles) { return particles < share; });
  return static_cast<std::uint32_t>(found - before.begin());
}

// Cuts the columns into bands holding about equally many particles.
std::vector<IndexRange> column_bands(const ColumnGrid& grid, std::size_t wanted) {
  const std::uint32_t columns = grid.column_count();
  const double particles = grid.particles_before(columns);
  std::vector<IndexRange> bands;
  std::uint32_t first = 0;
  for (std::size_t k = 1; k <= wanted && first < columns; ++k) {
    std::uint32_t last = columns;
    if (k < wanted) {
      const double share = particles * static_cast<double>(k) / static_cast<double>(wanted);
      last = std::max(first_column_after_share(grid, first, share), first + 1);
    }
    bands.push_back({first, last});
    first = last;
  }
  return bands;
}

void scan_bands(const HalfShellScan& scan, const std::vector<IndexRange>& bands, FoundPairs& found,
                Progress& progress, std::size_t limit) {
  for (;;) {
    const std::size_t k = progress.next_band.fetch_add(1);
    if (k >= bands.size() || progress.over_limit.load()) return;
    if (!scan.scan(bands[k], found, progress, limit)) {
      progress.over_limit.store(true);
      return;
    }
  }
}

bool in_pair_order(const OverlapPair& a, const OverlapPair& b) {
  return a.i != b.i ? a.i < b.i : a.j < b.j;
}

}  // namespace

bool collect_pairs_by_column(const Configuration& config, const ColumnGrid& grid, unsigned threads,
                             std::size_t limit, std::vector<OverlapPair>& pairs) {
  const unsigned thread_count = std::max(1U, threads);
  const HalfShellScan scan(config, grid, thread_count);
  const std::vector<IndexRange> bands = column_bands(grid, thread_count * bands_per_thread);
  Progress progress;
  std::vector<FoundPairs> found(thread_count);
  run_on_threads(thread_count, [&](unsigned t) {
    try {
      scan_bands(scan, bands, found[t], progress, limit);
    } catch (...) {
      progress.over_limit.store(true);  // stops the others early
      throw;
    }
  });
  if (progress.over_limit.load()) return false;
  // Each thread's pairs sorted on that thread, then merged.
  parallel::share_pieces(thread_count, found.size(), [&](std::size_t t) {
    std::sort(found[t].begin(), found[t].end(), in_pair_order);
  });
  std::size_t total = 0;
  for (const FoundPairs& part : found) total += part.size();
  pairs.clear();
  pairs.reserve(total);  // at once, not by growing part after part
  for (FoundPairs& part : found) {
    const auto middle = static_cast<std::ptrdiff_t>(pairs.size());
    pairs.insert(pairs.end(), part.begin(), part.end());
    std::inplace_merge(pairs.begin(), pairs.begin() + middle, pairs.end(), in_pair_order);
    release_memory(part);
  }
  return true;
}

}  // namespace pairprobe
