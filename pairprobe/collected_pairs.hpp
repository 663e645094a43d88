// The column-by-column traversal of the column grid behind cell_list_scan,
// for the usual run with few enough pairs to collect them all. It tests each
// candidate pair with folded_distance_squared and overlaps on the second
// particle's coordinates minus the first's, as the reference scan does, and
// meets the pairs in storage order, sorting them at the end.
#ifndef PAIRPROBE_COLLECTED_PAIRS_HPP
#define PAIRPROBE_COLLECTED_PAIRS_HPP

#include <cstddef>
#include <vector>

#include "column_grid.hpp"
#include "pairprobe/configuration.hpp"
#include "pairprobe/overlap_pair.hpp"

namespace pairprobe {

// Column by column: every pair of particles in one column or in two
// neighbouring columns whose keys are within a window of each other along x
// is tested once, the columns streamed through memory in storage order on
// `threads` threads. Fills `pairs` with the overlapping pairs in (i, j)
// order and returns true; returns false as soon as more than `limit` pairs
// have been found (the contents of `pairs` are then unspecified).
bool collect_pairs_by_column(const Configuration& config, const ColumnGrid& grid, unsigned threads,
                             std::size_t limit, std::vector<OverlapPair>& pairs);

}  // namespace pairprobe

#endif
