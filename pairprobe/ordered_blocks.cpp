#include "ordered_blocks.hpp"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>

#include "index_range.hpp"
#include "parallel/helper_threads.hpp"

namespace pairprobe {
namespace {

// Blocks a thread may scan ahead of the block being passed on, per thread.
constexpr std::size_t blocks_ahead_per_thread = 4;
// Chunks a block may hold before its thread waits for them to be passed on.
constexpr std::size_t chunks_per_block = 4;

// The meeting point of the threads that scan blocks. One of them, the
// calling thread, also passes the pairs on: whenever it would wait, and
// after each of its own blocks, it passes on the chunks that are next in
// order, and at the end all the rest. So the blocks are scanned and passed
// on whether the other threads run at the same time, later, or never.
class OrderedHandoff {
 public:
  OrderedHandoff(std::size_t block_count, std::size_t window, const OverlapSink& sink)
      : slots_(block_count), window_(window), sink_(sink) {}

  // The next block to scan; false when none is left or the run is abandoned.
  bool claim(std::size_t& block, bool passes) {
    std::unique_lock lock(mutex_);
    const bool ready = wait_until(lock, passes, [this] {
      return next_claim_ == slots_.size() || next_claim_ < passing_ + window_;
    });
    if (!ready || next_claim_ == slots_.size()) return false;
    block = next_claim_++;
    return true;
  }

  // Adds a chunk to a block, waiting while the block holds enough already;
  // false when the run is abandoned.
  bool deliver(std::size_t block, std::vector<OverlapPair>& chunk, bool passes) {
    std::unique_lock lock(mutex_);
    if (!wait_until(lock, passes, [&] { return slots_[block].chunks.size() < chunks_per_block; })) {
      return false;
    }
    slots_[block].chunks.push_back(std::move(chunk));
    chunk.clear();
    lock.unlock();
    changed_.notify_all();
    return true;
  }

  void finish(std::size_t block, bool passes) {
    std::unique_lock lock(mutex_);
    slots_[block].finished = true;
    if (passes) pass_ready(lock);
    lock.unlock();
    changed_.notify_all();
  }

  // Passes on the chunks of every block, waiting for those still scanned.
  void pass_rest() {
    std::unique_lock lock(mutex_);
    wait_until(lock, true, [this] { return passing_ == slots_.size(); });
  }

  // Abandons the run for a failure; the first is kept.
  void fail(std::exception_ptr failure) {
    {
      const std::lock_guard lock(mutex_);
      if (!failure_) failure_ = std::move(failure);
      abandoned_ = true;
    }
    changed_.notify_all();
  }

  void rethrow_failure() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  struct Slot {
    std::deque<std::vector<OverlapPair>> chunks;
    bool finished = false;
  };

  // Waits until ready() holds, passing chunks on meanwhile when `passes`.
  // False when the run is abandoned.
  template <typename Ready>
  bool wait_until(std::unique_lock<std::mutex>& lock, bool passes, const Ready& ready) {
    for (;;) {
      if (abandoned_) return false;
      if (ready()) return true;
      if (!passes || !pass_ready(lock)) changed_.wait(lock);
    }
  }

  // Passes on the chunks next in order, up to a block that is still scanned
  // and has none; whether there were any (or finished blocks passed). The
  // lock is held on entry and on return, not while the sink runs.
  bool pass_ready(std::unique_lock<std::mutex>& lock) {
    bool passed = false;
    while (!abandoned_ && passing_ < slots_.size()) {
      Slot& slot = slots_[passing_];
      if (!slot.chunks.empty()) {
        const std::vector<OverlapPair> chunk = std::move(slot.chunks.front());
        slot.chunks.pop_front();
        lock.unlock();
        changed_.notify_all();
        for (const OverlapPair& pair : chunk) sink_(pair);
        lock.lock();
      } else if (slot.finished) {
        ++passing_;
        changed_.notify_all();
      } else {
        break;
      }
      passed = true;
    }
    return passed;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::size_t window_;
  const OverlapSink& sink_;
  std::size_t next_claim_ = 0;
  std::size_t passing_ = 0;  // the block whose pairs are being passed on
  bool abandoned_ = false;
  std::exception_ptr failure_;
};

IndexRange block_range(const BlockPlan& plan, std::size_t block) {
  const std::size_t first = block * plan.block_size;
  return {first, std::min(first + plan.block_size, plan.particles)};
}

void scan_on_this_thread(const BlockPlan& plan, const BlockScan& scan, const OverlapSink& sink) {
  PairCollector out(plan.chunk_pairs, [&sink](std::vector<OverlapPair>& chunk) {
    for (const OverlapPair& pair : chunk) sink(pair);
    chunk.clear();
    return true;
  });
  scan(0, plan.particles, out);
  out.hand_over_rest();
}

// One thread's share: blocks in turn until none is left; the thread that
// `passes` then passes on the rest of the pairs. A failure abandons the run.
void scan_blocks(const BlockPlan& plan, const BlockScan& scan, OrderedHandoff& handoff,
                 bool passes) {
  try {
    std::size_t block = 0;
    while (handoff.claim(block, passes)) {
      PairCollector out(plan.chunk_pairs, [&](std::vector<OverlapPair>& chunk) {
        return handoff.deliver(block, chunk, passes);
      });
      const IndexRange range = block_range(plan, block);
      scan(range.first, range.last, out);
      if (!out.hand_over_rest()) return;
      handoff.finish(block, passes);
    }
    if (passes) handoff.pass_rest();
  } catch (...) {
    handoff.fail(std::current_exception());
  }
}

}  // namespace

void scan_blocks_in_order(const BlockPlan& plan, const BlockScan& scan, const OverlapSink& sink) {
  const std::size_t block_count = (plan.particles + plan.block_size - 1) / plan.block_size;
  if (plan.threads <= 1 || block_count <= 1) {
    scan_on_this_thread(plan, scan, sink);
    return;
  }
  const unsigned thread_count =
      static_cast<unsigned>(std::min<std::size_t>(plan.threads, block_count));
  OrderedHandoff handoff(block_count, blocks_ahead_per_thread * thread_count, sink);
  // Share 0 runs on the calling thread, which so is the one to call the sink.
  parallel::run_together(thread_count,
                         [&](unsigned t) { scan_blocks(plan, scan, handoff, t == 0); });
  handoff.rethrow_failure();
}

}  // namespace pairprobe
