// The exact conversion of a short plain decimal, the number most files of
// positions hold: an optional minus, digits with at most one point among
// them, at most 19 digits in all, no exponent. Such a number is m / 10^f
// with m below 2^64, and its nearest double comes from a few integer
// operations, without the general conversion's handling of every other
// form. The result is the standard conversion's, to the bit.
#ifndef RECORD_IO_SHORT_DECIMAL_HPP
#define RECORD_IO_SHORT_DECIMAL_HPP

#include <cstddef>
#include <string_view>

namespace rio {

// Converts the decimal at the start of `text` when it is short and plain,
// to the nearest double (ties to even), and returns the characters it
// takes: the value and length std::from_chars gives. Returns 0, value
// untouched, for anything else, which the caller then gives to the standard
// conversion: no digit, 8 digits or more before the point, more than 19 in
// all, an exponent, fewer than 32 characters from the number's first digit
// or point to the end of `text` (the number is read eight characters at a
// time), or the rare value this method cannot round alone.
std::size_t convert_short_decimal_prefix(std::string_view text, double& value);

}  // namespace rio

#endif
