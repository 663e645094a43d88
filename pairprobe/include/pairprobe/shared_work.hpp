// Work shared between threads: the calling thread and up to `threads - 1`
// helpers each run the same function, which takes its pieces from a shared
// counter, so the pieces are done whichever threads run and in whatever
// order. A thread the system refuses to start leaves its share to the
// others; the first exception a thread ends with is rethrown after all have
// finished.
#ifndef PAIRPROBE_SHARED_WORK_HPP
#define PAIRPROBE_SHARED_WORK_HPP

#include <algorithm>
#include <cstddef>

#include "parallel/helper_threads.hpp"

namespace pairprobe {

// Calls work(t) once for each t = 0, 1, ..., threads - 1, all at once on
// the calling thread and the run's helper threads.
template <typename Work>
void run_on_threads(unsigned threads, const Work& work) {
  parallel::run_together(std::max(1U, threads), work);
}

// Calls piece(first, last) for consecutive ranges of [0, total), at most
// `piece_size` long, spread over `threads` threads.
template <typename Piece>
void for_pieces(unsigned threads, std::size_t total, std::size_t piece_size, const Piece& piece) {
  const std::size_t size = std::max<std::size_t>(piece_size, 1);
  const std::size_t pieces = total / size + (total % size != 0 ? 1 : 0);
  parallel::share_pieces(threads, pieces,
                         [&](std::size_t p) { piece(p * size, std::min(total, (p + 1) * size)); });
}

}  // namespace pairprobe

#endif
