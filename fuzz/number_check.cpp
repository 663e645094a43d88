#include "number_check.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "common/diagnostics.hpp"
#include "fuzz_support.hpp"
#include "memory_records.hpp"
#include "common/record_parsing.hpp"
#include "common/record_values.hpp"
#include "common/short_decimal.hpp"

namespace fuzzsupport {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

// The number in the C library's notation when the text has the free-format
// number form: [sign] digits [. digits] [exponent], where the exponent is a
// letter E, D or Q (either case) with an optionally signed integer, or a sign
// alone with an integer. Nothing when the text has another form.
std::optional<std::string> c_notation(std::string_view text, bool& whole) {
  std::string number;
  std::size_t i = 0;
  if (i < text.size() && is_sign(text[i])) number += text[i++];
  std::size_t mantissa_digits = 0;
  for (; i < text.size() && is_digit(text[i]); ++i, ++mantissa_digits) number += text[i];
  whole = true;
  if (i < text.size() && text[i] == '.') {
    whole = false;
    number += text[i++];
    for (; i < text.size() && is_digit(text[i]); ++i, ++mantissa_digits) number += text[i];
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i == text.size()) return number;
  whole = false;
  number += 'e';
  if (std::string_view("EeDdQq").find(text[i]) != std::string_view::npos) ++i;
  if (i < text.size() && is_sign(text[i])) number += text[i++];
  std::size_t exponent_digits = 0;
  for (; i < text.size() && is_digit(text[i]); ++i, ++exponent_digits) number += text[i];
  if (exponent_digits == 0 || i != text.size()) return std::nullopt;
  return number;
}

// The one value of `text` read into a target of type T: 0, or the refusal's
// message number.
template <typename T>
int read_one(std::string_view text, T& value) {
  MemoryRecords records(text);
  const rio::Target targets[] = {rio::make_target(value)};
  try {
    rio::read_free_values(records, targets);
    return 0;
  } catch (const rio::ReadFailure& failure) {
    return failure.message_number;
  }
}

template <typename Real>
bool same_bits(Real a, Real b) {
  return std::memcmp(&a, &b, sizeof(Real)) == 0;
}

// The C library's nearest value, or nothing when the number is too large.
template <typename Real>
std::optional<Real> c_conversion(const std::string& number) {
  errno = 0;
  char* end = nullptr;
  Real value;
  if constexpr (sizeof(Real) == sizeof(float)) {
    value = std::strtof(number.c_str(), &end);
  } else {
    value = std::strtod(number.c_str(), &end);
  }
  if (*end != '\0') finding("the C library refused a number of the form");
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;
}

template <typename Real>
void check_real(std::string_view text, const std::optional<std::string>& number) {
  Real value = 0;
  const int outcome = read_one(text, value);
  if (!number) {
    if (outcome != rio::msg_syntax_error) finding("a real of no number form");
    return;
  }
  const std::optional<Real> expected = c_conversion<Real>(*number);
  if (!expected) {
    if (outcome != rio::msg_input_conversion) finding("a real too large taken");
  } else if (outcome != 0 || !same_bits(value, *expected)) {
    finding("a real read differs from the nearest value");
  }
}

// A whole number converts exactly; any other is cut toward zero from the
// nearest 8-byte real. Beyond the 4-byte range: input conversion error.
std::optional<std::int32_t> expected_integer(const std::string& number, bool whole) {
  constexpr double lowest = std::numeric_limits<std::int32_t>::min();
  constexpr double highest = std::numeric_limits<std::int32_t>::max();
  if (whole) {
    errno = 0;
    const long long value = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE || value < lowest || value > highest) return std::nullopt;
    return static_cast<std::int32_t>(value);
  }
  const std::optional<double> real = c_conversion<double>(number);
  if (!real) return std::nullopt;
  const double cut = std::trunc(*real);
  if (!(cut >= lowest && cut <= highest)) return std::nullopt;
  return static_cast<std::int32_t>(cut);
}

void check_integer(std::string_view text, const std::optional<std::string>& number, bool whole) {
  std::int32_t value = 0;
  const int outcome = read_one(text, value);
  if (!number) {
    if (outcome != rio::msg_syntax_error) finding("an integer of no number form");
    return;
  }
  const std::optional<std::int32_t> expected = expected_integer(*number, whole);
  if (!expected) {
    if (outcome != rio::msg_input_conversion) finding("an integer too large taken");
  } else if (outcome != 0 || value != *expected) {
    finding("an integer read differs from its value");
  }
}

// One value: nothing that separates values, quotes it or repeats it.
bool is_single_value(std::string_view text) {
  return !text.empty() && text.find_first_of(" \t,/\n\r'\"*") == std::string_view::npos;
}

// The bulk reader's quick conversion of a plain decimal, on the text with
// blanks behind it: whatever it takes must be what the standard conversion
// takes, to the character and the bit.
void check_quick_decimal(std::string_view text) {
  const std::string padded = std::string(text) + std::string(32, ' ');
  double quick = 0.0;
  const std::size_t length = rio::convert_short_decimal_prefix(padded, quick);
  if (length == 0) return;
  double standard = 0.0;
  const auto result = std::from_chars(padded.data(), padded.data() + padded.size(), standard);
  if (result.ec != std::errc() || static_cast<std::size_t>(result.ptr - padded.data()) != length ||
      !same_bits(quick, standard)) {
    finding("a quick decimal conversion differs from the standard one");
  }
}

}  // namespace

void check_number(std::string_view text) {
  check_quick_decimal(text);
  if (!is_single_value(text)) return;
  bool whole = false;
  const std::optional<std::string> number = c_notation(text, whole);
  check_integer(text, number, whole);
  check_real<float>(text, number);
  check_real<double>(text, number);
}

}  // namespace fuzzsupport
