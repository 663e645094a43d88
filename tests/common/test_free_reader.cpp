// The free-format reader on records in memory: separators, null values,
// repeat counts, the slash, values over several records, and how each kind
// of target takes its value.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/record_io.hpp"
#include "common/record_parsing.hpp"

namespace {

class RecordList : public rio::RecordSource {
 public:
  explicit RecordList(std::vector<std::string> records) : records_(std::move(records)) {}

  bool next_record(std::string_view& record) override {
    if (next_ == records_.size()) return false;
    record = records_[next_++];
    return true;
  }

 private:
  std::vector<std::string> records_;
  std::size_t next_ = 0;
};

// One free-format read; returns 0, or the failure's message number.
template <typename... Args>
int read_values(rio::RecordSource& source, Args&... targets) {
  const std::array<rio::Target, sizeof...(Args)> packed{rio::make_target(targets)...};
  try {
    rio::read_free_values(source, packed);
  } catch (const rio::ReadFailure& failure) {
    return failure.message_number;
  }
  return 0;
}

template <typename... Args>
int read_from(const std::string& record, Args&... targets) {
  RecordList source({record});
  return read_values(source, targets...);
}

template <typename T>
T value_from(const std::string& record) {
  T value{};
  EXPECT_EQ(read_from(record, value), 0) << '"' << record << '"';
  return value;
}

template <std::size_t N>
std::string text_from(const std::string& record) {
  const auto text = value_from<rio::FixedText<N>>(record);
  return std::string(text.data(), N);
}

using Ints = std::array<std::int32_t, 3>;

// Three integers read from the records, each target starting at -1, -2, -3;
// then one more read from what is left (-9 when it fails).
std::array<std::int32_t, 4> three_then_one(std::vector<std::string> records) {
  RecordList source(std::move(records));
  std::array<std::int32_t, 4> values{-1, -2, -3, -9};
  EXPECT_EQ(read_values(source, values[0], values[1], values[2]), 0);
  if (read_values(source, values[3]) != 0) values[3] = -9;
  return values;
}

using Four = std::array<std::int32_t, 4>;

TEST(FreeReader, SeparatorsNullValuesAndRepeatCounts) {
  EXPECT_EQ(three_then_one({"1 2 3"}), (Four{1, 2, 3, -9}));
  EXPECT_EQ(three_then_one({"  1\t2 ,  3"}), (Four{1, 2, 3, -9}));
  EXPECT_EQ(three_then_one({"1,2,3"}), (Four{1, 2, 3, -9}));
  EXPECT_EQ(three_then_one({"5,,7"}), (Four{5, -2, 7, -9}));
  EXPECT_EQ(three_then_one({"5 , \t, 7"}), (Four{5, -2, 7, -9}));
  EXPECT_EQ(three_then_one({"3*7"}), (Four{7, 7, 7, -9}));
  EXPECT_EQ(three_then_one({"1*4,2*"}), (Four{4, -2, -3, -9}));
  EXPECT_EQ(three_then_one({"2* 9"}), (Four{-1, -2, 9, -9}));
  std::array<double, 3> reals{};
  EXPECT_EQ(read_from("2*1.5 3", reals[0], reals[1], reals[2]), 0);
  EXPECT_EQ(reals, (std::array<double, 3>{1.5, 1.5, 3.0}));
}

TEST(FreeReader, SlashEndsTheRead) {
  EXPECT_EQ(three_then_one({"1 / 5", "8"}), (Four{1, -2, -3, 8}));
  EXPECT_EQ(three_then_one({"3/", "8"}), (Four{3, -2, -3, 8}));
  EXPECT_EQ(three_then_one({"/ 4 5 6", "8"}), (Four{-1, -2, -3, 8}));
  EXPECT_EQ(three_then_one({"1", "2/ 8", "99"}), (Four{1, 2, -3, 99}));
  rio::FixedText<3> first = rio::fixed_text<3>("old");
  rio::FixedText<3> second = rio::fixed_text<3>("old");
  EXPECT_EQ(read_from("AB/CD", first, second), 0);
  EXPECT_EQ(std::string(first.data(), 3) + std::string(second.data(), 3), "AB old");
}

TEST(FreeReader, ValuesSpreadOverRecordsAndRestDiscarded) {
  EXPECT_EQ(three_then_one({"1", "", "   ", "\t", "2 3"}), (Four{1, 2, 3, -9}));
  EXPECT_EQ(three_then_one({"1 2", "3 4", "5"}), (Four{1, 2, 3, 5}));
  EXPECT_EQ(three_then_one({"1,", "2", "3 4"}), (Four{1, 2, 3, -9}));
}

TEST(FreeReader, CommaNextToARecordEndIsOneSeparator) {
  // The end of a record separates like a blank, and a comma with blanks
  // around it is one separator: no null value arises here.
  EXPECT_EQ(three_then_one({"1", ",2", "3"}), (Four{1, 2, 3, -9}));
  EXPECT_EQ(three_then_one({"1 ", " , 2", "3"}), (Four{1, 2, 3, -9}));
}

TEST(FreeReader, IntegerTargets) {
  EXPECT_EQ(value_from<std::int32_t>("40000.0"), 40000);
  EXPECT_EQ(value_from<std::int32_t>("2.9"), 2);
  EXPECT_EQ(value_from<std::int32_t>("-2.9"), -2);
  EXPECT_EQ(value_from<std::int32_t>("2.5D1"), 25);
  EXPECT_EQ(value_from<std::int32_t>("+7"), 7);
  EXPECT_EQ(value_from<std::int32_t>("-2147483648"), std::numeric_limits<std::int32_t>::min());
  // The text becomes an 8-byte real first: 0.99999999999999999 is the double 1.0.
  EXPECT_EQ(value_from<std::int32_t>("0.99999999999999999"), 1);
}

TEST(FreeReader, RealTargets) {
  EXPECT_EQ(value_from<double>("1"), 1.0);
  EXPECT_EQ(value_from<float>("1"), 1.0F);
  for (const std::string text : {"1.5e2", "1.5E2", "1.5d2", "1.5D2", "1.5q2", "1.5Q2", "15e+1"}) {
    EXPECT_EQ(value_from<double>(text), 150.0) << text;
    EXPECT_EQ(value_from<float>(text), 150.0F) << text;
  }
  EXPECT_EQ(value_from<double>(".5"), 0.5);
  EXPECT_EQ(value_from<double>("0.1"), 0.1);
  EXPECT_EQ(value_from<float>("0.1"), 0.1F);
  // Just below the midpoint between 1 + 2^-23 and 1 + 2^-22: the nearest float
  // is the lower one, although the nearest double (the midpoint) rounds up.
  EXPECT_EQ(value_from<float>("1.0000001788139343261718749"), std::nextafter(1.0F, 2.0F));
}

TEST(FreeReader, QuotedAndUnquotedTexts) {
  EXPECT_EQ(text_from<3>("'AB'"), "AB ");
  EXPECT_EQ(text_from<3>("\"X Y\" Z"), "X Y");
  EXPECT_EQ(text_from<4>("'it''s'"), "it's");
  EXPECT_EQ(text_from<3>(R"("a""b")"), "a\"b");
  EXPECT_EQ(text_from<4>("'a,/b'"), "a,/b");
  EXPECT_EQ(text_from<3>("P5 BB 1"), "P5 ");
  EXPECT_EQ(text_from<3>("BACK"), "BAC");
  std::array<rio::FixedText<2>, 3> texts{};
  EXPECT_EQ(read_from("AB,2*'C'", texts[0], texts[1], texts[2]), 0);
  std::string joined;
  for (const auto& text : texts) joined.append(text.data(), text.size());
  EXPECT_EQ(joined, "ABC C ");
  std::int32_t number = 0;
  EXPECT_EQ(read_from("'AB'\t7", texts[0], number), 0);
  EXPECT_EQ(number, 7);
  const std::string longest(2048, 'x');
  EXPECT_EQ(text_from<3>(longest), "xxx");
  EXPECT_EQ(text_from<3>("'" + longest + "'"), "xxx");
  rio::FixedText<3> name{};
  EXPECT_EQ(read_from(longest + "x", name), 59);
  EXPECT_EQ(read_from("'" + longest + "x'", name), 59);
}

TEST(FreeReader, NotANumberIsASyntaxError) {
  for (const std::string text : {"abc", "12a", "1.5x", "0x10", "1..2", "+", "-", "."}) {
    std::int32_t integer = 0;
    EXPECT_EQ(read_from(text, integer), 59) << text;
  }
  for (const std::string text :
       {"abc", "1.5x", "0x10", "-", "NaN", "nan", "Inf", "-inf", "Infinity", "+Infinity"}) {
    double real = 0;
    float single = 0;
    EXPECT_EQ(read_from(text, real), 59) << text;
    EXPECT_EQ(read_from(text, single), 59) << text;
  }
}

TEST(FreeReader, OutOfRangeIsAnErrorAndTooSmallRoundsToNearest) {
  for (const std::string text :
       {"2147483648", "-2147483649", "3e9", "2147483648.0", "2147483647.99999999"}) {
    std::int32_t integer = 0;
    EXPECT_EQ(read_from(text, integer), 64) << text;
  }
  for (const std::string text : {"1e39", "-1e39", "3.5e38"}) {
    float single = 0;
    EXPECT_EQ(read_from(text, single), 64) << text;
  }
  for (const std::string text : {"1e309", "-1e309"}) {
    double real = 0;
    EXPECT_EQ(read_from(text, real), 64) << text;
  }
  EXPECT_EQ(value_from<double>("1.7976931348623157e308"), std::numeric_limits<double>::max());
  EXPECT_EQ(value_from<float>("1e-50"), 0.0F);
  EXPECT_EQ(value_from<double>("1e-400"), 0.0);
  EXPECT_EQ(value_from<float>("1e-45"), std::numeric_limits<float>::denorm_min());
  EXPECT_EQ(value_from<double>("4.9e-324"), std::numeric_limits<double>::denorm_min());
}

TEST(FreeReader, EndOfFileBeforeTheLastTarget) {
  std::int32_t first = 0;
  std::int32_t second = 0;
  RecordList one_value({"1"});
  EXPECT_EQ(read_values(one_value, first, second), 24);
  RecordList blank_lines({"", "  ", "\t"});
  EXPECT_EQ(read_values(blank_lines, first), 24);
  RecordList nothing({});
  EXPECT_EQ(read_values(nothing, first), 24);
}

}  // namespace
