// beadweave: builds the topology of a coarse-grained protein from a residue
// template library and a coarse-grained structure.
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "record_io.hpp"
#include "run_sequence.hpp"

namespace {

// Prints the reply to --help, --version or a refused argument; a failed
// write makes the exit status 1.
int print_reply(const beadweave::CommandLineReply& reply) {
  bool written = std::fputs(reply.out.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
  written = (std::fputs(reply.err.c_str(), stderr) >= 0 && std::fflush(stderr) == 0) && written;
  return written ? reply.exit_status : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (const auto reply = beadweave::answer_command_line(arguments)) return print_reply(*reply);
  return rio::run_program("beadweave", [] { beadweave::run_sequence(); });
}
