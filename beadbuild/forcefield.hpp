// The force-field include the system's topology starts with: the one built
// in, or the user's, whose atom types must cover the library's bead types.
#ifndef BEADBUILD_FORCEFIELD_HPP
#define BEADBUILD_FORCEFIELD_HPP

#include <string>
#include <string_view>
#include <vector>

#include "beadweave/template_library.hpp"

namespace beadbuild {

// The atom type names an include file declares in its [ atomtypes ] sections.
std::vector<std::string> declared_atom_types(std::string_view forcefield_text);

// The bead types of the library's templates that `forcefield_text` does not
// declare, each once, in library order.
std::vector<std::string> missing_atom_types(std::string_view forcefield_text,
                                            const beadweave::TemplateLibrary& library);

}  // namespace beadbuild

#endif
