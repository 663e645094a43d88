// The two traversals of the column grid behind cell_list_scan. Both test each
// candidate pair with folded_distance_squared and overlaps on the second
// particle's coordinates minus the first's, as the reference scan does; they
// differ in the order they meet the pairs.
#ifndef PAIRPROBE_GRID_SCANS_HPP
#define PAIRPROBE_GRID_SCANS_HPP

#include <cstddef>
#include <vector>

#include "column_grid.hpp"
#include "configuration.hpp"
#include "ordered_blocks.hpp"
#include "pair_scan.hpp"

namespace pairprobe {

// Column by column: every pair of particles in one column or in two
// neighbouring columns whose keys are within a window of each other along x
// is tested once, the columns streamed through memory in storage order on
// `threads` threads. Fills `pairs` with the overlapping pairs in (i, j)
// order and returns true; returns false as soon as more than `limit` pairs
// have been found (the contents of `pairs` are then unspecified).
bool collect_pairs_by_column(const Configuration& config, const ColumnGrid& grid, unsigned threads,
                             std::size_t limit, std::vector<OverlapPair>& pairs);

// Particle by particle in ascending order: each particle's partners j > i in
// its window along x in its own column and the columns around it, sorted by
// j. Pairs stream to the sink as blocks of particles are finished, so memory
// stays bounded however many pairs overlap; the particles' columns are met
// in no particular order, so this is slower per pair tested. The grid must
// have indexed its particles (ColumnGrid::index_particles).
void stream_pairs_by_particle(const Configuration& config, const ColumnGrid& grid,
                              const BlockPlan& plan, const OverlapSink& sink);

}  // namespace pairprobe

#endif
