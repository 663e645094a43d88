// Column-by-column traversal of the grid: each column with itself and with
// the half of its neighbouring columns that come after it, so that every
// pair of neighbouring columns is met once; between two columns, each
// particle meets the particles in its window along x.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <vector>

#include "column_windows.hpp"
#include "grid_scans.hpp"
#include "periodic_fold.hpp"
#include "shared_work.hpp"

namespace pairprobe {
namespace {

// Bands of columns per thread: enough to even out the work, also when a
// thread shares its core with another process.
constexpr std::size_t bands_per_thread = 64;

// Columns [first, last), numbered y + z * (cells along y).
struct ColumnBand {
  std::uint32_t first;
  std::uint32_t last;
};

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
  HalfShellScan(const Configuration& config, const ColumnGrid& grid)
      : grid_(grid),
        keys_(grid.plan().x),
        fold_(box_fold(config.box)),
        contact_squared_(config.r_hs * config.r_hs) {}

  // Tests every pair with a particle in the band's columns against the
  // particles in its window along x, in the same column (those after it) and
  // in the later columns. False when the limit was passed.
  bool scan(ColumnBand band, std::vector<OverlapPair>& found, Progress& progress,
            std::size_t limit) const {
    const std::size_t found_before = found.size();
    for (std::uint32_t c = band.first; c < band.last; ++c) {
      scan_column(c, found);
      if (found.size() > limit || progress.over_limit.load(std::memory_order_relaxed)) {
        return false;
      }
    }
    const std::size_t new_pairs = found.size() - found_before;
    return progress.pairs_found.fetch_add(new_pairs) + new_pairs <= limit;
  }

 private:
  using Column = std::span<const GridParticle>;
  using Keys = std::span<const double>;

  // A pair is tested as the reference tests it: the coordinates of the
  // particle with the higher number minus those of the lower one. Which of
  // a and b that is goes either way, so rather than branch, the difference
  // b - a is negated (its sign bit flipped) when a has the higher number:
  // rounding to nearest is symmetric, fl(a - b) = -fl(b - a), except that
  // equal coordinates give +0 either way and -0 here, which neither the fold
  // (it compares, and -0 + edge is edge) nor the square can tell apart.
  void test(const GridParticle& a, const GridParticle& b, std::vector<OverlapPair>& found) const {
    const std::uint64_t flip = std::uint64_t{a.index > b.index} << 63;
    const auto second_minus_first = [flip](double of_b, double of_a) {
      return std::bit_cast<double>(std::bit_cast<std::uint64_t>(of_b - of_a) ^ flip);
    };
    const double s =
        folded_distance_squared(second_minus_first(b.x, a.x), second_minus_first(b.y, a.y),
                                second_minus_first(b.z, a.z), fold_);
    if (overlaps(s, contact_squared_)) {
      found.push_back({std::min(a.index, b.index) + 1, std::max(a.index, b.index) + 1, s});
    }
  }

  void test_range(const GridParticle& a, Column column, ColumnRange range,
                  std::vector<OverlapPair>& found) const {
    for (std::size_t q = range.first; q < range.last; ++q) test(a, column[q], found);
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

  void scan_column(std::uint32_t c, std::vector<OverlapPair>& found) const {
    const Column home = grid_.column(c);
    if (home.empty()) return;
    const Keys home_keys = grid_.keys(c);
    scan_within(home, home_keys, found);
    const std::uint32_t y_count = grid_.plan().y.count;
    const LaterColumns later = later_columns(c % y_count, c / y_count);
    for (std::uint32_t k = 0; k < later.count; ++k) {
      const std::uint32_t other = later.columns[k];
      scan_between(home, home_keys, grid_.column(other), grid_.keys(other), found);
    }
  }

  // Each pair of the column once: particle p meets the particles after it
  // up to the end of its window and, where the window runs past the edge,
  // the particles before it that the wrapped part reaches. A pair p < q
  // cannot be met both ways: q within p's window and p + edge within q's
  // would make the window at least half the edge.
  void scan_within(Column home, Keys home_keys, std::vector<OverlapPair>& found) const {
    for (std::size_t p = 0; p < home.size(); ++p) {
      const GridParticle& a = home[p];
      if (keys_.whole) {
        test_range(a, home, {p + 1, home.size()}, found);
        continue;
      }
      const double high = home_keys[p] + keys_.window;
      for (std::size_t q = p + 1; q < home.size() && home_keys[q] <= high; ++q) {
        test(a, home[q], found);
      }
      if (keys_.periodic && high >= keys_.edge) {
        test_range(a, home, {0, std::min(wrapped_head(keys_, home_keys, high), p)}, found);
      }
    }
  }

  // Each particle of `home` with the particles of `other` in its window.
  void scan_between(Column home, Keys home_keys, Column other, Keys other_keys,
                    std::vector<OverlapPair>& found) const {
    if (other.empty()) return;
    if (keys_.whole) {
      for (const GridParticle& a : home) test_range(a, other, {0, other.size()}, found);
      return;
    }
    // The main part of the window slides along `other` as the keys ascend.
    ColumnRange main{0, 0};
    for (std::size_t p = 0; p < home.size(); ++p) {
      const double low = home_keys[p] - keys_.window;
      const double high = home_keys[p] + keys_.window;
      while (main.first < other.size() && other_keys[main.first] < low) ++main.first;
      main.last = std::max(main.last, main.first);
      while (main.last < other.size() && other_keys[main.last] <= high) ++main.last;
      test_range(home[p], other, main, found);
      if (keys_.periodic && (low <= 0.0 || high >= keys_.edge)) {
        WindowRanges wrapped;
        add_wrapped(keys_, other_keys, low, high, main, wrapped);
        for (std::size_t k = 0; k < wrapped.count; ++k) {
          test_range(home[p], other, wrapped.ranges[k], found);
        }
      }
    }
  }

  const ColumnGrid& grid_;
  AxisKeys keys_;
  BoxFold fold_;
  double contact_squared_;
};

// Cuts the columns into bands holding about equally many particles.
std::vector<ColumnBand> column_bands(const ColumnGrid& grid, std::size_t wanted) {
  const std::uint32_t columns = grid.column_count();
  const double particles = grid.particles_before(columns);
  std::vector<ColumnBand> bands;
  std::uint32_t first = 0;
  for (std::size_t k = 1; k <= wanted && first < columns; ++k) {
    std::uint32_t last = columns;
    if (k < wanted) {
      const double share = particles * static_cast<double>(k) / static_cast<double>(wanted);
      std::uint32_t low = first;
      std::uint32_t high = columns;
      while (low < high) {  // the first column with at least `share` particles before it
        const std::uint32_t middle = low + (high - low) / 2;
        if (grid.particles_before(middle) < share) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      last = std::max(low, first + 1);
    }
    bands.push_back({first, last});
    first = last;
  }
  return bands;
}

void scan_bands(const HalfShellScan& scan, const std::vector<ColumnBand>& bands,
                std::vector<OverlapPair>& found, Progress& progress, std::size_t limit) {
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
  const HalfShellScan scan(config, grid);
  const unsigned thread_count = std::max(1U, threads);
  const std::vector<ColumnBand> bands = column_bands(grid, thread_count * bands_per_thread);
  Progress progress;
  std::vector<std::vector<OverlapPair>> found(thread_count);
  run_on_threads(thread_count, [&](unsigned t) {
    try {
      scan_bands(scan, bands, found[t], progress, limit);
    } catch (...) {
      progress.over_limit.store(true);  // stops the others early
      throw;
    }
  });
  if (progress.over_limit.load()) return false;
  pairs.clear();
  for (std::vector<OverlapPair>& part : found) {
    pairs.insert(pairs.end(), part.begin(), part.end());
    part = {};
  }
  std::sort(pairs.begin(), pairs.end(), in_pair_order);
  return true;
}

}  // namespace pairprobe
