#include "beadmap/cif_reading.hpp"

#include <algorithm>
#include <exception>
#include <gemmi/cif.hpp>
#include <optional>
#include <string_view>

#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {
namespace {

// A byte that no unquoted mmCIF value may hold: outside ASCII, or a
// control character other than the blanks that end a value.
bool outside_ascii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x7f || (byte < 0x20 && c != '\t' && c != '\n' && c != '\r');
}

// An unquoted value found again in the text: its item and its place.
struct FoundValue {
  std::string tag;
  std::string raw;  // as written, with the placeholder for each byte outside ASCII
};

// A character the text does not hold, to stand for each such byte.
std::optional<char> unused_character(std::string_view text) {
  for (const char candidate : std::string_view("~^`|!")) {
    if (text.find(candidate) == std::string_view::npos) return candidate;
  }
  return std::nullopt;
}

// Whether an unquoted value holds `placeholder` (quoted values and text
// fields may hold any byte).
bool unquoted_holding(const std::string& value, char placeholder) {
  return !value.empty() && value[0] != '\'' && value[0] != '"' && value[0] != ';' &&
         value.find(placeholder) != std::string::npos;
}

// The first unquoted value of the document holding `placeholder`, with its
// tag.
std::optional<FoundValue> value_holding(const gemmi::cif::Document& document, char placeholder) {
  for (const gemmi::cif::Block& block : document.blocks) {
    for (const gemmi::cif::Item& item : block.items) {
      if (item.type == gemmi::cif::ItemType::Pair && unquoted_holding(item.pair[1], placeholder)) {
        return FoundValue{item.pair[0], item.pair[1]};
      }
      if (item.type != gemmi::cif::ItemType::Loop) continue;
      const auto& values = item.loop.values;
      for (std::size_t v = 0; v < values.size(); ++v) {
        if (!unquoted_holding(values[v], placeholder)) continue;
        return FoundValue{item.loop.tags[v % item.loop.tags.size()], values[v]};
      }
    }
  }
  return std::nullopt;
}

// The message on an unquoted value with such bytes: the value as the text
// writes it, its item and its line; std::nullopt when it cannot be found.
std::optional<std::string> describe_value_outside_ascii(const std::vector<char>& text,
                                                        const std::string& name) {
  const std::string_view original(text.data(), text.size());
  const std::optional<char> placeholder = unused_character(original);
  if (!placeholder) return std::nullopt;
  std::string replaced(original);
  std::replace_if(replaced.begin(), replaced.end(), outside_ascii, *placeholder);
  std::optional<FoundValue> found;
  try {
    found = value_holding(gemmi::cif::read_memory(replaced.data(), replaced.size(), name.c_str()),
                          *placeholder);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!found) return std::nullopt;
  const std::size_t at = replaced.find(found->raw);
  if (at == std::string::npos) return std::nullopt;
  const std::string value(original.substr(at, found->raw.size()));
  const std::string line =
      std::to_string(1 + std::count(original.begin(), original.begin() + at, '\n'));
  const bool chain =
      found->tag == "_atom_site.auth_asym_id" || found->tag == "_atom_site.label_asym_id";
  return (chain ? "chain " : found->tag + " ") + "\"" + printable(value) + "\" (" +
         (chain ? found->tag + ", " : "") + "line " + line +
         "): characters outside printable ASCII, which an unquoted mmCIF value cannot hold";
}

}  // namespace

gemmi::cif::Document read_cif_document(const std::vector<char>& text, const std::string& name) {
  try {
    return gemmi::cif::read_memory(text.data(), text.size(), name.c_str());
  } catch (const std::exception&) {
    if (std::any_of(text.begin(), text.end(), outside_ascii)) {
      if (const auto message = describe_value_outside_ascii(text, name)) throw Refusal(*message);
    }
    throw;
  }
}

}  // namespace beadmap
