#include "arguments.hpp"

#include <cmath>
#include <string_view>

#include "beadmap/command_words.hpp"
#include "common/number_parse.hpp"
#include "beadmap/refusal.hpp"

namespace beadbuild {
namespace {

using beadmap::CommandWords;
using beadmap::UsageError;

// "A,B,C": the names in order; an empty name or one given twice is refused.
std::vector<std::string> chain_names(std::string_view option, const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    const std::string name = list.substr(start, comma == std::string::npos ? comma : comma - start);
    if (name.empty()) throw UsageError("option " + std::string(option) + ": an empty chain name");
    for (const std::string& earlier : names) {
      if (earlier == name) {
        throw UsageError("option " + std::string(option) + ": chain " + name + " is named twice");
      }
    }
    names.push_back(name);
    if (comma == std::string::npos) return names;
    start = comma + 1;
  }
}

class BuildArgumentReader {
 public:
  explicit BuildArgumentReader(std::span<const char* const> words) : words_(words) {}
  BuildArguments read();

 private:
  std::string value_once(std::string_view option, std::string_view word);
  void option(std::string_view word);
  void merge(std::string_view word);
  void operand(std::string_view word);

  CommandWords words_;
  BuildArguments arguments_;
  bool entry_given_ = false;
  std::vector<std::string> given_;  // options that take a value once
};

std::string BuildArgumentReader::value_once(std::string_view option, std::string_view word) {
  for (const std::string& earlier : given_) {
    if (earlier == option) throw UsageError("option " + std::string(option) + " is given twice");
  }
  given_.emplace_back(option);
  std::string value = words_.value_of(word);
  if (value.empty()) throw UsageError("option " + std::string(option) + " needs a value");
  return value;
}

// Numbers are read as beadweave reads its answers.
std::int32_t integer_value(std::string_view option, const std::string& text) {
  std::int32_t value = 0;
  if (rio::parse_free_integer(text, value) != 0) {
    throw UsageError("option " + std::string(option) + ": not a number: " + text);
  }
  return value;
}

float real_value(std::string_view option, const std::string& text) {
  float value = 0.0F;
  if (rio::parse_free_real(text, value) != 0) {
    throw UsageError("option " + std::string(option) + ": not a number: " + text);
  }
  return value;
}

double margin_value(const std::string& text) {
  double value = 0.0;
  if (rio::parse_free_real(text, value) != 0 || !std::isfinite(value) || value < 0.0) {
    throw UsageError("option --box-margin: not a length of 0 nm or more: " + text);
  }
  return value;
}

void BuildArgumentReader::merge(std::string_view word) {
  const std::string value = words_.value_of(word);
  if (value == "all") {
    arguments_.merge_all = true;
  } else {
    arguments_.merges.push_back(chain_names("--merge", value));
  }
}

void BuildArgumentReader::option(std::string_view word) {
  const std::string_view name = CommandWords::option_name(word);
  const bool bare = CommandWords::bare(word);
  if (name == "--help" && bare) {
    arguments_.action = BuildArguments::Action::help;
  } else if (name == "--version" && bare) {
    arguments_.action = BuildArguments::Action::version;
  } else if (name == "--force" && bare) {
    arguments_.force = true;
  } else if (name == "--posre" && bare) {
    arguments_.posre = true;
  } else if (name == "--bond-gaps" && bare) {
    arguments_.bond_gaps = true;
  } else if (name == "--skip-incomplete" && bare) {
    arguments_.skip_incomplete = true;
  } else if (name == "--format") {
    arguments_.format = CommandWords::format_value(value_once(name, word));
  } else if (name == "--model") {
    arguments_.model = value_once(name, word);
  } else if (name == "--altloc") {
    arguments_.altloc = CommandWords::altloc_value(value_once(name, word));
  } else if (name == "--output") {
    arguments_.output = value_once(name, word);
  } else if (name == "--chains") {
    arguments_.chains = chain_names(name, value_once(name, word));
  } else if (name == "--merge") {
    merge(word);
  } else if (name == "--library") {
    arguments_.library = value_once(name, word);
  } else if (name == "--mapping") {
    arguments_.mapping = value_once(name, word);
  } else if (name == "--forcefield") {
    arguments_.forcefield = value_once(name, word);
  } else if (name == "--i4") {
    arguments_.i4_force_constant = integer_value(name, value_once(name, word));
  } else if (name == "--network-k") {
    arguments_.network_force_constant = integer_value(name, value_once(name, word));
  } else if (name == "--network-cutoff") {
    arguments_.network_cutoff = real_value(name, value_once(name, word));
  } else if (name == "--box-margin") {
    arguments_.box_margin = margin_value(value_once(name, word));
  } else {
    throw UsageError("unknown option " + std::string(word));
  }
}

void BuildArgumentReader::operand(std::string_view word) {
  if (entry_given_) throw UsageError("more than one entry: " + std::string(word));
  if (word.empty()) throw UsageError("the entry's file name is empty");
  arguments_.entry = word;
  entry_given_ = true;
}

BuildArguments BuildArgumentReader::read() {
  words_.read([this](std::string_view word) { option(word); },
              [this](std::string_view word) { operand(word); });
  if (arguments_.action != BuildArguments::Action::build) return arguments_;
  if (!entry_given_) throw UsageError("no entry");
  if (arguments_.merge_all && !arguments_.merges.empty()) {
    throw UsageError("--merge all leaves no chain for another --merge");
  }
  if (arguments_.output.empty()) arguments_.output = default_output_directory(arguments_.entry);
  return arguments_;
}

}  // namespace

std::string default_output_directory(const std::string& entry) {
  if (entry == "-") return "system";  // standard input
  const std::string file_name = entry.substr(entry.find_last_of('/') + 1);
  std::string name = file_name;
  if (name.ends_with(".gz")) name.resize(name.size() - 3);
  for (const std::string_view extension : {".pdb", ".ent", ".cif", ".mmcif", ".json"}) {
    if (name.size() > extension.size() && name.ends_with(extension)) {
      name.resize(name.size() - extension.size());
      break;
    }
  }
  if (name.empty() || name == "." || name == "..") return "system";
  // A name without extension would be the entry itself.
  return name == file_name ? name + "-cg" : name;
}

BuildArguments parse_build_arguments(std::span<const char* const> words) {
  return BuildArgumentReader(words).read();
}

}  // namespace beadbuild
