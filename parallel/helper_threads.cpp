#include "parallel/helper_threads.hpp"

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "parallel/machine_load.hpp"

namespace parallel {
namespace {

// How long a helper looks for new work, and a caller for its pieces to be
// finished, before it sleeps. Waking a sleeping thread can take
// milliseconds on a virtual machine whose idle core the host has given
// away, so in a run that watches its cores (CoreWatch), while they look
// free, a waiting thread looks for 2 ms, which spans the pauses between the
// jobs of one run; as soon as a job suggests that the cores are busy, and
// in processes that do not watch (tests that run side by side), only about
// as long as a wake-up takes on a free core, so that a busy machine soon
// gets the core back instead of losing it to spinning.
constexpr auto patient_wait = std::chrono::microseconds(2000);
constexpr auto brief_wait = std::chrono::microseconds(50);
std::atomic<bool> waits_patiently{false};  // only in a watched run (CoreWatch)

// The cores this process may run on (a process confined to one core by its
// affinity gets one), or failing that the cores of the machine.
unsigned usable_cores() {
#ifdef __linux__
  cpu_set_t allowed{};
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    return static_cast<unsigned>(CPU_COUNT(&allowed));
  }
#endif
  return std::thread::hardware_concurrency();
}

// Tells the core that this thread is spinning (cheaper for a sibling
// hardware thread), without giving the core away.
inline void spin_pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Waits until `value` is no longer `seen` and returns what it is now:
// looking at it for a short while, then sleeping in the kernel (a futex)
// until it is changed and notified.
template <typename T>
T wait_for_change(const std::atomic<T>& value, T seen) {
  const auto give_up =
      std::chrono::steady_clock::now() +
      (waits_patiently.load(std::memory_order_relaxed) ? patient_wait : brief_wait);
  for (unsigned look = 1;; ++look) {
    const T now = value.load(std::memory_order_acquire);
    if (now != seen) return now;
    if (look % 64 == 0 && std::chrono::steady_clock::now() > give_up) break;
    spin_pause();
  }
  value.wait(seen, std::memory_order_acquire);
  return value.load(std::memory_order_acquire);
}

// Where a new helper first runs. The system tends to queue a new thread
// behind the thread that started it, on that thread's core, until it
// balances the load a millisecond or more later; on a virtual machine an
// idle core may not even count as idle. So a helper is allowed, at first,
// only the cores other than its starter's, which puts it on one at once,
// and then allows itself every core its starter may use.
class CorePlacement {
 public:
#ifdef __linux__
  CorePlacement() {
    known_ = ::sched_getaffinity(0, sizeof allowed_, &allowed_) == 0;
    const int here = ::sched_getcpu();
    elsewhere_ = allowed_;
    if (here >= 0 && here < CPU_SETSIZE) CPU_CLR(here, &elsewhere_);
    known_ = known_ && here >= 0 && CPU_COUNT(&elsewhere_) > 0;
  }
  void keep_away_from_caller(std::thread& helper) const {
    if (known_) ::pthread_setaffinity_np(helper.native_handle(), sizeof elsewhere_, &elsewhere_);
  }
  void allow_all_cores() const {
    if (known_) ::pthread_setaffinity_np(::pthread_self(), sizeof allowed_, &allowed_);
  }

 private:
  cpu_set_t allowed_{};
  cpu_set_t elsewhere_{};
  bool known_ = false;
#else
  void keep_away_from_caller(std::thread&) const {}
  void allow_all_cores() const {}
#endif
};

// One call of run_together: piece 0 is the calling thread's, the others are
// taken in order by whoever comes first. A helper that comes after the last
// piece was taken finds nothing to do and never touches `work`, which lives
// only as long as the call.
struct Job {
  Job(const std::function<void(unsigned)>& work_to_run, unsigned piece_count)
      : work(work_to_run), count(piece_count), failures(piece_count) {}

  void take_pieces() {
    for (unsigned t = next.fetch_add(1); t < count; t = next.fetch_add(1)) run_piece(t);
  }

  void run_piece(unsigned t) {
    try {
      work(t);
    } catch (...) {
      failures[t] = std::current_exception();
    }
    if (done.fetch_add(1) + 1 == count) done.notify_all();
  }

  const std::function<void(unsigned)>& work;
  const unsigned count;
  std::atomic<unsigned> next{1};  // piece 0 is the calling thread's
  std::atomic<unsigned> done{0};
  std::atomic<bool> helped{false};           // a helper came to it
  std::vector<std::exception_ptr> failures;  // by piece
};

// Keeps the calling thread on the core it runs on, the system then moving
// other processes' threads to the other cores rather than sharing this one
// (as for a process confined to one core), and lets it go again.
class CoreHold {
 public:
  void hold() {
#ifdef __linux__
    const int here = ::sched_getcpu();
    if (held_ || here < 0 || here >= CPU_SETSIZE ||
        ::pthread_getaffinity_np(::pthread_self(), sizeof allowed_, &allowed_) != 0) {
      return;
    }
    cpu_set_t one{};
    CPU_SET(here, &one);
    held_ = ::pthread_setaffinity_np(::pthread_self(), sizeof one, &one) == 0;
#endif
  }
  void release() {
#ifdef __linux__
    if (held_) ::pthread_setaffinity_np(::pthread_self(), sizeof allowed_, &allowed_);
    held_ = false;
#endif
  }

 private:
#ifdef __linux__
  cpu_set_t allowed_{};
#endif
  bool held_ = false;
};

// Whether the threads of a job get cores of their own. Another process that
// keeps the cores busy can leave a job's threads about one core between
// them (the system shares the machine fairly between processes, or between
// sessions); then a job's threads only take turns on it, and each job ends
// waiting for a thread that is not running. Once the jobs so far, together,
// have used less than `shared_cores` cores over their time, the run steps
// back: its jobs are done on the calling thread alone, which then has a
// core to itself as a one-thread run would. Now and then (after 50 ms, then
// twice as long each time) one job is shared again, as a probe: if its
// threads used `well_shared` cores, the cores were only busy for a while,
// and the run shares its jobs again. Only when asked for (the programs ask;
// tests that count on helpers do not).
class CoreWatch {
 public:
  using Clock = std::chrono::steady_clock;

  // The watch first looks at the machine when work is first planned or
  // shared, or helpers are started ahead: a run that shares nothing (a
  // small one) spends nothing on it.
  void enable() {
    enabled_.store(true);
    waits_patiently.store(true);
    first_look_pending_.store(true);
  }
  // A machine whose other cores are busy already at the first look makes
  // the run step back at once, before its first jobs lose time waiting for
  // threads that are not running. Before any helper starts, so that the
  // helpers are not taken for other processes' threads.
  void look_first() {
    if (!first_look_pending_.load(std::memory_order_relaxed)) return;
    const std::lock_guard lock(mutex_);
    if (!first_look_pending_.load()) return;
    const unsigned cores = usable_cores();
    watched_cores_ = cores;
    if (other_threads_fill_the_cores(cores, looks_at_start)) step_back();
    first_look_pending_.store(false);
  }
  // Whether the next job runs on the calling thread alone. When a probe is
  // due but other threads still visibly fill the cores, the probe waits
  // for the next interval: it would only lose time.
  bool stepped_back() {
    look_first();
    if (!stepped_back_.load(std::memory_order_relaxed)) return false;
    if (Clock::now().time_since_epoch().count() < next_probe_.load(std::memory_order_relaxed)) {
      return true;
    }
    const std::lock_guard lock(mutex_);
    if (!other_threads_fill_the_cores(watched_cores_, looks_before_probe)) return false;
    schedule_probe();
    return true;
  }

  static double process_seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
  }

  // One shared job's wall time, the processor time the process used
  // meanwhile, and whether a helper came to it; called by the thread that
  // ran the job.
  void add_job(double wall_seconds, double processor_seconds, bool helped) {
    if (!enabled_.load(std::memory_order_relaxed)) return;
    const bool short_job = wall_seconds < shortest_job;
    if (short_job && helpers_awake_.load(std::memory_order_relaxed)) return;
    const std::lock_guard lock(mutex_);
    if (stepped_back_.load()) {
      if (!short_job) judge_probe(wall_seconds, processor_seconds);
      return;
    }
    // The first jobs may find the helpers still waking from their start: on
    // a virtual machine, a core the host has given away while it was idle
    // can take milliseconds to come back, over several jobs. Jobs count from
    // the one after the first that a helper came to (which it may have
    // joined late); a machine busy from the start has been seen before it.
    if (!helpers_awake_.load()) {
      helpers_awake_.store(helped);
      return;
    }
    if (short_job) return;
    if (processor_seconds < shared_cores * wall_seconds) waits_patiently.store(false);
    wall_ += wall_seconds;
    processor_ += processor_seconds;
    if (wall_ >= judged_after && processor_ < shared_cores * wall_) step_back();
  }

 private:
  // Called with the mutex held.
  void step_back() {
    waits_patiently.store(false);
    probe_interval_ = first_probe;
    schedule_probe();
    stepped_back_.store(true);
    hold_.hold();
  }
  void judge_probe(double wall_seconds, double processor_seconds) {
    if (processor_seconds >= well_shared * wall_seconds) {
      stepped_back_.store(false);
      hold_.release();
      waits_patiently.store(true);
      wall_ = processor_ = 0.0;
      return;
    }
    probe_interval_ *= 2;
    schedule_probe();
  }
  void schedule_probe() {
    const auto interval =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(probe_interval_));
    next_probe_.store((Clock::now() + interval).time_since_epoch().count());
  }

  // Jobs shorter than this are mostly the waking of helpers; they are not
  // counted. Cores are judged after this much time in counted jobs: long
  // enough that a core which a virtual machine's host takes away for a few
  // milliseconds (unseen by the guest, which counts no steal time) does not
  // make an idle machine look busy; a machine busy from the start has been
  // seen before the first job.
  static constexpr double shortest_job = 1.5e-3;
  static constexpr double judged_after = 10e-3;
  // Two threads with a core each use one and a half to two cores, a job
  // whose helper wakes late about one; a process held to one core at most
  // one. (Three busy threads on two cores give each two thirds of a core:
  // the two threads then still get more than one alone would.)
  static constexpr double shared_cores = 1.2;
  static constexpr double well_shared = 1.5;
  static constexpr double first_probe = 0.05;  // seconds after the step back
  // Looks at the machine's runnable threads before the first job, and
  // before a probe (where a busy look only puts the probe off).
  static constexpr int looks_at_start = 3;
  static constexpr int looks_before_probe = 1;

  std::atomic<bool> enabled_{false};
  std::atomic<bool> first_look_pending_{false};
  std::atomic<bool> stepped_back_{false};
  std::atomic<Clock::rep> next_probe_{0};
  std::mutex mutex_;
  unsigned watched_cores_ = 0;              // the cores the process may use at the first look
  std::atomic<bool> helpers_awake_{false};  // a helper has come to a job
  double wall_ = 0.0;
  double processor_ = 0.0;
  double probe_interval_ = first_probe;
  CoreHold hold_;
};

CoreWatch& core_watch() {
  static CoreWatch watch;
  return watch;
}

// Runs work(0), ..., work(count - 1) one after the other on the calling
// thread; the first exception is rethrown after all have run.
void run_in_turn(unsigned count, const std::function<void(unsigned)>& work) {
  std::exception_ptr first_failure;
  for (unsigned t = 0; t < count; ++t) {
    try {
      work(t);
    } catch (...) {
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  if (first_failure) std::rethrow_exception(first_failure);
}

class HelperPool {
 public:
  void start_helpers(unsigned wanted) {
    const std::lock_guard lock(mutex_);
    while (started_ < wanted) {
      try {
        start_helper();
      } catch (const std::system_error&) {
        return;  // the pieces are done without it
      }
      ++started_;
    }
  }

  void run(unsigned count, const std::function<void(unsigned)>& work) {
    const auto wall_start = std::chrono::steady_clock::now();
    const double processor_start = CoreWatch::process_seconds();
    const bool helped = run_job(count, work);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_start;
    core_watch().add_job(wall.count(), CoreWatch::process_seconds() - processor_start, helped);
  }

 private:
  // Whether a helper came to the job.
  bool run_job(unsigned count, const std::function<void(unsigned)>& work) {
    start_helpers(count - 1);
    const auto job = std::make_shared<Job>(work, count);
    {
      const std::lock_guard lock(mutex_);
      current_ = job;
    }
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    job->run_piece(0);
    job->take_pieces();
    for (unsigned done = job->done.load(); done != count; done = job->done.load()) {
      wait_for_change(job->done, done);
    }
    {
      const std::lock_guard lock(mutex_);
      if (current_ == job) current_.reset();
    }
    for (const std::exception_ptr& failure : job->failures) {
      if (failure) std::rethrow_exception(failure);
    }
    return job->helped.load();
  }

  void start_helper() {
    CorePlacement placement;
    auto placed = std::make_shared<std::atomic<bool>>(false);
    std::thread helper([this, placement, placed] {
      placed->wait(false);
      placement.allow_all_cores();
      serve();
    });
    placement.keep_away_from_caller(helper);
    placed->store(true);
    placed->notify_one();
    helper.detach();
  }

  // A helper's life: wait for a new job, take what is left of it, repeat.
  void serve() {
    std::uint32_t seen = generation_.load(std::memory_order_acquire);
    for (;;) {
      seen = wait_for_change(generation_, seen);
      std::shared_ptr<Job> job;
      {
        const std::lock_guard lock(mutex_);
        job = current_;
      }
      if (job) {
        job->helped.store(true);
        job->take_pieces();
      }
    }
  }

  std::mutex mutex_;
  std::shared_ptr<Job> current_;
  std::atomic<std::uint32_t> generation_{0};  // counts the jobs announced
  unsigned started_ = 0;
};

// Never destroyed: the helpers wait in it until the process ends.
HelperPool& helper_pool() {
  static HelperPool* const pool = new HelperPool;
  return *pool;
}

}  // namespace

void run_together(unsigned count, const std::function<void(unsigned)>& work) {
  if (count == 0) return;
  if (count == 1 || core_watch().stepped_back()) {
    run_in_turn(count, work);
    return;
  }
  helper_pool().run(count, work);
}

void step_back_when_cores_are_busy() { core_watch().enable(); }

void share_pieces(unsigned threads, std::size_t count,
                  const std::function<void(std::size_t)>& work) {
  std::atomic<std::size_t> next{0};
  const auto useful = static_cast<unsigned>(std::min<std::size_t>(std::max(threads, 1U), count));
  run_together(useful, [&](unsigned) {
    for (std::size_t p = next.fetch_add(1); p < count; p = next.fetch_add(1)) work(p);
  });
}

unsigned hardware_threads() {
  static const unsigned threads = std::max(1U, usable_cores());
  return threads;
}

unsigned threads_in_use() { return core_watch().stepped_back() ? 1 : hardware_threads(); }

void prepare_helpers(unsigned count) {
  core_watch().look_first();
  helper_pool().start_helpers(count);
}

}  // namespace parallel
