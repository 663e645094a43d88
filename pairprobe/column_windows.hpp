// Windows along x in a column's keys (ascending): the particles whose keys lie
// within `window` of a given key, cyclically on a periodic axis. A window
// that runs past one end of a periodic axis continues at the other; since a
// window is narrower than half the edge (or else the whole column), its
// main part and its wrapped part never overlap, and are clamped so that they
// cannot, whatever the rounding.
#ifndef PAIRPROBE_COLUMN_WINDOWS_HPP
#define PAIRPROBE_COLUMN_WINDOWS_HPP

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "column_grid.hpp"
#include "index_range.hpp"

namespace pairprobe {

// Up to three ranges of places in a column.
struct WindowRanges {
  std::array<IndexRange, 3> ranges{};
  std::size_t count = 0;
};

// Where a window that starts at or below 0 continues below the top end of a
// periodic axis: the particles with key - edge >= low, a tail of the column.
inline std::size_t wrapped_tail(const AxisKeys& axis, std::span<const double> keys, double low) {
  const auto below = [&](double key) { return key - axis.edge < low; };
  return static_cast<std::size_t>(std::partition_point(keys.begin(), keys.end(), below) -
                                  keys.begin());
}

// Where a window that ends at or beyond the edge continues above the bottom
// end: the particles with key + edge <= high, a head of the column.
inline std::size_t wrapped_head(const AxisKeys& axis, std::span<const double> keys, double high) {
  const auto within = [&](double key) { return key + axis.edge <= high; };
  return static_cast<std::size_t>(std::partition_point(keys.begin(), keys.end(), within) -
                                  keys.begin());
}

// Adds the wrapped parts of the window [low, high] to its main part [first,
// last) of the column.
inline void add_wrapped(const AxisKeys& axis, std::span<const double> keys, double low, double high,
                        IndexRange main, WindowRanges& window) {
  if (!axis.periodic) return;
  if (low <= 0.0) {
    const std::size_t tail = std::max(wrapped_tail(axis, keys, low), main.last);
    if (tail < keys.size()) window.ranges[window.count++] = {tail, keys.size()};
  }
  if (high >= axis.edge) {
    const std::size_t head = std::min(wrapped_head(axis, keys, high), main.first);
    if (head > 0) window.ranges[window.count++] = {0, head};
  }
}

// The window around `key` in a column, found by binary search.
inline WindowRanges window_around(const AxisKeys& axis, std::span<const double> keys, double key) {
  WindowRanges window;
  if (axis.whole) {
    window.ranges[window.count++] = {0, keys.size()};
    return window;
  }
  const double low = key - axis.window;
  const double high = key + axis.window;
  const auto first = std::lower_bound(keys.begin(), keys.end(), low);
  const auto last = std::upper_bound(first, keys.end(), high);
  const IndexRange main{static_cast<std::size_t>(first - keys.begin()),
                        static_cast<std::size_t>(last - keys.begin())};
  window.ranges[window.count++] = main;
  add_wrapped(axis, keys, low, high, main, window);
  return window;
}

}  // namespace pairprobe

#endif
