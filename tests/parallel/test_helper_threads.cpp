// Work run together on the calling thread and the helper threads: each
// piece exactly once, the call returning only after all, failures reaching
// the caller, and calls in quick succession or from within a piece.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "parallel/helper_threads.hpp"

namespace {

TEST(HelperThreads, EachPieceRunsOnceAndAllHaveEndedWhenTheCallReturns) {
  for (int round = 0; round < 300; ++round) {
    const auto count = static_cast<unsigned>(round % 9);  // 0 to 8 pieces
    std::vector<std::atomic<int>> runs(count);
    std::atomic<unsigned> ended{0};
    parallel::run_together(count, [&](unsigned t) {
      ++runs[t];
      if (t % 3 == 1) std::this_thread::yield();
      ++ended;
    });
    EXPECT_EQ(ended.load(), count) << "round " << round;
    for (unsigned t = 0; t < count; ++t) EXPECT_EQ(runs[t].load(), 1) << "piece " << t;
  }
}

TEST(HelperThreads, PiecesMayRunOnSeveralThreads) {
  parallel::prepare_helpers(1);
  std::mutex guard;
  std::set<std::thread::id> threads;
  for (int round = 0; round < 200 && threads.size() < 2; ++round) {
    parallel::run_together(2, [&](unsigned) {
      // Long enough for a waiting helper to take the other piece.
      const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
      while (std::chrono::steady_clock::now() < until) {
      }
      const std::lock_guard lock(guard);
      threads.insert(std::this_thread::get_id());
    });
  }
  EXPECT_EQ(threads.size(), 2U);  // a helper took a piece at least once
}

TEST(HelperThreads, TheFirstFailingPieceIsRethrownAfterTheOthersEnded) {
  std::atomic<int> ended{0};
  try {
    parallel::run_together(5, [&](unsigned t) {
      if (t == 3) throw std::runtime_error("piece 3");
      if (t == 1) throw std::runtime_error("piece 1");
      ++ended;
    });
    ADD_FAILURE() << "no failure reached the caller";
  } catch (const std::runtime_error& failure) {
    EXPECT_EQ(std::string(failure.what()), "piece 1");
  }
  EXPECT_EQ(ended.load(), 3);
  // The helpers still serve the next call.
  std::atomic<int> after{0};
  parallel::run_together(3, [&](unsigned) { ++after; });
  EXPECT_EQ(after.load(), 3);
}

TEST(HelperThreads, APieceMayItselfRunWorkTogether) {
  std::atomic<int> inner_pieces{0};
  parallel::run_together(
      2, [&](unsigned) { parallel::run_together(3, [&](unsigned) { ++inner_pieces; }); });
  EXPECT_EQ(inner_pieces.load(), 6);
}

}  // namespace
