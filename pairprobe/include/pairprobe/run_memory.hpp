// How a pairprobe run takes its memory.
#ifndef PAIRPROBE_RUN_MEMORY_HPP
#define PAIRPROBE_RUN_MEMORY_HPP

namespace pairprobe {

// Sets the heap up for a run, before anything else takes memory:
// - The heap keeps the blocks a run frees for its next ones. The grid and
//   the report take and free the same few blocks of a hundred kilobytes or
//   so over and over (a column's copy while a group is put in order, a
//   piece of formatted lines); by default each such block is mapped afresh,
//   or the heap's top given back, so that every reuse faults on every page
//   again.
// - The heap's fresh memory comes in huge pages, and so do the bulk
//   storage's blocks of less than 4 MiB (a small run's positions and
//   input), which share them: a small run's blocks would otherwise fault
//   page by page, at a cost that outweighs its work. Larger blocks are
//   mapped on their own.
void set_up_run_memory();

}  // namespace pairprobe

#endif
