#include "beadmap/atomistic_input.hpp"

#include <algorithm>
#include <cctype>
#include <exception>
#include <gemmi/mmread.hpp>
#include <gemmi/pdb.hpp>
#include <vector>

#include "beadmap/cif_reading.hpp"
#include "beadmap/cif_value_checks.hpp"
#include "beadmap/entry_text.hpp"
#include "beadmap/pdb_text_checks.hpp"
#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"
#include "beadmap/residue_numbers.hpp"

namespace beadmap {
namespace {

// The columns of a PDB record that the old layout used for sequence numbers.
constexpr int pdb_columns_read_when_old = 72;

gemmi::CoorFormat format_of(const std::string& path, const std::vector<char>& text) {
  if (path == "-") {
    const gemmi::CoorFormat format =
        gemmi::coor_format_from_content(text.data(), text.data() + text.size());
    if (format != gemmi::CoorFormat::Unknown) return format;
    throw Refusal("standard input: unknown format (give --format pdb, cif or json)");
  }
  std::string base = path;
  if (base.size() > 3 && gemmi::iends_with(base, ".gz")) base.resize(base.size() - 3);
  const gemmi::CoorFormat format = gemmi::coor_format_from_ext(base);
  if (format == gemmi::CoorFormat::Unknown) {
    throw Refusal(path +
                  ": unknown format (the name must end in .pdb, .ent, .cif, .mmcif or "
                  ".json, each optionally followed by .gz; or give --format)");
  }
  return format;
}

// The PDB text with every line blank-padded to the columns the structure
// library may read (some of its record readers look past the end of a short
// line), and without carriage returns: the same records for it, read within
// the text.
std::vector<char> padded_pdb_text(const std::vector<char>& text) {
  constexpr std::size_t columns_read = 88;
  std::vector<char> padded;
  padded.reserve(text.size() + text.size() / 8 + columns_read);
  for_each_line(std::string_view(text.data(), text.size()),
                [&padded](std::string_view line, std::size_t) {
                  if (line.ends_with('\r')) line.remove_suffix(1);
                  padded.insert(padded.end(), line.begin(), line.end());
                  if (line.size() < columns_read) {
                    padded.resize(padded.size() + columns_read - line.size(), ' ');
                  }
                  padded.push_back('\n');
                });
  return padded;
}

gemmi::Structure read_pdb(std::vector<char>& text, const std::string& name, std::string& note) {
  text = padded_pdb_text(text);
  refuse_pdb_numbers_beyond_int(text);
  gemmi::Structure structure;
  try {
    structure = gemmi::read_pdb_from_memory(text.data(), text.size(), name);
  } catch (const std::exception& whole_lines) {
    // Old files carry other text in columns 73-80, which the mapping
    // needs none of.
    gemmi::PdbReadOptions options;
    options.max_line_length = pdb_columns_read_when_old;
    structure = gemmi::read_pdb_from_memory(text.data(), text.size(), name, options);
    note = "columns 73-80 of " + name + " ignored (" + whole_lines.what() + ")";
  }
  mark_written_minus_999(text, structure);
  return structure;
}

// The structure of an mmCIF or mmJSON document, its values checked first.
gemmi::Structure build_structure(gemmi::cif::Document document, gemmi::CoorFormat format) {
  refuse_cif_numbers_beyond_int(document);
  gemmi::Structure structure = format == gemmi::CoorFormat::Mmjson
                                   ? gemmi::make_structure(document)
                                   : gemmi::make_structure_from_doc(document, true);
  mark_written_minus_999(document, structure);
  return structure;
}

AtomisticEntry parse(std::vector<char>& text, const std::string& name, gemmi::CoorFormat format) {
  AtomisticEntry entry;
  switch (format) {
    case gemmi::CoorFormat::Pdb:
      entry.structure = read_pdb(text, name, entry.note);
      break;
    case gemmi::CoorFormat::Mmjson:
      entry.structure =
          build_structure(gemmi::cif::read_mmjson_insitu(text.data(), text.size(), name), format);
      break;
    default:
      entry.structure = build_structure(read_cif_document(text, name), format);
      break;
  }
  return entry;
}

}  // namespace

std::string shown_input_name(const std::string& path) {
  return path == "-" ? "standard input" : printable(path);
}

std::optional<gemmi::CoorFormat> format_named(const std::string& word) {
  if (word == "pdb") return gemmi::CoorFormat::Pdb;
  if (word == "cif") return gemmi::CoorFormat::Mmcif;
  if (word == "json") return gemmi::CoorFormat::Mmjson;
  return std::nullopt;
}

AtomisticEntry read_atomistic(const std::string& path, std::optional<gemmi::CoorFormat> format) {
  if (path != "-" && !format) format_of(path, {});  // an unknown name fails before the read
  std::vector<char> text = read_entry_text(path);
  // The structure library's own word on an empty text is of no help.
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; })) {
    throw Refusal(shown_input_name(path) + " is empty: it holds no model with atoms");
  }
  const gemmi::CoorFormat chosen = format ? *format : format_of(path, text);
  AtomisticEntry entry;
  try {
    entry = parse(text, shown_input_name(path), chosen);
  } catch (const std::exception& error) {
    throw Refusal("cannot read " + shown_input_name(path) + ": " + error.what());
  }
  if (entry.structure.models.empty() || entry.structure.models.front().chains.empty()) {
    throw Refusal(shown_input_name(path) + " holds no model with atoms");
  }
  return entry;
}

const gemmi::Model& choose_model(const gemmi::Structure& entry,
                                 const std::optional<std::string>& number) {
  if (!number) return entry.models.front();
  std::string names;
  for (const gemmi::Model& model : entry.models) {
    if (model.name == *number) return model;
    names += names.empty() ? "" : " ";
    names += model.name;
  }
  throw Refusal("the entry has no model " + *number + " (its models: " + names + ")");
}

}  // namespace beadmap
