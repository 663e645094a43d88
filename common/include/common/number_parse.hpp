// Numeric input: the checked conversions behind both readers. Each returns
// the message number of its failure, or 0 on success.
#ifndef RECORD_IO_NUMBER_PARSE_HPP
#define RECORD_IO_NUMBER_PARSE_HPP

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "common/short_decimal.hpp"

namespace rio {

// A fixed-column Iw field: blanks ignored anywhere, all blanks read as 0, an
// optional sign then decimal digits. Failure: input conversion error (64).
int parse_fixed_integer(std::string_view field, std::int32_t& value);

// A fixed-column Fw.d field: blanks ignored, all blanks read as 0; without a
// point the last `decimals` digits before the exponent are the decimals.
// Failure: input conversion error (64).
int parse_fixed_real(std::string_view field, int decimals, float& value);
int parse_fixed_real(std::string_view field, int decimals, double& value);

// A free-format value (no blanks in it) for an integer target: a whole
// number, or a real cut toward zero. Not a number: syntax error (59); beyond
// the 4-byte range: input conversion error (64).
int parse_free_integer(std::string_view token, std::int32_t& value);

// A free-format value for a real target, rounded to the target's precision.
// Not a number: syntax error (59); beyond the largest finite value: input
// conversion error (64); too small: the nearest subnormal or zero.
int parse_free_real(std::string_view token, float& value);
int parse_free_real(std::string_view token, double& value);

// The standard conversion of the longest decimal number at the start of
// `text`, for text that starts as a decimal does (a digit or a point, after
// an optional minus; never the infinity and not-a-number words the standard
// conversion also takes). Its grammar is a subset of the free-format one and
// its rounding is the same, so a value it gives needs no checking again.
// Returns the characters converted, or 0 (value untouched) when the text
// does not start so or the value is out of range. A short plain decimal
// for a double, the usual value of a file of positions, takes the quicker
// exact conversion (short_decimal.hpp).
// Inline: the bulk reader calls it for every value.
template <typename Real>
std::size_t convert_decimal_prefix(std::string_view text, Real& value) {
  static_assert(std::is_same_v<Real, float> || std::is_same_v<Real, double>);
  const std::size_t first = !text.empty() && text.front() == '-' ? 1 : 0;
  if (first == text.size()) return 0;
  const char lead = text[first];
  if (!((lead >= '0' && lead <= '9') || lead == '.')) return 0;
  if constexpr (std::is_same_v<Real, double>) {
    if (const std::size_t length = convert_short_decimal_prefix(text, value)) return length;
  }
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - text.data()) : 0;
}

}  // namespace rio

#endif
