// The fixed-column writer and the free-format line writer.
#include <stdexcept>
#include <string>

#include "number_format.hpp"
#include "record_io.hpp"
#include "record_parsing.hpp"
#include "units.hpp"

namespace rio {
namespace {

[[noreturn]] void mismatch(const char* why) {
  throw std::logic_error(std::string("record I/O: value does not match layout: ") + why);
}

double real_value(const Value& value) {
  if (value.kind == ValueKind::real32) return value.float_value;
  if (value.kind == ValueKind::real64) return value.double_value;
  mismatch("a real field needs a real");
}

// Formats one data field; false on overflow.
bool format_value(std::string& record, const FieldSpec& field, const Value& value) {
  switch (field.code) {
    case FieldCode::integer:
      if (value.kind != ValueKind::int32) mismatch("an I field needs a 4-byte integer");
      return format_integer(record, value.int_value, field.width == unset_width ? 12 : field.width);
    case FieldCode::fixed:
      return format_fixed(record, real_value(value), field.width, field.decimals);
    case FieldCode::exponent:
      if (value.kind != ValueKind::real64) mismatch("a D field needs an 8-byte real");
      if (field.width == unset_width) return format_exponent(record, value.double_value, 25, 16);
      return format_exponent(record, value.double_value, field.width, field.decimals);
    case FieldCode::text:
      if (value.kind != ValueKind::text) mismatch("an A field needs a text");
      format_text(record, value.text,
                  field.width == unset_width ? static_cast<int>(value.text.size()) : field.width);
      return true;
    default:
      mismatch("not a data field");
  }
}

}  // namespace

bool format_record(std::string& record, const Layout& layout, std::span<const Value> values) {
  if (values.size() != layout.value_count()) mismatch("wrong number of values");
  bool fits = true;
  std::size_t next_value = 0;
  for (const FieldSpec& field : layout.fields()) {
    if (field.code == FieldCode::skip) {
      record.append(static_cast<std::size_t>(field.width), ' ');
    } else if (field.code == FieldCode::literal) {
      record.append(field.literal);
    } else {
      fits = format_value(record, field, values[next_value++]) && fits;
    }
  }
  return fits;
}

void vwrite(int unit_number, const Layout& layout, std::span<const Value> values) {
  Unit& unit = unit_for(unit_number);
  thread_local std::string record;
  record.clear();
  const bool fits = format_record(record, layout, values);
  record += '\n';
  put_record(unit, record);
  if (!fits) report_output_overflow(unit.number, unit.shown_name);
}

void write_line(int unit_number, std::string_view text) {
  Unit& unit = unit_for(unit_number);
  std::string record;
  record.reserve(text.size() + 2);
  record += ' ';
  record += text;
  record += '\n';
  put_record(unit, record);
}

}  // namespace rio
