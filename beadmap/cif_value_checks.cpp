#include "beadmap/cif_value_checks.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "beadmap/number_range.hpp"
#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {
namespace {

// The items the structure library reads as int numbers.
constexpr const char* integer_items[] = {
    "_atom_site.id",
    "_atom_site.label_seq_id",
    "_atom_site.auth_seq_id",
    "_atom_site.pdbx_formal_charge",
    "_atom_site.pdbx_tls_group_id",
    "_struct_conf.beg_auth_seq_id",
    "_struct_conf.end_auth_seq_id",
    "_struct_conf.pdbx_PDB_helix_class",
    "_struct_conf.pdbx_PDB_helix_length",
    "_struct_sheet_range.beg_auth_seq_id",
    "_struct_sheet_range.end_auth_seq_id",
    "_pdbx_struct_sheet_hbond.range_1_auth_seq_id",
    "_pdbx_struct_sheet_hbond.range_2_auth_seq_id",
    "_struct_conn.ptnr1_auth_seq_id",
    "_struct_conn.ptnr2_auth_seq_id",
    "_struct_conn.ptnr1_label_seq_id",
    "_struct_conn.ptnr2_label_seq_id",
    "_struct_mon_prot_cis.auth_seq_id",
    "_struct_ref_seq.seq_align_beg",
    "_struct_ref_seq.seq_align_end",
    "_struct_ref_seq.db_align_beg",
    "_struct_ref_seq.db_align_end",
    "_struct_ref_seq.pdbx_auth_seq_align_beg",
    "_struct_ref_seq.pdbx_auth_seq_align_end",
    "_entity_poly_seq.num",
    "_pdbx_struct_assembly.oligomeric_count",
    "_pdbx_sifts_xref_db.seq_id",
    "_pdbx_sifts_xref_db.unp_num",
    "_refine.ls_number_reflns_obs",
    "_reflns.number_obs",
    "_exptl.crystals_number",
    "_software.pdbx_ordinal",
};

constexpr const char* operator_expression = "_pdbx_struct_assembly_gen.oper_expression";

// The most operators a range of an operator expression ("(1-60)") may
// name: the library makes each, one by one.
constexpr std::int64_t most_operators = 100000;

// The number the library reads at `text` (blanks, then digits, no sign),
// as it would be without overflow.
std::int64_t unsigned_number_at(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), std::int64_t{INT_MAX} + 1);
  }
  return value;
}

// Refuses an operator expression whose ranges the library would count
// past the largest int, or through more than most_operators operators:
// its parts as it takes them (within the first parentheses, split at
// commas; a part with a minus is a range of numbers).
void check_operator_expression(const std::string& expression) {
  const std::string_view text = expression;
  std::size_t start = 0;
  std::size_t close = std::string_view::npos;
  if (!text.empty() && text[0] == '(') {
    start = 1;
    close = text.find(')');
  }
  std::int64_t operators = 0;
  while (true) {
    const std::size_t separator = std::min(text.find(',', start), close);
    const std::size_t minus = text.find('-', start);
    if (minus < separator) {
      const std::int64_t first = unsigned_number_at(text.substr(start));
      const std::int64_t last = unsigned_number_at(text.substr(minus + 1));
      if (first > INT_MAX || last > INT_MAX) {
        throw Refusal(std::string(operator_expression) + " " + number_beyond_int(expression));
      }
      if (last == INT_MAX) {
        throw Refusal(std::string(operator_expression) + " " + printable(expression) +
                      ": a range up to " + std::to_string(INT_MAX) +
                      ", past which the reader would count");
      }
      operators += std::max<std::int64_t>(0, last - first + 1);
      if (operators > most_operators) {
        throw Refusal(std::string(operator_expression) + " " + printable(expression) +
                      ": more than " + std::to_string(most_operators) + " operators");
      }
    }
    if (separator == close || separator == std::string_view::npos) return;
    start = separator + 1;
  }
}

}  // namespace

void refuse_cif_numbers_beyond_int(gemmi::cif::Document& document) {
  if (document.blocks.empty()) return;
  gemmi::cif::Block& block = document.blocks.front();
  for (const char* tag : integer_items) {
    for (const std::string& value : block.find_values(tag)) {
      const std::string text = gemmi::cif::as_string(value);
      if (!number_fits_int(text)) throw Refusal(std::string(tag) + " " + number_beyond_int(text));
    }
  }
  for (const std::string& value : block.find_values(operator_expression)) {
    check_operator_expression(gemmi::cif::as_string(value));
  }
}

}  // namespace beadmap
