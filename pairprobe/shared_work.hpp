// Work shared between threads: the calling thread and up to `threads - 1`
// more each run the same function, which takes its pieces from a shared
// counter, so the pieces are done whichever threads run and in whatever
// order. A thread the system refuses to start leaves its share to the
// others; the first exception a thread ends with is rethrown after all have
// finished.
#ifndef PAIRPROBE_SHARED_WORK_HPP
#define PAIRPROBE_SHARED_WORK_HPP

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace pairprobe {

// Calls work(t) on threads t = 0 (the calling one), 1, ..., threads - 1.
template <typename Work>
void run_on_threads(unsigned threads, const Work& work) {
  const unsigned count = std::max(1U, threads);
  std::vector<std::exception_ptr> failures(count);
  const auto guarded = [&](unsigned t) {
    try {
      work(t);
    } catch (...) {
      failures[t] = std::current_exception();
    }
  };
  {
    std::vector<std::jthread> workers;
    for (unsigned t = 1; t < count; ++t) {
      try {
        workers.emplace_back(guarded, t);
      } catch (const std::system_error&) {
        break;
      }
    }
    guarded(0);
  }  // joins the workers
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

// Calls piece(first, last) for consecutive ranges of [0, total), at most
// `piece_size` long, spread over `threads` threads.
template <typename Piece>
void for_pieces(unsigned threads, std::size_t total, std::size_t piece_size, const Piece& piece) {
  const std::size_t size = std::max<std::size_t>(piece_size, 1);
  const std::size_t pieces = total / size + (total % size != 0 ? 1 : 0);
  std::atomic<std::size_t> next{0};
  // No thread is started for want of pieces to give it.
  const auto useful_threads = static_cast<unsigned>(std::min<std::size_t>(threads, pieces));
  run_on_threads(useful_threads, [&](unsigned) {
    for (std::size_t first = next.fetch_add(size); first < total; first = next.fetch_add(size)) {
      piece(first, std::min(total, first + size));
    }
  });
}

}  // namespace pairprobe

#endif
