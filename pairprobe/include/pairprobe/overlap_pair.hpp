// The pairs the scans find: two particles whose folded distance is at most
// the hard-sphere distance, and the sinks the scans hand them to, in (i, j)
// order, i < j, both ascending.
#ifndef PAIRPROBE_OVERLAP_PAIR_HPP
#define PAIRPROBE_OVERLAP_PAIR_HPP

#include <cstdint>
#include <functional>
#include <span>

namespace pairprobe {

struct OverlapPair {
  std::int32_t i;           // 1-based number of the first particle
  std::int32_t j;           // 1-based number of the second particle, j > i
  double distance_squared;  // folded squared distance, as compared
};

// Receives the overlapping pairs in order; called only for those pairs.
using OverlapSink = std::function<void(const OverlapPair&)>;
// Receives many consecutive overlapping pairs at once, in order.
using OverlapBatchSink = std::function<void(std::span<const OverlapPair>)>;

}  // namespace pairprobe

#endif
