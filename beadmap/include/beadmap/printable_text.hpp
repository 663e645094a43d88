// Text from the input or the command line as a message shows it: on one
// line, whatever it holds.
#ifndef BEADMAP_PRINTABLE_TEXT_HPP
#define BEADMAP_PRINTABLE_TEXT_HPP

#include <cstddef>
#include <string>
#include <string_view>

namespace beadmap {

// The text with each control character (bytes 0-31 and 127) shown escaped:
// "\n", "\r", "\t", or "\x1b" and the like; everything else as it is.
std::string printable(std::string_view text);

// One byte as printable() shows it: writes 1 to 4 characters into `shown`
// and returns how many. Touches nothing else, so that a signal handler may
// use it.
std::size_t show_byte(char c, char (&shown)[4]) noexcept;

}  // namespace beadmap

#endif
