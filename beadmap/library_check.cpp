#include "beadmap/library_check.hpp"

#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <unordered_set>

#include "beadmap/input_files.hpp"
#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"
#include "beadweave/template_library.hpp"
#include "common/record_io.hpp"

namespace beadmap {

using beadweave::TemplateLibrary;

namespace {

// A library is a file of some kilobytes: a device, or a file larger than any
// text input, is refused before the reader, which would take it without end.
void refuse_what_is_not_a_library(const std::string& library_path) {
  struct stat status {};
  if (::stat(library_path.c_str(), &status) != 0) return;  // the reader says why
  if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) {
    throw Refusal("the template library cannot be used: " + printable(library_path) +
                  " is not a file");
  }
  if (S_ISREG(status.st_mode) && static_cast<std::size_t>(status.st_size) > largest_text_file) {
    throw Refusal("the template library cannot be used: " + printable(library_path) +
                  " holds more than " + std::to_string(largest_text_file >> 20) + " MiB");
  }
}

}  // namespace

LoadedLibrary load_template_library(const std::string& library_path) {
  refuse_what_is_not_a_library(library_path);
  LoadedLibrary library{std::make_unique<TemplateLibrary>(), library_path, false};
  try {
    library.holds_more = beadweave::load_library_file(*library.templates, library_path);
  } catch (const rio::IoError& error) {
    std::string message = "the template library cannot be used: " + std::string(error.what());
    if (error.os_error != 0) message += " (" + std::string(std::strerror(error.os_error)) + ")";
    throw Refusal(message);
  }
  return library;
}

namespace {

std::string trimmed(const beadweave::Name& name) {
  std::string text(name.data(), name.size());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string mapped_bead_names(const CgResidue& residue) {
  std::string names;
  for (const CgBead& bead : residue.beads) names += (names.empty() ? "" : " ") + bead.name;
  return std::to_string(residue.beads.size()) + " beads (" + names + ")";
}

std::string template_bead_names(const TemplateLibrary& library, int type) {
  std::string names;
  for (int bead = 1; bead <= library.NBEADS[type] && bead <= beadweave::max_template_beads;
       ++bead) {
    names += (names.empty() ? "" : " ") + trimmed(library.ATOMNAME[type][bead]);
  }
  return std::to_string(library.NBEADS[type]) + " beads (" + names + ")";
}

bool beads_agree(const TemplateLibrary& library, int type, const CgResidue& residue) {
  if (library.NBEADS[type] != static_cast<std::int32_t>(residue.beads.size())) return false;
  for (std::size_t k = 0; k < residue.beads.size(); ++k) {
    if (library.ATOMNAME[type][k + 1] != rio::fixed_text<3>(residue.beads[k].name)) return false;
  }
  return true;
}

void check_residue(const LoadedLibrary& loaded, const CgResidue& residue) {
  const TemplateLibrary& library = *loaded.templates;
  const std::string& library_path = loaded.name;
  const std::string label = "residue " + residue_label(residue.name, residue.place);
  const int type = beadweave::matching_type(library, rio::fixed_text<3>(residue.name));
  if (type == 0) {
    throw Refusal(label + ": no template of " + library_path + " is named " + residue.name +
                  (loaded.holds_more ? " (the file holds more than the " +
                                           std::to_string(beadweave::template_count) +
                                           " templates beadweave reads; the others are never read)"
                                     : ""));
  }
  if (!beads_agree(library, type, residue)) {
    throw Refusal(label + ": the mapping gives " + mapped_bead_names(residue) + ", template " +
                  residue.name + " of " + library_path + " has " +
                  template_bead_names(library, type));
  }
}

}  // namespace

void check_against_library(const CgStructure& structure, const LoadedLibrary& library) {
  std::unordered_set<std::string> names_checked;
  for (const CgResidue& residue : structure.residues) {
    if (names_checked.insert(residue.name).second) check_residue(library, residue);
  }
}

void check_against_library(const CgStructure& structure, const std::string& library_path) {
  check_against_library(structure, load_template_library(library_path));
}

}  // namespace beadmap
