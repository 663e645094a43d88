#include "beadmap/number_range.hpp"

#include <climits>
#include <cstdint>

#include "beadmap/printable_text.hpp"

namespace beadmap {

bool number_fits_int(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  const std::int64_t largest = negative ? -std::int64_t{INT_MIN} : std::int64_t{INT_MAX};
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > largest) return false;
  }
  return true;
}

std::string number_beyond_int(std::string_view shown) {
  return printable(shown) + ": a number outside the reader's range (" + std::to_string(INT_MIN) +
         " to " + std::to_string(INT_MAX) + ")";
}

}  // namespace beadmap
