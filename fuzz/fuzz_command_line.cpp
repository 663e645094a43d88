// Fuzz target: the command lines of beadmap and beadbuild. The input is a
// list of words separated by NUL bytes; its first byte picks the program.
// A line that cannot stand ends in a UsageError, the expected outcome. A line
// that stands must give values the options promise (an alternate location of
// one character other than a blank, a format of pdb, cif or json, no empty
// file name, a margin that is a finite length), and the same line written
// again in one canonical form ("--option=VALUE" each, "--" before the
// operand) must give the same arguments.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "beadbuild/arguments.hpp"
#include "beadmap/arguments.hpp"
#include "beadmap/refusal.hpp"
#include "fuzz_support.hpp"

namespace {

std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    words.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

std::vector<const char*> pointers(const std::vector<std::string>& words) {
  std::vector<const char*> list;
  for (const std::string& word : words) list.push_back(word.c_str());
  return list;
}

void check_optional_name(const std::optional<std::string>& value) {
  if (value && value->empty()) fuzzsupport::finding("an option value accepted empty");
}

void check_common(const std::optional<std::string>& format, const std::optional<char>& altloc,
                  const std::optional<std::string>& model) {
  if (format && *format != "pdb" && *format != "cif" && *format != "json") {
    fuzzsupport::finding("a --format value outside pdb, cif, json accepted");
  }
  if (altloc && *altloc == ' ') fuzzsupport::finding("a blank --altloc accepted");
  check_optional_name(model);
}

// beadmap: options, each in its "=" form, then the input after "--".
std::vector<std::string> canonical_line(const beadmap::Arguments& arguments) {
  std::vector<std::string> line;
  const auto add = [&line](const char* option, const std::optional<std::string>& value) {
    if (value) line.push_back(std::string(option) + "=" + *value);
  };
  add("--output", arguments.output);
  add("--chain", arguments.chain);
  add("--library", arguments.library);
  add("--mapping", arguments.mapping);
  add("--posre", arguments.posre);
  add("--format", arguments.format);
  add("--model", arguments.model);
  if (arguments.altloc) add("--altloc", std::string(1, *arguments.altloc));
  if (arguments.force) line.emplace_back("--force");
  if (arguments.skip_incomplete) line.emplace_back("--skip-incomplete");
  if (arguments.action == beadmap::Arguments::Action::list) line.emplace_back("--list");
  line.emplace_back("--");
  line.push_back(arguments.input);
  return line;
}

bool same(const beadmap::Arguments& a, const beadmap::Arguments& b) {
  return a.action == b.action && a.input == b.input && a.output == b.output && a.chain == b.chain &&
         a.library == b.library && a.mapping == b.mapping && a.posre == b.posre &&
         a.force == b.force && a.skip_incomplete == b.skip_incomplete && a.format == b.format &&
         a.model == b.model && a.altloc == b.altloc;
}

// The arguments a parser makes of the words; std::nullopt for a line that
// cannot stand, which must say why.
template <typename Parse>
auto parsed(Parse parse, const std::vector<std::string>& words)
    -> std::optional<decltype(parse(pointers(words)))> {
  try {
    return parse(pointers(words));
  } catch (const beadmap::UsageError& error) {
    if (std::string_view(error.what()).empty()) fuzzsupport::finding("an empty usage message");
    return std::nullopt;
  }
}

void check_beadmap(const std::vector<std::string>& words) {
  const auto line = parsed(
      [](const std::vector<const char*>& list) { return beadmap::parse_arguments(list); }, words);
  if (!line) return;
  const beadmap::Arguments& arguments = *line;
  using Action = beadmap::Arguments::Action;
  if (arguments.action == Action::help || arguments.action == Action::version) return;
  if (arguments.input.empty() || arguments.output.empty() || arguments.library.empty()) {
    fuzzsupport::finding("an empty file name accepted");
  }
  check_optional_name(arguments.mapping);
  check_optional_name(arguments.posre);
  check_common(arguments.format, arguments.altloc, arguments.model);
  const auto again = canonical_line(arguments);
  if (!same(beadmap::parse_arguments(pointers(again)), arguments)) {
    fuzzsupport::finding("beadmap: the canonical line gives other arguments");
  }
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ",") + name;
  return text;
}

// beadbuild: as beadmap; numbers keep their value written with %.9g (float)
// and %.17g (double).
std::vector<std::string> canonical_line(const beadbuild::BuildArguments& arguments) {
  std::vector<std::string> line;
  const auto add = [&line](const char* option, const std::optional<std::string>& value) {
    if (value) line.push_back(std::string(option) + "=" + *value);
  };
  const auto number = [](double value, int digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return std::string(text);
  };
  add("--output", arguments.output);
  if (!arguments.chains.empty()) add("--chains", joined(arguments.chains));
  if (arguments.merge_all) line.emplace_back("--merge=all");
  for (const auto& merge : arguments.merges) add("--merge", joined(merge));
  add("--library", arguments.library);
  add("--mapping", arguments.mapping);
  add("--forcefield", arguments.forcefield);
  add("--i4", std::to_string(arguments.i4_force_constant));
  add("--network-k", std::to_string(arguments.network_force_constant));
  add("--network-cutoff", number(arguments.network_cutoff, 9));
  add("--box-margin", number(arguments.box_margin, 17));
  add("--format", arguments.format);
  add("--model", arguments.model);
  if (arguments.altloc) add("--altloc", std::string(1, *arguments.altloc));
  if (arguments.posre) line.emplace_back("--posre");
  if (arguments.bond_gaps) line.emplace_back("--bond-gaps");
  if (arguments.force) line.emplace_back("--force");
  if (arguments.skip_incomplete) line.emplace_back("--skip-incomplete");
  line.emplace_back("--");
  line.push_back(arguments.entry);
  return line;
}

bool same(const beadbuild::BuildArguments& a, const beadbuild::BuildArguments& b) {
  return a.action == b.action && a.entry == b.entry && a.output == b.output &&
         a.chains == b.chains && a.merges == b.merges && a.merge_all == b.merge_all &&
         a.library == b.library && a.mapping == b.mapping && a.forcefield == b.forcefield &&
         a.i4_force_constant == b.i4_force_constant &&
         a.network_force_constant == b.network_force_constant &&
         (a.network_cutoff == b.network_cutoff ||
          (std::isnan(a.network_cutoff) && std::isnan(b.network_cutoff))) &&
         a.box_margin == b.box_margin && a.posre == b.posre && a.bond_gaps == b.bond_gaps &&
         a.force == b.force && a.skip_incomplete == b.skip_incomplete && a.format == b.format &&
         a.model == b.model && a.altloc == b.altloc;
}

void check_chain_list(const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty() || names[i].find(',') != std::string::npos) {
      fuzzsupport::finding("a chain name that is empty or holds a comma");
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (names[j] == names[i]) fuzzsupport::finding("a chain named twice in one list");
    }
  }
}

void check_beadbuild(const std::vector<std::string>& words) {
  const auto line = parsed(
      [](const std::vector<const char*>& list) { return beadbuild::parse_build_arguments(list); },
      words);
  if (!line) return;
  const beadbuild::BuildArguments& arguments = *line;
  using Action = beadbuild::BuildArguments::Action;
  if (arguments.action != Action::build) return;
  if (arguments.entry.empty() || arguments.output.empty()) {
    fuzzsupport::finding("an empty entry or directory name accepted");
  }
  if (!std::isfinite(arguments.box_margin) || arguments.box_margin < 0.0) {
    fuzzsupport::finding("a box margin that is not a length accepted");
  }
  if (arguments.merge_all && !arguments.merges.empty())
    fuzzsupport::finding("--merge all and lists");
  check_chain_list(arguments.chains);
  for (const auto& merge : arguments.merges) check_chain_list(merge);
  check_optional_name(arguments.library);
  check_optional_name(arguments.mapping);
  check_optional_name(arguments.forcefield);
  check_common(arguments.format, arguments.altloc, arguments.model);
  const auto again = canonical_line(arguments);
  if (!same(beadbuild::parse_build_arguments(pointers(again)), arguments)) {
    fuzzsupport::finding("beadbuild: the canonical line gives other arguments");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string> words = text.empty() ? std::vector<std::string>{} : words_of(text);
  if (data[0] % 2 == 0) {
    check_beadmap(words);
  } else {
    check_beadbuild(words);
  }
  return 0;
}
