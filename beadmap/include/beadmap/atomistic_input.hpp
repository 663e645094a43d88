// Reading the atomistic entry: PDB, mmCIF or mmJSON, gzip-compressed or not,
// from a file or from standard input, by the structural-biology library.
#ifndef BEADMAP_ATOMISTIC_INPUT_HPP
#define BEADMAP_ATOMISTIC_INPUT_HPP

#include <gemmi/model.hpp>
#include <optional>
#include <string>

namespace beadmap {

// The format a --format word names ("pdb", "cif", "json"); std::nullopt
// for any other word.
std::optional<gemmi::CoorFormat> format_named(const std::string& word);

struct AtomisticEntry {
  gemmi::Structure structure;
  // A PDB file whose columns 73-80 hold what the reader refuses (the
  // sequence numbers of old files) is read without them; this says so, for
  // the user ("columns 73-80 of old.pdb ignored (...)"). Empty when the file
  // was read whole.
  std::string note;
};

// The input as messages name it: its path, or "standard input" for "-".
std::string shown_input_name(const std::string& path);

// Reads the whole entry at `path` ("-": standard input) in `format`, or in
// the format its name's extension gives (for standard input, its content).
// A missing or unreadable file, a cut or damaged compressed one, an unknown
// format, a file the library cannot parse or one without any model is
// refused.
AtomisticEntry read_atomistic(const std::string& path,
                              std::optional<gemmi::CoorFormat> format = std::nullopt);

// The model named `number` (as its MODEL record or model number gives it),
// or the first model; a number the entry lacks is refused, naming those it
// has.
const gemmi::Model& choose_model(const gemmi::Structure& entry,
                                 const std::optional<std::string>& number);

}  // namespace beadmap

#endif
