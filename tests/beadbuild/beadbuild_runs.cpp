#include "beadbuild_runs.hpp"

#include <cstdio>
#include <sstream>

namespace bbtest {

testsupport::ProcessResult run_beadbuild(const testsupport::ScratchDir& dir,
                                         const std::vector<std::string>& args) {
  return testsupport::run_process(BEADBUILD_PATH, args, dir.path());
}

std::string glycine(char chain, int number, double x, double y) {
  // N, CA, C, O around (x, y, 0): offsets that sum to zero.
  static constexpr double offsets[4][3] = {{-1, -0.5, -0.25}, {0, -0.5, -0.25}, {0, 0.5, -0.25},
                                           {1, 0.5, 0.75}};
  static constexpr const char* names[4] = {"N", "CA", "C", "O"};
  std::string text;
  for (int a = 0; a < 4; ++a) {
    char record[100];
    std::snprintf(record, sizeof record,
                  "ATOM  %5d  %-3s GLY %c%4d    %8.3f%8.3f%8.3f  1.00  0.00           %c\n",
                  number * 4 + a, names[a], chain, number, x + offsets[a][0], y + offsets[a][1],
                  offsets[a][2], names[a][0]);
    text += record;
  }
  return text;
}

std::string dimer_entry(int first_of_b) {
  std::string text;
  for (int r = 0; r < 5; ++r) text += glycine('A', r + 1, 3.8 * r, 0.0);
  text += "TER\n";
  for (int r = 0; r < 3; ++r) text += glycine('B', r + first_of_b, 3.8 * r, 6.0);
  return text + "END\n";
}

std::vector<std::string> section_lines(const std::string& topology, const std::string& section) {
  std::vector<std::string> lines;
  std::istringstream stream(topology);
  bool inside = false;
  for (std::string line; std::getline(stream, line);) {
    if (line.starts_with("[")) {
      inside = line == "[ " + section + " ]";
      continue;
    }
    const std::size_t first = line.find_first_not_of(' ');
    if (!inside || first == std::string::npos || line[first] == ';' || line[first] == '#') continue;
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::pair<int, int>> bonded_pairs(const std::string& topology,
                                              const std::string& force_constant) {
  std::vector<std::pair<int, int>> pairs;
  for (const std::string& line : section_lines(topology, "bonds")) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    if (words.size() == 5 && words[4] == force_constant) {
      pairs.emplace_back(std::stoi(words[0]), std::stoi(words[1]));
    }
  }
  return pairs;
}

std::vector<int> angle_middles(const std::string& topology) {
  std::vector<int> middles;
  for (const std::string& line : section_lines(topology, "angles")) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    if (words.size() == 6 && words[4] == "120.0" && words[5] == "40.0") {
      middles.push_back(std::stoi(words[1]));
    }
  }
  return middles;
}

}  // namespace bbtest
