// The command line of beadbuild.
#ifndef BEADBUILD_ARGUMENTS_HPP
#define BEADBUILD_ARGUMENTS_HPP

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace beadbuild {

// The answers beadweave asks for, as the examples give them.
inline constexpr std::int32_t default_i4_force_constant = 40000;
inline constexpr std::int32_t default_network_force_constant = 500;
inline constexpr float default_network_cutoff = 0.9F;  // nm
inline constexpr double default_box_margin = 1.0;      // nm

struct BuildArguments {
  enum class Action { build, help, version };
  Action action = Action::build;
  std::string entry;
  std::string output;               // the system directory
  std::vector<std::string> chains;  // empty: every chain with an amino acid
  std::vector<std::vector<std::string>> merges;
  bool merge_all = false;
  std::optional<std::string> library;     // the built-in library when absent
  std::optional<std::string> mapping;     // the built-in mapping when absent
  std::optional<std::string> forcefield;  // the built-in force field when absent
  std::int32_t i4_force_constant = default_i4_force_constant;
  std::int32_t network_force_constant = default_network_force_constant;
  float network_cutoff = default_network_cutoff;
  bool posre = false;
  double box_margin = default_box_margin;
  bool bond_gaps = false;
  bool force = false;
  bool skip_incomplete = false;       // skip residues that lack atoms instead of keeping them
  std::optional<std::string> format;  // "pdb", "cif" or "json": the entry's, whatever its name
  std::optional<std::string> model;   // the model's number; the first when absent
  std::optional<char> altloc;         // the alternate location taken; the first when absent
};

// The directory an entry's system goes to by default: the entry's file name
// without its compression and format extensions ("1ubi.pdb.gz" -> "1ubi"),
// in the current directory; a name without such an extension gets "-cg".
std::string default_output_directory(const std::string& entry);

// Options may stand before or after ENTRY, as "--option VALUE" or
// "--option=VALUE"; "--" ends the options. --help or --version anywhere asks
// for that alone. A line that cannot stand throws beadmap::UsageError.
BuildArguments parse_build_arguments(std::span<const char* const> words);

}  // namespace beadbuild

#endif
