#include "common/layout.hpp"

#include <cctype>
#include <stdexcept>

namespace rio {
namespace {

[[noreturn]] void bad_layout(std::string_view codes, std::string_view why) {
  throw std::invalid_argument("record I/O: bad layout \"" + std::string(codes) + "\": " +
                              std::string(why));
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Reads a run of decimal digits; -1 when there is none.
int take_number(std::string_view& s) {
  int value = -1;
  while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front())) != 0) {
    const int digit = s.front() - '0';
    value = (value < 0 ? 0 : value) * 10 + digit;
    if (value > 1'000'000) return 1'000'001;
    s.remove_prefix(1);
  }
  return value;
}

// Splits the codes at commas that are not inside a quoted literal.
std::vector<std::string_view> split_codes(std::string_view codes) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  bool in_literal = false;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == '"') in_literal = !in_literal;
    if (codes[i] == ',' && !in_literal) {
      items.push_back(codes.substr(start, i - start));
      start = i + 1;
    }
  }
  if (in_literal) bad_layout(codes, "unterminated literal");
  items.push_back(codes.substr(start));
  return items;
}

// A literal: the text between the quotes, a doubled quote standing for one.
FieldSpec parse_literal(std::string_view codes, std::string_view item) {
  if (item.size() < 2 || item.back() != '"') bad_layout(codes, "malformed literal");
  std::string text;
  for (std::size_t i = 1; i + 1 < item.size(); ++i) {
    if (item[i] == '"') {
      if (i + 2 >= item.size() || item[i + 1] != '"') bad_layout(codes, "stray quote");
      ++i;
    }
    text += item[i];
  }
  return {FieldCode::literal, static_cast<int>(text.size()), 0, text};
}

FieldCode code_for_letter(std::string_view codes, char letter) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'I': return FieldCode::integer;
    case 'F': return FieldCode::fixed;
    case 'D': return FieldCode::exponent;
    case 'A': return FieldCode::text;
    case 'X': return FieldCode::skip;
    default: bad_layout(codes, std::string("unknown field code ") + letter);
  }
}

// One data or skip code with its optional repeat count, e.g. 3F8.3 or 4X.
void parse_code(std::string_view codes, std::string_view item, std::vector<FieldSpec>& fields) {
  const int count = take_number(item);
  if (item.empty()) bad_layout(codes, "missing field code");
  const FieldCode code = code_for_letter(codes, item.front());
  item.remove_prefix(1);
  if (code == FieldCode::skip) {
    if (!item.empty() || count == 0) bad_layout(codes, "malformed X code");
    fields.push_back({FieldCode::skip, count < 0 ? 1 : count, 0, {}});
    return;
  }
  if (count == 0 || count > 1000) bad_layout(codes, "repeat count out of range");
  FieldSpec spec{code, take_number(item), 0, {}};
  const bool has_decimals = !item.empty() && item.front() == '.';
  if (has_decimals) {
    item.remove_prefix(1);
    spec.decimals = take_number(item);
  }
  if (!item.empty()) bad_layout(codes, "unexpected characters");
  if (spec.width == 0 || spec.width > 1000 || spec.decimals > 1000) {
    bad_layout(codes, "width or decimals out of range");
  }
  const bool is_real = code == FieldCode::fixed || code == FieldCode::exponent;
  const bool widthless = spec.width == unset_width;
  if (is_real && !widthless && !(has_decimals && spec.decimals >= 0)) {
    bad_layout(codes, "a real field needs its decimals");
  }
  if (code == FieldCode::fixed && widthless) bad_layout(codes, "F needs a width");
  if (code == FieldCode::exponent && !widthless && spec.decimals < 1) {
    bad_layout(codes, "D needs at least one digit");
  }
  if (!is_real && has_decimals) bad_layout(codes, "decimals on a non-real code");
  if (widthless && has_decimals) bad_layout(codes, "decimals without a width");
  if (spec.decimals < 0) spec.decimals = 0;
  for (int i = 0; i < (count < 0 ? 1 : count); ++i) fields.push_back(spec);
}

}  // namespace

Layout::Layout(std::string_view codes) {
  for (std::string_view item : split_codes(codes)) {
    item = trim_blanks(item);
    if (item.empty()) bad_layout(codes, "empty field code");
    if (item.front() == '"') {
      fields_.push_back(parse_literal(codes, item));
    } else {
      parse_code(codes, item, fields_);
    }
  }
  for (const FieldSpec& field : fields_) {
    if (field.code != FieldCode::skip && field.code != FieldCode::literal) ++value_count_;
  }
}

}  // namespace rio
