// The command line of beadmap.
#ifndef BEADMAP_ARGUMENTS_HPP
#define BEADMAP_ARGUMENTS_HPP

#include <optional>
#include <span>
#include <string>

namespace beadmap {

struct Arguments {
  enum class Action { map, help, version };
  Action action = Action::map;
  std::string input;
  std::string output = "pdb-CG.pdb";
  std::optional<std::string> chain;
  std::string library = "beadlib.dat";
  std::optional<std::string> mapping;  // the built-in mapping when absent
  std::optional<std::string> posre;
  bool force = false;
  bool skip_incomplete = false;  // skip residues that lack atoms instead of keeping them
};

// Options may stand before or after INPUT, as "--option VALUE" or
// "--option=VALUE"; "--" ends the options. --help or --version anywhere
// asks for that alone. A line that cannot stand throws UsageError.
Arguments parse_arguments(std::span<const char* const> arguments);

}  // namespace beadmap

#endif
