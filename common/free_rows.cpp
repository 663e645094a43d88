// The free-format reader for many rows of reals at once: the same values as
// one free-format read per row, with the plain records of a large buffered
// block parsed by several threads, each straight into the rows it fills.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/line_feeds.hpp"
#include "common/number_parse.hpp"
#include "common/record_io.hpp"
#include "common/record_parsing.hpp"
#include "parallel/helper_threads.hpp"
#include "units.hpp"

namespace rio {
namespace {

// Bytes of records taken in at a time, and of a piece of them. A block is
// read by one thread (while the block before is parsed) and ends with every
// thread waiting for the last piece, so blocks are large (at 1 MiB, reading
// a 10^8-particle file spent a tenth of its time waiting so); pieces are
// small enough that a thread which shares its core with another process
// holds the others up little at the end of a block, large enough that
// handing them out costs little.
struct BulkSizes {
  std::size_t block = std::size_t{1} << 23;
  std::size_t piece = std::size_t{1} << 17;
};

// A file known to hold fewer pieces than this is parsed by the calling
// thread alone: on so few, starting helpers and handing the pieces over
// take about as long as the parsing they share.
constexpr std::size_t pieces_worth_sharing = 32;

BulkSizes& bulk_sizes() {
  static BulkSizes sizes;
  return sizes;
}

// Where rows go: value k of row r at fields[k][r * stride].
class RowTable {
 public:
  RowTable(std::vector<double*> fields, std::size_t stride, std::size_t rows)
      : fields_(std::move(fields)), stride_(stride), rows_(rows) {}

  std::size_t rows() const { return rows_; }
  std::size_t width() const { return fields_.size(); }
  double* value(std::size_t row, std::size_t k) const { return fields_[k] + row * stride_; }

 private:
  std::vector<double*> fields_;
  std::size_t stride_;
  std::size_t rows_;
};

// The usual record of a bulk read: one plain decimal number for each value
// of the row, each followed by blanks or the record's end (its line feed,
// or a carriage return and line feed), converted by convert_decimal_prefix
// as read_plain_record converts such a number. The record starts at
// `record` and ends at the first line feed before `end`. Stores the values
// and returns where they end, before the rest of the record; returns
// nullptr, perhaps with some stored, for any other record, which
// read_plain_record then takes from its start. Spares the usual record the
// general path's bookkeeping and a search for its end through its values.
const char* read_plain_decimals(const char* record, const char* end, const RowTable& table,
                                std::size_t row) {
  const auto ends_value = [end](const char* after) {
    return after == end || is_blank(*after) || *after == '\n' ||
           (*after == '\r' && after + 1 != end && after[1] == '\n');
  };
  const char* position = record;
  for (std::size_t k = 0; k < table.width(); ++k) {
    while (position != end && is_blank(*position)) ++position;
    const std::size_t length = convert_decimal_prefix(
        std::string_view(position, static_cast<std::size_t>(end - position)), *table.value(row, k));
    if (length == 0 || !ends_value(position + length)) return nullptr;
    position += length;
  }
  return position;
}

// Where the record whose values end at `values_end` ends, its line feed
// taken: most records end right there, without blanks after their values.
std::size_t after_record(std::string_view text, const char* values_end) {
  const auto values_length = static_cast<std::size_t>(values_end - text.data());
  if (values_length < text.size() && *values_end == '\n') return values_length + 1;
  const std::size_t line_feed = text.find('\n', values_length);
  return line_feed == std::string_view::npos ? text.size() : line_feed + 1;
}

// Rows read from consecutive plain records, from a given row on.
class PlainRows {
 public:
  PlainRows(const RowTable& table, std::size_t first_row, std::size_t rows_at_most)
      : table_(table), first_row_(first_row), rows_at_most_(rows_at_most) {
    targets_.assign(table.width(), Target{ValueKind::real64, nullptr, 0});
  }

  // Reads the records of `text` (each ending in a line feed), one row each,
  // until every row is filled or a record is not plain. Returns the bytes of
  // the records taken; rows() tells how many rows they filled.
  std::size_t read(std::string_view text) {
    std::size_t taken = 0;
    const char* const end = text.data() + text.size();
    while (rows_ < rows_at_most_ && taken < text.size()) {
      const std::size_t row = first_row_ + rows_;
      if (const char* values_end = read_plain_decimals(text.data() + taken, end, table_, row)) {
        taken = after_record(text, values_end);
        ++rows_;
        continue;
      }
      const std::size_t line_feed = text.find('\n', taken);
      std::string_view record = text.substr(taken, line_feed - taken);
      if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
      for (std::size_t k = 0; k < targets_.size(); ++k) targets_[k].address = table_.value(row, k);
      if (!read_plain_record(record, targets_)) break;
      ++rows_;
      taken = line_feed + 1;
    }
    return taken;
  }

  std::size_t rows() const { return rows_; }

 private:
  const RowTable& table_;
  std::size_t first_row_;
  std::size_t rows_at_most_;
  std::vector<Target> targets_;
  std::size_t rows_ = 0;
};

// The rows some records gave, and the bytes of the records they took.
struct Progress {
  std::size_t rows = 0;
  std::size_t bytes = 0;
  bool whole = false;  // every record was taken
};

Progress read_piece(std::string_view piece, const RowTable& table, std::size_t first_row,
                    std::size_t rows_at_most) {
  PlainRows rows(table, first_row, rows_at_most);
  const std::size_t bytes = rows.read(piece);
  return {rows.rows(), bytes, bytes == piece.size()};
}

std::size_t records_in(std::string_view text) { return count_line_feeds(text); }

// A block cut into pieces at line feeds: where each piece begins (and the
// block's end), and how many records stand before it.
struct PieceCut {
  std::vector<std::size_t> starts;
  std::vector<std::size_t> records_before;

  std::size_t pieces() const { return starts.size() - 1; }
};

// The line feeds in each stretch of `stretch` bytes of some bytes read
// ahead, which begin `offset` bytes into the next block. Counted by the
// thread that read them, while they were fresh in its cache.
struct LineFeedCounts {
  std::size_t offset = 0;
  std::size_t length = 0;  // bytes counted
  std::size_t stretch = 1;
  std::vector<std::size_t> per_stretch;

  void count(std::string_view bytes, std::size_t block_offset, std::size_t stretch_bytes) {
    offset = block_offset;
    length = bytes.size();
    stretch = stretch_bytes;
    per_stretch.clear();
    for (std::size_t first = 0; first < bytes.size(); first += stretch) {
      per_stretch.push_back(records_in(bytes.substr(first, stretch)));
    }
  }
  std::size_t total() const {
    std::size_t sum = 0;
    for (const std::size_t stretch : per_stretch) sum += stretch;
    return sum;
  }
  // Whether they describe all of `block` after the offset.
  bool cover(std::string_view block) const {
    return !per_stretch.empty() && offset + length >= block.size();
  }
};

// Cuts the block into `pieces` pieces, each beginning after a line feed,
// and counts the records of each on `threads` threads.
PieceCut cut_by_counting(std::string_view block, std::size_t pieces, unsigned threads) {
  PieceCut cut{{0}, std::vector<std::size_t>(pieces + 1, 0)};
  for (std::size_t p = 1; p < pieces; ++p) {
    const std::size_t middle = block.size() / pieces * p;
    cut.starts.push_back(std::max(cut.starts.back(), block.find('\n', middle) + 1));
  }
  cut.starts.push_back(block.size());
  parallel::share_pieces(threads, pieces, [&](std::size_t p) {
    cut.records_before[p + 1] =
        records_in(block.substr(cut.starts[p], cut.starts[p + 1] - cut.starts[p]));
  });
  for (std::size_t p = 1; p <= pieces; ++p) cut.records_before[p] += cut.records_before[p - 1];
  return cut;
}

// Cuts the block after the first line feed of each counted stretch: the
// records before such a cut are those of the stretches before it and the
// one that line feed ends (the bytes before the offset, the end of a
// record begun earlier, hold no line feed).
PieceCut cut_by_counts(std::string_view block, const LineFeedCounts& counts) {
  PieceCut cut{{0}, {0}};
  std::size_t counted = 0;
  for (std::size_t stretch = 1; stretch < counts.per_stretch.size(); ++stretch) {
    counted += counts.per_stretch[stretch - 1];
    const std::size_t boundary = counts.offset + stretch * counts.stretch;
    if (boundary >= block.size()) break;
    const std::size_t line_feed = block.find('\n', boundary);
    if (line_feed == std::string_view::npos) break;
    cut.starts.push_back(line_feed + 1);
    cut.records_before.push_back(counted + 1);
  }
  cut.starts.push_back(block.size());
  cut.records_before.push_back(counts.total());
  return cut;
}

// Each piece of the cut is parsed into the rows it would fill if every
// record before it were plain: its first row is the number of records
// before it. Those rows follow the rows before them only when every record
// before the piece was indeed plain, so the pieces count up to the first
// one that stopped short. The rows a later piece filled in vain lie beyond
// the rows counted and are read again, in order. `extra`, when there is
// one, is one more task done meanwhile by whichever thread comes first.
Progress read_block_in_pieces(std::string_view block, const PieceCut& cut, const RowTable& table,
                              std::size_t first_row, unsigned threads,
                              const std::function<void()>& extra) {
  const std::size_t pieces = cut.pieces();
  const std::size_t rows_left = table.rows() - first_row;
  std::vector<Progress> progress(pieces);
  const std::size_t extras = extra ? 1 : 0;
  parallel::share_pieces(threads, extras + pieces, [&](std::size_t task) {
    if (task < extras) {
      extra();
      return;
    }
    const std::size_t p = task - extras;
    const std::size_t before = cut.records_before[p];
    if (before >= rows_left) return;  // the pieces before fill every row
    const std::string_view piece = block.substr(cut.starts[p], cut.starts[p + 1] - cut.starts[p]);
    progress[p] = read_piece(piece, table, first_row + before, rows_left - before);
  });
  Progress total;
  for (const Progress& part : progress) {
    total.rows += part.rows;
    total.bytes += part.bytes;
    total.whole = part.whole;
    if (!part.whole) break;
  }
  return total;
}

// The bytes to take in for the next block: `block_bytes`, or what is left of
// a shorter file (the buffer holding it is filled, so no larger than needed).
std::size_t block_wanted(const Unit& unit, std::size_t block_bytes) {
  const std::optional<std::size_t> left = input_bytes_left(unit.number);
  return left ? std::clamp<std::size_t>(*left, 1, block_bytes) : block_bytes;
}

// The bytes of the file after those buffered, as far as they are known.
std::size_t file_bytes_unread(const Unit& unit) {
  const std::optional<std::size_t> left = input_bytes_left(unit.number);
  const std::size_t buffered = unit.input_end - unit.input_begin;
  return left && *left > buffered ? *left - buffered : 0;
}

// One read of the full free-format reader, into a row that starts at zero.
void read_one_row(int unit_number, const RowTable& table, std::size_t row) {
  std::vector<Target> targets;
  targets.reserve(table.width());
  for (std::size_t k = 0; k < table.width(); ++k) {
    double& value = *table.value(row, k);
    value = 0.0;
    targets.push_back(make_target(value));
  }
  vread_free(unit_number, targets);
}

bool is_regular_file(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

// Rows come from the plain records of buffered blocks while there are any;
// the first record that is not plain (or a last record without a line feed,
// or the end of the file) is read by the full free-format reader, as one
// read of its own, which also reports any failure exactly where it occurs.
// After a block that stopped short, the next block is read by one thread,
// so a file of mixed records never makes the other threads read in vain
// more than once per plain block.
void read_rows(int unit_number, const RowTable& table) {
  Unit& unit = unit_for(unit_number);
  if (unit.number == stdin_unit) flush_all_blocks();
  // Only a regular file is read ahead; a pipe or terminal gives what it has.
  // The system is told that the file is read front to back, so that it
  // reads ahead of the blocks asked for while they are parsed.
  const bool may_read = is_regular_file(unit.fd);
  if (may_read) ::posix_fadvise(unit.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  const BulkSizes sizes = bulk_sizes();
  const std::optional<std::size_t> file_bytes = input_bytes_left(unit.number);
  const bool worth_sharing = !file_bytes || bulk_read_is_shared(*file_bytes);
  bool split_next_block = true;
  std::size_t row = 0;
  ReadAhead ahead;
  LineFeedCounts ahead_counts;
  bool counts_usable = false;  // ahead_counts describe the next block
  // The first blocks of a shared file are smaller, so that the first, read
  // while no other is parsed, keeps the other threads waiting only briefly.
  // A file parsed by one thread alone is taken in whole blocks at once: in
  // one read, into one buffer.
  std::size_t block_bytes = worth_sharing
                                ? std::max(sizes.block / 8, std::min(sizes.block, 2 * sizes.piece))
                                : sizes.block;
  while (row < table.rows()) {
    const std::string_view block =
        buffered_records(unit, block_wanted(unit, block_bytes), may_read);
    block_bytes = std::min(2 * block_bytes, sizes.block);
    // One, once a busy machine is seen.
    const unsigned threads = worth_sharing ? parallel::threads_in_use() : 1;
    const std::size_t pieces = split_next_block && threads > 1 ? block.size() / sizes.piece : 1;
    Progress progress;
    bool reads_ahead = false;
    if (pieces <= 1) {
      progress = read_piece(block, table, row, table.rows() - row);
    } else {
      const PieceCut cut = counts_usable && ahead_counts.cover(block)
                               ? cut_by_counts(block, ahead_counts)
                               : cut_by_counting(block, pieces, threads);
      // While the block is parsed, one thread reads the next and counts its
      // line feeds: the bytes after the block's last line feed stay in the
      // unit and go in front of it.
      const std::size_t unfinished = unit.input_end - unit.input_begin - block.size();
      const std::size_t ahead_bytes = std::min(block_bytes, file_bytes_unread(unit));
      reads_ahead = may_read && !unit.input_exhausted && ahead_bytes > 0;
      const auto read_next_block = [&] {
        read_ahead(unit, ahead, unfinished, ahead_bytes);
        ahead_counts.count(std::string_view(ahead.bytes.data() + ahead.room, ahead.length),
                           unfinished, sizes.piece);
      };
      progress = read_block_in_pieces(
          block, cut, table, row, threads,
          reads_ahead ? std::function<void()>(read_next_block) : std::function<void()>());
    }
    consume_input(unit, progress.bytes);
    // The counts hold when the unit keeps just the unfinished record.
    counts_usable = reads_ahead && progress.whole && progress.bytes == block.size();
    if (reads_ahead) take_read_ahead(unit, ahead);
    row += progress.rows;
    split_next_block = progress.whole;
    if (row < table.rows() && progress.rows == 0) {
      read_one_row(unit_number, table, row);
      ++row;
    }
  }
}

}  // namespace

void read_free_rows(int unit_number, std::span<double> values, std::size_t row_width) {
  if (row_width == 0 || values.size() % row_width != 0) {
    throw std::logic_error("record I/O: rows must be whole");
  }
  std::vector<double*> fields;
  for (std::size_t k = 0; k < row_width; ++k) fields.push_back(values.data() + k);
  read_rows(unit_number, RowTable(std::move(fields), row_width, values.size() / row_width));
}

void set_bulk_read_sizes(std::size_t block_bytes, std::size_t piece_bytes) {
  bulk_sizes() = {std::max<std::size_t>(block_bytes, 1), std::max<std::size_t>(piece_bytes, 1)};
}

bool bulk_read_is_shared(std::size_t file_bytes) {
  return file_bytes >= pieces_worth_sharing * bulk_sizes().piece;
}

void read_free_columns(int unit_number, std::span<const std::span<double>> columns) {
  if (columns.empty()) throw std::logic_error("record I/O: rows must have a value");
  std::vector<double*> fields;
  for (const std::span<double> column : columns) {
    if (column.size() != columns[0].size()) {
      throw std::logic_error("record I/O: columns must be equally long");
    }
    fields.push_back(column.data());
  }
  read_rows(unit_number, RowTable(std::move(fields), 1, columns[0].size()));
}

}  // namespace rio
