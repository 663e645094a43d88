// The fixed-column writer and the free-format line writer.
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/number_format.hpp"
#include "common/record_io.hpp"
#include "common/record_parsing.hpp"
#include "parallel/helper_threads.hpp"
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

namespace {

// Records formatted together by one thread, and how far each reaches.
struct FormattedRecords {
  std::string text;
  std::vector<std::size_t> ends;  // end of each record, its line feed included
  std::vector<bool> fits;         // whether each record's values fit their fields
};

constexpr std::size_t records_per_piece = 2048;
constexpr std::size_t pieces_per_thread = 8;  // a batch: bounded memory, even shares
// Fewer records are formatted by the calling thread alone, in a few
// milliseconds: a helper woken for them (which on a virtual machine's idle
// core can itself take milliseconds) would save no time and cost processor
// time.
constexpr std::size_t records_worth_sharing = std::size_t{1} << 15;

FormattedRecords format_records(const Layout& layout, std::size_t first, std::size_t last,
                                const RecordValues& values_of) {
  FormattedRecords formatted;
  formatted.ends.reserve(last - first);
  formatted.fits.reserve(last - first);
  std::vector<Value> values(layout.value_count());
  for (std::size_t k = first; k < last; ++k) {
    values_of(k, values);
    formatted.fits.push_back(format_record(formatted.text, layout, values));
    formatted.text += '\n';
    formatted.ends.push_back(formatted.text.size());
    // Records of one layout are mostly equally long: room for all at the
    // first saves the copies (and fresh memory) of growing step by step.
    if (k == first) formatted.text.reserve(formatted.text.size() * (last - first));
  }
  return formatted;
}

}  // namespace

void vwrite_many(int unit_number, const Layout& layout, std::size_t count,
                 const RecordValues& values_of) {
  Unit& unit = unit_for(unit_number);
  const unsigned threads = count < records_worth_sharing ? 1 : parallel::threads_in_use();
  const std::size_t batch = records_per_piece * pieces_per_thread * threads;
  for (std::size_t first = 0; first < count; first += batch) {
    const std::size_t last = std::min(count, first + batch);
    const std::size_t pieces = (last - first + records_per_piece - 1) / records_per_piece;
    std::vector<FormattedRecords> formatted(pieces);
    parallel::share_pieces(threads, pieces, [&](std::size_t p) {
      const std::size_t piece_first = first + p * records_per_piece;
      formatted[p] = format_records(layout, piece_first,
                                    std::min(last, piece_first + records_per_piece), values_of);
    });
    // Handed over in order, each record as vwrite hands it over.
    for (const FormattedRecords& piece : formatted) {
      std::size_t begin = 0;
      for (std::size_t r = 0; r < piece.ends.size(); ++r) {
        put_record(unit, std::string_view(piece.text).substr(begin, piece.ends[r] - begin));
        if (!piece.fits[r]) report_output_overflow(unit.number, unit.shown_name);
        begin = piece.ends[r];
      }
    }
  }
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
