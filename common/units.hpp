// The unit table: which stream each unit number names, the name shown in
// diagnostics, and the raw record traffic with the operating system.
#ifndef RECORD_IO_UNITS_HPP
#define RECORD_IO_UNITS_HPP

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/bulk_memory.hpp"
#include "common/file_descriptor.hpp"

namespace rio {

struct Unit {
  int number = -1;
  int fd = -1;
  FileDescriptor
      owned;  // the file's descriptor, closed with the unit; empty for the standard streams
  std::string shown_name;
  // Input: bytes read from the system and not yet handed out as records.
  // Grown without zero-filling, since reads overwrite it at once.
  BulkVector<char> input;
  std::size_t input_begin = 0;
  std::size_t input_end = 0;
  bool input_exhausted = false;
  // Output: records collected while block output is on.
  bool block_output = false;
  std::string pending_output;
};

// The unit with this number; the standard units come into being on first use.
// Using a file unit that is not open is a programming error (std::logic_error).
Unit& unit_for(int number);

// The next record of the unit, without its line feed (and without a carriage
// return before it). Returns false at end of file. The view stays valid until
// the next call for the same unit. A refused read throws IoError (39).
bool next_record(Unit& unit, std::string_view& record);

// The complete records buffered for the unit, as one text: everything up to
// and including the last line feed (empty when there is none). When
// `may_read` is set and fewer than half of `wanted` bytes are buffered, first
// reads until at least `wanted` bytes are there or the file ends; the half
// keeps refills (and the moves they make) rare when records are taken a few
// at a time. A refused read throws IoError (39).
std::string_view buffered_records(Unit& unit, std::size_t wanted, bool may_read);

// Drops `bytes` from the front of the buffered input: whole records that the
// caller has taken out of buffered_records().
void consume_input(Unit& unit, std::size_t bytes);

// Bytes of a unit's file read ahead of its buffer, into a buffer of their
// own, while the records already buffered are being read: `room` bytes are
// left free at the front for what the unit still holds then.
struct ReadAhead {
  BulkVector<char> bytes;
  std::size_t room = 0;
  std::size_t length = 0;  // bytes read, after the room
  bool end_of_file = false;
};

// Reads up to `wanted` bytes of the unit's file into `ahead`, after `room`
// free bytes. Touches only the file's position and `ahead`, never the
// unit's buffer, so another thread may meanwhile read the buffered records.
// A refused read leaves nothing read: the unit's own next read meets the
// failure again, where it belongs among the records.
void read_ahead(const Unit& unit, ReadAhead& ahead, std::size_t room, std::size_t wanted);

// Puts the bytes read ahead after those the unit still holds, as if the
// unit had read them itself, and empties `ahead`.
void take_read_ahead(Unit& unit, ReadAhead& ahead);

// Hands one finished record (its line feed included) to the system, or to the
// unit's block when block output is on. A refused write throws IoError (38).
void put_record(Unit& unit, std::string_view record_with_newline);

// Hands every collected block to the system (IoError 38 on refusal).
void flush_all_blocks();
// The same, ignoring failures: used while a diagnostic is already on its way.
void flush_all_blocks_quietly() noexcept;

// Writes diagnostic text straight to standard error, ignoring failures.
void write_diagnostic(std::string_view text) noexcept;

// The name shown for a file: the current directory joined with a relative
// name, the name itself when it is absolute.
std::string shown_path(std::string_view file_name);

}  // namespace rio

#endif
