// Layouts: a record's field codes, parsed once from text such as
// R"("ATOM",I7,1X,A4,1X,A3,2X,I4,4X,3F8.3)".
#ifndef RECORD_IO_LAYOUT_HPP
#define RECORD_IO_LAYOUT_HPP

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rio {

enum class FieldCode {
  integer,  // Iw; without a width, 12 columns
  fixed,    // Fw.d
  exponent, // Dw.d; without a width, D25.16
  text,     // Aw; without a width, the text's own length
  skip,     // nX
  literal,  // "text"
};

inline constexpr int unset_width = -1;

struct FieldSpec {
  FieldCode code;
  int width = unset_width;     // columns; unset_width for a widthless field
  int decimals = 0;            // d of Fw.d and Dw.d
  std::string literal;         // the text of a literal
};

class Layout {
 public:
  // Parses comma-separated codes; a count before a data code repeats it
  // (3F8.3). A malformed layout is a programming error: std::invalid_argument.
  explicit Layout(std::string_view codes);

  const std::vector<FieldSpec>& fields() const { return fields_; }
  // Number of values the layout takes (its I, F, D and A fields).
  std::size_t value_count() const { return value_count_; }

 private:
  std::vector<FieldSpec> fields_;
  std::size_t value_count_ = 0;
};

}  // namespace rio

#endif
