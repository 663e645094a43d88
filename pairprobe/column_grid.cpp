#include "column_grid.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "helper_threads.hpp"
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
// Bins of the counting sort at most (stretches of x in all columns).
constexpr double bins_at_most = 1U << 31;

// Work handed to a thread at a time while the grid is built.
constexpr std::size_t particles_per_piece = 8192;
constexpr std::size_t columns_per_piece = 1024;
// The counting sort's first pass cuts the particles into parts of about
// this many (at most `max_parts`), and its bins into groups holding about
// `particles_per_group` particles; a group larger than `group_copied_at_most`
// is sorted in place rather than through a copy.
constexpr std::size_t particles_per_part = std::size_t{1} << 14;
constexpr std::size_t max_parts = 256;
constexpr std::size_t particles_per_group = std::size_t{1} << 14;
constexpr std::size_t group_copied_at_most = std::size_t{1} << 20;

// Groups of 2^shift consecutive bins.
struct BinGroups {
  unsigned shift = 0;
  std::size_t bins = 0;
  std::size_t count = 1;

  BinGroups(std::size_t bin_count, std::size_t particles) : bins(bin_count) {
    const std::size_t wanted = std::max<std::size_t>(1, particles / particles_per_group);
    while ((bin_count >> shift) > wanted) ++shift;
    count = (bin_count >> shift) + 1;
  }
  std::size_t of(std::uint32_t bin) const { return bin >> shift; }
  std::size_t first_bin(std::size_t group) const { return std::min(group << shift, bins); }
};

// A periodic window at least this close to half the edge covers the whole
// column: two windows' ends could otherwise meet behind the particle.
constexpr double whole_window_share = 0.499;

// The counting sort puts a column's particles into stretches of x; a
// stretch holding more than this many particles times the column's size,
// moved, makes the column sorted outright instead.
constexpr std::size_t moves_per_particle = 8;

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
  const std::array<const BulkVector<double>*, 3> columns{&positions.x, &positions.y, &positions.z};
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
  axis.length = std::max(length, 0.0);
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

// The counting sort's bins: each column is cut along x into stretches of
// equal length, numbered column by column, so that bins in ascending order
// are columns in ascending order, each ordered roughly by key.
struct ColumnGrid::Bins {
  std::uint32_t per_column = 1;  // stretches of x in a column
  double per_length = 0.0;       // stretches per unit of key
  BulkVector<std::uint32_t> start;

  Bins(const GridPlan& plan, std::uint32_t columns, std::size_t particles,
       double particles_per_bin) {
    const double wanted = static_cast<double>(particles) / std::max(particles_per_bin, 0.01);
    // Bin numbers stay far below the column entry's "no column".
    const double stretches = std::floor(std::min(wanted, bins_at_most) / columns);
    if (stretches >= 2.0 && plan.x.length > 0.0 && std::isfinite(plan.x.length)) {
      per_column = static_cast<std::uint32_t>(std::min(stretches, most_cells_per_axis));
      per_length = per_column / plan.x.length;
    }
  }

  std::size_t count(std::uint32_t columns) const { return std::size_t{columns} * per_column; }
  // The bin of a particle with this key in column c (a key may exceed the
  // length by rounding: the last stretch takes it).
  std::uint32_t of(std::uint32_t c, double key) const {
    const auto stretch = static_cast<std::uint32_t>(key * per_length);
    return c * per_column + std::min(stretch, per_column - 1);
  }
};

ColumnGrid::ColumnGrid(const Positions& positions, const GridPlan& plan, unsigned threads,
                       double particles_per_bin)
    : plan_(plan) {
  const std::uint32_t columns = plan_.y.count * plan_.z.count;
  Bins bins(plan_, columns, positions.size(), particles_per_bin);
  assign_bins(positions, bins, threads);
  place_particles(positions, bins, threads);
  column_start_.resize(std::size_t{columns} + 1);
  for (std::uint32_t c = 0; c <= columns; ++c) column_start_[c] = bins.start[bins.count(c)];
  // From here on a particle's entry names its column.
  for_pieces(threads, positions.size(), particles_per_piece,
             [&](std::size_t first, std::size_t last) {
               for (std::size_t k = first; k < last; ++k) {
                 if (particle_columns_[k] != no_column) particle_columns_[k] /= bins.per_column;
               }
             });
  order_columns(threads);
}

// Each particle with three finite coordinates gets its bin, for now in the
// entry that will name its column; the others get no column.
void ColumnGrid::assign_bins(const Positions& positions, const Bins& bins, unsigned threads) {
  particle_columns_.resize(positions.size());
  for_pieces(threads, positions.size(), particles_per_piece,
             [&](std::size_t first, std::size_t last) {
               for (std::size_t k = first; k < last; ++k) {
                 if (!finite_particle(positions, k)) {
                   particle_columns_[k] = no_column;
                   continue;
                 }
                 const std::uint32_t c =
                     column_at(plan_.y.cell_of(positions.y[k]), plan_.z.cell_of(positions.z[k]));
                 particle_columns_[k] = bins.of(c, plan_.x.key_of(positions.x[k]));
               }
             });
}

// The counting sort in two passes, each of which writes to few places at
// a time (cache-friendly, where one pass would write every particle to a
// random place). First the particles are put into groups of consecutive
// bins: the particles are cut into parts, each part's particles of each
// group are counted, and each part copies its particles, in order, to the
// places the counts give it. Then each group is put in order of bin on its
// own, in memory the cache holds. Both passes keep particles of one bin in
// ascending order of number, whichever thread takes which part or group.
void ColumnGrid::place_particles(const Positions& positions, Bins& bins, unsigned threads) {
  const std::size_t n = positions.size();
  const std::size_t bin_count = bins.count(plan_.y.count * plan_.z.count);
  const BinGroups groups(bin_count, n);
  const std::size_t parts = std::max<std::size_t>(1, std::min(n / particles_per_part, max_parts));
  const auto part_range = [&](std::size_t part) {
    return std::pair{n * part / parts, n * (part + 1) / parts};
  };
  // counts[part * groups + g], then where the part's next particle of g goes.
  std::vector<std::uint32_t> counts(parts * groups.count, 0);
  rio::share_pieces(threads, parts, [&](std::size_t part) {
    const auto [first, last] = part_range(part);
    std::uint32_t* part_counts = counts.data() + part * groups.count;
    for (std::size_t k = first; k < last; ++k) {
      if (particle_columns_[k] != no_column) ++part_counts[groups.of(particle_columns_[k])];
    }
  });
  std::vector<std::uint32_t> group_start(groups.count + 1, 0);
  std::uint32_t placed = 0;
  for (std::size_t g = 0; g < groups.count; ++g) {
    group_start[g] = placed;
    for (std::size_t part = 0; part < parts; ++part) {
      const std::uint32_t count = counts[part * groups.count + g];
      counts[part * groups.count + g] = placed;
      placed += count;
    }
  }
  group_start[groups.count] = placed;
  particles_.resize(placed);
  keys_.resize(placed);
  rio::share_pieces(threads, parts, [&](std::size_t part) {
    const auto [first, last] = part_range(part);
    std::uint32_t* next = counts.data() + part * groups.count;
    for (std::size_t k = first; k < last; ++k) {
      const std::uint32_t bin = particle_columns_[k];
      if (bin == no_column) continue;
      particles_[next[groups.of(bin)]++] = {positions.x[k], positions.y[k], positions.z[k],
                                            static_cast<std::int32_t>(k)};
    }
  });
  bins.start.resize(bin_count + 1);
  bins.start[bin_count] = placed;
  rio::share_pieces(threads, groups.count, [&](std::size_t g) {
    order_group(bins, groups.first_bin(g), groups.first_bin(g + 1), group_start[g],
                group_start[g + 1]);
  });
}

// The bin of a particle placed in the grid: the same as assign_bins gave it.
std::uint32_t ColumnGrid::bin_of(const GridParticle& particle, const Bins& bins) const {
  const std::uint32_t c = column_at(plan_.y.cell_of(particle.y), plan_.z.cell_of(particle.z));
  return bins.of(c, plan_.x.key_of(particle.x));
}

// Puts the particles in slots [first, last), those of bins [first_bin,
// last_bin) in ascending order of number, in order of bin, and marks where
// each bin starts: a counting sort through a copy of the group, or, for a
// group too large to copy, a sort in place.
void ColumnGrid::order_group(Bins& bins, std::size_t first_bin, std::size_t last_bin,
                             std::size_t first, std::size_t last) {
  std::vector<std::uint32_t> bin_counts(last_bin - first_bin + 1, 0);
  for (std::size_t slot = first; slot < last; ++slot) {
    ++bin_counts[bin_of(particles_[slot], bins) - first_bin + 1];
  }
  for (std::size_t b = first_bin; b < last_bin; ++b) {
    bin_counts[b - first_bin + 1] += bin_counts[b - first_bin];
    bins.start[b] = static_cast<std::uint32_t>(first + bin_counts[b - first_bin]);
  }
  const std::span<GridParticle> group(particles_.data() + first, last - first);
  if (group.size() <= group_copied_at_most) {
    const std::vector<GridParticle> copy(group.begin(), group.end());
    for (const GridParticle& particle : copy) {
      group[bin_counts[bin_of(particle, bins) - first_bin]++] = particle;
    }
  } else {
    std::sort(group.begin(), group.end(), [&](const GridParticle& a, const GridParticle& b) {
      const std::uint32_t bin_a = bin_of(a, bins);
      const std::uint32_t bin_b = bin_of(b, bins);
      return bin_a != bin_b ? bin_a < bin_b : a.index < b.index;
    });
  }
  for (std::size_t slot = first; slot < last; ++slot) {
    keys_[slot] = plan_.x.key_of(particles_[slot].x);
  }
}

namespace {

// Whether particle a (with key_a) comes before particle b in a column.
bool before(double key_a, const GridParticle& a, double key_b, const GridParticle& b) {
  return key_a != key_b ? key_a < key_b : a.index < b.index;
}

// Puts a column in order of key, by number among equal keys, when the
// counting sort left it far from that: an index sort, then the column
// rearranged.
void sort_column(std::span<GridParticle> particles, std::span<double> keys) {
  std::vector<std::uint32_t> order(particles.size());
  for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return before(keys[a], particles[a], keys[b], particles[b]);
  });
  std::vector<GridParticle> sorted_particles(particles.size());
  std::vector<double> sorted_keys(particles.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    sorted_particles[k] = particles[order[k]];
    sorted_keys[k] = keys[order[k]];
  }
  std::copy(sorted_particles.begin(), sorted_particles.end(), particles.begin());
  std::copy(sorted_keys.begin(), sorted_keys.end(), keys.begin());
}

// Insertion sort by key, by number among equal keys, of a column that the
// counting sort left in ascending order of stretch: only particles of one
// stretch move past each other. False (the column partly sorted, its
// particles all there) when that takes too many moves.
bool insertion_sort_column(std::span<GridParticle> particles, std::span<double> keys) {
  std::size_t moves_left = moves_per_particle * particles.size();
  for (std::size_t k = 1; k < particles.size(); ++k) {
    if (!before(keys[k], particles[k], keys[k - 1], particles[k - 1])) continue;
    const GridParticle particle = particles[k];
    const double key = keys[k];
    std::size_t place = k;
    for (; place > 0 && before(key, particle, keys[place - 1], particles[place - 1]) &&
           moves_left > 0;
         --place, --moves_left) {
      particles[place] = particles[place - 1];
      keys[place] = keys[place - 1];
    }
    // Put back where it stopped, so the column holds its particles still.
    particles[place] = particle;
    keys[place] = key;
    if (moves_left == 0) return false;
  }
  return true;
}

}  // namespace

void ColumnGrid::order_columns(unsigned threads) {
  for_pieces(threads, column_count(), columns_per_piece,
             [this](std::size_t first, std::size_t last) {
               for (std::size_t c = first; c < last; ++c) {
                 const std::size_t begin = column_start_[c];
                 const std::size_t size = column_start_[c + 1] - begin;
                 const std::span<GridParticle> particles(particles_.data() + begin, size);
                 const std::span<double> keys(keys_.data() + begin, size);
                 if (!insertion_sort_column(particles, keys)) sort_column(particles, keys);
               }
             });
}

}  // namespace pairprobe
