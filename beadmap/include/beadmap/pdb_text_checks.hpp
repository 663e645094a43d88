// Checks of a PDB text's fixed columns before the structure library reads
// it: numbers it would read into an int that cannot hold them.
#ifndef BEADMAP_PDB_TEXT_CHECKS_HPP
#define BEADMAP_PDB_TEXT_CHECKS_HPP

#include <vector>

namespace beadmap {

// Refuses (Refusal) a record whose numeric columns the library reads into
// an int, and which hold a number beyond it: the ten-column sequence numbers
// of DBREF2 (columns 46-55 and 58-67); the other numeric columns it reads
// are too narrow to overflow. `text`: lines padded to the columns read.
void refuse_pdb_numbers_beyond_int(const std::vector<char>& text);

}  // namespace beadmap

#endif
