// The I/O diagnostic: message numbers, the error that carries them, and the
// lines printed on standard error.
#ifndef RECORD_IO_DIAGNOSTICS_HPP
#define RECORD_IO_DIAGNOSTICS_HPP

#include <stdexcept>
#include <string>
#include <string_view>

namespace rio {

// Message numbers; each fatal one is also the exit status of the run.
enum MessageNumber : int {
  msg_permission_denied = 9,
  msg_cannot_overwrite = 10,
  msg_end_of_file = 24,
  msg_file_not_found = 29,
  msg_open_failure = 30,
  msg_write_error = 38,
  msg_read_error = 39,
  msg_out_of_memory = 41,
  msg_file_name_error = 43,
  msg_syntax_error = 59,
  msg_output_conversion = 63,
  msg_input_conversion = 64,
};

// Exit status of a run ended by a fault in the program itself.
inline constexpr int internal_error_status = 70;

// A failed operation. `os_error` is the system's error number, 0 when the
// failure carries none.
struct IoError : std::runtime_error {
  IoError(int message_number, int unit, std::string shown_name, int os_error = 0);
  int message_number;
  int unit;
  std::string shown_name;
  int os_error;
};

// The message text of the table, with unit and file filled in
// ("file not found, unit 11, file /dir/beadlib.dat").
std::string message_text(int message_number, int unit, std::string_view shown_name);

// One diagnostic line: "<tag>: <severity> (<number>): <text>" and a line feed.
std::string severity_line(std::string_view tag, std::string_view severity, int number,
                          std::string_view text);

// The complete diagnostic as printed: the system's line where there is an
// error number, then "<tag>: severe (N): <message>".
std::string diagnostic_lines(std::string_view tag, const IoError& error);

// The tag word that starts every diagnostic line (the program's name).
void set_tag(std::string_view tag);
const std::string& tag();

// Prints a fatal diagnostic on standard error (the caller then ends the run);
// nothing for a write refused because the reader of a pipe has gone.
void report_fatal(const IoError& error);
// Prints the non-fatal output overflow report ("error (63)") for a unit.
void report_output_overflow(int unit, std::string_view shown_name);

}  // namespace rio

#endif
