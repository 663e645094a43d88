// The check of the mapped residues against the residue template library
// beadweave will read: a residue's beads must be those of the template
// beadweave picks for it, in number and names.
#ifndef BEADMAP_LIBRARY_CHECK_HPP
#define BEADMAP_LIBRARY_CHECK_HPP

#include <memory>
#include <string>

#include "beadmap/cg_structure.hpp"
#include "beadweave/template_library.hpp"

namespace beadmap {

// A loaded library, the name messages give it, and whether its file holds
// more than the templates beadweave reads (a 21st template is never read).
struct LoadedLibrary {
  std::unique_ptr<beadweave::TemplateLibrary> templates;
  std::string name;
  bool holds_more = false;
};

// Loads the library at `library_path` as beadweave loads it; a library that
// beadweave would refuse is refused.
LoadedLibrary load_template_library(const std::string& library_path);

// The residues against a loaded library: a residue without a template (the
// message says when the file holds more than the templates read), or one
// whose beads differ from its template's, is refused.
void check_against_library(const CgStructure& structure, const LoadedLibrary& library);

// Loads the library at `library_path` as beadweave loads it; a library that
// beadweave would refuse, a residue without a template or one whose beads
// differ from its template's is refused.
void check_against_library(const CgStructure& structure, const std::string& library_path);

}  // namespace beadmap

#endif
