// The particle-by-particle traversal of the column grid behind
// cell_list_scan, for runs with more pairs than are collected at once.
#ifndef PAIRPROBE_STREAMED_PAIRS_HPP
#define PAIRPROBE_STREAMED_PAIRS_HPP

#include "column_grid.hpp"
#include "ordered_blocks.hpp"
#include "pairprobe/configuration.hpp"
#include "pairprobe/overlap_pair.hpp"

namespace pairprobe {

// Particle by particle in ascending order: each particle's partners j > i in
// its window along x in its own column and the columns around it, sorted by
// j, tested with folded_distance_squared and overlaps on the second
// particle's coordinates minus the first's, as the reference scan does.
// Pairs stream to the sink as blocks of particles are finished, so memory
// stays bounded however many pairs overlap; the particles' columns are met
// in no particular order, so this is slower per pair tested than
// collect_pairs_by_column. The grid must have indexed its particles
// (ColumnGrid::index_particles).
void stream_pairs_by_particle(const Configuration& config, const ColumnGrid& grid,
                              const BlockPlan& plan, const OverlapSink& sink);

}  // namespace pairprobe

#endif
