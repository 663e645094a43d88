#include "ordered_blocks.hpp"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace pairprobe {
namespace {

// Blocks a worker may run ahead of the block being passed on, per thread.
constexpr std::size_t blocks_ahead_per_thread = 4;
// Chunks a block may hold before its worker waits for them to be passed on.
constexpr std::size_t chunks_per_block = 4;

// The meeting point of the workers and the thread that passes pairs on.
class OrderedHandoff {
 public:
  OrderedHandoff(std::size_t block_count, std::size_t window)
      : slots_(block_count), window_(window) {}

  // The next block to scan; false when none is left or the run is abandoned.
  bool claim(std::size_t& block) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] {
      return abandoned_ || next_claim_ == slots_.size() || next_claim_ < passing_ + window_;
    });
    if (abandoned_ || next_claim_ == slots_.size()) return false;
    block = next_claim_++;
    return true;
  }

  // Adds a chunk to a block, waiting while the block holds enough already.
  bool deliver(std::size_t block, std::vector<OverlapPair>& chunk) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return abandoned_ || slots_[block].chunks.size() < chunks_per_block; });
    if (abandoned_) return false;
    slots_[block].chunks.push_back(std::move(chunk));
    chunk.clear();
    lock.unlock();
    changed_.notify_all();
    return true;
  }

  void finish(std::size_t block) {
    {
      const std::lock_guard lock(mutex_);
      slots_[block].finished = true;
    }
    changed_.notify_all();
  }

  // The next chunk in block order; false after the last block or when the
  // run is abandoned.
  bool take(std::vector<OverlapPair>& chunk) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (abandoned_ || passing_ == slots_.size()) return false;
      Slot& slot = slots_[passing_];
      if (!slot.chunks.empty()) {
        chunk = std::move(slot.chunks.front());
        slot.chunks.pop_front();
        lock.unlock();
        changed_.notify_all();
        return true;
      }
      if (slot.finished) {
        ++passing_;
        changed_.notify_all();
        continue;
      }
      changed_.wait(lock);
    }
  }

  void abandon() {
    {
      const std::lock_guard lock(mutex_);
      abandoned_ = true;
    }
    changed_.notify_all();
  }

 private:
  struct Slot {
    std::deque<std::vector<OverlapPair>> chunks;
    bool finished = false;
  };

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::size_t window_;
  std::size_t next_claim_ = 0;
  std::size_t passing_ = 0;  // the block whose pairs are being passed on
  bool abandoned_ = false;
};

struct BlockRange {
  std::size_t first;
  std::size_t last;
};

BlockRange block_range(const BlockPlan& plan, std::size_t block) {
  const std::size_t first = block * plan.block_size;
  return {first, std::min(first + plan.block_size, plan.particles)};
}

void pass_on(std::vector<OverlapPair>& chunk, const OverlapSink& sink) {
  for (const OverlapPair& pair : chunk) sink(pair);
  chunk.clear();
}

void scan_on_this_thread(const BlockPlan& plan, const BlockScan& scan, const OverlapSink& sink) {
  PairCollector out(plan.chunk_pairs, [&sink](std::vector<OverlapPair>& chunk) {
    pass_on(chunk, sink);
    return true;
  });
  scan(0, plan.particles, out);
  out.hand_over_rest();
}

void work_on_blocks(const BlockPlan& plan, const BlockScan& scan, OrderedHandoff& handoff,
                    std::exception_ptr& failure) {
  try {
    std::size_t block = 0;
    while (handoff.claim(block)) {
      PairCollector out(plan.chunk_pairs, [&handoff, &block](std::vector<OverlapPair>& chunk) {
        return handoff.deliver(block, chunk);
      });
      const BlockRange range = block_range(plan, block);
      scan(range.first, range.last, out);
      if (!out.hand_over_rest()) return;
      handoff.finish(block);
    }
  } catch (...) {
    failure = std::current_exception();
    handoff.abandon();
  }
}

// Abandons the run and joins the workers when leaving the scope, whether
// all went well or the sink threw.
class Workers {
 public:
  explicit Workers(OrderedHandoff& handoff) : handoff_(handoff) {}
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;
  ~Workers() {
    handoff_.abandon();
    for (std::thread& thread : threads_) thread.join();
  }
  // False when the system refuses to start another thread.
  template <typename Function>
  bool start(Function&& function) {
    try {
      threads_.emplace_back(std::forward<Function>(function));
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }
  bool any() const { return !threads_.empty(); }

 private:
  OrderedHandoff& handoff_;
  std::vector<std::thread> threads_;
};

}  // namespace

void scan_blocks_in_order(const BlockPlan& plan, const BlockScan& scan, const OverlapSink& sink) {
  const std::size_t block_count = (plan.particles + plan.block_size - 1) / plan.block_size;
  if (plan.threads <= 1 || block_count <= 1) {
    scan_on_this_thread(plan, scan, sink);
    return;
  }
  const unsigned thread_count =
      static_cast<unsigned>(std::min<std::size_t>(plan.threads, block_count));
  OrderedHandoff handoff(block_count, blocks_ahead_per_thread * thread_count);
  std::vector<std::exception_ptr> failures(thread_count);
  bool scanned = false;
  {
    // Threads the system refuses to start leave the blocks to the others;
    // with none at all, the calling thread scans alone.
    Workers workers(handoff);
    for (unsigned t = 0; t < thread_count; ++t) {
      if (!workers.start([&, t] { work_on_blocks(plan, scan, handoff, failures[t]); })) break;
    }
    if (workers.any()) {
      std::vector<OverlapPair> chunk;
      while (handoff.take(chunk)) pass_on(chunk, sink);
      scanned = true;
    }
  }
  if (!scanned) {
    scan_on_this_thread(plan, scan, sink);
    return;
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace pairprobe
