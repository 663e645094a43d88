// The free-format real conversion against the standard library's correctly
// rounded conversion, on many random decimals: the short-decimal shortcut
// must give the very same bits, float and double alike.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>

#include "common/number_parse.hpp"

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

}  // namespace
