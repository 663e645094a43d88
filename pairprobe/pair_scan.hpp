// Pair scans: find every pair of particles whose folded distance is at most
// the hard-sphere distance, in (i, j) order, i < j, both ascending.
//
// Every scan applies the fold and the test of periodic_fold.hpp to the
// positions as read and hands each overlapping pair to a sink, so that any
// two scans of one configuration must hand over identical pairs.
#ifndef PAIRPROBE_PAIR_SCAN_HPP
#define PAIRPROBE_PAIR_SCAN_HPP

#include <cstdint>
#include <functional>

#include "configuration.hpp"

namespace pairprobe {

struct OverlapPair {
  std::int32_t i;           // 1-based number of the first particle
  std::int32_t j;           // 1-based number of the second particle, j > i
  double distance_squared;  // folded squared distance, as compared
};

// Receives the overlapping pairs in order; called only for those pairs.
using OverlapSink = std::function<void(const OverlapPair&)>;

// The reference scan: the plain loop over all N(N-1)/2 pairs. Allocates
// nothing and calls the sink only for overlapping pairs.
void reference_scan(const Configuration& config, const OverlapSink& sink);

}  // namespace pairprobe

#endif
