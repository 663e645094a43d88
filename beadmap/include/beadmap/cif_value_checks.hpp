// Checks of an mmCIF or mmJSON document, as the structure library reads it
// (values kept as text), before the structure is built from it: numbers it
// would read into an int that cannot hold them.
#ifndef BEADMAP_CIF_VALUE_CHECKS_HPP
#define BEADMAP_CIF_VALUE_CHECKS_HPP

#include <gemmi/cifdoc.hpp>

namespace beadmap {

// Refuses (Refusal) a value of the first block that the library reads into
// an int (the atom serial, residue and sequence numbers of _atom_site and
// of the categories that point at residues, counts and ordinals) and that
// holds a number beyond it; and an operator expression of
// _pdbx_struct_assembly_gen whose ranges the library would count past the
// largest int or through more than 100000 operators, making each.
void refuse_cif_numbers_beyond_int(gemmi::cif::Document& document);

}  // namespace beadmap

#endif
