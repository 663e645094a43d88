// The check of the mapped residues against the residue template library
// beadweave will read: a residue's beads must be those of the template
// beadweave picks for it, in number and names.
#ifndef BEADMAP_LIBRARY_CHECK_HPP
#define BEADMAP_LIBRARY_CHECK_HPP

#include <string>

#include "cg_structure.hpp"

namespace beadmap {

// Loads the library at `library_path` as beadweave loads it; a library that
// beadweave would refuse, a residue without a template or one whose beads
// differ from its template's is refused.
void check_against_library(const CgStructure& structure, const std::string& library_path);

}  // namespace beadmap

#endif
