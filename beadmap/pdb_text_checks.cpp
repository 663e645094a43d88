#include "beadmap/pdb_text_checks.hpp"

#include <cctype>
#include <string>
#include <string_view>

#include "beadmap/number_range.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {
namespace {

// A numeric field of a record: its first column (1-based) and its width.
struct NumberColumns {
  std::size_t first = 0;
  std::size_t width = 0;
};
constexpr NumberColumns dbref2_numbers[] = {{46, 10}, {58, 10}};

// The library takes a record by its first four letters, in either case,
// and a DBREF2 by the sixth column.
bool is_dbref2(std::string_view line) {
  constexpr std::string_view name = "DBRE";
  if (line.size() < 6 || line[5] != '2') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(line[i])) != name[i]) return false;
  }
  return true;
}

void check_dbref2(std::string_view line, std::size_t line_number) {
  for (const NumberColumns& field : dbref2_numbers) {
    if (line.size() < field.first - 1 + field.width) continue;
    const std::string_view value = line.substr(field.first - 1, field.width);
    if (number_fits_int(value)) continue;
    const std::size_t start = value.find_first_not_of(' ');
    throw Refusal("line " + std::to_string(line_number) + ": DBREF2 columns " +
                  std::to_string(field.first) + "-" +
                  std::to_string(field.first + field.width - 1) + " hold " +
                  number_beyond_int(value.substr(start, value.find_last_not_of(' ') + 1 - start)));
  }
}

}  // namespace

void refuse_pdb_numbers_beyond_int(const std::vector<char>& text) {
  const std::string_view all(text.data(), text.size());
  std::size_t line_number = 0;
  for (std::size_t start = 0; start < all.size();) {
    std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    ++line_number;
    const std::string_view line = all.substr(start, end - start);
    if (is_dbref2(line)) check_dbref2(line, line_number);
    start = end + 1;
  }
}

}  // namespace beadmap
