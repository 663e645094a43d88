// The main sequence of beadweave: load the templates, read the structure,
// assign the beads, then write "protein.itp" front to back with the two
// console dialogues in the middle.
#ifndef BEADWEAVE_RUN_SEQUENCE_HPP
#define BEADWEAVE_RUN_SEQUENCE_HPP

namespace beadweave {

// Runs inside rio::run_program, which turns every way the run ends into the
// exit status.
void run_sequence();

}  // namespace beadweave

#endif
