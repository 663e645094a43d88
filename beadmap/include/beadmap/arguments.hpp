// The command line of beadmap.
#ifndef BEADMAP_ARGUMENTS_HPP
#define BEADMAP_ARGUMENTS_HPP

#include <optional>
#include <span>
#include <string>

namespace beadmap {

struct Arguments {
  enum class Action { map, list, help, version };
  Action action = Action::map;  // --list: list the chains instead
  std::string input;
  std::string output = "pdb-CG.pdb";
  std::optional<std::string> chain;
  std::string library = "beadlib.dat";
  std::optional<std::string> mapping;  // the built-in mapping when absent
  std::optional<std::string> posre;
  bool force = false;
  bool skip_incomplete = false;       // skip residues that lack atoms instead of keeping them
  std::optional<std::string> format;  // "pdb", "cif" or "json": the input's, whatever its name
  std::optional<std::string> model;   // the model's number; the first when absent
  std::optional<char> altloc;         // the alternate location taken; the first when absent
};

// Options may stand before or after INPUT, as "--option VALUE" or
// "--option=VALUE"; "--" ends the options. --help or --version anywhere
// asks for that alone. A line that cannot stand throws UsageError.
Arguments parse_arguments(std::span<const char* const> arguments);

}  // namespace beadmap

#endif
