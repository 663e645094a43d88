// Work run together on the calling thread and the helper threads: each
// piece exactly once, the first on the calling thread, the call returning
// only after all, failures reaching the caller, and calls in quick
// succession or from within a piece. Nothing here depends on how many of
// the threads get a core.
#include <gtest/gtest.h>

#include <atomic>
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

// Whichever threads run them, and however the system schedules those, the
// pieces of repeated calls each run once, their results land where the
// caller expects them, and the first piece is the calling thread's.
TEST(HelperThreads, PiecesOfRepeatedCallsGiveCompleteResultsInOrder) {
  parallel::prepare_helpers(3);
  const std::thread::id caller = std::this_thread::get_id();
  for (int round = 0; round < 200; ++round) {
    const auto count = static_cast<unsigned>(2 + round % 4);  // 2 to 5 pieces
    std::vector<std::atomic<int>> runs(count);
    std::vector<unsigned long> squares(count, 0);
    std::thread::id first_piece_thread;
    parallel::run_together(count, [&](unsigned t) {
      ++runs[t];
      if (t == 0) first_piece_thread = std::this_thread::get_id();
      unsigned long sum = 0;  // of the first t + 1 odd numbers: (t + 1) squared
      for (unsigned k = 0; k <= t; ++k) sum += 2 * k + 1;
      squares[t] = sum;
    });
    EXPECT_EQ(first_piece_thread, caller) << "round " << round;
    for (unsigned t = 0; t < count; ++t) {
      EXPECT_EQ(runs[t].load(), 1) << "round " << round << ", piece " << t;
      EXPECT_EQ(squares[t], (t + 1UL) * (t + 1UL)) << "round " << round << ", piece " << t;
    }
  }
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
