// A grid of columns over the particles (grid_plan.hpp), holding the
// particles themselves: their coordinates are stored column by column, and
// within a column in order of key along x (by number among equal keys), so
// that a column is one contiguous run of rows and the particles within the
// reach of a point along x are a window of it.
//
// The grid takes the positions over rather than copying them: each
// coordinate is moved into place on its own, and the memory it leaves is
// reused for the next, so that a run holds about one copy of the positions
// at any time (some 34 bytes a particle at the most, 28 once built). The
// particles are put in place by a counting sort on (column, stretch of x),
// which leaves only the few particles of one stretch to be put in order.
#ifndef PAIRPROBE_COLUMN_GRID_HPP
#define PAIRPROBE_COLUMN_GRID_HPP

#include <cstddef>
#include <cstdint>
#include <span>

#include "grid_plan.hpp"
#include "index_range.hpp"
#include "pairprobe/bulk_storage.hpp"
#include "pairprobe/configuration.hpp"

namespace pairprobe {

// The grid's rows: row r holds particle index[r] (0-based) at (x[r], y[r],
// z[r]), with its key along x at key[r].
struct GridRows {
  const double* x;
  const double* y;
  const double* z;
  const std::int32_t* index;
  const double* key;
};

class ColumnGrid {
 public:
  // The row of a particle that is not in the grid.
  static constexpr std::uint32_t no_row = UINT32_MAX;

  // Sorts every particle with three finite coordinates into its column, by
  // key (by number among equal keys); the others are left out. Takes the
  // positions over and leaves them empty. The work is shared by `threads`
  // threads; the grid is the same for any number. `particles_per_bin`: the
  // particles the counting sort puts in one stretch of x on average (the
  // tests vary it; the grid does not depend on it). Fewer particles than
  // `sorted_at_once_below` are sorted by bin in one pass, more first into
  // groups (the grid is the same either way).
  ColumnGrid(Positions&& positions, const GridPlan& plan, unsigned threads = 1,
             double particles_per_bin = 2.0, std::size_t sorted_at_once_below = 0);

  const GridPlan& plan() const { return plan_; }
  std::uint32_t column_count() const {
    return static_cast<std::uint32_t>(column_start_.size() - 1);
  }
  std::uint32_t column_at(std::uint32_t y, std::uint32_t z) const { return z * plan_.y.count + y; }
  // The rows of column c.
  IndexRange column(std::uint32_t c) const { return {column_start_[c], column_start_[c + 1]}; }
  GridRows rows() const;
  // The keys of column c, ascending.
  std::span<const double> keys(std::uint32_t c) const {
    return {key_data() + column_start_[c], key_data() + column_start_[c + 1]};
  }
  // Rows in columns [0, c) (column_count() included).
  std::uint32_t particles_before(std::uint32_t c) const { return column_start_[c]; }
  // particles_before(c) for every c from 0 to column_count(), ascending.
  std::span<const std::uint32_t> particles_before_columns() const {
    return {column_start_.data(), column_start_.size()};
  }
  // The column a row lies in.
  std::uint32_t column_of_row(std::size_t row) const {
    return column_at(plan_.y.cell_of(y_[row]), plan_.z.cell_of(z_[row]));
  }

  // Makes the table of each particle's row, for a traversal in order of
  // particle number (4 bytes a particle).
  void index_particles(unsigned threads);
  // The row of a particle, or no_row; only after index_particles.
  std::uint32_t row_of_particle(std::size_t particle) const { return particle_rows_[particle]; }

 private:
  struct Bins;
  struct Placement;
  const double* key_data() const { return keys_.empty() ? x_.data() : keys_.data(); }
  std::uint32_t bin_of(double x, double y, double z, const Bins& bins) const;
  bool sort_by_bins(Positions& positions, Bins& bins);
  bool sort_by_groups(Positions& positions, Bins& bins, unsigned threads);
  Placement count_groups(const Positions& positions, const Bins& bins, unsigned threads) const;
  void move_into_groups(Positions& positions, Placement& placement, unsigned threads);
  void order_groups(const Placement& placement, Bins& bins, unsigned threads);
  void order_group(Bins& bins, std::size_t first_bin, std::size_t last_bin, IndexRange rows);
  void make_keys(bool keys_are_x, unsigned threads);
  void order_columns(unsigned threads);

  GridPlan plan_;
  std::size_t particles_read_ = 0;  // rows of the positions taken over
  BulkVector<double> x_;            // by row
  BulkVector<double> y_;
  BulkVector<double> z_;
  BulkVector<std::int32_t> index_;
  BulkVector<double> keys_;                  // empty when every key is x itself
  BulkVector<std::uint32_t> column_start_;   // column c holds rows [start[c], start[c + 1])
  BulkVector<std::uint32_t> particle_rows_;  // by particle number, once made
};

}  // namespace pairprobe

#endif
