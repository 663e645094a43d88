// Reading an mmCIF text into a document (values kept as text) by the
// structure library, with a clear word on text it cannot read.
#ifndef BEADMAP_CIF_READING_HPP
#define BEADMAP_CIF_READING_HPP

#include <gemmi/cifdoc.hpp>
#include <string>
#include <vector>

namespace beadmap {

// The document of `text`. An unquoted value with bytes outside printable
// ASCII (UTF-8 text, control characters), which
// mmCIF syntax does not allow and the library refuses, is refused (Refusal)
// naming the value, its item and its line ("chain "é" (_atom_site.auth_asym_id,
// line 22): ..."); any other text the library cannot read, with its message.
gemmi::cif::Document read_cif_document(const std::vector<char>& text, const std::string& name);

}  // namespace beadmap

#endif
