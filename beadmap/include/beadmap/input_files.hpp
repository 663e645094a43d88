// The small text inputs of the mapping: a whole file read into memory, and
// the mapping from a file or the one built in.
#ifndef BEADMAP_INPUT_FILES_HPP
#define BEADMAP_INPUT_FILES_HPP

#include <optional>
#include <string>

#include "beadmap/mapping.hpp"

namespace beadmap {

// The whole file; one that cannot be read is refused (Refusal).
std::string read_text_file(const std::string& path);

// The mapping at `path`, or the built-in one when there is none; a
// malformed mapping is refused.
Mapping load_mapping(const std::optional<std::string>& path);

}  // namespace beadmap

#endif
