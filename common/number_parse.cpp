#include "common/number_parse.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>

#include "common/diagnostics.hpp"

namespace rio {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_exponent_letter(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q';
}

// The parts of a real number's text: sign, digits (point removed), how many
// digits stand before the point, and the exponent.
struct RealText {
  bool negative = false;
  std::string_view integer_digits;
  std::string_view fraction_digits;
  bool has_point = false;
  bool has_exponent = false;
  std::int64_t exponent = 0;  // saturated far beyond any representable value
};

// Splits [sign] digits [. digits] [exponent]; exponent is an E, D or Q (any
// case) with an optionally signed integer, or a sign alone with an integer.
// False when the text is not of that form or has no mantissa digit.
bool split_real(std::string_view text, RealText& parts) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    parts.negative = text[i] == '-';
    ++i;
  }
  std::size_t start = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  parts.integer_digits = text.substr(start, i - start);
  if (i < text.size() && text[i] == '.') {
    parts.has_point = true;
    start = ++i;
    while (i < text.size() && is_digit(text[i])) ++i;
    parts.fraction_digits = text.substr(start, i - start);
  }
  if (parts.integer_digits.empty() && parts.fraction_digits.empty()) return false;
  if (i == text.size()) return true;
  if (is_exponent_letter(text[i])) ++i;
  bool exponent_negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) exponent_negative = text[i++] == '-';
  if (i == text.size()) return false;
  parts.has_exponent = true;
  for (; i < text.size(); ++i) {
    if (!is_digit(text[i])) return false;
    if (parts.exponent < 1'000'000'000) parts.exponent = parts.exponent * 10 + (text[i] - '0');
  }
  if (exponent_negative) parts.exponent = -parts.exponent;
  return true;
}

// Converts the parts to the target type; `implied_decimals` shifts the point
// left when the text has none. Returns 0 or input conversion error (64).
template <typename Real>
int convert_real(const RealText& parts, int implied_decimals, Real& value) {
  std::string normal;
  normal.reserve(parts.integer_digits.size() + parts.fraction_digits.size() + 24);
  normal.append(parts.integer_digits);
  normal.append(parts.fraction_digits);
  const std::int64_t shift = parts.has_point
                                 ? -static_cast<std::int64_t>(parts.fraction_digits.size())
                                 : -static_cast<std::int64_t>(implied_decimals);
  const std::int64_t exponent = parts.exponent + shift;
  normal += 'e';
  normal += std::to_string(exponent);
  Real magnitude = 0;
  const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), magnitude);
  if (result.ec == std::errc::result_out_of_range) {
    // Either too large or too small; only the decimal magnitude tells which.
    const std::size_t first_nonzero = normal.find_first_not_of('0');
    const std::int64_t digits_after_first =
        static_cast<std::int64_t>(normal.find('e')) - static_cast<std::int64_t>(first_nonzero);
    if (digits_after_first + exponent > 0) return msg_input_conversion;
    magnitude = 0;
  } else if (result.ec != std::errc()) {
    return msg_input_conversion;
  }
  value = parts.negative ? -magnitude : magnitude;
  return 0;
}

// Whole decimal digits into a 4-byte integer; false when out of range.
bool convert_whole(std::string_view digits, bool negative, std::int32_t& value) {
  std::int64_t magnitude = 0;
  for (const char c : digits) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > std::int64_t{1} << 32) return false;
  }
  const std::int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value < std::numeric_limits<std::int32_t>::min() ||
      signed_value > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  value = static_cast<std::int32_t>(signed_value);
  return true;
}

// The field with its blanks removed (blanks are ignored wherever they stand).
std::string without_blanks(std::string_view field) {
  std::string kept;
  kept.reserve(field.size());
  for (const char c : field) {
    if (c != ' ') kept += c;
  }
  return kept;
}

bool is_sign_alone(std::string_view text) { return text == "+" || text == "-"; }

template <typename Real>
int parse_fixed_real_as(std::string_view field, int decimals, Real& value) {
  const std::string text = without_blanks(field);
  if (text.empty() || is_sign_alone(text)) {
    value = text == "-" ? -Real{0} : Real{0};
    return 0;
  }
  RealText parts;
  if (!split_real(text, parts)) return msg_input_conversion;
  return convert_real(parts, decimals, value);
}

// Powers of ten that are exact in each type: 10^22 is the largest exact
// double, 10^10 the largest exact float.
constexpr double exact_double_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr float exact_float_powers[] = {1e0F, 1e1F, 1e2F, 1e3F, 1e4F, 1e5F,
                                        1e6F, 1e7F, 1e8F, 1e9F, 1e10F};

template <typename Real>
struct ExactDecimal;
template <>
struct ExactDecimal<double> {
  static constexpr std::uint64_t largest_mantissa = std::uint64_t{1} << 53;
  static constexpr std::size_t longest_text = 17;  // 16 digits and a point
  static constexpr std::span<const double> powers{exact_double_powers};
};
template <>
struct ExactDecimal<float> {
  static constexpr std::uint64_t largest_mantissa = std::uint64_t{1} << 24;
  static constexpr std::size_t longest_text = 9;  // 8 digits and a point
  static constexpr std::span<const float> powers{exact_float_powers};
};

// A short plain decimal ([sign] digits [. digits], at most 19 digits): when
// its digits read as an integer and the power of ten that places the point
// are both exact in the target type, one division rounds the exact quotient
// once, to the nearest. False when the text is not of that kind.
template <typename Real>
bool convert_short_decimal(std::string_view token, Real& value) {
  std::size_t i = 0;
  const bool negative = !token.empty() && token[0] == '-';
  if (!token.empty() && (token[0] == '-' || token[0] == '+')) ++i;
  // Beyond one digit more than the exact mantissa can hold, plus a point, no
  // text qualifies: say so before scanning it (round-trip printed reals, of
  // 17 digits, are the common case here).
  if (token.size() - i > ExactDecimal<Real>::longest_text) return false;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int fraction_digits = -1;  // -1 until the point is met
  for (; i < token.size(); ++i) {
    const char c = token[i];
    if (is_digit(c)) {
      if (++digits > 19) return false;
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      if (fraction_digits >= 0) ++fraction_digits;
    } else if (c == '.' && fraction_digits < 0) {
      fraction_digits = 0;
    } else {
      return false;
    }
  }
  const auto& powers = ExactDecimal<Real>::powers;
  const std::size_t shift = fraction_digits < 0 ? 0 : static_cast<std::size_t>(fraction_digits);
  if (digits == 0 || mantissa > ExactDecimal<Real>::largest_mantissa || shift >= powers.size()) {
    return false;
  }
  const Real quotient = static_cast<Real>(mantissa) / powers[shift];
  value = negative ? -quotient : quotient;
  return true;
}

template <typename Real>
int parse_free_real_as(std::string_view token, Real& value) {
  if (convert_short_decimal(token, value)) return 0;
  // Common case next: a plain decimal number that the standard conversion
  // takes whole, with its exponent (if any) written with E.
  Real converted = 0;
  if (!token.empty() && convert_decimal_prefix(token, converted) == token.size()) {
    value = converted;
    return 0;
  }
  RealText parts;
  if (!split_real(token, parts)) return msg_syntax_error;
  return convert_real(parts, 0, value);
}

}  // namespace

int parse_fixed_integer(std::string_view field, std::int32_t& value) {
  const std::string text = without_blanks(field);
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  for (const char c : digits) {
    if (!is_digit(c)) return msg_input_conversion;
  }
  return convert_whole(digits, negative, value) ? 0 : msg_input_conversion;
}

int parse_fixed_real(std::string_view field, int decimals, float& value) {
  return parse_fixed_real_as(field, decimals, value);
}
int parse_fixed_real(std::string_view field, int decimals, double& value) {
  return parse_fixed_real_as(field, decimals, value);
}

int parse_free_integer(std::string_view token, std::int32_t& value) {
  RealText parts;
  if (!split_real(token, parts)) return msg_syntax_error;
  if (!parts.has_point && !parts.has_exponent) {
    return convert_whole(parts.integer_digits, parts.negative, value) ? 0 : msg_input_conversion;
  }
  // A number with a point or an exponent is read as an 8-byte real and cut
  // toward zero.
  double real = 0;
  if (const int failure = convert_real(parts, 0, real); failure != 0) return failure;
  const double whole = std::trunc(real);
  if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) return msg_input_conversion;
  value = static_cast<std::int32_t>(whole);
  return 0;
}

int parse_free_real(std::string_view token, float& value) { return parse_free_real_as(token, value); }
int parse_free_real(std::string_view token, double& value) {
  return parse_free_real_as(token, value);
}

}  // namespace rio
