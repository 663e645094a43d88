#include "common/diagnostics.hpp"

#include <cerrno>
#include <cstring>
#include <string>

#include "units.hpp"

namespace rio {
namespace {

std::string& tag_word() {
  static std::string word = "record_io";
  return word;
}

const char* message_format(int message_number) {
  switch (message_number) {
    case msg_permission_denied: return "permission to access file denied";
    case msg_cannot_overwrite: return "cannot overwrite existing file";
    case msg_end_of_file: return "end-of-file during read";
    case msg_file_not_found: return "file not found";
    case msg_open_failure: return "open failure";
    case msg_write_error: return "error during write";
    case msg_read_error: return "error during read";
    case msg_file_name_error: return "file name specification error";
    case msg_syntax_error: return "list-directed I/O syntax error";
    case msg_output_conversion: return "output conversion error";
    case msg_input_conversion: return "input conversion error";
    default: return "unknown I/O error";
  }
}

}  // namespace

IoError::IoError(int number, int unit_number, std::string name, int os_error_number)
    : std::runtime_error(message_text(number, unit_number, name)),
      message_number(number),
      unit(unit_number),
      shown_name(std::move(name)),
      os_error(os_error_number) {}

std::string message_text(int message_number, int unit, std::string_view shown_name) {
  std::string text = message_format(message_number);
  text += ", unit ";
  text += std::to_string(unit);
  text += ", file ";
  text += shown_name;
  return text;
}

std::string severity_line(std::string_view tag_text, std::string_view severity, int number,
                          std::string_view text) {
  std::string line(tag_text);
  line.append(": ").append(severity).append(" (").append(std::to_string(number)).append("): ");
  line.append(text).append("\n");
  return line;
}

std::string diagnostic_lines(std::string_view tag_text, const IoError& error) {
  std::string lines;
  if (error.os_error != 0) {
    lines.append(tag_text).append(": ").append(std::strerror(error.os_error)).append("\n");
  }
  lines += severity_line(tag_text, "severe", error.message_number, error.what());
  return lines;
}

void set_tag(std::string_view tag_text) { tag_word() = std::string(tag_text); }
const std::string& tag() { return tag_word(); }

void report_fatal(const IoError& error) {
  flush_all_blocks_quietly();
  // The reader of a pipe has gone (`pairprobe | head -1` with SIGPIPE ignored):
  // nobody is left to read, and a filter then ends quietly, as the signal
  // would have ended it. The exit status still tells (38).
  if (error.os_error == EPIPE) return;
  write_diagnostic(diagnostic_lines(tag(), error));
}

void report_output_overflow(int unit, std::string_view shown_name) {
  const std::string line = severity_line(tag(), "error", msg_output_conversion,
                                         message_text(msg_output_conversion, unit, shown_name));
  flush_all_blocks();
  write_diagnostic(line);
}

}  // namespace rio
