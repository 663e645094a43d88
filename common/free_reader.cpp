// The free-format reader: values separated by blanks, tabs or commas, over
// as many records as the targets need.
#include <array>
#include <cstring>
#include <string>

#include "common/number_parse.hpp"
#include "common/record_io.hpp"
#include "common/record_parsing.hpp"
#include "units.hpp"

namespace rio {
namespace {

constexpr std::size_t longest_text_value = 2048;
constexpr std::int64_t largest_repeat = 2147483647;

bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/'; }
bool is_quote(char c) { return c == '\'' || c == '"'; }

// One value as written: a null, or the text of a value (quoted or not),
// standing `repeat` times.
struct Item {
  bool is_null = false;
  bool is_slash = false;
  char quote = 0;         // the quote character of a quoted text, 0 when unquoted
  std::string_view text;  // unquoted text, or quoted text with doubled quotes
  std::int64_t repeat = 1;
};

class FreeScanner {
 public:
  FreeScanner(RecordSource& source, std::string_view first_record)
      : source_(source), record_(first_record) {}

  Item next_item();

 private:
  char peek() const { return record_[position_]; }
  bool at_end() const { return position_ >= record_.size(); }
  void skip_blanks();
  void skip_blanks_and_records();
  void finish_value();
  std::string_view take_unquoted();
  std::string_view take_quoted();
  bool take_repeat_count(std::int64_t& count);

  RecordSource& source_;
  std::string_view record_;
  std::size_t position_ = 0;
  // The last value ended without a comma (at blanks, a record end or a
  // slash): a comma met next still belongs to its separator, not a null.
  bool separator_open_ = false;
};

void FreeScanner::skip_blanks() {
  while (!at_end() && is_blank(peek())) ++position_;
}

// Ends of records count as blanks between values.
void FreeScanner::skip_blanks_and_records() {
  for (;;) {
    skip_blanks();
    if (!at_end()) return;
    if (!source_.next_record(record_)) throw ReadFailure{msg_end_of_file};
    position_ = 0;
  }
}

// After a value: its separator, blanks and at most one comma, is consumed.
// A slash is left for the next item, which then ends the read.
void FreeScanner::finish_value() {
  skip_blanks();
  separator_open_ = at_end() || peek() != ',';
  if (!separator_open_) ++position_;
}

std::string_view FreeScanner::take_unquoted() {
  const std::size_t start = position_;
  while (!at_end() && !ends_value(peek())) ++position_;
  return record_.substr(start, position_ - start);
}

// A quoted text, closed within the record; the text keeps doubled quotes,
// which the store turns into one.
std::string_view FreeScanner::take_quoted() {
  const char quote = peek();
  const std::size_t start = ++position_;
  for (;;) {
    if (at_end()) throw ReadFailure{msg_syntax_error};
    if (peek() == quote) {
      if (position_ + 1 < record_.size() && record_[position_ + 1] == quote) {
        position_ += 2;
        continue;
      }
      break;
    }
    ++position_;
  }
  const std::string_view text = record_.substr(start, position_ - start);
  ++position_;
  if (!at_end() && !ends_value(peek())) throw ReadFailure{msg_syntax_error};
  return text;
}

// A count r in r*c or r*: digits followed by an asterisk.
bool FreeScanner::take_repeat_count(std::int64_t& count) {
  std::size_t end = position_;
  while (end < record_.size() && record_[end] >= '0' && record_[end] <= '9') ++end;
  if (end == position_ || end >= record_.size() || record_[end] != '*') return false;
  count = 0;
  for (std::size_t i = position_; i < end; ++i) {
    count = count * 10 + (record_[i] - '0');
    if (count > largest_repeat) throw ReadFailure{msg_syntax_error};
  }
  if (count == 0) throw ReadFailure{msg_syntax_error};
  position_ = end + 1;
  return true;
}

Item FreeScanner::next_item() {
  skip_blanks_and_records();
  if (separator_open_ && peek() == ',') {
    // Blanks or record ends, then a comma: together one separator.
    ++position_;
    skip_blanks_and_records();
  }
  separator_open_ = false;
  Item item;
  if (peek() == '/') {
    item.is_slash = true;
    return item;
  }
  if (peek() == ',') {
    ++position_;
    item.is_null = true;
    return item;
  }
  const bool repeated = take_repeat_count(item.repeat);
  if (repeated && (at_end() || ends_value(peek()))) {
    item.is_null = true;  // r*: r null values
  } else if (is_quote(peek())) {
    item.quote = peek();
    item.text = take_quoted();
  } else {
    item.text = take_unquoted();
  }
  finish_value();
  return item;
}

// A quoted text with each doubled quote character taken as one.
std::string undouble_quotes(std::string_view text, char quote) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    plain += text[i];
    if (text[i] == quote) ++i;
  }
  return plain;
}

void store_text(const Item& item, const Target& target) {
  const std::string plain =
      item.quote != 0 ? undouble_quotes(item.text, item.quote) : std::string(item.text);
  if (plain.size() > longest_text_value) throw ReadFailure{msg_syntax_error};
  char* const text = static_cast<char*>(target.address);
  const std::size_t copied = std::min(plain.size(), target.text_length);
  std::memcpy(text, plain.data(), copied);
  std::memset(text + copied, ' ', target.text_length - copied);
}

void check(int message_number) {
  if (message_number != 0) throw ReadFailure{message_number};
}

// Converts a numeric value into a numeric target; the message number of a
// failure, or 0.
int convert_number(std::string_view token, const Target& target) {
  switch (target.kind) {
    case ValueKind::int32:
      return parse_free_integer(token, *static_cast<std::int32_t*>(target.address));
    case ValueKind::real32:
      return parse_free_real(token, *static_cast<float*>(target.address));
    default:
      return parse_free_real(token, *static_cast<double*>(target.address));
  }
}

void store_item(const Item& item, const Target& target) {
  if (target.kind == ValueKind::text) return store_text(item, target);
  if (item.quote != 0) throw ReadFailure{msg_syntax_error};
  check(convert_number(item.text, target));
}

// The records of a unit, as the scanner asks for them.
class UnitRecords final : public RecordSource {
 public:
  explicit UnitRecords(Unit& unit) : unit_(unit) {}
  bool next_record(std::string_view& record) override { return rio::next_record(unit_, record); }

 private:
  Unit& unit_;
};

// How the plain-record path sees a character.
enum CharClass : unsigned char { part_of_value, blank, special };

constexpr std::array<unsigned char, 256> char_classes = [] {
  std::array<unsigned char, 256> classes{};
  classes[static_cast<unsigned char>(' ')] = blank;
  classes[static_cast<unsigned char>('\t')] = blank;
  for (const char c : {',', '/', '*', '\'', '"'}) classes[static_cast<unsigned char>(c)] = special;
  return classes;
}();

// A real value that the standard conversion takes whole, converted where it
// stands: it must end at a blank or the end of the record. The end of the
// value, or nullptr (nothing stored) for anything else, which the token path
// then takes.
template <typename Real>
const char* convert_real_in_place(const char* position, const char* end, Real& value) {
  Real converted = 0;
  const std::size_t length = convert_decimal_prefix(
      std::string_view(position, static_cast<std::size_t>(end - position)), converted);
  const char* const after = position + length;
  if (length == 0 || (after != end && char_classes[static_cast<unsigned char>(*after)] != blank)) {
    return nullptr;
  }
  value = converted;
  return after;
}

const char* convert_decimal_in_place(const char* position, const char* end, const Target& target) {
  switch (target.kind) {
    case ValueKind::real64:
      return convert_real_in_place(position, end, *static_cast<double*>(target.address));
    case ValueKind::real32:
      return convert_real_in_place(position, end, *static_cast<float*>(target.address));
    default:
      return nullptr;
  }
}

}  // namespace

bool read_plain_record(std::string_view record, std::span<const Target> targets) {
  const char* position = record.data();
  const char* const end = record.data() + record.size();
  for (const Target& target : targets) {
    while (position != end && char_classes[static_cast<unsigned char>(*position)] == blank) {
      ++position;
    }
    if (const char* after = convert_decimal_in_place(position, end, target)) {
      position = after;
      continue;
    }
    const char* const start = position;
    while (position != end &&
           char_classes[static_cast<unsigned char>(*position)] == part_of_value) {
      ++position;
    }
    if (position == start ||
        (position != end && char_classes[static_cast<unsigned char>(*position)] == special)) {
      return false;
    }
    const std::string_view token(start, static_cast<std::size_t>(position - start));
    if (target.kind == ValueKind::text || convert_number(token, target) != 0) return false;
  }
  return true;
}

void read_free_values(RecordSource& source, std::span<const Target> targets) {
  std::string_view first;
  if (!source.next_record(first)) throw ReadFailure{msg_end_of_file};
  if (read_plain_record(first, targets)) return;
  FreeScanner scanner(source, first);
  std::size_t next_target = 0;
  while (next_target < targets.size()) {
    const Item item = scanner.next_item();
    if (item.is_slash) return;
    for (std::int64_t copy = 0; copy < item.repeat && next_target < targets.size(); ++copy) {
      const Target& target = targets[next_target++];
      if (!item.is_null) store_item(item, target);
    }
  }
}

void vread_free(int unit_number, std::span<const Target> targets) {
  Unit& unit = unit_for(unit_number);
  UnitRecords records(unit);
  try {
    read_free_values(records, targets);
  } catch (const ReadFailure& failure) {
    throw IoError(failure.message_number, unit.number, unit.shown_name);
  }
}

}  // namespace rio
