// The command line of the two programs without options (beadweave and
// pairprobe): a run takes no arguments; --help and --version answer and end;
// anything else is refused with a usage line.
#ifndef RECORD_IO_COMMAND_LINE_HPP
#define RECORD_IO_COMMAND_LINE_HPP

#include <functional>
#include <string_view>

namespace rio {

// Exit status of a refused command line.
inline constexpr int usage_status = 2;

struct ProgramInfo {
  std::string_view name;       // the tag word of diagnostics, and the name in the usage line
  std::string_view help_text;  // printed by --help, line by line
};

// Answers --help and --version on standard output (exit status 0), refuses
// any other argument on standard error (exit status 2), and without
// arguments runs `main_sequence` under run_program. Every line goes through
// the record I/O layer.
int run_command(int argc, const char* const* argv, const ProgramInfo& program,
                const std::function<void()>& main_sequence);

}  // namespace rio

#endif
