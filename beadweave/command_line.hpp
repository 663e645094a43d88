// The command line: none for a run; --help and --version answer and exit.
#ifndef BEADWEAVE_COMMAND_LINE_HPP
#define BEADWEAVE_COMMAND_LINE_HPP

#include <optional>
#include <string>
#include <vector>

namespace beadweave {

// Exit status of a command line that is refused.
inline constexpr int usage_status = 2;

struct CommandLineReply {
  int exit_status = 0;
  std::string out;  // for standard output
  std::string err;  // for standard error
};

// Nothing when the arguments ask for a run (there are none); otherwise what
// to print and the exit status: the usage for --help, the version for
// --version, a usage line on standard error for anything else.
std::optional<CommandLineReply> answer_command_line(const std::vector<std::string>& arguments);

}  // namespace beadweave

#endif
