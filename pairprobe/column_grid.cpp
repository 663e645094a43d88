#include "column_grid.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "shared_work.hpp"

namespace pairprobe {
namespace {

// Relative and absolute margins by which cells and windows are wider than
// the reach. A key or a cell moves a coordinate by a few units in the last
// place of the length the axis covers (fmod is exact; wrapping into the edge
// rounds once, scaling to cells twice), a window's bounds round once or
// twice more, and the separation of two particles is known only up to the
// rounding of their folded difference: together some 1e-15 of the length
// plus 1e-15 of the reach, far inside both margins. So two particles within
// the reach along an axis land in the same or neighbouring cells, and within
// each other's windows. (With at most 2^20 cells along an axis, the rounding
// of a coordinate scaled to cells stays below 1e-9 of a cell.)
constexpr double reach_margin = 1e-4;
constexpr double length_margin = 1e-7;

// Cells along one axis before the total is limited.
constexpr double most_cells_per_axis = 1 << 20;

// Work handed to a thread at a time while the grid is built.
constexpr std::size_t particles_per_piece = 8192;
constexpr std::size_t columns_per_piece = 1024;

// A periodic window at least this close to half the edge covers the whole
// column: two windows' ends could otherwise meet behind the particle.
constexpr double whole_window_share = 0.499;

bool finite_particle(const Positions& positions, std::size_t k) {
  return std::isfinite(positions.x[k]) && std::isfinite(positions.y[k]) &&
         std::isfinite(positions.z[k]);
}

struct Extent {
  std::array<double, 3> low{};
  std::array<double, 3> high{};
  std::size_t particles = 0;  // particles with three finite coordinates
};

Extent finite_extent(const Positions& positions) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  Extent extent{{inf, inf, inf}, {-inf, -inf, -inf}, 0};
  const std::array<const std::vector<double>*, 3> columns{&positions.x, &positions.y, &positions.z};
  for (std::size_t k = 0; k < positions.size(); ++k) {
    if (!finite_particle(positions, k)) continue;
    ++extent.particles;
    for (std::size_t axis = 0; axis < 3; ++axis) {
      extent.low[axis] = std::min(extent.low[axis], (*columns[axis])[k]);
      extent.high[axis] = std::max(extent.high[axis], (*columns[axis])[k]);
    }
  }
  return extent;
}

bool periodic_edge(double edge) { return edge > 0.0 && std::isfinite(edge); }

double widened(double reach, double length) {
  return reach * (1.0 + reach_margin) + length * length_margin;
}

// The most cells of width at least the widened reach that fit `length`; 1
// when the length is zero, not finite or shorter than two cells.
std::uint32_t cells_fitting(double length, double reach) {
  if (!(length > 0.0) || !std::isfinite(length)) return 1;
  const double fitting = std::floor(length / widened(reach, length));
  return static_cast<std::uint32_t>(std::clamp(fitting, 1.0, most_cells_per_axis));
}

// A periodic axis needs three cells for its neighbours on either side to be
// distinct cells; with fewer it is one cell holding every particle.
std::uint32_t usable_count(const AxisCells& axis, std::uint32_t count) {
  if (axis.periodic && count < 3) return 1;
  return std::max<std::uint32_t>(count, 1);
}

AxisCells plan_cells(double edge, double low, double high, double reach) {
  AxisCells axis;
  axis.periodic = periodic_edge(edge);
  axis.edge = axis.periodic ? edge : 0.0;
  axis.origin = axis.periodic ? 0.0 : low;
  axis.count = usable_count(axis, cells_fitting(axis.periodic ? edge : high - low, reach));
  return axis;
}

// Makes the cells wider, keeping the two axes' proportions, until there are
// at most `limit` columns. Wider cells only add candidate pairs.
void limit_columns(AxisCells& y, AxisCells& z, std::uint64_t limit) {
  const auto total = [&] { return std::uint64_t{y.count} * z.count; };
  while (total() > limit) {
    const int split_axes = (y.count > 1 ? 1 : 0) + (z.count > 1 ? 1 : 0);
    const double excess = static_cast<double>(total()) / static_cast<double>(limit);
    const double factor = std::pow(excess, 1.0 / split_axes) * (1.0 + 1e-9);
    for (AxisCells* axis : {&y, &z}) {
      if (axis->count == 1) continue;
      const double fewer = std::floor(static_cast<double>(axis->count) / factor);
      axis->count = usable_count(*axis, static_cast<std::uint32_t>(std::max(1.0, fewer)));
    }
  }
}

void set_cell_widths(AxisCells& axis, double low, double high) {
  const double length = axis.periodic ? axis.edge : high - low;
  axis.cells_per_length = axis.count > 1 ? axis.count / length : 0.0;
}

AxisKeys plan_keys(double edge, double low, double high, double reach) {
  AxisKeys axis;
  axis.periodic = periodic_edge(edge);
  axis.edge = axis.periodic ? edge : 0.0;
  axis.origin = axis.periodic ? 0.0 : low;
  const double length = axis.periodic ? edge : high - low;
  axis.window = widened(reach, std::isfinite(length) ? length : 0.0);
  axis.whole = axis.periodic ? axis.window >= whole_window_share * edge : !std::isfinite(length);
  return axis;
}

}  // namespace

std::uint32_t AxisCells::cell_of(double coordinate) const {
  if (count == 1) return 0;
  double offset = coordinate - origin;  // open axis: not below 0, origin is the lowest
  if (periodic && !(coordinate >= 0.0 && coordinate < edge)) {
    offset = std::fmod(coordinate, edge);  // exact, in (-edge, edge)
    if (offset < 0.0) offset += edge;      // may round up to edge itself
  }
  // At most count plus a rounding error: the last cell takes that too.
  const auto cell = static_cast<std::uint32_t>(offset * cells_per_length);
  return std::min(cell, count - 1);
}

AxisNeighbours AxisCells::neighbours(std::uint32_t cell) const {
  AxisNeighbours result;
  if (count == 1) {
    result.cells[result.count++] = 0;
  } else if (periodic) {
    // count >= 3: the three cells are distinct.
    const std::uint32_t below = cell == 0 ? count - 1 : cell - 1;
    const std::uint32_t above = cell + 1 == count ? 0 : cell + 1;
    result.cells = {below, cell, above};
    std::sort(result.cells.begin(), result.cells.end());
    result.count = 3;
  } else {
    for (std::uint32_t c = cell == 0 ? 0 : cell - 1; c <= std::min(cell + 1, count - 1); ++c) {
      result.cells[result.count++] = c;
    }
  }
  return result;
}

bool AxisCells::next(std::uint32_t cell, std::uint32_t& above) const {
  if (count == 1 || (!periodic && cell + 1 == count)) return false;
  above = cell + 1 == count ? 0 : cell + 1;
  return true;
}

double AxisKeys::key_of(double coordinate) const {
  if (!periodic) return coordinate - origin;
  if (coordinate >= 0.0 && coordinate < edge) return coordinate;
  const double key = std::fmod(coordinate, edge);  // exact, in (-edge, edge)
  return key < 0.0 ? key + edge : key;             // may round up to edge itself
}

GridPlan plan_grid(const Positions& positions, const std::array<double, 3>& box, double reach,
                   double particles_per_column) {
  const Extent extent = finite_extent(positions);
  GridPlan plan;
  plan.x = plan_keys(box[0], extent.low[0], extent.high[0], reach);
  plan.y = plan_cells(box[1], extent.low[1], extent.high[1], reach);
  plan.z = plan_cells(box[2], extent.low[2], extent.high[2], reach);
  const double occupancy = std::max(particles_per_column, 0.01);
  const double wanted = std::floor(static_cast<double>(extent.particles) / occupancy);
  limit_columns(plan.y, plan.z, static_cast<std::uint64_t>(std::max(1.0, wanted)));
  set_cell_widths(plan.y, extent.low[1], extent.high[1]);
  set_cell_widths(plan.z, extent.low[2], extent.high[2]);
  return plan;
}

ColumnGrid::ColumnGrid(const Positions& positions, const GridPlan& plan, unsigned threads)
    : plan_(plan), particle_columns_(positions.size(), no_column) {
  const std::size_t n = positions.size();
  for_pieces(threads, n, particles_per_piece, [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
      if (!finite_particle(positions, k)) continue;
      particle_columns_[k] =
          column_at(plan_.y.cell_of(positions.y[k]), plan_.z.cell_of(positions.z[k]));
    }
  });
  // Counting sort. First column_start_[c] counts the particles of column c,
  // then (running sums) marks its end; filling each column from its end,
  // particles taken in descending order, leaves it marking the column's
  // start with the particles in ascending order of number.
  column_start_.assign(std::size_t{plan_.y.count} * plan_.z.count + 1, 0);
  for (const std::uint32_t c : particle_columns_) {
    if (c != no_column) ++column_start_[c];
  }
  for (std::size_t c = 1; c < column_start_.size(); ++c) column_start_[c] += column_start_[c - 1];
  particles_.resize(column_start_.back());
  keys_.resize(column_start_.back());
  for (std::size_t k = n; k-- > 0;) {
    const std::uint32_t c = particle_columns_[k];
    if (c == no_column) continue;
    const std::uint32_t slot = --column_start_[c];
    particles_[slot] = {positions.x[k], positions.y[k], positions.z[k],
                        static_cast<std::int32_t>(k)};
    keys_[slot] = plan_.x.key_of(positions.x[k]);
  }
  // Columns are sorted independently, each by one thread.
  const auto sort_columns = [this](std::size_t first, std::size_t last) {
    std::vector<std::uint32_t> order;
    std::vector<GridParticle> sorted_particles;
    std::vector<double> sorted_keys;
    for (std::size_t c = first; c < last; ++c) {
      sort_column(static_cast<std::uint32_t>(c), order, sorted_particles, sorted_keys);
    }
  };
  for_pieces(threads, column_count(), columns_per_piece, sort_columns);
}

// Sorts a column by key; equal keys keep their ascending numbers.
void ColumnGrid::sort_column(std::uint32_t c, std::vector<std::uint32_t>& order,
                             std::vector<GridParticle>& particles, std::vector<double>& keys) {
  const std::uint32_t begin = column_start_[c];
  const std::uint32_t size = column_start_[c + 1] - begin;
  double* column_keys = keys_.data() + begin;
  if (std::is_sorted(column_keys, column_keys + size)) return;
  order.resize(size);
  for (std::uint32_t k = 0; k < size; ++k) order[k] = k;
  // Positions in the column ascend with the numbers: they break ties.
  std::sort(order.begin(), order.end(), [column_keys](std::uint32_t a, std::uint32_t b) {
    return column_keys[a] != column_keys[b] ? column_keys[a] < column_keys[b] : a < b;
  });
  particles.resize(size);
  keys.resize(size);
  for (std::uint32_t k = 0; k < size; ++k) {
    particles[k] = particles_[begin + order[k]];
    keys[k] = column_keys[order[k]];
  }
  std::copy(particles.begin(), particles.end(), particles_.begin() + begin);
  std::copy(keys.begin(), keys.end(), keys_.begin() + begin);
}

}  // namespace pairprobe
