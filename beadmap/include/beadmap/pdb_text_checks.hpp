// A PDB text line by line, as the structure library takes its records, and
// checks of its fixed columns before the library reads it: numbers it would
// read into an int that cannot hold them.
#ifndef BEADMAP_PDB_TEXT_CHECKS_HPP
#define BEADMAP_PDB_TEXT_CHECKS_HPP

#include <cstddef>
#include <string_view>
#include <vector>

namespace beadmap {

// Calls each_line(line, number) for each line of `text`, without its line
// feed, numbered from 1.
template <typename EachLine>
void for_each_line(std::string_view text, EachLine each_line) {
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    each_line(text.substr(start, end - start), ++number);
    start = end + 1;
  }
}

// Whether a record's name begins with `name` (upper case): the library
// takes a record by its first letters, in either case.
bool record_name_is(std::string_view line, std::string_view name);

// Refuses (Refusal) a record whose numeric columns the library reads into
// an int, and which hold a number beyond it: the ten-column sequence numbers
// of DBREF2 (columns 46-55 and 58-67); the other numeric columns it reads
// are too narrow to overflow. `text`: lines padded to the columns read.
void refuse_pdb_numbers_beyond_int(const std::vector<char>& text);

}  // namespace beadmap

#endif
