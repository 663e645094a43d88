// Helper threads kept for the whole run, to share short pieces of work
// between cores. A thread started for each piece of work can take a
// millisecond or more to be given a core of its own, as long as the work
// itself; helpers that are already running, and that look for work for a
// short while before they sleep, take the next piece at once.
#ifndef PARALLEL_HELPER_THREADS_HPP
#define PARALLEL_HELPER_THREADS_HPP

#include <cstddef>
#include <functional>

namespace parallel {

// Runs work(t) once for each t = 0, 1, ..., count - 1 and returns when all
// have returned. The calling thread runs work(0) first, then takes part in
// the rest: helper threads take what they get to first, the calling thread
// the rest, so no call waits for a helper that is slow to start. So no piece
// may wait for another to run at the same time: all may run one after the
// other, in order, on the calling thread. The first exception thrown by a
// work(t) is rethrown here, after all have ended. Helpers are started on
// first need (up to count - 1 of them) and kept; when the system refuses
// one, the others and the calling thread do its share.
void run_together(unsigned count, const std::function<void(unsigned)>& work);

// Runs work(p) once for each p = 0, 1, ..., count - 1 on up to `threads`
// threads (the calling thread among them), each p taken by whichever thread
// comes first, so that a thread which shares its core takes fewer.
void share_pieces(unsigned threads, std::size_t count,
                  const std::function<void(std::size_t)>& work);

// The threads the hardware runs at once for this process (the cores its
// affinity allows), at least 1; asked of the system once.
unsigned hardware_threads();

// The threads worth sharing work between now: hardware_threads(), or 1
// while the run has stepped back on a busy machine
// (step_back_when_cores_are_busy), so that work planned now is planned for
// one thread.
unsigned threads_in_use();

// From now on, watches whether the threads of each job get cores of their
// own. When another process keeps the cores so busy that together they get
// about one, the run's jobs run on the calling thread alone, with the same
// results: taking turns on one core would only add waits at the end of
// every job. Other threads runnable on every other core when work is first
// planned (threads_in_use) or shared, or helpers are first prepared, make
// the run step back at once; a run that shares nothing never looks (so this
// is best called before the helpers start). Now and then a job is shared
// again, to see whether the cores have come free. For programs; left off,
// helpers are always used.
void step_back_when_cores_are_busy();

// Starts `count` helpers now, ahead of their first work, so that they have
// a core by the time it comes.
void prepare_helpers(unsigned count);

}  // namespace parallel

#endif
