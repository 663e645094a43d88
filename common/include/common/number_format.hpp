// Output fields: integers (Iw), fixed-point reals (Fw.d), exponent-form reals
// (Dw.d) and texts (Aw), each appended to a record being built. Reals are
// rounded from their exact binary value, half-way cases to even.
#ifndef RECORD_IO_NUMBER_FORMAT_HPP
#define RECORD_IO_NUMBER_FORMAT_HPP

#include <cstdint>
#include <string>
#include <string_view>

namespace rio {

// Each numeric formatter returns false when the value does not fit: the field
// is then `width` asterisks.
bool format_integer(std::string& record, std::int32_t value, int width);
bool format_fixed(std::string& record, double value, int width, int decimals);
bool format_exponent(std::string& record, double value, int width, int decimals);
void format_text(std::string& record, std::string_view text, int width);

}  // namespace rio

#endif
