#include "column_grid.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "pairprobe/shared_work.hpp"
#include "parallel/helper_threads.hpp"

namespace pairprobe {
namespace {

// Bins of the counting sort at most (stretches of x in all columns).
constexpr double bins_at_most = 1U << 31;

// Work handed to a thread at a time while the grid is built.
constexpr std::size_t particles_per_piece = 8192;
constexpr std::size_t columns_per_piece = 1024;
// The counting sort's first pass cuts the particles into parts of about
// this many (at most `max_parts`), and its bins into groups holding about
// `particles_per_group` particles (more when there would be more groups
// than a group number can tell apart).
constexpr std::size_t particles_per_part = std::size_t{1} << 14;
constexpr std::size_t max_parts = 256;
constexpr std::size_t particles_per_group = std::size_t{1} << 14;

// A particle's group while the grid is built: 2 bytes a particle.
using GroupNumber = std::uint16_t;
constexpr GroupNumber no_group = std::numeric_limits<GroupNumber>::max();
constexpr std::size_t most_groups = no_group;  // numbers 0 to no_group - 1

// The counting sort puts a column's particles into stretches of x; a
// stretch holding more than this many particles times the column's size,
// moved, makes the column sorted outright instead.
constexpr std::size_t moves_per_particle = 8;

// Groups of 2^shift consecutive bins.
struct BinGroups {
  unsigned shift = 0;
  std::size_t bins = 0;
  std::size_t count = 1;

  BinGroups(std::size_t bin_count, std::size_t particles) : bins(bin_count) {
    const std::size_t wanted =
        std::clamp<std::size_t>(particles / particles_per_group, 1, most_groups / 2);
    while ((bin_count >> shift) > wanted) ++shift;
    count = (bin_count >> shift) + 1;
  }
  GroupNumber of(std::uint32_t bin) const { return static_cast<GroupNumber>(bin >> shift); }
  std::size_t first_bin(std::size_t group) const { return std::min(group << shift, bins); }
};

// Whether two values are the same bit for bit (a key that is x itself).
bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Moves rows [0, size) of `values` to the rows `destination` gives them,
// through a copy.
template <typename Value>
void move_rows(Value* values, const std::vector<std::uint32_t>& destination) {
  const std::vector<Value> copy(values, values + destination.size());
  for (std::size_t k = 0; k < destination.size(); ++k) values[destination[k]] = copy[k];
}

// One particle of the grid while its column is put in order; `key` may be
// the very storage of `x`.
struct Row {
  double x;
  double y;
  double z;
  double key;
  std::int32_t index;
};

struct MutableRows {
  double* x;
  double* y;
  double* z;
  double* key;
  std::int32_t* index;

  Row get(std::size_t r) const { return {x[r], y[r], z[r], key[r], index[r]}; }
  void put(std::size_t r, const Row& row) const {
    x[r] = row.x;
    y[r] = row.y;
    z[r] = row.z;
    key[r] = row.key;  // after x: where it is x, the same value
    index[r] = row.index;
  }
};

// Whether a row with (key_a, index_a) comes before one with (key_b,
// index_b) in a column.
bool before(double key_a, std::int32_t index_a, double key_b, std::int32_t index_b) {
  return key_a != key_b ? key_a < key_b : index_a < index_b;
}
bool row_before(const Row& a, const Row& b) { return before(a.key, a.index, b.key, b.index); }

// Puts rows [first, last) in order of key, by number among equal keys,
// when the counting sort left them far from that.
void sort_column(const MutableRows& rows, std::size_t first, std::size_t last) {
  std::vector<Row> column;
  column.reserve(last - first);
  for (std::size_t r = first; r < last; ++r) column.push_back(rows.get(r));
  std::sort(column.begin(), column.end(), row_before);
  for (std::size_t r = first; r < last; ++r) rows.put(r, column[r - first]);
}

// Insertion sort by key, by number among equal keys, of rows [first, last)
// that the counting sort left in ascending order of stretch: only particles
// of one stretch move past each other. False (the rows partly sorted, all
// still there) when that takes too many moves.
bool insertion_sort_column(const MutableRows& rows, std::size_t first, std::size_t last) {
  std::size_t moves_left = moves_per_particle * (last - first);
  for (std::size_t r = first + 1; r < last; ++r) {
    // Most rows are in place already: only their keys and numbers are read.
    if (!before(rows.key[r], rows.index[r], rows.key[r - 1], rows.index[r - 1])) continue;
    const Row row = rows.get(r);
    std::size_t place = r;
    for (; place > first && moves_left > 0 &&
           before(row.key, row.index, rows.key[place - 1], rows.index[place - 1]);
         --place, --moves_left) {
      rows.put(place, rows.get(place - 1));
    }
    // Put back where it stopped, so the rows hold their particles still.
    rows.put(place, row);
    if (moves_left == 0) return false;
  }
  return true;
}

}  // namespace

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

// Where the first pass of the counting sort puts the particles: each
// particle's group, and the rows each part's particles of each group go to.
struct ColumnGrid::Placement {
  std::size_t parts = 1;
  BinGroups groups;
  BulkVector<GroupNumber> group_of;        // by particle; no_group: not in the grid
  std::vector<std::uint32_t> part_rows;    // [part * groups + g]: first row of that share
  std::vector<std::uint32_t> group_start;  // group g holds rows [start[g], start[g + 1])
  bool keys_are_x = true;                  // every particle's key is its x

  Placement(std::size_t bin_count, std::size_t particles) : groups(bin_count, particles) {
    parts = std::max<std::size_t>(1, std::min(particles / particles_per_part, max_parts));
  }
  IndexRange part_range(std::size_t part, std::size_t particles) const {
    return {particles * part / parts, particles * (part + 1) / parts};
  }
  std::size_t rows() const { return group_start.back(); }

  // Copies source(k) of each particle in the grid to its row in its group:
  // the particles of each part go, in order, to the rows `part_rows` gives
  // that part in each group. Each part writes to few places at a time.
  template <typename Value, typename Source>
  void copy_into_groups(unsigned threads, Value* target, const Source& source) const {
    parallel::share_pieces(threads, parts, [&](std::size_t part) {
      const auto first_row = part_rows.begin() + static_cast<std::ptrdiff_t>(part * groups.count);
      std::vector<std::uint32_t> next(first_row,
                                      first_row + static_cast<std::ptrdiff_t>(groups.count));
      const IndexRange range = part_range(part, group_of.size());
      for (std::size_t k = range.first; k < range.last; ++k) {
        const GroupNumber g = group_of[k];
        if (g != no_group) target[next[g]++] = source(k);
      }
    });
  }
};

ColumnGrid::ColumnGrid(Positions&& positions, const GridPlan& plan, unsigned threads,
                       double particles_per_bin, std::size_t sorted_at_once_below)
    : plan_(plan), particles_read_(positions.size()) {
  const std::uint32_t columns = plan_.y.count * plan_.z.count;
  Bins bins(plan_, columns, positions.size(), particles_per_bin);
  const bool keys_are_x = positions.size() < sorted_at_once_below
                              ? sort_by_bins(positions, bins)
                              : sort_by_groups(positions, bins, threads);
  column_start_.resize(std::size_t{columns} + 1);
  for (std::uint32_t c = 0; c <= columns; ++c) column_start_[c] = bins.start[bins.count(c)];
  release_memory(bins.start);
  make_keys(keys_are_x, threads);
  order_columns(threads);
}

// Few particles: one counting sort by bin, each particle moved straight to
// its row, in order of number within its bin. The bins' counters and the
// rows are few enough for the cache, so the groups of a large grid would
// only add passes over the positions. Returns whether every key is x.
bool ColumnGrid::sort_by_bins(Positions& positions, Bins& bins) {
  constexpr std::uint32_t no_bin = UINT32_MAX;  // a bin number is below 2^31
  const std::size_t n = positions.size();
  const std::size_t bin_count = bins.count(plan_.y.count * plan_.z.count);
  std::vector<std::uint32_t> bin_of_particle(n);
  bins.start.assign(bin_count + 1, 0);  // first counts, then first rows
  bool keys_are_x = true;
  for (std::size_t k = 0; k < n; ++k) {
    const double x = positions.x[k];
    const double y = positions.y[k];
    const double z = positions.z[k];
    if (!finite_point(x, y, z)) {
      bin_of_particle[k] = no_bin;
      continue;
    }
    const std::uint32_t bin = bin_of(x, y, z, bins);
    bin_of_particle[k] = bin;
    ++bins.start[bin + 1];
    keys_are_x &= same_bits(plan_.x.key_of(x), x);
  }
  for (std::size_t b = 0; b < bin_count; ++b) bins.start[b + 1] += bins.start[b];
  const std::size_t rows = bins.start[bin_count];
  x_.resize(rows);
  y_.resize(rows);
  z_.resize(rows);
  index_.resize(rows);
  std::vector<std::uint32_t> next_row(bins.start.begin(), bins.start.end() - 1);
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t bin = bin_of_particle[k];
    if (bin == no_bin) continue;
    const std::uint32_t row = next_row[bin]++;
    x_[row] = positions.x[k];
    y_[row] = positions.y[k];
    z_[row] = positions.z[k];
    index_[row] = static_cast<std::int32_t>(k);
  }
  release_memory(positions.x);
  release_memory(positions.y);
  release_memory(positions.z);
  return keys_are_x;
}

// Many particles: each first into its group of bins, then each group put in
// order of bin on its own, in memory the cache holds. Returns whether every
// key is x.
bool ColumnGrid::sort_by_groups(Positions& positions, Bins& bins, unsigned threads) {
  Placement placement = count_groups(positions, bins, threads);
  move_into_groups(positions, placement, threads);
  order_groups(placement, bins, threads);
  return placement.keys_are_x;
}

GridRows ColumnGrid::rows() const {
  return {x_.data(), y_.data(), z_.data(), index_.data(), key_data()};
}

std::uint32_t ColumnGrid::bin_of(double x, double y, double z, const Bins& bins) const {
  return bins.of(column_at(plan_.y.cell_of(y), plan_.z.cell_of(z)), plan_.x.key_of(x));
}

// The first pass: each particle's group (none for a particle without three
// finite coordinates), counted part by part, and from the counts the rows
// each part's share of each group goes to, parts in order within a group.
ColumnGrid::Placement ColumnGrid::count_groups(const Positions& positions, const Bins& bins,
                                               unsigned threads) const {
  const std::size_t n = positions.size();
  Placement placement(bins.count(plan_.y.count * plan_.z.count), n);
  const std::size_t groups = placement.groups.count;
  placement.group_of.resize(n);
  std::vector<std::uint32_t> counts(placement.parts * groups, 0);
  std::atomic<bool> keys_are_x{true};
  parallel::share_pieces(threads, placement.parts, [&](std::size_t part) {
    const IndexRange range = placement.part_range(part, n);
    std::uint32_t* part_counts = counts.data() + part * groups;
    bool part_keys_are_x = true;
    for (std::size_t k = range.first; k < range.last; ++k) {
      const double x = positions.x[k];
      const double y = positions.y[k];
      const double z = positions.z[k];
      if (!finite_point(x, y, z)) {
        placement.group_of[k] = no_group;
        continue;
      }
      const GroupNumber g = placement.groups.of(bin_of(x, y, z, bins));
      placement.group_of[k] = g;
      ++part_counts[g];
      part_keys_are_x &= same_bits(plan_.x.key_of(x), x);
    }
    if (!part_keys_are_x) keys_are_x.store(false, std::memory_order_relaxed);
  });
  placement.keys_are_x = keys_are_x.load();
  placement.group_start.assign(groups + 1, 0);
  std::uint32_t placed = 0;
  for (std::size_t g = 0; g < groups; ++g) {
    placement.group_start[g] = placed;
    for (std::size_t part = 0; part < placement.parts; ++part) {
      const std::uint32_t count = counts[part * groups + g];
      counts[part * groups + g] = placed;
      placed += count;
    }
  }
  placement.group_start[groups] = placed;
  placement.part_rows = std::move(counts);
  return placement;
}

// The second pass, one coordinate at a time: each goes to its rows in the
// groups, and the memory it leaves takes the next coordinate, so that about
// one copy of the positions is held throughout. Then each particle's number.
void ColumnGrid::move_into_groups(Positions& positions, Placement& placement, unsigned threads) {
  const std::size_t rows = placement.rows();
  const auto copy_column = [&](BulkVector<double>& target, const BulkVector<double>& source) {
    target.resize(rows);
    placement.copy_into_groups(threads, target.data(),
                               [&source](std::size_t k) { return source[k]; });
  };
  copy_column(x_, positions.x);
  y_ = std::move(positions.x);
  copy_column(y_, positions.y);
  z_ = std::move(positions.y);
  copy_column(z_, positions.z);
  release_memory(positions.z);
  index_.resize(rows);
  placement.copy_into_groups(threads, index_.data(),
                             [](std::size_t k) { return static_cast<std::int32_t>(k); });
  release_memory(placement.group_of);
  release_memory(placement.part_rows);
}

// The last pass: each group, on its own and in memory the cache holds, put
// in order of bin, keeping the particles of one bin in order of number.
void ColumnGrid::order_groups(const Placement& placement, Bins& bins, unsigned threads) {
  const std::size_t bin_count = placement.groups.bins;
  bins.start.resize(bin_count + 1);
  bins.start[bin_count] = static_cast<std::uint32_t>(placement.rows());
  parallel::share_pieces(threads, placement.groups.count, [&](std::size_t g) {
    order_group(bins, placement.groups.first_bin(g), placement.groups.first_bin(g + 1),
                {placement.group_start[g], placement.group_start[g + 1]});
  });
}

// Puts `rows`, those of bins [first_bin, last_bin), in order of bin (a
// counting sort), and marks where each bin starts.
void ColumnGrid::order_group(Bins& bins, std::size_t first_bin, std::size_t last_bin,
                             IndexRange rows) {
  const std::size_t size = rows.last - rows.first;
  std::vector<std::uint32_t> destination(size);
  std::vector<std::uint32_t> bin_rows(last_bin - first_bin + 1, 0);
  for (std::size_t k = 0; k < size; ++k) {
    const std::size_t r = rows.first + k;
    destination[k] = static_cast<std::uint32_t>(bin_of(x_[r], y_[r], z_[r], bins) - first_bin);
    ++bin_rows[destination[k] + 1];
  }
  for (std::size_t b = first_bin; b < last_bin; ++b) {
    bin_rows[b - first_bin + 1] += bin_rows[b - first_bin];
    bins.start[b] = static_cast<std::uint32_t>(rows.first + bin_rows[b - first_bin]);
  }
  for (std::uint32_t& place : destination) place = bin_rows[place]++;
  move_rows(x_.data() + rows.first, destination);
  move_rows(y_.data() + rows.first, destination);
  move_rows(z_.data() + rows.first, destination);
  move_rows(index_.data() + rows.first, destination);
}

// Keys of their own only where some key differs from its x (an open axis,
// or a particle outside the periodic box).
void ColumnGrid::make_keys(bool keys_are_x, unsigned threads) {
  if (keys_are_x) return;
  keys_.resize(x_.size());
  for_pieces(threads, x_.size(), particles_per_piece, [this](std::size_t first, std::size_t last) {
    for (std::size_t r = first; r < last; ++r) keys_[r] = plan_.x.key_of(x_[r]);
  });
}

void ColumnGrid::order_columns(unsigned threads) {
  const MutableRows rows{x_.data(), y_.data(), z_.data(), keys_.empty() ? x_.data() : keys_.data(),
                         index_.data()};
  for_pieces(threads, column_count(), columns_per_piece, [&](std::size_t first, std::size_t last) {
    for (std::size_t c = first; c < last; ++c) {
      const IndexRange range = column(static_cast<std::uint32_t>(c));
      if (!insertion_sort_column(rows, range.first, range.last)) {
        sort_column(rows, range.first, range.last);
      }
    }
  });
}

void ColumnGrid::index_particles(unsigned threads) {
  if (particle_rows_.size() == particles_read_) return;
  particle_rows_.resize(particles_read_);
  for_pieces(threads, particles_read_, particles_per_piece,
             [this](std::size_t first, std::size_t last) {
               std::fill(particle_rows_.begin() + static_cast<std::ptrdiff_t>(first),
                         particle_rows_.begin() + static_cast<std::ptrdiff_t>(last), no_row);
             });
  for_pieces(
      threads, index_.size(), particles_per_piece, [this](std::size_t first, std::size_t last) {
        for (std::size_t r = first; r < last; ++r) {
          particle_rows_[static_cast<std::size_t>(index_[r])] = static_cast<std::uint32_t>(r);
        }
      });
}

}  // namespace pairprobe
