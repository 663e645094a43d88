// The check of the mapped residues against the residue template library
// beadweave will read: a residue's beads must be those of the template
// beadweave picks for it, in number and names.
#ifndef BEADMAP_LIBRARY_CHECK_HPP
#define BEADMAP_LIBRARY_CHECK_HPP

#include <memory>
#include <string>

#include "cg_structure.hpp"
#include "template_library.hpp"

namespace beadmap {

// Loads the library at `library_path` as beadweave loads it; a library that
// beadweave would refuse is refused.
std::unique_ptr<beadweave::TemplateLibrary> load_template_library(const std::string& library_path);

// The residues against a loaded library, which `library_name` names in
// messages: a residue without a template, or one whose beads differ from its
// template's, is refused.
void check_against_library(const CgStructure& structure, const beadweave::TemplateLibrary& library,
                           const std::string& library_name);

// Loads the library at `library_path` as beadweave loads it; a library that
// beadweave would refuse, a residue without a template or one whose beads
// differ from its template's is refused.
void check_against_library(const CgStructure& structure, const std::string& library_path);

}  // namespace beadmap

#endif
