// Blocks scanned on several threads: the pairs reach the sink on the calling
// thread, in block order, each once, whatever the threads, block sizes and
// chunk sizes; a failure in a scan or in the sink reaches the caller.
#include "ordered_blocks.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pairprobe {
namespace {

// The made-up pairs of first particle i: i % 5 partners, i + 2 on.
void add_pairs_of(std::size_t i, std::vector<OverlapPair>& pairs) {
  for (std::size_t k = 0; k < i % 5; ++k) {
    pairs.push_back({static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(i + 2 + k),
                     static_cast<double>(k)});
  }
}

void scan_made_up_pairs(std::size_t first, std::size_t last, PairCollector& out) {
  for (std::size_t i = first; i < last; ++i) {
    std::vector<OverlapPair> pairs;
    add_pairs_of(i, pairs);
    for (const OverlapPair& pair : pairs) out.add(pair);
    if (!out.particle_done()) return;
  }
}

// The pairs of particles [0, particles), one particle after the other.
std::vector<OverlapPair> pairs_in_order(std::size_t particles) {
  std::vector<OverlapPair> pairs;
  for (std::size_t i = 0; i < particles; ++i) add_pairs_of(i, pairs);
  return pairs;
}

bool same_pairs(const std::vector<OverlapPair>& a, const std::vector<OverlapPair>& b,
                std::size_t count) {
  for (std::size_t k = 0; k < count; ++k) {
    if (a[k].i != b[k].i || a[k].j != b[k].j || a[k].distance_squared != b[k].distance_squared) {
      return false;
    }
  }
  return true;
}

TEST(OrderedBlocks, PairsReachTheSinkOnTheCallingThreadInOrder) {
  const std::thread::id caller = std::this_thread::get_id();
  for (const std::size_t particles : {0U, 1U, 7U, 1000U}) {
    const std::vector<OverlapPair> expected = pairs_in_order(particles);
    for (const unsigned threads : {1U, 2U, 3U, 8U}) {
      for (const std::size_t block_size : {1U, 7U, 64U, 5000U}) {
        for (const std::size_t chunk_pairs : {1U, 3U, 1000U}) {
          std::vector<OverlapPair> got;
          bool elsewhere = false;
          scan_blocks_in_order({particles, block_size, threads, chunk_pairs}, scan_made_up_pairs,
                               [&](const OverlapPair& pair) {
                                 elsewhere |= std::this_thread::get_id() != caller;
                                 got.push_back(pair);
                               });
          ASSERT_EQ(got.size(), expected.size());
          EXPECT_TRUE(same_pairs(got, expected, got.size()))
              << particles << " particles, " << threads << " threads, blocks of " << block_size
              << ", chunks of " << chunk_pairs;
          EXPECT_FALSE(elsewhere) << "the sink was called on another thread";
        }
      }
    }
  }
}

TEST(OrderedBlocks, AFailingScanEndsTheRunWithItsFailure) {
  const std::vector<OverlapPair> expected = pairs_in_order(1000);
  for (const unsigned threads : {2U, 3U}) {
    std::vector<OverlapPair> got;
    const BlockScan failing_scan = [](std::size_t first, std::size_t last, PairCollector& out) {
      if (first <= 500 && 500 < last) throw std::runtime_error("block of 500");
      scan_made_up_pairs(first, last, out);
    };
    EXPECT_THROW(scan_blocks_in_order({1000, 10, threads, 4}, failing_scan,
                                      [&](const OverlapPair& pair) { got.push_back(pair); }),
                 std::runtime_error);
    // Only pairs of the blocks before the failing one, in order.
    ASSERT_LE(got.size(), pairs_in_order(500).size());
    EXPECT_TRUE(same_pairs(got, expected, got.size()));
  }
}

TEST(OrderedBlocks, AFailingSinkEndsTheRunAfterThePairsBeforeIt) {
  const std::vector<OverlapPair> expected = pairs_in_order(1000);
  for (const unsigned threads : {2U, 3U}) {
    std::vector<OverlapPair> got;
    EXPECT_THROW(scan_blocks_in_order({1000, 10, threads, 4}, scan_made_up_pairs,
                                      [&](const OverlapPair& pair) {
                                        if (got.size() == 700) throw std::runtime_error("full");
                                        got.push_back(pair);
                                      }),
                 std::runtime_error);
    ASSERT_EQ(got.size(), 700U);
    EXPECT_TRUE(same_pairs(got, expected, got.size()));
  }
}

}  // namespace
}  // namespace pairprobe
