// The free-format reader for many rows of reals at once: the same values as
// one free-format read per row, with the plain records of a large buffered
// block split between two threads.
#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "helper_threads.hpp"
#include "record_io.hpp"
#include "record_parsing.hpp"
#include "units.hpp"

namespace rio {
namespace {

// Bytes of records taken in at a time; a block below `parallel_threshold`
// is not worth a second thread.
constexpr std::size_t block_bytes = std::size_t{1} << 19;
constexpr std::size_t parallel_threshold = std::size_t{1} << 17;

// Rows of `width` reals read from consecutive plain records.
class PlainRows {
 public:
  PlainRows(std::span<double> values, std::size_t width) : values_(values), width_(width) {
    targets_.assign(width, Target{ValueKind::real64, nullptr, 0});
  }

  // Reads the records of `text` (each ending in a line feed), one row each,
  // until every row is filled or a record is not plain. Returns the bytes of
  // the records taken; rows() tells how many rows they filled.
  std::size_t read(std::string_view text) {
    std::size_t taken = 0;
    while (rows_ * width_ < values_.size() && taken < text.size()) {
      const std::size_t line_feed = text.find('\n', taken);
      std::string_view record = text.substr(taken, line_feed - taken);
      if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
      for (std::size_t k = 0; k < width_; ++k) targets_[k].address = &values_[rows_ * width_ + k];
      if (!read_plain_record(record, targets_)) break;
      ++rows_;
      taken = line_feed + 1;
    }
    return taken;
  }

  std::size_t rows() const { return rows_; }

 private:
  std::span<double> values_;
  std::size_t width_;
  std::vector<Target> targets_;
  std::size_t rows_ = 0;
};

// The rows one block gave, and the bytes of the records they took.
struct BlockProgress {
  std::size_t rows = 0;
  std::size_t bytes = 0;
  bool whole_block = false;  // every record of the block was taken
};

BlockProgress read_block_alone(std::string_view block, std::span<double> values,
                               std::size_t width) {
  PlainRows rows(values, width);
  const std::size_t bytes = rows.read(block);
  return {rows.rows(), bytes, bytes == block.size()};
}

std::size_t records_in(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The rows the second thread read from the second half of a block, into
// storage of its own (kept from block to block).
struct SecondHalf {
  std::vector<double> values;
  std::size_t rows = 0;
  std::size_t bytes = 0;

  // Runs beside the first half: everything here, the storage included, is
  // work taken off the first. Reads no more rows than remain wanted after
  // the first half's records. A failure (no memory) only leaves the half
  // unread; the first thread then reads its records in order and meets the
  // same failure where it belongs.
  void read(std::string_view first, std::string_view second, std::size_t width,
            std::size_t rows_wanted) noexcept {
    rows = 0;
    bytes = 0;
    try {
      const std::size_t first_records = records_in(first);
      if (first_records >= rows_wanted) return;
      values.resize(std::min(records_in(second), rows_wanted - first_records) * width);
      PlainRows plain(values, width);
      bytes = plain.read(second);
      rows = plain.rows();
    } catch (...) {
      rows = 0;
      bytes = 0;
    }
  }
};

// The block's first half is read into `values`, its second half into rows
// of its own, side by side (run_together); these follow the first half's rows
// only when every record of the first half was plain, for only then does
// the second half begin with a fresh row. Reading it is otherwise wasted.
BlockProgress read_block_in_two(std::string_view block, std::span<double> values, std::size_t width,
                                SecondHalf& half) {
  const std::size_t middle = block.find('\n', block.size() / 2) + 1;
  const std::string_view first = block.substr(0, middle);
  const std::string_view second = block.substr(middle);
  if (second.empty()) return read_block_alone(block, values, width);
  const std::size_t rows_wanted = values.size() / width;
  BlockProgress progress;
  run_together(2, [&](unsigned half_number) {
    if (half_number == 0) {
      progress = read_block_alone(first, values, width);
    } else {
      half.read(first, second, width, rows_wanted);
    }
  });
  // A whole first half filled one row per record, so the second half's
  // rows follow; they never exceed the rows left, but that is checked.
  if (!progress.whole_block || half.rows > rows_wanted - progress.rows) return progress;
  std::copy_n(half.values.begin(), half.rows * width, values.begin() + progress.rows * width);
  progress.rows += half.rows;
  progress.bytes += half.bytes;
  progress.whole_block = half.bytes == second.size();
  return progress;
}

void read_one_row(int unit_number, std::span<double> row) {
  std::vector<Target> targets;
  targets.reserve(row.size());
  for (double& value : row) targets.push_back(make_target(value));
  vread_free(unit_number, targets);
}

bool is_regular_file(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

// Rows come from the plain records of buffered blocks while there are any;
// the first record that is not plain (or a last record without a line feed,
// or the end of the file) is read by the full free-format reader, as one
// read of its own, which also reports any failure exactly where it occurs.
// After a block that stopped short, the next block is read by one thread,
// so a file of mixed records never makes the second thread read in vain
// more than once per plain block.
void read_free_rows(int unit_number, std::span<double> values, std::size_t row_width) {
  if (row_width == 0 || values.size() % row_width != 0) {
    throw std::logic_error("record I/O: rows must be whole");
  }
  Unit& unit = unit_for(unit_number);
  if (unit.number == stdin_unit) flush_all_blocks();
  // Only a regular file is read ahead; a pipe or terminal gives what it has.
  const bool may_read = is_regular_file(unit.fd);
  const bool two_threads = hardware_threads() > 1;
  bool split_next_block = true;
  SecondHalf second_half;
  std::size_t row = 0;
  const std::size_t rows = values.size() / row_width;
  while (row < rows) {
    const std::string_view block = buffered_records(unit, block_bytes, may_read);
    const std::span<double> rest = values.subspan(row * row_width);
    const BlockProgress progress =
        two_threads && split_next_block && block.size() >= parallel_threshold
            ? read_block_in_two(block, rest, row_width, second_half)
            : read_block_alone(block, rest, row_width);
    consume_input(unit, progress.bytes);
    row += progress.rows;
    split_next_block = progress.whole_block;
    if (row < rows && progress.rows == 0) {
      read_one_row(unit_number, values.subspan(row * row_width, row_width));
      ++row;
    }
  }
}

}  // namespace rio
