// The readers and the writer's formatting on records in memory, apart from
// units: what the unit operations use, and what tests and fuzzing drive.
#ifndef RECORD_IO_RECORD_PARSING_HPP
#define RECORD_IO_RECORD_PARSING_HPP

#include <span>
#include <string>
#include <string_view>

#include "common/layout.hpp"
#include "common/record_values.hpp"

namespace rio {

// A read that cannot complete: end of file (24), syntax error (59) or input
// conversion error (64). The unit operations turn it into an IoError.
struct ReadFailure {
  int message_number;
};

// The blanks that separate free-format values.
inline bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Where the free-format reader takes its records from.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // The next record, or false at end of file.
  virtual bool next_record(std::string_view& record) = 0;
};

// Fills the targets from one record by the layout.
void read_fixed_record(std::string_view record, const Layout& layout,
                       std::span<const Target> targets);

// Fills the targets from as many records of the source as needed.
void read_free_values(RecordSource& source, std::span<const Target> targets);

// The usual shape of a record, numbers separated by blanks and tabs only,
// read in one pass. Returns true when every target was filled this way. At
// anything else (a comma, slash, repeat, quote, text target, a value that
// does not convert, or too few values) it returns false, having stored only
// values that the full scan of the same record stores alike, so the full
// scan can start over on the record.
bool read_plain_record(std::string_view record, std::span<const Target> targets);

// Appends one formatted record (without line feed). Returns false when a
// numeric field overflowed and was filled with asterisks. A value that does
// not match its field is a programming error (std::logic_error).
bool format_record(std::string& record, const Layout& layout, std::span<const Value> values);

}  // namespace rio

#endif
