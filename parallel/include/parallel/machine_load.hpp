// What the rest of the machine is doing at the start of a run: whether
// other threads already keep every core but one busy, so that a run would
// only have one core however many threads it started.
#ifndef PARALLEL_MACHINE_LOAD_HPP
#define PARALLEL_MACHINE_LOAD_HPP

#include <optional>
#include <string_view>

namespace parallel {

// The threads runnable on the whole machine, the calling one included, as
// the "running/total" field of a load-average line gives them
// ("0.52 0.58 0.59 2/345 6789" holds 2); nothing when the line is not so.
std::optional<unsigned> runnable_threads_in(std::string_view load_line);

// Whether other threads are runnable on all but one of the machine's
// `cores` each of `looks` times it is looked at, 0.15 ms apart (with
// several looks, a thread that runs only for a moment is not taken for a
// busy core). Asked only of a process that may use every core of the
// machine, and only on a system that tells (Linux); false otherwise.
bool other_threads_fill_the_cores(unsigned cores, int looks);

}  // namespace parallel

#endif
