#include "beadmap/arguments.hpp"

#include <string_view>

#include "beadmap/command_words.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {
namespace {

class ArgumentReader {
 public:
  explicit ArgumentReader(std::span<const char* const> words) : words_(words) {}

  Arguments read();

 private:
  void set_once(std::optional<std::string>& field, std::string_view option, std::string_view word);
  void option(std::string_view word);
  void operand(std::string_view word);

  CommandWords words_;
  Arguments arguments_;
  bool list_ = false;
  bool input_given_ = false;
  std::optional<std::string> output_, library_;
};

void ArgumentReader::set_once(std::optional<std::string>& field, std::string_view option,
                              std::string_view word) {
  if (field) throw UsageError("option " + std::string(option) + " is given twice");
  field = words_.value_of(word);
  if (field->empty()) throw UsageError("option " + std::string(option) + " needs a value");
}

void ArgumentReader::option(std::string_view word) {
  const std::string_view name = CommandWords::option_name(word);
  const bool takes_no_value = CommandWords::bare(word);
  if (name == "--help" && takes_no_value) {
    arguments_.action = Arguments::Action::help;
  } else if (name == "--version" && takes_no_value) {
    arguments_.action = Arguments::Action::version;
  } else if (name == "--force" && takes_no_value) {
    arguments_.force = true;
  } else if (name == "--skip-incomplete" && takes_no_value) {
    arguments_.skip_incomplete = true;
  } else if (name == "--list" && takes_no_value) {
    list_ = true;
  } else if (name == "--format") {
    set_once(arguments_.format, name, word);
    arguments_.format = CommandWords::format_value(*arguments_.format);
  } else if (name == "--model") {
    set_once(arguments_.model, name, word);
  } else if (name == "--altloc") {
    std::optional<std::string> value;
    set_once(value, name, word);
    if (arguments_.altloc) throw UsageError("option --altloc is given twice");
    arguments_.altloc = CommandWords::altloc_value(*value);
  } else if (name == "--output") {
    set_once(output_, name, word);
  } else if (name == "--chain") {
    if (arguments_.chain) throw UsageError("option --chain is given twice");
    arguments_.chain = words_.value_of(word);  // a blank chain id is a chain id
  } else if (name == "--library") {
    set_once(library_, name, word);
  } else if (name == "--mapping") {
    set_once(arguments_.mapping, name, word);
  } else if (name == "--posre") {
    set_once(arguments_.posre, name, word);
  } else {
    throw UsageError("unknown option " + std::string(word));
  }
}

void ArgumentReader::operand(std::string_view word) {
  if (input_given_) throw UsageError("more than one input file: " + std::string(word));
  if (word.empty()) throw UsageError("the input file name is empty");
  arguments_.input = word;
  input_given_ = true;
}

Arguments ArgumentReader::read() {
  words_.read([this](std::string_view word) { option(word); },
              [this](std::string_view word) { operand(word); });
  if (arguments_.action != Arguments::Action::map) return arguments_;
  if (!input_given_) throw UsageError("no input file");
  if (list_) arguments_.action = Arguments::Action::list;
  if (output_) arguments_.output = *output_;
  if (library_) arguments_.library = *library_;
  return arguments_;
}

}  // namespace

Arguments parse_arguments(std::span<const char* const> arguments) {
  return ArgumentReader(arguments).read();
}

}  // namespace beadmap
