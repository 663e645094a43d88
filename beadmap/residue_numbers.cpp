#include "beadmap/residue_numbers.hpp"

#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "beadmap/pdb_text_checks.hpp"

namespace beadmap {
namespace {

// The mark a residue numbered -999 in the entry carries.
constexpr char written_minus_999 = '9';

// A residue as both the text and the structure name it.
using ResidueKey = std::tuple<std::string, std::string, char>;  // chain, name, insertion code

// The residues whose records write -999, and those that write no number.
struct WrittenNumbers {
  std::set<ResidueKey> minus_999;
  std::set<ResidueKey> absent;
};

std::string trimmed(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  return std::string(text.substr(start, text.find_last_not_of(' ') + 1 - start));
}

// The number field's text: -999 (any spelling of it), absent (blank), or
// another number.
enum class NumberText { minus_999, absent, other };
NumberText classify(std::string_view text) {
  const std::string number = trimmed(text);
  if (number.empty()) return NumberText::absent;
  std::size_t at = number[0] == '-' ? 1 : 0;
  if (at == 0) return NumberText::other;
  while (at < number.size() && number[at] == '0') ++at;
  return number.substr(at) == "999" ? NumberText::minus_999 : NumberText::other;
}

void add(WrittenNumbers& numbers, NumberText kind, ResidueKey key) {
  if (kind == NumberText::minus_999) numbers.minus_999.insert(std::move(key));
  if (kind == NumberText::absent) numbers.absent.insert(std::move(key));
}

WrittenNumbers pdb_numbers(const std::vector<char>& text) {
  WrittenNumbers numbers;
  for_each_line(std::string_view(text.data(), text.size()),
                [&numbers](std::string_view line, std::size_t) {
                  if (!(record_name_is(line, "ATOM") || record_name_is(line, "HETA"))) return;
                  if (line.size() < 27) return;
                  add(numbers, classify(line.substr(22, 4)),
                      {trimmed(line.substr(20, 2)), trimmed(line.substr(17, 3)), line[26]});
                });
  return numbers;
}

// The column of an item, or of the other one when it is missing.
int first_of(const gemmi::cif::Table& table, int preferred, int other) {
  return table.has_column(preferred) ? preferred : other;
}

WrittenNumbers cif_numbers(gemmi::cif::Document& document) {
  WrittenNumbers numbers;
  if (document.blocks.empty()) return numbers;
  enum { auth_seq, auth_asym, label_asym, auth_comp, label_comp, ins_code };
  gemmi::cif::Table atoms = document.blocks.front().find(
      "_atom_site.", {"auth_seq_id", "?auth_asym_id", "?label_asym_id", "?auth_comp_id",
                      "?label_comp_id", "?pdbx_PDB_ins_code"});
  if (!atoms.ok()) return numbers;
  const int chain = first_of(atoms, auth_asym, label_asym);
  const int name = first_of(atoms, auth_comp, label_comp);
  if (!atoms.has_column(chain) || !atoms.has_column(name)) return numbers;
  for (auto row : atoms) {
    const std::string number = gemmi::cif::as_string(row[auth_seq]);
    char insertion = row.has(ins_code) ? gemmi::cif::as_char(row[ins_code], ' ') : ' ';
    std::string digits = number;
    // Old files write the insertion code after the number ("-999A").
    if (!digits.empty() && digits.back() >= 'A') {
      if (insertion == ' ') insertion = digits.back();
      digits.pop_back();
    }
    add(numbers, classify(digits),
        {gemmi::cif::as_string(row[chain]), gemmi::cif::as_string(row[name]), insertion});
  }
  return numbers;
}

void mark(const WrittenNumbers& numbers, gemmi::Structure& structure) {
  if (numbers.minus_999.empty()) return;
  for (gemmi::Model& model : structure.models) {
    for (gemmi::Chain& chain : model.chains) {
      for (gemmi::Residue& residue : chain.residues) {
        if (residue.seqid.num.has_value()) continue;
        const ResidueKey key{chain.name, residue.name, residue.seqid.icode};
        if (numbers.minus_999.contains(key) && !numbers.absent.contains(key)) {
          residue.flag = written_minus_999;
        }
      }
    }
  }
}

}  // namespace

bool has_residue_number(const gemmi::Residue& residue) {
  return residue.seqid.num.has_value() || residue.flag == written_minus_999;
}

void mark_written_minus_999(const std::vector<char>& pdb_text, gemmi::Structure& structure) {
  mark(pdb_numbers(pdb_text), structure);
}

void mark_written_minus_999(gemmi::cif::Document& document, gemmi::Structure& structure) {
  mark(cif_numbers(document), structure);
}

}  // namespace beadmap
