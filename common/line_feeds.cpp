#include "common/line_feeds.hpp"

#include <algorithm>
#include <cstdint>

#include "byte_words.hpp"

namespace rio {
namespace {

// 1 in each byte of the word that is a line feed, 0 in the others. Where
// the byte is a line feed, `others` is 0; adding 0x7F to its low seven bits
// sets the high bit of every other byte, and no addition carries out of its
// byte (at most 0x7F + 0x7F).
std::uint64_t line_feed_ones(std::uint64_t word) {
  const std::uint64_t others = word ^ every_byte('\n');
  const std::uint64_t marked = ((others & every_byte(0x7F)) + every_byte(0x7F)) | others;
  return (~marked & every_byte(0x80)) >> 7;
}

// The sum of the eight bytes of `counts` (each at most 255).
std::size_t byte_sum(std::uint64_t counts) {
  constexpr std::uint64_t low_bytes = 0x00FF00FF00FF00FF;
  const std::uint64_t pairs = (counts & low_bytes) + ((counts >> 8) & low_bytes);
  return static_cast<std::size_t>((pairs * 0x0001000100010001) >> 48);
}

}  // namespace

std::size_t count_line_feeds(std::string_view text) {
  const char* next = text.data();
  std::size_t left = text.size();
  std::size_t total = 0;
  // Each byte of `counts` counts one byte position of up to 255 words.
  constexpr std::size_t words_per_sum = 255;
  while (left >= sizeof(std::uint64_t)) {
    const std::size_t words = std::min(left / sizeof(std::uint64_t), words_per_sum);
    std::uint64_t counts = 0;
    for (std::size_t k = 0; k < words; ++k) {
      counts += line_feed_ones(load_word(next + k * sizeof(std::uint64_t)));
    }
    total += byte_sum(counts);
    next += words * sizeof(std::uint64_t);
    left -= words * sizeof(std::uint64_t);
  }
  return total + static_cast<std::size_t>(std::count(next, next + left, '\n'));
}

}  // namespace rio
