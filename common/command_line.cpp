#include "common/command_line.hpp"

#include <string>

#include "common/record_io.hpp"

namespace rio {
namespace {

const Layout& whole_line() {
  static const Layout layout{"A"};
  return layout;
}

// Writes a text of several lines, each as one record.
void write_lines(int unit, std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    write(unit, whole_line(), text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::string usage_line(std::string_view name) {
  return "usage: " + std::string(name) + " [--help | --version]";
}

}  // namespace

int run_command(int argc, const char* const* argv, const ProgramInfo& program,
                const std::function<void()>& main_sequence) {
  if (argc <= 1) return run_program(program.name, main_sequence);
  const std::string_view argument = argv[1];
  if (argc == 2 && argument == "--help") {
    return run_program(program.name, [&program] { write_lines(stdout_unit, program.help_text); });
  }
  if (argc == 2 && argument == "--version") {
    return run_program(program.name, [&program] {
      write(stdout_unit, whole_line(), std::string(program.name) + " " + CGTOOLS_VERSION);
    });
  }
  // The first argument that cannot stand: a known option followed by
  // anything makes that second argument the refused one.
  const bool known_option = argument == "--help" || argument == "--version";
  const std::string_view refused = known_option ? std::string_view(argv[2]) : argument;
  return run_program(program.name, [&program, refused] {
    write(stderr_unit, whole_line(),
          std::string(program.name) + ": unexpected argument \"" + std::string(refused) + "\"; " +
              usage_line(program.name));
    stop_run(usage_status);
  });
}

}  // namespace rio
