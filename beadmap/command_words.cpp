#include "beadmap/command_words.hpp"

#include "beadmap/refusal.hpp"

namespace beadmap {

void CommandWords::read(const std::function<void(std::string_view)>& option,
                        const std::function<void(std::string_view)>& operand) {
  bool options_ended = false;
  while (next_ < words_.size()) {
    const std::string_view word = words_[next_++];
    if (!options_ended && word == "--") {
      options_ended = true;
    } else if (!options_ended && word.size() > 1 && word[0] == '-') {
      option(word);
    } else {
      operand(word);
    }
  }
}

std::string CommandWords::value_of(std::string_view word) {
  const std::size_t equals = word.find('=');
  if (equals != std::string_view::npos) return std::string(word.substr(equals + 1));
  if (next_ >= words_.size()) throw UsageError("option " + std::string(word) + " needs a value");
  return words_[next_++];
}

std::string_view CommandWords::option_name(std::string_view word) {
  const std::string_view name = word.substr(0, word.find('='));
  return name == "-o" ? "--output" : name;
}

char CommandWords::altloc_value(const std::string& value) {
  if (value.size() != 1 || value[0] == ' ') {
    throw UsageError("option --altloc: an alternate location is one character, not \"" + value +
                     "\"");
  }
  return value[0];
}

std::string CommandWords::format_value(const std::string& value) {
  if (value != "pdb" && value != "cif" && value != "json") {
    throw UsageError("option --format: pdb, cif or json, not \"" + value + "\"");
  }
  return value;
}

}  // namespace beadmap
