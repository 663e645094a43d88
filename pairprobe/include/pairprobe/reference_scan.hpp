// The reference scan: every pair of particles whose folded distance is at
// most the hard-sphere distance, found by the plain loop over all pairs.
//
// Every scan applies the fold and the test of periodic_fold.hpp to the
// positions as read and hands each overlapping pair to a sink, so that any
// two scans of one configuration must hand over identical pairs.
#ifndef PAIRPROBE_REFERENCE_SCAN_HPP
#define PAIRPROBE_REFERENCE_SCAN_HPP

#include "pairprobe/configuration.hpp"
#include "pairprobe/overlap_pair.hpp"

namespace pairprobe {

// The plain loop over all N(N-1)/2 pairs, in (i, j) order. Allocates nothing
// and calls the sink only for overlapping pairs.
void reference_scan(const Configuration& config, const OverlapSink& sink);

}  // namespace pairprobe

#endif
