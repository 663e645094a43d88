// The fixed-column reader on records in memory: columns taken by the layout,
// short records padded with blanks, and the numeric and text field rules.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/record_io.hpp"
#include "common/record_parsing.hpp"

namespace {

// Reads one record into the targets; returns 0, or the failure's message number.
template <typename... Args>
int read_record(std::string_view record, std::string_view codes, Args&... targets) {
  const std::array<rio::Target, sizeof...(Args)> packed{rio::make_target(targets)...};
  try {
    rio::read_fixed_record(record, rio::Layout{codes}, packed);
  } catch (const rio::ReadFailure& failure) {
    return failure.message_number;
  }
  return 0;
}

// The value of one field read into a target of type T (-77 beforehand).
template <typename T>
T read_one(std::string_view record, std::string_view codes) {
  T value{};
  if constexpr (std::is_arithmetic_v<T>) value = -77;
  EXPECT_EQ(read_record(record, codes, value), 0) << '"' << record << '"';
  return value;
}

std::string read_name(std::string_view record, std::string_view codes) {
  const auto name = read_one<rio::FixedText<3>>(record, codes);
  return std::string(name.data(), name.size());
}

constexpr std::string_view header_layout =
    R"("HEADER number of residues: ",I4," number of beads: ",I4)";

TEST(FixedReader, ColumnsComeFromTheLayoutAndShortRecordsArePadded) {
  std::int32_t residues = 0;
  std::int32_t beads = 0;
  EXPECT_EQ(read_record("XXXXXX number of residues:    5 number of beads:   12", header_layout,
                        residues, beads),
            0);
  EXPECT_EQ(residues * 100 + beads, 512);
  // Ends at column 52: "  1" and a padding blank read 1, not 10.
  EXPECT_EQ(read_record("HEADER number of residues:    5 number of beads:   1", header_layout,
                        residues, beads),
            0);
  EXPECT_EQ(beads, 1);
  EXPECT_EQ(read_record("HEADER number of residues:    6", header_layout, residues, beads), 0);
  EXPECT_EQ(residues * 100 + beads, 600);
  EXPECT_EQ(read_record(" 1xx 2garbage", "I2,2X,I2", residues, beads), 0);
  EXPECT_EQ(residues * 100 + beads, 102);
  EXPECT_EQ(read_one<std::int32_t>("    ", "I4"), 0);
  EXPECT_EQ(read_one<double>("", "F8.3"), 0.0);
}

TEST(FixedReader, IntegerField) {
  EXPECT_EQ(read_one<std::int32_t>(" + 5", "I4"), 5);  // blanks ignored wherever they stand
  EXPECT_EQ(read_one<std::int32_t>("1 2 ", "I4"), 12);
  EXPECT_EQ(read_one<std::int32_t>("-2147483648", "I11"), std::numeric_limits<std::int32_t>::min());
  for (const std::string_view bad : {"1.0 ", "\t  1", " 1\t ", "12a ", "--1 ", "2147483648"}) {
    std::int32_t value = 0;
    EXPECT_EQ(read_record(bad, "I10", value), 64) << '"' << bad << '"';
  }
}

TEST(FixedReader, TextField) {
  EXPECT_EQ(read_name(" BB ", "A4"), "BB ");  // the rightmost three
  EXPECT_EQ(read_name("ABCDE", "A5"), "CDE");
  EXPECT_EQ(read_name("P5 ", "A3"), "P5 ");
  EXPECT_EQ(read_name("AB", "A2"), "AB ");
  EXPECT_EQ(read_name("P5", "A4"), "5  ");  // "P5" and two padding blanks
}

TEST(FixedReader, RealField) {
  EXPECT_EQ(read_one<double>("   12345", "F8.3"), 12.345);
  EXPECT_EQ(read_one<float>("   12345", "F8.3"), 12.345F);
  EXPECT_EQ(read_one<double>("1 2 3 4 ", "F8.2"), 12.34);     // blanks are not zeros
  EXPECT_EQ(read_one<double>("12.34567", "F8.3"), 12.34567);  // the point overrides d
  EXPECT_EQ(read_one<double>(" -1 2. 5", "F8.3"), -12.5);
  for (const std::string_view field : {"1.5E2", "1.5e2", "1.5D2", "1.5d2", "1.5Q2", "1.5q2",
                                       "1.5E+2", "1.5+2", "  15+2", "15E2"}) {
    EXPECT_EQ(read_one<double>(field, "F6.1"), 150.0) << '"' << field << '"';
  }
  EXPECT_EQ(read_one<double>("1.5-2", "F6.1"), 0.015);
  EXPECT_EQ(read_one<double>("12345E1", "F8.3"), 123.45);
  for (const std::string_view bad : {"1.5x", "1.2.3", "abc", "1.5\t", "1,5", "0x10"}) {
    double value = 0;
    EXPECT_EQ(read_record(bad, "F6.1", value), 64) << '"' << bad << '"';
  }
}

TEST(FixedReader, FourByteTargetGetsTheFloatNearestTheText) {
  // The text lies just below the midpoint 1 + 3 * 2^-24 between 1 + 2^-23 and
  // 1 + 2^-22, so its nearest float is 1 + 2^-23. Its nearest double is the
  // midpoint itself, which would round on to the even 1 + 2^-22.
  const float below_midpoint = std::nextafter(1.0F, 2.0F);
  EXPECT_EQ(read_one<float>("1.0000001788139343261718749", "F27.0"), below_midpoint);
  EXPECT_EQ(read_one<float>("10000001788139343261718749", "F26.25"), below_midpoint);
  EXPECT_EQ(read_one<double>("1.0000001788139343261718749", "F27.0"), 1.0 + 3.0 * 0x1p-24);
}

}  // namespace
