// One run of beadmap: the mapping, the entry, the chosen residues, the check
// against the library, then both outputs or none.
#ifndef BEADMAP_RUN_BEADMAP_HPP
#define BEADMAP_RUN_BEADMAP_HPP

#include "beadmap/arguments.hpp"

namespace beadmap {

// Maps the entry; reports skipped residues and gaps on standard error and a
// summary on standard output. Refused input throws Refusal, after which no
// output file has been written.
void run_beadmap(const Arguments& arguments);

}  // namespace beadmap

#endif
