#include "beadmap/number_range.hpp"

#include <climits>
#include <cstdint>

#include "beadmap/printable_text.hpp"

namespace beadmap {

bool number_fits_int(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  // The least int is left out too: the library takes one less than some
  // numbers it reads (a position from a sequence number), and that one
  // would wrap.
  const std::int64_t largest = INT_MAX;
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > largest) return false;
  }
  return true;
}

std::string number_beyond_int(std::string_view shown) {
  return printable(shown) + ": a number outside the reader's range (" + std::to_string(-INT_MAX) +
         " to " + std::to_string(INT_MAX) + ")";
}

}  // namespace beadmap
