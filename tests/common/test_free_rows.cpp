// Many free-format rows at once: the values, the records taken and the
// failures must be those of one free-format read per row, on files small
// and large (large files are split between threads), whatever records are
// mixed in among the plain ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "common/line_feeds.hpp"
#include "common/record_io.hpp"
#include "process.hpp"
#include "sanitizer_builds.hpp"

namespace {

constexpr int bulk_unit = 31;
constexpr int row_unit = 32;
constexpr double unset = -7.25;  // what rows hold before the bulk read

// What a read of rows left behind: the values, the failure (if any) and the
// row that met it, and the first value of the record the next read starts at.
struct Outcome {
  std::vector<double> values;
  std::optional<int> failure;
  std::size_t failed_row = 0;
  std::optional<double> next_value;
};

// The first value of the next record, or nothing at its end of file.
std::optional<double> next_value_or_nothing(int unit) {
  double value = 0.0;
  try {
    rio::read_free(unit, value);
  } catch (const rio::IoError&) {
    return std::nullopt;
  }
  return value;
}

Outcome read_in_bulk(const std::string& path, std::size_t rows, std::size_t width) {
  Outcome outcome{std::vector<double>(rows * width, unset), {}, 0, {}};
  rio::open(bulk_unit, path, rio::OpenStatus::old_file);
  try {
    rio::read_free_rows(bulk_unit, outcome.values, width);
    outcome.next_value = next_value_or_nothing(bulk_unit);
  } catch (const rio::IoError& error) {
    outcome.failure = error.message_number;
  }
  rio::close(bulk_unit);
  return outcome;
}

// The simpler computation the bulk read must agree with: one read per row,
// each into a row of zeros.
Outcome read_row_by_row(const std::string& path, std::size_t rows, std::size_t width) {
  Outcome outcome{std::vector<double>(rows * width, 0.0), {}, 0, {}};
  rio::open(row_unit, path, rio::OpenStatus::old_file);
  try {
    for (std::size_t row = 0; row < rows; ++row) {
      outcome.failed_row = row;
      std::vector<rio::Target> targets;
      for (std::size_t k = 0; k < width; ++k) {
        targets.push_back(rio::make_target(outcome.values[row * width + k]));
      }
      rio::vread_free(row_unit, targets);
    }
    outcome.next_value = next_value_or_nothing(row_unit);
  } catch (const rio::IoError& error) {
    outcome.failure = error.message_number;
  }
  rio::close(row_unit);
  return outcome;
}

// The first row whose values differ bit for bit, or -1; only the first
// `rows` rows are compared.
long first_differing_row(const std::vector<double>& a, const std::vector<double>& b,
                         std::size_t width, std::size_t rows = SIZE_MAX) {
  for (std::size_t k = 0; k < std::min({a.size(), b.size(), rows * width}); ++k) {
    if (std::memcmp(&a[k], &b[k], sizeof(double)) != 0) return static_cast<long>(k / width);
  }
  return -1;
}

class FreeRows : public ::testing::Test {
 protected:
  std::string write(const std::string& content) {
    dir_.write("rows.dat", content);
    return (dir_.path() / "rows.dat").string();
  }

  void TearDown() override { rio::set_bulk_read_sizes(default_block, default_piece); }

  // Bulk reads in the program's blocks (the first of 1 MiB, so a file of a
  // few MB already takes a block read ahead) and in small blocks and pieces
  // of odd sizes, so that records straddle the ends of many blocks read
  // ahead and of the stretches counted ahead.
  void expect_same_as_row_by_row(const std::string& content, std::size_t rows, std::size_t width,
                                 const std::string& what) {
    const std::string path = write(content);
    const Outcome single = read_row_by_row(path, rows, width);
    const std::array<std::array<std::size_t, 2>, 2> sizes{
        {{default_block, default_piece}, {small_block, small_piece}}};
    for (const auto& [block, piece] : sizes) {
      rio::set_bulk_read_sizes(block, piece);
      const Outcome bulk = read_in_bulk(path, rows, width);
      const std::string where = what + ", blocks of " + std::to_string(block);
      EXPECT_EQ(bulk.failure, single.failure) << where;
      // After a failure, the rows from the failing one on are unspecified.
      const std::size_t compared = single.failure ? single.failed_row : rows;
      EXPECT_EQ(first_differing_row(bulk.values, single.values, width, compared), -1) << where;
      EXPECT_EQ(bulk.next_value, single.next_value) << where;
    }
    rio::set_bulk_read_sizes(default_block, default_piece);
  }

  static constexpr std::size_t default_block = std::size_t{1} << 23;
  static constexpr std::size_t default_piece = std::size_t{1} << 17;
  static constexpr std::size_t small_block = 50021;
  static constexpr std::size_t small_piece = 6007;

  testsupport::ScratchDir dir_;
};

TEST_F(FreeRows, EachRowStartsAtARecordAndTakesWhatAFreeFormatReadTakes) {
  // Rows: plain; commas; a slash leaving two values at 0; one row
  // over two records; a repeat count and a null value; tabs and a carriage
  // return; extra values dropped with their record.
  const std::string path = write(
      "1 2 3\n"
      "4,5,6\n"
      "7 /\n"
      "8\n9 10\n"
      "2*0.5,,\n"
      "\t11\t12 13\r\n"
      "14 15 16 17 18\n"
      "19 20 21\n");
  std::vector<double> values(7 * 3, unset);
  rio::open(bulk_unit, path, rio::OpenStatus::old_file);
  rio::read_free_rows(bulk_unit, values, 3);
  double next = 0.0;
  rio::read_free(bulk_unit, next);
  rio::close(bulk_unit);
  const std::vector<double> expected{1,  2,   3,   4, 5,  6,  7,  0,  0,  8, 9,
                                     10, 0.5, 0.5, 0, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ(values, expected);
  EXPECT_EQ(next, 19.0);
}

TEST_F(FreeRows, LargeFilesGiveTheValuesOfOneReadPerRow) {
  // Random decimals of all lengths, in files of 12000 records (some 400 kB:
  // in the small blocks, some 70 pieces, so that blocks are split between
  // threads); odd records are placed first, early, in the middle of a
  // block, near the end, and not at all.
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> coordinate(-500.0, 500.0);
  std::uniform_int_distribution<int> digits(1, 17);
  const std::size_t records = 12000;
  std::vector<std::string> plain_records;
  for (std::size_t r = 0; r < records; ++r) {
    std::string record;
    for (int k = 0; k < 3; ++k) {
      char text[40];
      std::snprintf(text, sizeof text, "%s%.*g", k == 0 ? "" : " ", digits(random),
                    coordinate(random));
      record += text;
    }
    plain_records.push_back(record + "\n");
  }
  // In the small pieces, a smaller file would be parsed by one thread.
  std::size_t plain_bytes = 0;
  for (const std::string& record : plain_records) plain_bytes += record.size();
  rio::set_bulk_read_sizes(small_block, small_piece);
  const bool shared_in_small_pieces = rio::bulk_read_is_shared(plain_bytes);
  rio::set_bulk_read_sizes(default_block, default_piece);
  ASSERT_TRUE(shared_in_small_pieces);
  // Besides the separators, numbers that the standard conversion does not
  // take whole (an exponent letter D or none before its sign, a plus sign,
  // a hexadecimal prefix), ones it takes at the edges of its range, and
  // carriage returns that do not end a record.
  const std::vector<std::string> odd_records{
      "1,2,3\n",       "4 5 /\n",     "6\n7 8\n",           "3*9\n",
      "1 2 3\r\n",     ",2,\n",       "1 'x' 3\n",          "1 2\n",
      "1.5d3 -2 .5\n", "+1 -.5 2.\n", "4.9e-324 5E+2 -0\n", "0x1p3 2 3\n",
      "1-2 3 4\n",     "1 2 3\r4\n",  "1 2 3\r \n"};
  const std::vector<std::vector<std::size_t>> odd_places{
      {}, {0}, {3}, {4000}, {5999, 6000}, {9000, 9001, 9002}, {11999}};
  // Under the thread sanitizer, every fourth odd record at each place.
  for (const auto& places : odd_places) {
    for (std::size_t k = 0; k < odd_records.size(); k += testsupport::thread_sanitizer_share) {
      const std::string& odd = odd_records[k];
      std::string content;
      for (std::size_t r = 0; r < records; ++r) {
        const bool is_odd = std::find(places.begin(), places.end(), r) != places.end();
        content += is_odd ? odd : plain_records[r];
      }
      const std::string what = "odd record " + odd + " at " + std::to_string(places.size()) +
                               " places from " +
                               (places.empty() ? std::string("-") : std::to_string(places[0]));
      expect_same_as_row_by_row(content, records - 10, 3, what);
      expect_same_as_row_by_row(content, records + 5, 3, what + ", more rows than records");
      if (places.empty()) break;
    }
  }
}

TEST_F(FreeRows, FailuresAreThoseOfTheRowThatMeetsThem) {
  std::string plain;
  for (int r = 0; r < 40000; ++r) plain += std::to_string(r) + ".125 -1.5e3 0.1\n";
  struct Case {
    std::string content;
    std::size_t rows;
    int message;
  } cases[] = {
      {plain + "1.0 abc 3.0\n" + plain, 80001, rio::msg_syntax_error},
      {plain + "1.0 1e999 3.0\n" + plain, 80001, rio::msg_input_conversion},
      {plain, 40001, rio::msg_end_of_file},
      {plain + "1 2 3", 40001, 0},  // a last record without a line feed
  };
  for (const Case& c : cases) {
    const std::string path = write(c.content);
    const Outcome bulk = read_in_bulk(path, c.rows, 3);
    if (c.message == 0) {
      EXPECT_FALSE(bulk.failure.has_value());
    } else {
      EXPECT_EQ(bulk.failure, c.message);
    }
    // Every row before the failing one holds its values.
    EXPECT_EQ(bulk.values[39999 * 3], 39999.125);
    EXPECT_EQ(bulk.values[39999 * 3 + 1], -1500.0);
    expect_same_as_row_by_row(c.content, c.rows, 3, c.content.substr(c.content.size() - 20));
  }
}

TEST_F(FreeRows, ColumnStorageHoldsTheSameRows) {
  // Enough records for a block to be cut into pieces, with a few that are
  // not plain; row r is (r, -r, r + 0.5), stored column by column.
  std::string content;
  const std::size_t rows = 50000;
  for (std::size_t r = 0; r < rows; ++r) {
    const std::string v = std::to_string(r);
    if (r % 9973 == 5) {
      content += v + ",-" + v + "," + v + ".5\n";
    } else if (r == 31111) {
      content += v + " -" + v + "\n" + v + ".5\n";  // one row over two records
    } else {
      content += v + " -" + v + " " + v + ".5\n";
    }
  }
  const std::string path = write(content);
  std::vector<double> x(rows, unset);
  std::vector<double> y(rows, unset);
  std::vector<double> z(rows, unset);
  const std::array<std::span<double>, 3> columns{x, y, z};
  rio::open(bulk_unit, path, rio::OpenStatus::old_file);
  rio::read_free_columns(bulk_unit, columns);
  rio::close(bulk_unit);
  std::size_t wrong = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    const auto v = static_cast<double>(r);
    if (x[r] != v || y[r] != -v || z[r] != v + 0.5) ++wrong;
  }
  EXPECT_EQ(wrong, 0U);
  std::vector<double> shorter(rows - 1);
  const std::array<std::span<double>, 3> unequal{x, y, shorter};
  rio::open(bulk_unit, path, rio::OpenStatus::old_file);
  EXPECT_THROW(rio::read_free_columns(bulk_unit, unequal), std::logic_error);
  rio::close(bulk_unit);
}

// Row r is (r, r + 0.5, -r): each record padded with blanks to
// `record_length` bytes, its line feed included.
std::string padded_record(std::size_t r, std::size_t record_length) {
  std::string record = std::to_string(r) + " " + std::to_string(r) + ".5 -" + std::to_string(r);
  record.resize(record_length - 1, ' ');
  return record + "\n";
}

TEST_F(FreeRows, FilesAroundTheBufferSizesGiveEveryValue) {
  // File lengths just below, at and just above the unit's reads of 64 KiB,
  // the 256 KiB from which buffers are mapped on their own, the first block
  // of 1 MiB and that block with one more read: after a first record read
  // alone (as a program reads its header), the buffer grows from holding
  // part of the file to holding a block.
  constexpr std::size_t record_length = 40;
  const std::string header = "-7\n";
  for (const std::size_t boundary : {std::size_t{1} << 16, std::size_t{1} << 18,
                                     std::size_t{1} << 20, (std::size_t{1} << 20) + (1 << 16)}) {
    for (const std::size_t length : {boundary - 41, boundary - 1, boundary, boundary + 1}) {
      // Whole records, then the last one padded to the exact length.
      const std::size_t rows = (length - header.size()) / record_length;
      std::string content = header;
      for (std::size_t r = 0; r + 1 < rows; ++r) content += padded_record(r, record_length);
      content += padded_record(rows - 1, length - content.size());
      ASSERT_EQ(content.size(), length);
      const std::string path = write(content);
      std::vector<double> values(rows * 3, unset);
      double first = 0.0;
      rio::open(bulk_unit, path, rio::OpenStatus::old_file);
      rio::read_free(bulk_unit, first);
      rio::read_free_rows(bulk_unit, values, 3);
      const std::optional<double> after = next_value_or_nothing(bulk_unit);
      rio::close(bulk_unit);
      EXPECT_EQ(first, -7.0);
      std::size_t wrong = 0;
      for (std::size_t r = 0; r < rows; ++r) {
        const auto v = static_cast<double>(r);
        if (values[3 * r] != v || values[3 * r + 1] != v + 0.5 || values[3 * r + 2] != -v) ++wrong;
      }
      EXPECT_EQ(wrong, 0U) << length << " bytes";
      EXPECT_FALSE(after.has_value()) << length << " bytes";
    }
  }
}

TEST_F(FreeRows, RowsMustBeWhole) {
  const std::string path = write("1 2 3\n");
  std::vector<double> values(4);
  rio::open(bulk_unit, path, rio::OpenStatus::old_file);
  EXPECT_THROW(rio::read_free_rows(bulk_unit, values, 3), std::logic_error);
  EXPECT_THROW(rio::read_free_rows(bulk_unit, values, 0), std::logic_error);
  rio::close(bulk_unit);
}

// The line-feed count the reader cuts blocks by, against a count byte by
// byte: at every start and length around the eight-byte words and the 255
// words summed at once, with the bytes next to a line feed's value (a
// borrow or carry between bytes would miscount them) and runs of line feeds
// long enough to fill a byte's sum.
TEST(LineFeedCount, EveryByteOfEveryStretchIsCounted) {
  std::mt19937_64 engine(20261209);
  const char bytes[] = {'\n', '\n', '\x09', '\x0B', '\x8A', '\x00', '\xFF', '\x7F', '\x80', '5', ' '};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof bytes - 1);
  std::string text(3 * 8 * 255 + 40, ' ');
  for (char& byte : text) byte = bytes[pick(engine)];
  std::fill(text.begin() + 100, text.begin() + 100 + 8 * 256, '\n');
  const auto by_bytes = [](std::string_view part) {
    std::size_t count = 0;
    for (const char byte : part) count += byte == '\n' ? 1 : 0;
    return count;
  };
  for (std::size_t first = 0; first < 9; ++first) {
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8},
                                     std::size_t{9}, std::size_t{8 * 255 - 1}, std::size_t{8 * 255},
                                     std::size_t{8 * 255 + 9}, text.size() - first}) {
      const std::string_view part = std::string_view(text).substr(first, length);
      EXPECT_EQ(rio::count_line_feeds(part), by_bytes(part)) << first << " " << length;
    }
  }
  EXPECT_EQ(rio::count_line_feeds(std::string(8 * 255 * 2, '\n')), 8U * 255 * 2);
}

}  // namespace
