// A differential check of the free-format number conversions: one value read
// into a 4-byte integer, a 4-byte real and an 8-byte real, each result
// compared with the C library's conversion of the same number; and the bulk
// reader's quick conversion of a plain decimal against the standard one.
#ifndef FUZZ_NUMBER_CHECK_HPP
#define FUZZ_NUMBER_CHECK_HPP

#include <string_view>

namespace fuzzsupport {

// `text` as one free-format value (texts that hold a separator, a quote or a
// repeat count are passed over). A value of the number form must read as the
// C library reads it: the same bits, or input conversion error (64) where the
// C library overflows or the integer is beyond the 4-byte range; any other
// value must be a syntax error (59). Any text at all, blanks behind it, must
// convert quickly, if at all, as std::from_chars converts it. A difference is
// a finding.
void check_number(std::string_view text);

}  // namespace fuzzsupport

#endif
