#include "beadmap/cif_value_checks.hpp"

#include <string>

#include "beadmap/number_range.hpp"
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
}

}  // namespace beadmap
