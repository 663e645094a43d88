#include "forcefield.hpp"

#include <algorithm>
#include <cctype>

namespace beadbuild {
namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
    text.remove_suffix(1);
  return text;
}

// "[ atomtypes ]" -> "atomtypes".
std::string section_name(std::string_view line) {
  std::string name;
  for (const char c :
       line.substr(1, line.find(']') == std::string_view::npos ? line.npos : line.find(']') - 1)) {
    if (std::isspace(static_cast<unsigned char>(c)) == 0)
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return name;
}

}  // namespace

std::vector<std::string> declared_atom_types(std::string_view forcefield_text) {
  std::vector<std::string> types;
  bool in_atomtypes = false;
  while (!forcefield_text.empty()) {
    const std::size_t end = forcefield_text.find('\n');
    std::string_view line = forcefield_text.substr(0, end);
    forcefield_text.remove_prefix(end == std::string_view::npos ? forcefield_text.size() : end + 1);
    line = trim(line.substr(0, line.find(';')));
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      in_atomtypes = section_name(line) == "atomtypes";
      continue;
    }
    if (!in_atomtypes) continue;
    std::size_t length = 0;
    while (length < line.size() && std::isspace(static_cast<unsigned char>(line[length])) == 0)
      ++length;
    types.emplace_back(line.substr(0, length));
  }
  return types;
}

std::vector<std::string> missing_atom_types(std::string_view forcefield_text,
                                            const beadweave::TemplateLibrary& library) {
  const std::vector<std::string> declared = declared_atom_types(forcefield_text);
  std::vector<std::string> missing;
  for (int type = 1; type <= beadweave::template_count; ++type) {
    for (int bead = 1; bead <= library.NBEADS[type] && bead <= beadweave::max_template_beads;
         ++bead) {
      const std::string name(trim(std::string_view(library.BEADTYPE[type][bead].data(), 3)));
      const auto absent = [&name](const std::vector<std::string>& list) {
        return std::find(list.begin(), list.end(), name) == list.end();
      };
      if (absent(declared) && absent(missing)) missing.push_back(name);
    }
  }
  return missing;
}

}  // namespace beadbuild
