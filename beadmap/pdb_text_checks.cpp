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

// A DBREF2 the library takes by its first four letters and its sixth column.
bool is_dbref2(std::string_view line) {
  return record_name_is(line, "DBRE") && line.size() >= 6 && line[5] == '2';
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

bool record_name_is(std::string_view line, std::string_view name) {
  if (line.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(line[i])) != name[i]) return false;
  }
  return true;
}

void refuse_pdb_numbers_beyond_int(const std::vector<char>& text) {
  for_each_line(std::string_view(text.data(), text.size()),
                [](std::string_view line, std::size_t number) {
                  if (is_dbref2(line)) check_dbref2(line, number);
                });
}

}  // namespace beadmap
