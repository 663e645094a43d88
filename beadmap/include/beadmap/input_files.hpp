// The small text inputs of the mapping: a whole file read into memory, and
// the mapping from a file or the one built in.
#ifndef BEADMAP_INPUT_FILES_HPP
#define BEADMAP_INPUT_FILES_HPP

#include <cstddef>
#include <optional>
#include <string>

#include "beadmap/mapping.hpp"

namespace beadmap {

// The most a mapping, library or force-field file may hold: far more than
// any holds, and a bound for an endless one (/dev/zero).
inline constexpr std::size_t largest_text_file = std::size_t{64} << 20;

// The whole file; one that cannot be read, or holds more than
// largest_text_file bytes, is refused (Refusal).
std::string read_text_file(const std::string& path);

// The mapping at `path`, or the built-in one when there is none; a
// malformed mapping is refused.
Mapping load_mapping(const std::optional<std::string>& path);

}  // namespace beadmap

#endif
