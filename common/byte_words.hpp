// Text read eight bytes at a time as one machine word, for the scans of
// the bulk reader that test every byte at once (the quick decimal
// conversion, the line-feed count).
#ifndef RECORD_IO_BYTE_WORDS_HPP
#define RECORD_IO_BYTE_WORDS_HPP

#include <bit>
#include <cstdint>
#include <cstring>

namespace rio {

// A word with `byte` in each of its eight bytes.
constexpr std::uint64_t every_byte(std::uint8_t byte) {
  return std::uint64_t{byte} * 0x0101010101010101;
}

// Eight characters as one word, the first in the lowest byte.
inline std::uint64_t load_word(const char* text) {
  std::uint64_t word = 0;
  std::memcpy(&word, text, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

}  // namespace rio

#endif
