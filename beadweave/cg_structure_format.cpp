#include "beadweave/cg_structure_format.hpp"

#include <string>

namespace beadweave::cg_format {
namespace {

// The layout codes, field by field.
class Codes {
 public:
  Codes& literal(const char* text) {
    start() += '"';
    codes_ += text;
    codes_ += '"';
    return *this;
  }
  Codes& integer(int columns) { return field("I", columns); }
  Codes& text(std::size_t columns) { return field("A", static_cast<int>(columns)); }
  Codes& skip(int columns) {
    start() += std::to_string(columns);
    codes_ += 'X';
    return *this;
  }
  Codes& coordinates() {
    field("3F", coordinate_columns);
    codes_ += '.';
    codes_ += std::to_string(coordinate_decimals);
    return *this;
  }
  const std::string& text() const { return codes_; }

 private:
  std::string& start() {
    if (!codes_.empty()) codes_ += ',';
    return codes_;
  }
  Codes& field(const char* code, int columns) {
    start() += code;
    codes_ += std::to_string(columns);
    return *this;
  }
  std::string codes_;
};

}  // namespace

const rio::Layout& header_layout() {
  static const rio::Layout layout(Codes()
                                      .literal("HEADER number of residues: ")
                                      .integer(number_columns)
                                      .literal(" number of beads: ")
                                      .integer(number_columns)
                                      .text());
  return layout;
}

const rio::Layout& bead_read_layout() {
  static const rio::Layout layout(Codes()
                                      .literal("ATOM")
                                      .integer(serial_columns)
                                      .skip(1)
                                      .text(name_length + 1)
                                      .skip(1)
                                      .text(name_length)
                                      .skip(2)
                                      .integer(number_columns)
                                      .skip(4)
                                      .coordinates()
                                      .text());
  return layout;
}

const rio::Layout& bead_write_layout() {
  static const rio::Layout layout(Codes()
                                      .literal("ATOM")
                                      .integer(serial_columns)
                                      .skip(2)
                                      .text(name_length)
                                      .skip(1)
                                      .text(name_length)
                                      .skip(1)
                                      .text(1)  // chain id
                                      .integer(number_columns)
                                      .text(1)  // insertion code
                                      .skip(3)
                                      .coordinates()
                                      .literal("  1.00  0.00")
                                      .text());
  return layout;
}

}  // namespace beadweave::cg_format
