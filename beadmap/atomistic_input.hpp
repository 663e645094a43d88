// Reading the atomistic entry: PDB, mmCIF or mmJSON, gzip-compressed or not,
// from a file or from standard input, by the structural-biology library.
#ifndef BEADMAP_ATOMISTIC_INPUT_HPP
#define BEADMAP_ATOMISTIC_INPUT_HPP

#include <optional>
#include <string>

#include <gemmi/model.hpp>

namespace beadmap {

// The format a --format word names ("pdb", "cif", "json"); std::nullopt
// for any other word.
std::optional<gemmi::CoorFormat> format_named(const std::string& word);

struct AtomisticEntry {
  gemmi::Structure structure;
  // A PDB file whose columns 73-80 hold what the reader refuses (the
  // sequence numbers of old files) is read without them; the reader's
  // reason, empty when the file was read whole.
  std::string ignored_columns_reason;
};

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
const gemmi::Model& choose_model(const gemmi::Structure& entry, const std::optional<std::string>& number);

}  // namespace beadmap

#endif
