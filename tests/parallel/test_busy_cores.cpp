// A process whose threads share one core steps back to its calling thread,
// once asked to: confined to one core, two threads of a job use one core
// between them, exactly as when another process keeps the other cores busy.
// Its own executable, since the step back lasts for the rest of the process.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "parallel/helper_threads.hpp"

namespace {

// Busy work of about `milliseconds` on whichever threads run it.
void spin_for(std::chrono::milliseconds milliseconds) {
  const auto until = std::chrono::steady_clock::now() + milliseconds;
  std::atomic<unsigned> turns{0};
  while (std::chrono::steady_clock::now() < until) turns.fetch_add(1, std::memory_order_relaxed);
}

// The threads that ran work(0) and work(1) of one job.
std::set<std::thread::id> threads_of_a_job(std::chrono::milliseconds each) {
  std::mutex guard;
  std::set<std::thread::id> threads;
  parallel::run_together(2, [&](unsigned) {
    spin_for(each);
    const std::lock_guard lock(guard);
    threads.insert(std::this_thread::get_id());
  });
  return threads;
}

TEST(BusyCores, JobsOnOneSharedCoreStepBackToTheCallingThread) {
  // The cores the process may use are counted once, before it is confined.
  if (parallel::hardware_threads() < 2) GTEST_SKIP() << "one core only: nothing to share";
  // The calling thread on one core; the helper, started now, inherits it.
  cpu_set_t one{};
  CPU_SET(::sched_getcpu(), &one);
  ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
  parallel::prepare_helpers(1);
  std::set<std::thread::id> threads;
  // However busy the machine, the helper gets the core now and then.
  for (int round = 0; round < 100 && threads.size() < 2; ++round) {
    threads = threads_of_a_job(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(threads.size(), 2U) << "the helper never took a piece";

  // Jobs whose two threads take turns on the one core make the process step
  // back: work is planned for one thread, and the jobs of the next while
  // (until the cores are tried again) run wholly on the calling thread.
  parallel::step_back_when_cores_are_busy();
  EXPECT_EQ(parallel::threads_in_use(), 2U);
  for (int round = 0; round < 20 && parallel::threads_in_use() > 1; ++round) {
    threads_of_a_job(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(parallel::threads_in_use(), 1U);
  // The cores are tried again 50 ms after the step back, in a job that may
  // use the helper: only the jobs that end before then are judged, so that
  // a machine too busy to run them in time makes the check vacuous, never
  // wrong.
  const auto stepped_back = std::chrono::steady_clock::now();
  const auto before_probe = stepped_back + std::chrono::milliseconds(45);
  for (int round = 0; round < 2; ++round) {
    const auto threads_used = threads_of_a_job(std::chrono::milliseconds(10));
    if (std::chrono::steady_clock::now() >= before_probe) break;
    EXPECT_EQ(threads_used, std::set<std::thread::id>{std::this_thread::get_id()});
  }
}

}  // namespace
