// The fixed-column reader: one record into its targets by a layout.
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "common/number_parse.hpp"
#include "common/record_io.hpp"
#include "common/record_parsing.hpp"
#include "units.hpp"

namespace rio {
namespace {

// Columns [first, first + width) of the record; columns past its end read
// as blanks, so the field is padded with blanks to its full width.
std::string_view field_columns(std::string_view record, std::size_t first, std::size_t width,
                               std::string& padded) {
  if (first + width <= record.size()) return record.substr(first, width);
  padded.assign(width, ' ');
  if (first < record.size()) record.substr(first).copy(padded.data(), width);
  return padded;
}

// A text field of w columns into a text of length L: the rightmost L when
// w >= L, else the w columns followed by blanks.
void store_text(std::string_view field, const Target& target) {
  char* const text = static_cast<char*>(target.address);
  if (field.size() >= target.text_length) {
    std::memcpy(text, field.data() + field.size() - target.text_length, target.text_length);
  } else {
    std::memcpy(text, field.data(), field.size());
    std::memset(text + field.size(), ' ', target.text_length - field.size());
  }
}

void check(int message_number) {
  if (message_number != 0) throw ReadFailure{message_number};
}

void store_field(std::string_view field, const FieldSpec& spec, const Target& target) {
  const bool is_real = spec.code == FieldCode::fixed || spec.code == FieldCode::exponent;
  if (spec.code == FieldCode::integer && target.kind == ValueKind::int32) {
    check(parse_fixed_integer(field, *static_cast<std::int32_t*>(target.address)));
  } else if (is_real && target.kind == ValueKind::real32) {
    check(parse_fixed_real(field, spec.decimals, *static_cast<float*>(target.address)));
  } else if (is_real && target.kind == ValueKind::real64) {
    check(parse_fixed_real(field, spec.decimals, *static_cast<double*>(target.address)));
  } else if (spec.code == FieldCode::text && target.kind == ValueKind::text) {
    store_text(field, target);
  } else {
    throw std::logic_error("record I/O: target does not match layout");
  }
}

// The width a field takes on input; widthless fields take their output width.
std::size_t input_width(const FieldSpec& spec, const Target* target) {
  if (spec.width != unset_width) return static_cast<std::size_t>(spec.width);
  if (spec.code == FieldCode::integer) return 12;
  if (spec.code == FieldCode::exponent) return 25;
  return target != nullptr ? target->text_length : 0;
}

}  // namespace

void read_fixed_record(std::string_view record, const Layout& layout,
                       std::span<const Target> targets) {
  if (targets.size() != layout.value_count()) {
    throw std::logic_error("record I/O: wrong number of targets for layout");
  }
  std::string padded;
  std::size_t column = 0;
  std::size_t next_target = 0;
  for (const FieldSpec& spec : layout.fields()) {
    const bool takes_value = spec.code != FieldCode::skip && spec.code != FieldCode::literal;
    const Target* target = takes_value ? &targets[next_target++] : nullptr;
    const std::size_t width = input_width(spec, target);
    if (target != nullptr) store_field(field_columns(record, column, width, padded), spec, *target);
    column += width;
  }
}

void vread(int unit_number, const Layout& layout, std::span<const Target> targets) {
  Unit& unit = unit_for(unit_number);
  std::string_view record;
  if (!next_record(unit, record)) throw IoError(msg_end_of_file, unit.number, unit.shown_name);
  try {
    read_fixed_record(record, layout, targets);
  } catch (const ReadFailure& failure) {
    throw IoError(failure.message_number, unit.number, unit.shown_name);
  }
}

}  // namespace rio
