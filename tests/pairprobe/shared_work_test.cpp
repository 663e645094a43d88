// Work shared between threads: every index covered exactly once, in ranges
// no longer than a piece, whatever the number of threads.
#include "pairprobe/shared_work.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

namespace {

TEST(SharedWork, EveryIndexIsCoveredExactlyOnce) {
  struct Case {
    std::size_t total;
    std::size_t piece_size;
  } cases[] = {{0, 8}, {1, 8}, {8, 8}, {9, 8}, {1000, 7}, {1000, 1}, {5, 0}, {100000, 8192}};
  for (const Case& c : cases) {
    for (unsigned threads : {0U, 1U, 2U, 3U, 8U}) {
      std::vector<std::atomic<int>> visits(c.total);
      std::atomic<int> bad_ranges{0};
      pairprobe::for_pieces(
          threads, c.total, c.piece_size, [&](std::size_t first, std::size_t last) {
            // A range is never empty and never longer than a piece (size 0 counts as 1).
            if (first >= last || last - first > std::max<std::size_t>(c.piece_size, 1))
              ++bad_ranges;
            for (std::size_t k = first; k < last; ++k) ++visits[k];
          });
      EXPECT_EQ(bad_ranges.load(), 0) << c.total << " " << threads;
      for (std::size_t k = 0; k < c.total; ++k) {
        ASSERT_EQ(visits[k].load(), 1)
            << "index " << k << " of " << c.total << ", " << threads << " threads";
      }
    }
  }
}

}  // namespace
