// A grid of columns over the particles: the y and z axes are cut into cells
// at least as wide as a given reach, each (y, z) cell is a column running
// along x, and within a column the particles are sorted along x. They are
// stored column by column (particle copies sorted by column and x, their
// keys along x in an array of their own, and the offset where each column
// begins), so a column is one contiguous run and the particles within the
// reach of a point along x are a window of it. They are put in place by a
// counting sort on (column, stretch of x), which leaves only the few
// particles of one stretch to be put in order.
#ifndef PAIRPROBE_COLUMN_GRID_HPP
#define PAIRPROBE_COLUMN_GRID_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "bulk_storage.hpp"
#include "configuration.hpp"

namespace pairprobe {

// Up to three distinct cells along one axis, ascending.
struct AxisNeighbours {
  std::array<std::uint32_t, 3> cells{};
  std::uint32_t count = 0;
};

// How the y or the z axis is cut into cells. A periodic axis covers one
// edge, [0, edge), and wraps: coordinates anywhere are brought into it
// first, and its first and last cells are neighbours. An open axis covers
// the coordinates' own range from `origin`.
struct AxisCells {
  bool periodic = false;
  double edge = 0.0;              // periodic axis: the box edge
  double origin = 0.0;            // open axis: the lowest coordinate
  double cells_per_length = 0.0;  // cell count over the length covered
  std::uint32_t count = 1;        // cells along the axis; a periodic axis has 1 or at least 3

  // The cell of a finite coordinate.
  std::uint32_t cell_of(double coordinate) const;
  // The cell itself and the cells next to it, each once.
  AxisNeighbours neighbours(std::uint32_t cell) const;
  // The neighbouring cell one step up (wrapping on a periodic axis); false
  // when there is none (an open axis's last cell, or a single cell).
  bool next(std::uint32_t cell, std::uint32_t& above) const;
};

// Where particles lie along x, the axis of the columns. A periodic axis
// wraps coordinates into [0, edge) (a key may reach edge itself by
// rounding), and a window near one end continues at the other; an open axis
// measures from the lowest coordinate.
struct AxisKeys {
  bool periodic = false;
  double edge = 0.0;    // periodic axis: the box edge
  double origin = 0.0;  // open axis: the lowest coordinate
  double length = 0.0;  // the keys lie in [0, length]; infinite for an open axis without bound
  double window = 0.0;  // half-width of a window: the reach plus margins
  // Every particle of a column is within the window of every other: a
  // periodic window covers (almost) half the edge, or an open axis has no
  // finite length.
  bool whole = false;

  // The key of a finite coordinate.
  double key_of(double coordinate) const;
};

struct GridPlan {
  AxisKeys x;
  AxisCells y;
  AxisCells z;
};

// Plans the columns for particles whose pair partners lie within `reach` of
// them along every axis, in the minimum-image sense on periodic axes. Cells
// and windows are wider than the reach by margins that absorb the rounding
// of binning; cells are made wider still where the grid would otherwise hold
// more than one column per `particles_per_column` particles. An axis is
// periodic when its edge is positive and finite; the fold changes no finite
// difference on the others. Only particles with three finite coordinates
// count.
GridPlan plan_grid(const Positions& positions, const std::array<double, 3>& box, double reach,
                   double particles_per_column);

// A copy of a particle's coordinates, with its 0-based number.
struct GridParticle {
  double x;
  double y;
  double z;
  std::int32_t index;
};

class ColumnGrid {
 public:
  // The column of a particle that is not in the grid.
  static constexpr std::uint32_t no_column = UINT32_MAX;

  // Sorts every particle with three finite coordinates into its column, by
  // key (by number among equal keys); the others get no column. The work is
  // shared by `threads` threads; the grid is the same for any number.
  // `particles_per_bin`: the particles the counting sort puts in one stretch
  // of x on average (the tests vary it; the grid does not depend on it).
  ColumnGrid(const Positions& positions, const GridPlan& plan, unsigned threads = 1,
             double particles_per_bin = 2.0);

  const GridPlan& plan() const { return plan_; }
  std::uint32_t column_count() const {
    return static_cast<std::uint32_t>(column_start_.size() - 1);
  }
  std::uint32_t column_at(std::uint32_t y, std::uint32_t z) const { return z * plan_.y.count + y; }
  std::uint32_t column_of_particle(std::size_t particle) const {
    return particle_columns_[particle];
  }
  // The particles of column c, and their keys (ascending) at the same
  // positions.
  std::span<const GridParticle> column(std::uint32_t c) const {
    return {particles_.data() + column_start_[c], particles_.data() + column_start_[c + 1]};
  }
  std::span<const double> keys(std::uint32_t c) const {
    return {keys_.data() + column_start_[c], keys_.data() + column_start_[c + 1]};
  }
  // Particles in columns [0, c) (column_count() included).
  std::uint32_t particles_before(std::uint32_t c) const { return column_start_[c]; }

 private:
  struct Bins;
  void assign_bins(const Positions& positions, const Bins& bins, unsigned threads);
  void place_particles(const Positions& positions, Bins& bins, unsigned threads);
  std::uint32_t bin_of(const GridParticle& particle, const Bins& bins) const;
  void order_group(Bins& bins, std::size_t first_bin, std::size_t last_bin, std::size_t first,
                   std::size_t last);
  void order_columns(unsigned threads);

  GridPlan plan_;
  BulkVector<std::uint32_t> particle_columns_;  // by particle number
  BulkVector<std::uint32_t> column_start_;      // column c holds [start[c], start[c + 1])
  BulkVector<GridParticle> particles_;          // sorted by column, then key
  BulkVector<double> keys_;                     // the keys of particles_
};

}  // namespace pairprobe

#endif
