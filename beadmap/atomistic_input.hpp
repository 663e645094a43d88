// Reading the atomistic entry: PDB, mmCIF or mmJSON, gzip-compressed or not,
// by the structural-biology library.
#ifndef BEADMAP_ATOMISTIC_INPUT_HPP
#define BEADMAP_ATOMISTIC_INPUT_HPP

#include <string>

#include <gemmi/model.hpp>

namespace beadmap {

// Reads the whole entry; a missing or unreadable file, an unknown format,
// a file the library cannot parse or one without any model is refused.
gemmi::Structure read_atomistic(const std::string& path);

}  // namespace beadmap

#endif
