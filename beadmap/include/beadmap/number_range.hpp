// Numbers of the input as the structure library reads them: into an int,
// which a number of ten digits or more can overflow. Such a number is
// refused before the library sees it.
#ifndef BEADMAP_NUMBER_RANGE_HPP
#define BEADMAP_NUMBER_RANGE_HPP

#include <string>
#include <string_view>

namespace beadmap {

// Whether the number `text` starts with (after blanks, an optional sign,
// then its digits up to the first other character) lies within the range
// of int, its least value left out (-2147483647 to 2147483647); text that
// starts with no number fits.
bool number_fits_int(std::string_view text);

// What a message says of a number that does not fit: "<shown>: a number
// outside the reader's range (-2147483647 to 2147483647)".
std::string number_beyond_int(std::string_view shown);

}  // namespace beadmap

#endif
