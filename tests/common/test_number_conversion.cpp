// The free-format real conversion against the standard library's correctly
// rounded conversion, on many random decimals: the short-decimal shortcut
// must give the very same bits, float and double alike.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "common/number_parse.hpp"
#include "common/short_decimal.hpp"

namespace {

template <typename Real>
Real reference_conversion(const std::string& text) {
  // The standard conversion takes no leading plus sign.
  const std::size_t skip = !text.empty() && text[0] == '+' ? 1 : 0;
  Real value = 0;
  const auto result = std::from_chars(text.data() + skip, text.data() + text.size(), value);
  EXPECT_EQ(result.ec, std::errc()) << text;
  return value;
}

template <typename Real>
void expect_same_bits(const std::string& text) {
  Real converted = -1;
  ASSERT_EQ(rio::parse_free_real(text, converted), 0) << text;
  const Real expected = reference_conversion<Real>(text);
  if constexpr (sizeof(Real) == 8) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(converted), std::bit_cast<std::uint64_t>(expected))
        << text;
  } else {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(converted), std::bit_cast<std::uint32_t>(expected))
        << text;
  }
}

// Random decimals with 1 to 20 digits in all, the point anywhere or absent.
std::string random_decimal(std::mt19937_64& engine) {
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> length(1, 20);
  std::uniform_int_distribution<int> coin(0, 3);
  std::string text;
  const int sign = coin(engine);
  if (sign == 0) text += '-';
  if (sign == 1) text += '+';
  const int digits = length(engine);
  std::uniform_int_distribution<int> point_at(-1, digits);
  const int point = point_at(engine);
  for (int k = 0; k < digits; ++k) {
    if (k == point) text += '.';
    text += static_cast<char>('0' + digit(engine));
  }
  if (point == digits) text += '.';
  return text;
}

TEST(RealConversion, ShortDecimalsRoundLikeTheCorrectlyRoundedConversion) {
  std::mt19937_64 engine(20261207);
  for (int k = 0; k < 200000; ++k) {
    const std::string text = random_decimal(engine);
    expect_same_bits<double>(text);
    expect_same_bits<float>(text);
  }
}

TEST(RealConversion, LimitsOfTheExactShortcut) {
  // 2^53 is the last integer every double holds; 2^53 + 1 lies half-way
  // between two doubles and rounds to the even one, 2^53.
  for (const char* text : {"9007199254740992", "9007199254740993", "9007199254740995",
                           "0.9007199254740993", "1234567890123456789", "12345678901234567890",
                           "0.0000000000000000000001", "1.0000000000000000000001", "-0.0", "0.",
                           ".5", "-.25", "16777217", "16777219", "0.1", "3.4028235", "0.3"}) {
    expect_same_bits<double>(text);
    expect_same_bits<float>(text);
  }
  double negative_zero = 1.0;
  ASSERT_EQ(rio::parse_free_real("-0.000", negative_zero), 0);
  EXPECT_TRUE(std::signbit(negative_zero));
}

// The quick conversion of a plain decimal at the start of a longer text, as
// the bulk reader hands it over, against the standard conversion of the same
// text: when it takes a number, the same bits and the same length.
struct PrefixOutcome {
  std::size_t length = 0;
  double value = 0.0;
};

PrefixOutcome quick_prefix(std::string_view text) {
  PrefixOutcome outcome;
  outcome.length = rio::convert_short_decimal_prefix(text, outcome.value);
  return outcome;
}

// True when the quick conversion took the text's number, which must then
// agree with the standard one.
bool expect_standard_prefix(const std::string& text) {
  const PrefixOutcome quick = quick_prefix(text);
  if (quick.length == 0) return false;
  double expected = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), expected);
  EXPECT_EQ(result.ec, std::errc()) << text;
  EXPECT_EQ(quick.length, static_cast<std::size_t>(result.ptr - text.data())) << text;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(quick.value), std::bit_cast<std::uint64_t>(expected))
      << text;
  return true;
}

const std::string blanks_behind(40, ' ');

// Decimals of every shape around the quick conversion's limits: up to 8
// digits before the point and 21 after it, nines and zeros that round up
// across a power of two, and what may follow a number.
std::string random_prefix(std::mt19937_64& engine) {
  static const char* const followers[] = {" ", "\n", "\r\n", ",", "e5", "E-3", "d+00", ".", "\xFF"};
  std::uniform_int_distribution<int> whole_length(0, 8);
  std::uniform_int_distribution<int> fraction_length(0, 21);
  std::uniform_int_distribution<int> small(0, 7);
  std::uniform_int_distribution<int> digit(0, 9);
  std::string text = small(engine) == 0 ? "-" : "";
  const bool nines_and_zeros = small(engine) == 0;
  const auto next_digit = [&] {
    return nines_and_zeros ? (small(engine) < 6 ? '9' : '0')
                           : static_cast<char>('0' + digit(engine));
  };
  for (int k = whole_length(engine); k > 0; --k) text += next_digit();
  if (small(engine) != 0) text += '.';
  for (int k = fraction_length(engine); k > 0; --k) text += next_digit();
  return text + followers[small(engine)] + blanks_behind;
}

TEST(ShortDecimalPrefix, NumbersItTakesHaveTheStandardValueAndLength) {
  std::mt19937_64 engine(20261209);
  int taken = 0;
  constexpr int samples = 400000;
  for (int k = 0; k < samples; ++k) taken += expect_standard_prefix(random_prefix(engine)) ? 1 : 0;
  // Most of them are short and plain enough to be taken.
  EXPECT_GT(taken, samples / 3);
  // Positions as programs print them, to 17 significant digits (ending in
  // fewer when the last are zeros), from 0.01 to 10^6: all taken. (Nearer
  // zero, the zeros after the point make more than 19 digits.)
  std::uniform_real_distribution<double> unit(0.01, 1.0);
  for (int k = 0; k < samples; ++k) {
    char printed[40];
    const double scale = std::pow(10.0, k % 7);
    std::snprintf(printed, sizeof printed, "%.17g", unit(engine) * scale);
    EXPECT_TRUE(expect_standard_prefix(printed + std::string(" ") + blanks_behind)) << printed;
  }
}

TEST(ShortDecimalPrefix, EdgesOfWhatItTakes) {
  const auto length_of = [](const std::string& number) {
    return quick_prefix(number + blanks_behind).length;
  };
  // Taken: the point first or last, a minus, 7 digits before the point, 19
  // digits in all, a second point or a D exponent (the standard conversion
  // stops before either), a byte that overflows when 6 is added.
  for (const std::string number : {".5", "5.", "-0.5", "1234567.25", "0.123456789012345678",
                                   "1234567.890123456789", "1..5", "2.5d+00", "7.25\xFF"}) {
    EXPECT_TRUE(expect_standard_prefix(number + blanks_behind)) << number;
  }
  EXPECT_EQ(length_of("5."), 2U);
  EXPECT_EQ(length_of("1..5"), 2U);
  EXPECT_EQ(length_of("2.5d+00"), 3U);
  // Rounded up to the next power of two, and -0.
  EXPECT_EQ(quick_prefix("9.99999999999999999" + blanks_behind).value, 10.0);
  const PrefixOutcome negative_zero = quick_prefix("-0.000" + blanks_behind);
  ASSERT_EQ(negative_zero.length, 6U);
  EXPECT_TRUE(std::signbit(negative_zero.value));
  // Left to the standard conversion: no digit, 8 digits before the point,
  // 20 in all, an E exponent, a sign other than minus.
  for (const std::string number : {".", "-.", "-", "x1", "12345678.5", "12345678",
                                   "0.1234567890123456789", "1.5e3", "1.5E3", "+1.5"}) {
    EXPECT_EQ(length_of(number), 0U) << number;
  }
  // 32 characters from the number's start are needed, a minus not counted.
  const std::string number = "1.25";
  EXPECT_EQ(quick_prefix(number + std::string(28, ' ')).length, 4U);
  EXPECT_EQ(quick_prefix(number + std::string(27, ' ')).length, 0U);
  EXPECT_EQ(quick_prefix("-" + number + std::string(28, ' ')).length, 5U);
}

}  // namespace
