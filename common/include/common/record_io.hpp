// Record I/O: the one layer through which beadweave and pairprobe read and
// write text, and beadmap and beadbuild read the template library and write
// the topology (the front ends read structures with their own library).
//
// A stream is a unit (a small integer): 0 standard error, 5 standard input,
// 6 standard output, any other number a file opened with open(). Every
// operation moves whole records (lines). Every failure ends the run: the
// operation throws IoError, and run_program() prints the diagnostic and
// returns its message number as the exit status. The one exception is a
// number too wide for its output field (message 63), which is reported on
// standard error after the record and does not stop the run.
#ifndef RECORD_IO_HPP
#define RECORD_IO_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/diagnostics.hpp"
#include "common/layout.hpp"
#include "common/record_values.hpp"

namespace rio {

inline constexpr int stderr_unit = 0;
inline constexpr int stdin_unit = 5;
inline constexpr int stdout_unit = 6;

enum class OpenStatus {
  old_file,  // must exist
  new_file,  // must not exist; created exclusively, never truncated
  unknown,   // opened as it is, created empty when missing
};

// Opens `file_name` (relative to the current directory) as `unit`.
void open(int unit, std::string_view file_name, OpenStatus status);
// Releases the unit; writes nothing.
void close(int unit);
// Closes every open unit (done by run_program at every end of a run).
void close_all();

// A unit open for the life of the object: closed when it goes, on every
// path (a read unit, or one whose last block is written before: a failure to
// write it there is not reported).
class OpenUnit {
 public:
  OpenUnit(int unit, std::string_view file_name, OpenStatus status) : unit_(unit) {
    open(unit, file_name, status);
  }
  ~OpenUnit();
  OpenUnit(const OpenUnit&) = delete;
  OpenUnit& operator=(const OpenUnit&) = delete;
  int number() const { return unit_; }

 private:
  int unit_;
};

// Fixed-column writer: one record from a layout and its values, handed to
// the operating system when the call ends.
void vwrite(int unit, const Layout& layout, std::span<const Value> values);
template <typename... Args>
void write(int unit, const Layout& layout, const Args&... values) {
  const std::array<Value, sizeof...(Args)> packed{make_value(values)...};
  vwrite(unit, layout, packed);
}

// Many records of one layout: record k from the values that
// values_of(k, values) puts in `values` (as many as the layout has fields),
// for k = 0 to count - 1. The same bytes, in the same order and with the
// same diagnostics, as `count` calls of vwrite, but formatted by several
// threads at once (from 2^15 records on), a batch of records at a time;
// values_of is called on any of them, in no particular order.
using RecordValues = std::function<void(std::size_t record, std::span<Value> values)>;
void vwrite_many(int unit, const Layout& layout, std::size_t count, const RecordValues& values_of);

// Fixed-column reader: consumes exactly one record.
void vread(int unit, const Layout& layout, std::span<const Target> targets);
template <typename... Args>
void read(int unit, const Layout& layout, Args&... targets) {
  const std::array<Target, sizeof...(Args)> packed{make_target(targets)...};
  vread(unit, layout, packed);
}

// Free-format reader: fills the targets in order from one or more records,
// starting at the next record and discarding the rest of the last one used.
void vread_free(int unit, std::span<const Target> targets);
template <typename... Args>
void read_free(int unit, Args&... targets) {
  const std::array<Target, sizeof...(Args)> packed{make_target(targets)...};
  vread_free(unit, packed);
}

// Many free-format reads at once: fills `values` row by row, `row_width`
// values a row, exactly as one read_free of each row's values in turn would
// into a row that starts at 0 (a value a read leaves unset is 0), but faster
// on large files of plain numeric records. A failure ends the run as that
// row's read would; the rows after it are then unspecified.
void read_free_rows(int unit, std::span<double> values, std::size_t row_width);
// The same, with the rows stored column by column: value k of row r goes to
// columns[k][r]. The columns are equally long, one per value of a row.
void read_free_columns(int unit, std::span<const std::span<double>> columns);
// The bytes those two take in at a time (8 MiB) and hand to a thread at a
// time (128 KiB); tests make them small to cross many blocks and pieces.
void set_bulk_read_sizes(std::size_t block_bytes, std::size_t piece_bytes);
// Whether those two share the parsing of a regular file of `file_bytes`
// bytes between threads (from 32 pieces on, 4 MiB); a smaller file is read
// in one block and parsed by the calling thread alone.
bool bulk_read_is_shared(std::size_t file_bytes);

// The bytes left to read from a unit open on a regular file: those buffered
// and those after them in the file as it is now. Nothing for a pipe,
// terminal or other stream, whose length is not known beforehand.
std::optional<std::size_t> input_bytes_left(int unit);

// Free-format line writer: one blank, the text, a line feed.
void write_line(int unit, std::string_view text);

// Lets a unit collect records in memory and hand them to the system in
// blocks. Everything collected is handed over before any diagnostic, before
// a read of standard input, and when the unit is closed. Not used on a
// terminal: there each record still goes out when it is written.
void set_block_output(int unit, bool enabled);

// Ends the run at once, writing nothing: exit status 0.
[[noreturn]] void plain_stop();
// Ends the run at once with `status`, after the program has written its own
// message (used for the few failures a program reports itself).
[[noreturn]] void stop_run(int status);

// Runs a program's main sequence under the tag word `program_name`: returns
// 0 at a normal end or plain stop, the status of stop_run, or the message
// number of a fatal I/O diagnostic after printing it. Closes every unit.
int run_program(std::string_view program_name, const std::function<void()>& main_sequence);

}  // namespace rio

#endif
