// The fixed-column writer: every field code, rounding from the exact binary
// value (noted beside the cases it decides), overflow, and type checks.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/record_io.hpp"
#include "common/record_parsing.hpp"

namespace {

struct Formatted {
  std::string record;
  bool fits = false;
};

template <typename... Args>
Formatted format(std::string_view codes, const Args&... values) {
  const std::array<rio::Value, sizeof...(Args)> packed{rio::make_value(values)...};
  Formatted result;
  result.fits = rio::format_record(result.record, rio::Layout{codes}, packed);
  return result;
}

template <typename... Args>
std::string formatted(std::string_view codes, const Args&... values) {
  return format(codes, values...).record;
}

using Limits = std::numeric_limits<double>;

TEST(IntegerField, RightJustifiedOrAsterisks) {
  EXPECT_EQ(formatted("I4", 0), "   0");
  EXPECT_EQ(formatted("I4", -5), "  -5");
  EXPECT_EQ(formatted("I,I", 3, std::numeric_limits<std::int32_t>::min()),
            "           3 -2147483648");
  const Formatted wide = format("I4", 10000);
  EXPECT_EQ(wide.record, "****");
  EXPECT_FALSE(wide.fits);
  EXPECT_EQ(formatted("I4", -1000), "****");
  EXPECT_EQ(formatted("I2,I2", 123, 4), "** 4");
}

TEST(FixedField, RoundsTheExactValueHalfToEven) {
  EXPECT_EQ(formatted("F5.2", 0.125), " 0.12");
  EXPECT_EQ(formatted("F5.2", 0.375), " 0.38");
  EXPECT_EQ(formatted("F5.2", 1.0), " 1.00");
  EXPECT_EQ(formatted("F8.3", 0.5), "   0.500");
  EXPECT_EQ(formatted("F5.2", 1.005), " 1.00");  // 1.00499999999999989...
  EXPECT_EQ(formatted("F5.2", 2.675), " 2.67");  // 2.67499999999999982...
  EXPECT_EQ(formatted("F5.2", 9.996), "10.00");
  EXPECT_EQ(formatted("F26.1", 1e23), " 99999999999999991611392.0");
  // 0.1f is 0.100000001490116119384765625; 1.115f is 1.11500000953...
  // while the double 1.115 is 1.11499999999999999112...
  EXPECT_EQ(formatted("F30.27", 0.1F), " 0.100000001490116119384765625");
  EXPECT_EQ(formatted("F5.2", 1.115F), " 1.12");
  EXPECT_EQ(formatted("F5.2", 1.115), " 1.11");
  EXPECT_EQ(formatted("F41.1", std::numeric_limits<float>::max()),
            "340282346638528859811704183484516925440.0");
}

TEST(FixedField, SignLeadingZeroAndOverflow) {
  EXPECT_EQ(formatted("F5.2", -0.5), "-0.50");
  EXPECT_EQ(formatted("F4.2", -0.5), "-.50");
  EXPECT_EQ(formatted("F3.2", 0.5), ".50");
  EXPECT_EQ(formatted("F5.2", -0.005), "-0.01");  // -0.00500000000000000010...
  EXPECT_EQ(formatted("F8.3", -0.0004), "   0.000");
  EXPECT_EQ(formatted("F8.3", -0.0), "   0.000");
  EXPECT_EQ(formatted("F8.3", -0.0F), "   0.000");
  const Formatted wide = format("F8.3", 12345.678);
  EXPECT_EQ(wide.record, "********");
  EXPECT_FALSE(wide.fits);
  EXPECT_EQ(formatted("F5.2", 99.996), "*****");  // rounds to 100.00
  EXPECT_EQ(formatted("F3.2", -0.5), "***");
}

TEST(ExponentField, SignificantDigitsRoundedHalfToEven) {
  EXPECT_EQ(formatted("D25.16", 0.5), "   0.5000000000000000D+00");
  EXPECT_EQ(formatted("D", 1.0), "   0.1000000000000000D+01");
  EXPECT_EQ(formatted("D25.16", -1.0), "  -0.1000000000000000D+01");
  EXPECT_EQ(formatted("D25.16", 0.0), "   0.0000000000000000D+00");
  EXPECT_EQ(formatted("D25.16", -0.0), "   0.0000000000000000D+00");
  EXPECT_EQ(formatted("D25.16", 0.001), "   0.1000000000000000D-02");
  // Exact binary values with seventeen digits.
  EXPECT_EQ(formatted("D25.16", 1000000000000000.5), "   0.1000000000000000D+16");
  EXPECT_EQ(formatted("D25.16", 1000000000000001.5), "   0.1000000000000002D+16");
  EXPECT_EQ(formatted("D25.16", 1000000000000000.75), "   0.1000000000000001D+16");
  EXPECT_EQ(formatted("D10.1", 0.25), "   0.2D+00");
  EXPECT_EQ(formatted("D10.1", 0.75), "   0.8D+00");
  EXPECT_EQ(formatted("D10.2", 9.96), "  0.10D+02");
}

TEST(ExponentField, ThreeDigitExponentsAndNonFiniteValues) {
  EXPECT_EQ(formatted("D25.16", 1e-300), "  0.1000000000000000D-299");
  EXPECT_EQ(formatted("D25.16", 1e300), "  0.1000000000000000D+301");
  // 1e99 is 9.99999999999999967...e98 and 1e98 is 9.999999999999999977...e97.
  EXPECT_EQ(formatted("D25.16", 1e99), "  0.1000000000000000D+100");
  EXPECT_EQ(formatted("D25.16", 1e98), "   0.1000000000000000D+99");
  EXPECT_EQ(formatted("D25.16", 1e-101), "  0.1000000000000000D-100");
  EXPECT_EQ(formatted("D25.16", Limits::denorm_min()), "  0.4940656458412465D-323");
  EXPECT_EQ(formatted("D25.16", -Limits::max()), " -0.1797693134862316D+309");
  EXPECT_EQ(formatted("D25.16", Limits::quiet_NaN()), std::string(22, ' ') + "NaN");
  EXPECT_EQ(formatted("D25.16", Limits::infinity()), std::string(17, ' ') + "Infinity");
  EXPECT_EQ(formatted("D25.16", -Limits::infinity()), std::string(16, ' ') + "-Infinity");
}

TEST(LayoutCodes, TextsBlanksLiteralsAndRepeatCounts) {
  EXPECT_EQ(formatted("A3,A5,A2", "ABC", "ABC", "ABC"), "ABC  ABCAB");
  EXPECT_EQ(formatted("A,A4", "hello, world", rio::fixed_text<3>("P5")), "hello, world P5 ");
  EXPECT_EQ(formatted("I2,3X", 7), " 7   ");
  EXPECT_EQ(formatted(R"("a, b",I2)", 5), "a, b 5");
  EXPECT_EQ(formatted(R"("[ bonds ]")"), "[ bonds ]");
  EXPECT_EQ(formatted("3F8.3", 1.0, 2.5F, -3.25), "   1.000   2.500  -3.250");
  const std::string pair_line =
      formatted(R"x("Overlapping pair found! (i,j,rij,r_hs): (",I,I,D,D,")")x", 3, 17, 0.5, 1.0);
  EXPECT_EQ(pair_line,
            "Overlapping pair found! (i,j,rij,r_hs): (           3          17"
            "   0.5000000000000000D+00   0.1000000000000000D+01)");
}

TEST(LayoutCodes, MismatchedValuesAreProgrammingErrors) {
  EXPECT_THROW(format("I4", 1.0F), std::logic_error);
  EXPECT_THROW(format("F8.3", 1), std::logic_error);
  EXPECT_THROW(format("A3", 1), std::logic_error);
  EXPECT_THROW(format("I4,I4", 1), std::logic_error);
  EXPECT_THROW(format("I4", 1, 2), std::logic_error);
  EXPECT_THROW(rio::Layout{"Z4"}, std::invalid_argument);
  // D takes an 8-byte real only.
  EXPECT_THROW(format("D25.16", 1.0F), std::logic_error);
}

}  // namespace
