#include "grid_plan.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

#include "pairprobe/shared_work.hpp"

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

// Particles whose extent a thread finds at a time.
constexpr std::size_t particles_per_piece = std::size_t{1} << 16;
// A periodic window at least this close to half the edge covers the whole
// column: two windows' ends could otherwise meet behind the particle.
constexpr double whole_window_share = 0.499;

struct Extent {
  std::array<double, 3> low{};
  std::array<double, 3> high{};
  std::size_t particles = 0;  // particles with three finite coordinates

  static Extent empty() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    return {{inf, inf, inf}, {-inf, -inf, -inf}, 0};
  }
  void add(const Extent& other) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], other.low[axis]);
      high[axis] = std::max(high[axis], other.high[axis]);
    }
    particles += other.particles;
  }
};

Extent extent_of_rows(const Positions& positions, std::size_t first, std::size_t last) {
  Extent extent = Extent::empty();
  for (std::size_t k = first; k < last; ++k) {
    const std::array<double, 3> point{positions.x[k], positions.y[k], positions.z[k]};
    if (!finite_point(point[0], point[1], point[2])) continue;
    ++extent.particles;
    for (std::size_t axis = 0; axis < 3; ++axis) {
      extent.low[axis] = std::min(extent.low[axis], point[axis]);
      extent.high[axis] = std::max(extent.high[axis], point[axis]);
    }
  }
  return extent;
}

Extent finite_extent(const Positions& positions, unsigned threads) {
  Extent extent = Extent::empty();
  std::mutex merging;
  for_pieces(threads, positions.size(), particles_per_piece,
             [&](std::size_t first, std::size_t last) {
               const Extent part = extent_of_rows(positions, first, last);
               const std::lock_guard lock(merging);
               extent.add(part);
             });
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
  axis.length = std::max(length, 0.0);
  axis.window = widened(reach, std::isfinite(length) ? length : 0.0);
  axis.whole = axis.periodic ? axis.window >= whole_window_share * edge : !std::isfinite(length);
  return axis;
}

}  // namespace

GridPlan plan_grid(const Positions& positions, const std::array<double, 3>& box, double reach,
                   double particles_per_column, unsigned threads) {
  const Extent extent = finite_extent(positions, threads);
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

}  // namespace pairprobe
