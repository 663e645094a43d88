#include "common/number_format.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <algorithm>

namespace rio {
namespace {

void pad_left(std::string& record, std::string_view field, int width) {
  record.append(static_cast<std::size_t>(width) - field.size(), ' ');
  record.append(field);
}

bool fill_with_asterisks(std::string& record, int width) {
  record.append(static_cast<std::size_t>(width), '*');
  return false;
}

// Places a finished field, or asterisks when it is wider than the width.
bool place_field(std::string& record, std::string_view field, int width) {
  if (field.size() > static_cast<std::size_t>(width)) return fill_with_asterisks(record, width);
  pad_left(record, field, width);
  return true;
}

std::string_view non_finite_text(double value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-Infinity" : "Infinity";
}

bool all_zero_digits(std::string_view digits) {
  for (const char c : digits) {
    if (c >= '1' && c <= '9') return false;
  }
  return true;
}

}  // namespace

bool format_integer(std::string& record, std::int32_t value, int width) {
  std::array<char, 16> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
  return place_field(record, std::string_view(digits.data(), end - digits.data()), width);
}

// Room for the longest real field a layout may ask for: 309 integer digits,
// sign, point, exponent and up to 1000 decimals.
using FieldBuffer = std::array<char, 1400>;

bool format_fixed(std::string& record, double value, int width, int decimals) {
  if (!std::isfinite(value)) return place_field(record, non_finite_text(value), width);
  // The magnitude, rounded to `decimals` places from its exact binary value,
  // written after one spare position kept for the sign.
  FieldBuffer buffer;
  char* const digits = buffer.data() + 1;
  char* const end = std::to_chars(digits, buffer.data() + buffer.size(), std::fabs(value),
                                  std::chars_format::fixed, decimals).ptr;
  *end = '.';  // used only when there are no decimals
  char* first = digits;
  const std::size_t length = static_cast<std::size_t>(end - digits) + (decimals == 0 ? 1 : 0);
  const bool negative =
      std::signbit(value) && !all_zero_digits(std::string_view(digits, length));
  // A lone zero before the point is left out when the field has no room for it.
  const bool zero_integer_part = length > 1 && digits[0] == '0' && digits[1] == '.';
  if (zero_integer_part && length + (negative ? 1 : 0) > static_cast<std::size_t>(width)) {
    ++first;
  }
  if (negative) *--first = '-';
  return place_field(record, std::string_view(first, static_cast<std::size_t>(digits + length - first)),
                     width);
}

bool format_exponent(std::string& record, double value, int width, int decimals) {
  if (!std::isfinite(value)) return place_field(record, non_finite_text(value), width);
  FieldBuffer buffer;
  char* out = buffer.data();
  int exponent = 0;
  if (value == 0.0) {
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, decimals, '0');
  } else {
    // d significant digits in scientific form d.ddd e±x, shifted to 0.dddd.
    FieldBuffer scientific;
    const char* const end = std::to_chars(scientific.data(), scientific.data() + scientific.size(),
                                          std::fabs(value), std::chars_format::scientific,
                                          decimals - 1).ptr;
    const std::string_view text(scientific.data(), static_cast<std::size_t>(end - scientific.data()));
    const std::size_t e_position = text.find('e');
    const char* exponent_digits = text.data() + e_position + 1;
    if (*exponent_digits == '+') ++exponent_digits;
    std::from_chars(exponent_digits, end, exponent);
    exponent += 1;
    if (value < 0) *out++ = '-';
    *out++ = '0';
    *out++ = '.';
    *out++ = text[0];
    if (decimals > 1) out = std::copy(text.data() + 2, text.data() + e_position, out);
  }
  *out++ = 'D';
  *out++ = exponent < 0 ? '-' : '+';
  const int magnitude = std::abs(exponent);
  if (magnitude < 10) *out++ = '0';
  out = std::to_chars(out, buffer.data() + buffer.size(), magnitude).ptr;
  return place_field(record, std::string_view(buffer.data(), static_cast<std::size_t>(out - buffer.data())), width);
}

void format_text(std::string& record, std::string_view text, int width) {
  const auto columns = static_cast<std::size_t>(width);
  if (text.size() >= columns) {
    record.append(text.substr(0, columns));
  } else {
    record.append(columns - text.size(), ' ');
    record.append(text);
  }
}

}  // namespace rio
