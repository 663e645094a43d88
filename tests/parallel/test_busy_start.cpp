// A run whose first work is planned while other threads keep every other
// core busy steps back to its calling thread before its first job, and
// puts off its probes while they do; and the count of runnable threads is
// taken from the load-average line only when it is there. Its own
// executable, since the step back lasts for the rest of the process.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "parallel/helper_threads.hpp"
#include "parallel/machine_load.hpp"

namespace {

TEST(BusyStart, RunnableThreadsAreReadFromTheLoadAverageLineOnly) {
  EXPECT_EQ(parallel::runnable_threads_in("0.52 0.58 0.59 2/345 6789\n"),
            std::optional<unsigned>(2));
  EXPECT_EQ(parallel::runnable_threads_in("12.00 7.25 3.10 17/1024 99"),
            std::optional<unsigned>(17));
  for (const char* malformed :
       {"", "0.52 0.58 0.59", "0.52 0.58 0.59 ", "0.52 0.58 0.59 2", "0.52 0.58 0.59 2 345",
        "0.52 0.58 0.59 x/345", "0.52 0.58 0.59 -1/345", "0.52 0.58 2/345 6789"}) {
    EXPECT_EQ(parallel::runnable_threads_in(malformed), std::nullopt) << '"' << malformed << '"';
  }
}

// Threads that keep a core busy each until they are stopped.
class BusyThreads {
 public:
  explicit BusyThreads(unsigned count) {
    for (unsigned t = 0; t < count; ++t) {
      threads_.emplace_back([this] {
        while (!stop_.load(std::memory_order_relaxed)) {
        }
      });
    }
  }
  ~BusyThreads() {
    stop_.store(true);
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

unsigned cores_of_calling_thread() {
  cpu_set_t allowed{};
  if (::pthread_getaffinity_np(::pthread_self(), sizeof allowed, &allowed) != 0) return 0;
  return static_cast<unsigned>(CPU_COUNT(&allowed));
}

TEST(BusyStart, OtherThreadsOnEveryCoreMakeTheRunStepBackAtOnce) {
  const unsigned cores = parallel::hardware_threads();
  if (cores < 2) GTEST_SKIP() << "one core only: nothing to share";
  if (static_cast<long>(cores) != ::sysconf(_SC_NPROCESSORS_ONLN)) {
    GTEST_SKIP()
        << "the process may not use every core: the machine's load says nothing of its own";
  }
  unsigned threads_planned = 0;
  unsigned threads_planned_when_probe_is_due = 0;
  {
    // The watch looks when work is first planned, not when it begins: the
    // threads started in between are seen. With them, more threads are
    // runnable than there are cores, at every look; no job has run yet.
    parallel::step_back_when_cores_are_busy();
    const BusyThreads others(cores);
    threads_planned = parallel::threads_in_use();
    // Past the time of the first probe, the cores are still busy: the
    // probe is put off rather than shared.
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    threads_planned_when_probe_is_due = parallel::threads_in_use();
  }
  EXPECT_EQ(threads_planned, 1U);
  EXPECT_EQ(threads_planned_when_probe_is_due, 1U);
  // The calling thread keeps its core, so that the system moves the others.
  EXPECT_EQ(cores_of_calling_thread(), 1U);
}

}  // namespace
