// Scanning blocks of first particles on several threads while the pairs
// reach the sink in exactly the order one thread would give: block by block,
// each block's pairs in the order its scan found them.
#ifndef PAIRPROBE_ORDERED_BLOCKS_HPP
#define PAIRPROBE_ORDERED_BLOCKS_HPP

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "pairprobe/overlap_pair.hpp"

namespace pairprobe {

// Collects the pairs of one block and hands them on in chunks, so that a
// block with very many pairs never holds them all at once.
class PairCollector {
 public:
  // Takes a chunk (leaving the vector empty); false when the run has been
  // abandoned and scanning should stop.
  using HandOver = std::function<bool(std::vector<OverlapPair>&)>;

  PairCollector(std::size_t chunk_pairs, HandOver hand_over)
      : chunk_pairs_(chunk_pairs), hand_over_(std::move(hand_over)) {}

  void add(const OverlapPair& pair) { pairs_.push_back(pair); }
  // Called after each first particle: hands a full chunk over. False when
  // scanning should stop.
  bool particle_done() { return pairs_.size() < chunk_pairs_ || hand_over_rest(); }
  // Hands over whatever is collected.
  bool hand_over_rest() { return pairs_.empty() || hand_over_(pairs_); }

 private:
  std::size_t chunk_pairs_;
  HandOver hand_over_;
  std::vector<OverlapPair> pairs_;
};

// Scans first particles [first, last) into the collector.
using BlockScan = std::function<void(std::size_t first, std::size_t last, PairCollector& out)>;

struct BlockPlan {
  std::size_t particles;    // first particles 0 to particles - 1
  std::size_t block_size;   // first particles per block, at least 1
  unsigned threads;         // threads that scan; 1 scans on the calling thread alone
  std::size_t chunk_pairs;  // pairs per handed-over chunk, at least 1
};

// Runs `scan` over all blocks and hands every pair to `sink` on the calling
// thread, in block order. With several threads the blocks are scanned on the
// calling thread and the helper threads (parallel/helper_threads.hpp), the
// calling thread passing finished chunks on in between; no thread runs more
// than a few blocks ahead of the one being passed on, and a block holds at
// most a few chunks, so memory stays bounded however many pairs there are. A
// failure in a scan or in the sink stops every thread and is rethrown here.
void scan_blocks_in_order(const BlockPlan& plan, const BlockScan& scan, const OverlapSink& sink);

}  // namespace pairprobe

#endif
