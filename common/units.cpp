#include "units.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>

#include "common/diagnostics.hpp"
#include "common/record_io.hpp"

namespace rio {
namespace {

constexpr std::size_t read_chunk = 1 << 16;
constexpr std::size_t block_limit = 1 << 16;

std::map<int, Unit>& unit_table() {
  static std::map<int, Unit> table;
  return table;
}

// Which of the descriptors 0, 1 and 2 were closed when the run started.
using ClosedStreams = std::array<bool, 3>;

// A closed standard descriptor gets a placeholder on /dev/null, so that no
// file the run opens can take the number 0, 1 or 2 and receive console
// traffic: a prompt written into the template library, answers read from it,
// a diagnostic written over an input file. Descriptors are handed out lowest
// first, so each open lands on the closed number being filled.
ClosedStreams reserve_closed_descriptors() {
  ClosedStreams closed{};
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    closed[static_cast<std::size_t>(fd)] = true;
    const int placeholder = ::open("/dev/null", O_RDWR | O_NOCTTY);
    if (placeholder >= 0 && placeholder != fd) ::close(placeholder);
  }
  return closed;
}

// Done once, before the first file is opened or standard unit is used.
const ClosedStreams& closed_standard_streams() {
  static const ClosedStreams closed = reserve_closed_descriptors();
  return closed;
}

// A closed standard input reads as an empty stream (end of file at the first
// read, from its placeholder); a closed standard output or error has no
// descriptor at all, so each write to it is refused (write error 38).
Unit make_standard_unit(int number) {
  const ClosedStreams& closed = closed_standard_streams();
  Unit unit;
  unit.number = number;
  if (number == stderr_unit) {
    unit.fd = closed[STDERR_FILENO] ? -1 : STDERR_FILENO;
    unit.shown_name = "stderr";
  } else if (number == stdin_unit) {
    unit.fd = STDIN_FILENO;
    unit.shown_name = "stdin";
  } else {
    unit.fd = closed[STDOUT_FILENO] ? -1 : STDOUT_FILENO;
    unit.shown_name = "stdout";
  }
  return unit;
}

bool is_standard_unit(int number) {
  return number == stderr_unit || number == stdin_unit || number == stdout_unit;
}

void flush_block(Unit& unit) {
  if (unit.pending_output.empty()) return;
  const int error = write_fully(unit.fd, unit.pending_output);
  unit.pending_output.clear();
  if (error != 0) throw IoError(msg_write_error, unit.number, unit.shown_name, error);
}

// Moves the bytes not yet handed out to the front of the unit's buffer and
// makes the buffer at least `length` bytes long. A buffer too short is
// replaced by one holding just those bytes (growing it in place would copy
// the records already handed out as well), at least twice as large, so that
// a record longer than any buffer so far (a line of 100 MB) is copied a
// bounded number of times over, not once per read.
void compact_input(Unit& unit, std::size_t length) {
  const std::size_t kept = unit.input_end - unit.input_begin;
  if (length > unit.input.capacity()) {
    BulkVector<char> longer;
    longer.reserve(std::max(length, 2 * unit.input.capacity()));
    longer.resize(length);  // left uninitialised
    if (kept > 0) std::memcpy(longer.data(), unit.input.data() + unit.input_begin, kept);
    unit.input.swap(longer);
  } else {
    if (unit.input_begin > 0) {
      std::memmove(unit.input.data(), unit.input.data() + unit.input_begin, kept);
    }
    if (unit.input.size() < length) unit.input.resize(length);
  }
  unit.input_begin = 0;
  unit.input_end = kept;
}

// Reads up to `chunk` more bytes into the unit's input buffer; false at end
// of file.
bool fill_input(Unit& unit, std::size_t chunk = read_chunk) {
  compact_input(unit, unit.input_end - unit.input_begin + chunk);
  const ssize_t got = read_some(unit.fd, unit.input.data() + unit.input_end, chunk);
  if (got < 0) throw IoError(msg_read_error, unit.number, unit.shown_name, errno);
  unit.input_end += static_cast<std::size_t>(got);
  return got > 0;
}

}  // namespace

Unit& unit_for(int number) {
  auto& table = unit_table();
  auto found = table.find(number);
  if (found != table.end()) return found->second;
  if (!is_standard_unit(number)) {
    throw std::logic_error("record I/O: unit " + std::to_string(number) + " is not open");
  }
  return table.emplace(number, make_standard_unit(number)).first->second;
}

bool next_record(Unit& unit, std::string_view& record) {
  if (unit.number == stdin_unit) flush_all_blocks();
  std::size_t searched = 0;  // bytes after input_begin known to hold no line feed
  std::size_t length = 0;
  std::size_t consumed = 0;
  for (;;) {
    const char* begin = unit.input.data() + unit.input_begin;
    const std::size_t available = unit.input_end - unit.input_begin;
    const void* newline =
        available > searched ? std::memchr(begin + searched, '\n', available - searched) : nullptr;
    if (newline != nullptr) {
      length = static_cast<std::size_t>(static_cast<const char*>(newline) - begin);
      consumed = length + 1;
      break;
    }
    searched = available;
    if (!unit.input_exhausted && fill_input(unit)) continue;
    // End of file: what is left is a last record without a line feed.
    unit.input_exhausted = true;
    if (available == 0) return false;
    length = available;
    consumed = available;
    break;
  }
  const char* start = unit.input.data() + unit.input_begin;
  if (length > 0 && start[length - 1] == '\r') --length;
  record = std::string_view(start, length);
  unit.input_begin += consumed;
  return true;
}

std::string_view buffered_records(Unit& unit, std::size_t wanted, bool may_read) {
  if (may_read && !unit.input_exhausted && unit.input_end - unit.input_begin < wanted / 2) {
    compact_input(unit, wanted + read_chunk);  // grown once, not by doubling
    while (unit.input_end - unit.input_begin < wanted) {
      // As much as is wanted in one read: a large block in few system calls.
      const std::size_t missing = wanted - (unit.input_end - unit.input_begin);
      if (!fill_input(unit, std::max(missing, read_chunk))) {
        unit.input_exhausted = true;
        break;
      }
    }
  }
  const std::string_view buffered(unit.input.data() + unit.input_begin,
                                  unit.input_end - unit.input_begin);
  const std::size_t last_line_feed = buffered.rfind('\n');
  if (last_line_feed == std::string_view::npos) return {};
  return buffered.substr(0, last_line_feed + 1);
}

void consume_input(Unit& unit, std::size_t bytes) { unit.input_begin += bytes; }

void read_ahead(const Unit& unit, ReadAhead& ahead, std::size_t room, std::size_t wanted) {
  ahead.bytes.resize(room + wanted);
  ahead.room = room;
  ahead.length = 0;
  ahead.end_of_file = false;
  while (ahead.length < wanted) {
    const ssize_t got =
        read_some(unit.fd, ahead.bytes.data() + room + ahead.length, wanted - ahead.length);
    if (got < 0) return;  // what was read is kept; the failure comes again on the next read
    ahead.end_of_file = got == 0;
    if (ahead.end_of_file) return;
    ahead.length += static_cast<std::size_t>(got);
  }
}

void take_read_ahead(Unit& unit, ReadAhead& ahead) {
  const std::size_t kept = unit.input_end - unit.input_begin;
  if (kept <= ahead.room) {
    // What the unit holds goes just before the bytes read ahead, and the
    // buffers change places: no large copy.
    const std::size_t begin = ahead.room - kept;
    if (kept > 0)
      std::memcpy(ahead.bytes.data() + begin, unit.input.data() + unit.input_begin, kept);
    unit.input.swap(ahead.bytes);
    unit.input_begin = begin;
    unit.input_end = ahead.room + ahead.length;
  } else {
    std::memmove(unit.input.data(), unit.input.data() + unit.input_begin, kept);
    unit.input.resize(std::max(unit.input.size(), kept + ahead.length));
    std::memcpy(unit.input.data() + kept, ahead.bytes.data() + ahead.room, ahead.length);
    unit.input_begin = 0;
    unit.input_end = kept + ahead.length;
  }
  if (ahead.end_of_file) unit.input_exhausted = true;
  ahead.length = 0;
  ahead.end_of_file = false;
}

std::optional<std::size_t> input_bytes_left(int unit_number) {
  const Unit& unit = unit_for(unit_number);
  struct stat status {};
  if (::fstat(unit.fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const off_t position = ::lseek(unit.fd, 0, SEEK_CUR);
  if (position < 0) return std::nullopt;
  const off_t unread = std::max<off_t>(status.st_size - position, 0);
  return static_cast<std::size_t>(unread) + (unit.input_end - unit.input_begin);
}

void put_record(Unit& unit, std::string_view record_with_newline) {
  if (unit.block_output) {
    // Room for a whole block at its first record: grown step by step, the
    // block would be copied into fresh memory at each step.
    if (unit.pending_output.capacity() < block_limit) {
      unit.pending_output.reserve(block_limit + record_with_newline.size());
    }
    unit.pending_output.append(record_with_newline);
    if (unit.pending_output.size() >= block_limit) flush_block(unit);
    return;
  }
  const int error = write_fully(unit.fd, record_with_newline);
  if (error != 0) throw IoError(msg_write_error, unit.number, unit.shown_name, error);
}

void flush_all_blocks() {
  for (auto& [number, unit] : unit_table()) flush_block(unit);
}

void flush_all_blocks_quietly() noexcept {
  for (auto& [number, unit] : unit_table()) {
    if (!unit.pending_output.empty()) {
      write_fully(unit.fd, unit.pending_output);
      unit.pending_output.clear();
    }
  }
}

void write_diagnostic(std::string_view text) noexcept { write_fully(STDERR_FILENO, text); }

std::string shown_path(std::string_view file_name) {
  if (!file_name.empty() && file_name.front() == '/') return std::string(file_name);
  std::string directory(PATH_MAX, '\0');
  if (::getcwd(directory.data(), directory.size()) == nullptr) return std::string(file_name);
  directory.resize(std::strlen(directory.c_str()));
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory + std::string(file_name);
}

// ---- Opening and closing -------------------------------------------------

namespace {

int message_for_open_error(int error, OpenStatus status) {
  switch (error) {
    case ENOENT:
      return msg_file_not_found;
    case EEXIST:
      return status == OpenStatus::new_file ? msg_cannot_overwrite : msg_open_failure;
    case EACCES:
    case EPERM:
      return msg_permission_denied;
    case ENOTDIR:
    case ENAMETOOLONG:
      return msg_file_name_error;
    default:
      return msg_open_failure;
  }
}

// Write access refused, but reading may still be allowed.
bool write_access_refused(int error) {
  return error == EACCES || error == EPERM || error == EROFS || error == ETXTBSY;
}

// Retries an open that was refused write access for reading only. When the
// file is not there to read, the first refusal is the one that explains.
int open_read_only(const std::string& path, int first_error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0 && errno == ENOENT) errno = first_error;
  return fd;
}

int open_descriptor(const std::string& path, OpenStatus status) {
  const int common_flags = O_CLOEXEC | O_NOCTTY;
  const mode_t everyone_rw = 0666;  // less the process's file-creation mask
  switch (status) {
    case OpenStatus::new_file:
      return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | common_flags, everyone_rw);
    case OpenStatus::unknown: {
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | common_flags, everyone_rw);
      if (fd >= 0 || !write_access_refused(errno)) return fd;
      return open_read_only(path, errno);
    }
    case OpenStatus::old_file:
    default: {
      const int fd = ::open(path.c_str(), O_RDWR | common_flags);
      if (fd >= 0 || !write_access_refused(errno)) return fd;
      return open_read_only(path, errno);
    }
  }
}

}  // namespace

void open(int unit_number, std::string_view file_name, OpenStatus status) {
  if (is_standard_unit(unit_number)) {
    throw std::logic_error("record I/O: the standard units are always open");
  }
  close(unit_number);
  closed_standard_streams();
  std::string shown = shown_path(file_name);
  const std::string path(file_name);
  const int fd = open_descriptor(path, status);
  if (fd < 0) {
    const int error = errno;
    throw IoError(message_for_open_error(error, status), unit_number, std::move(shown), error);
  }
  Unit unit;
  unit.number = unit_number;
  unit.owned.reset(fd);
  unit.fd = fd;
  unit.shown_name = std::move(shown);
  unit_table()[unit_number] = std::move(unit);
}

void close(int unit_number) {
  auto& table = unit_table();
  auto found = table.find(unit_number);
  if (found == table.end()) return;
  // The unit goes, and its descriptor closes with it, whether or not its
  // last block could be written.
  std::exception_ptr failure;
  try {
    flush_block(found->second);
  } catch (...) {
    failure = std::current_exception();
  }
  table.erase(found);
  if (failure) std::rethrow_exception(failure);
}

void close_all() {
  auto& table = unit_table();
  flush_all_blocks_quietly();
  table.clear();  // the descriptors close with their units
}

void set_block_output(int unit_number, bool enabled) {
  Unit& unit = unit_for(unit_number);
  if (enabled && ::isatty(unit.fd)) enabled = false;
  if (!enabled) flush_block(unit);
  unit.block_output = enabled;
}

OpenUnit::~OpenUnit() {
  try {
    close(unit_);
  } catch (...) {
    // Closed all the same; the failure of a last write is the writer's to check.
  }
}

}  // namespace rio
