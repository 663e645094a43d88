// A half-open range of indices, [first, last): of particles, of rows of the
// grid, of columns, or of places within one column.
#ifndef PAIRPROBE_INDEX_RANGE_HPP
#define PAIRPROBE_INDEX_RANGE_HPP

#include <cstddef>

namespace pairprobe {

struct IndexRange {
  std::size_t first = 0;
  std::size_t last = 0;

  std::size_t size() const { return last - first; }
  bool empty() const { return first == last; }
};

}  // namespace pairprobe

#endif
