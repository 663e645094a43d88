// The text of an atomistic entry, read whole from a file or from standard
// input and decompressed when it is gzip-compressed: every failed read,
// every cut or damaged compressed stream and every endless or exploding
// input refused, never taken for the end of the entry.
#ifndef BEADMAP_ENTRY_TEXT_HPP
#define BEADMAP_ENTRY_TEXT_HPP

#include <cstddef>
#include <string>
#include <vector>

namespace beadmap {

// The largest entry read, uncompressed: far above the largest entries of the
// archive, and a bound for endless or exploding input.
inline constexpr std::size_t largest_entry = std::size_t{8} << 30;

// The compressed data may exceed twice the text they give by this much (the
// headers of a small entry); more is no entry but padding without end (empty
// members one after another, say), read no further.
inline constexpr std::size_t compressed_overhead_allowed = std::size_t{4} << 20;

// The whole text at `path` ("-": standard input). A file that cannot be
// opened or read, a directory or a device, a cut or damaged compressed
// stream, more than largest_entry bytes of text, or compressed data beyond
// twice their text and compressed_overhead_allowed, is refused (Refusal).
std::vector<char> read_entry_text(const std::string& path);

}  // namespace beadmap

#endif
