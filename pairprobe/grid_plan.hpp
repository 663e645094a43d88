// How a grid of columns is laid over the particles: the y and z axes are
// cut into cells at least as wide as a given reach, each (y, z) cell is a
// column running along x, and along x each particle has a key (its place
// along the axis) and a window of the reach around it.
#ifndef PAIRPROBE_GRID_PLAN_HPP
#define PAIRPROBE_GRID_PLAN_HPP

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pairprobe/configuration.hpp"

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

// The cells and keys are found for every particle, so they are defined
// here, where the grid's loops can take them in.
inline std::uint32_t AxisCells::cell_of(double coordinate) const {
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

inline AxisNeighbours AxisCells::neighbours(std::uint32_t cell) const {
  AxisNeighbours result;
  if (count == 1) {
    result.cells[result.count++] = 0;
  } else if (periodic) {
    // count >= 3: the three cells are distinct. In ascending order, the
    // wrapped one first or last.
    if (cell == 0) {
      result.cells = {0, 1, count - 1};
    } else if (cell + 1 == count) {
      result.cells = {0, cell - 1, cell};
    } else {
      result.cells = {cell - 1, cell, cell + 1};
    }
    result.count = 3;
  } else {
    for (std::uint32_t c = cell == 0 ? 0 : cell - 1; c <= std::min(cell + 1, count - 1); ++c) {
      result.cells[result.count++] = c;
    }
  }
  return result;
}

inline bool AxisCells::next(std::uint32_t cell, std::uint32_t& above) const {
  if (count == 1 || (!periodic && cell + 1 == count)) return false;
  above = cell + 1 == count ? 0 : cell + 1;
  return true;
}

inline double AxisKeys::key_of(double coordinate) const {
  if (!periodic) return coordinate - origin;
  if (coordinate >= 0.0 && coordinate < edge) return coordinate;
  const double key = std::fmod(coordinate, edge);  // exact, in (-edge, edge)
  return key < 0.0 ? key + edge : key;             // may round up to edge itself
}

// Plans the columns for particles whose pair partners lie within `reach` of
// them along every axis, in the minimum-image sense on periodic axes. Cells
// and windows are wider than the reach by margins that absorb the rounding
// of binning; cells are made wider still where the grid would otherwise hold
// more than one column per `particles_per_column` particles. An axis is
// periodic when its edge is positive and finite; the fold changes no finite
// difference on the others. Only particles with three finite coordinates
// count.
// The extent is found on `threads` threads.
GridPlan plan_grid(const Positions& positions, const std::array<double, 3>& box, double reach,
                   double particles_per_column, unsigned threads = 1);

// Cells along one axis at most, before the total is limited.
inline constexpr double most_cells_per_axis = 1 << 20;

// Whether a particle takes part in the grid: three finite coordinates.
inline bool finite_point(double x, double y, double z) {
  return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

}  // namespace pairprobe

#endif
