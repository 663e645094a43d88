// One run of beadbuild: the inputs, the entry read once, every protein chain
// mapped, the molecules built, and the system directory written whole.
#ifndef BEADBUILD_RUN_BEADBUILD_HPP
#define BEADBUILD_RUN_BEADBUILD_HPP

#include "arguments.hpp"

namespace beadbuild {

// Reports left-out chains, skipped residues and breaks on standard error and
// the molecules on standard output. Refused input throws beadmap::Refusal,
// after which nothing has been written.
void run_beadbuild(const BuildArguments& arguments);

}  // namespace beadbuild

#endif
