// The command line of the front ends (beadmap, beadbuild), word by word:
// options may stand before or after the operands, as "--option VALUE" or
// "--option=VALUE", "-o" stands for "--output", and "--" ends the options.
#ifndef BEADMAP_COMMAND_WORDS_HPP
#define BEADMAP_COMMAND_WORDS_HPP

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace beadmap {

class CommandWords {
 public:
  explicit CommandWords(std::span<const char* const> words) : words_(words) {}

  // Hands each option word to `option` and each operand to `operand`, in
  // order; `option` takes its value with value_of().
  void read(const std::function<void(std::string_view)>& option,
            const std::function<void(std::string_view)>& operand);

  // The value of an option word: after its "=", or the next word. A missing
  // one throws UsageError.
  std::string value_of(std::string_view word);

  // The option a word names ("--chain" of "--chain=A"; "--output" of "-o").
  static std::string_view option_name(std::string_view word);
  // The value of --altloc: one character other than a blank; of --format:
  // pdb, cif or json. Anything else throws UsageError.
  static char altloc_value(const std::string& value);
  static std::string format_value(const std::string& value);
  // Whether the word carries no "=VALUE" (flags may not).
  static bool bare(std::string_view word) { return word.find('=') == std::string_view::npos; }

 private:
  std::span<const char* const> words_;
  std::size_t next_ = 0;
};

}  // namespace beadmap

#endif
