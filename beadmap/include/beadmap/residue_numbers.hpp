// Residue number -999 as the entry writes it. The structure library takes
// -999 for "no number", so that a residue numbered -999 and one without a
// number look alike once read; the input text tells them apart, and a
// residue whose -999 was written is marked as numbered.
#ifndef BEADMAP_RESIDUE_NUMBERS_HPP
#define BEADMAP_RESIDUE_NUMBERS_HPP

#include <gemmi/cifdoc.hpp>
#include <gemmi/model.hpp>
#include <vector>

namespace beadmap {

// Whether the residue has a number: one the library holds, or -999 as
// written in the entry.
bool has_residue_number(const gemmi::Residue& residue);

// Marks the residues of `structure` that the library holds without a number
// but whose records write -999 in the residue-number field: PDB columns
// 23-26 of the ATOM and HETATM records of `pdb_text` (lines padded to the
// columns read), or the _atom_site.auth_seq_id values of `document`. A
// residue (by chain, name and insertion code) that the entry writes both
// with -999 and without a number stays without one.
void mark_written_minus_999(const std::vector<char>& pdb_text, gemmi::Structure& structure);
void mark_written_minus_999(gemmi::cif::Document& document, gemmi::Structure& structure);

}  // namespace beadmap

#endif
