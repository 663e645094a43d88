#include "run_beadmap.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "atomistic_input.hpp"
#include "backbone_gaps.hpp"
#include "cg_writer.hpp"
#include "input_files.hpp"
#include "library_check.hpp"
#include "mapping.hpp"
#include "refusal.hpp"
#include "residue_selection.hpp"
#include "safe_output.hpp"

namespace beadmap {
namespace {

void report(const std::string& line) { std::fprintf(stderr, "beadmap: %s\n", line.c_str()); }

void report_residues(const Selection& selection, const std::string& chain) {
  for (const SkippedResidue& residue : selection.skipped) {
    report("chain " + chain + ": skipped residue " + residue_label(residue.name, residue.place) +
           ": " + residue.reason);
  }
  for (const IncompleteResidue& residue : selection.incomplete) {
    report("chain " + chain + ": incomplete residue " +
           describe_incomplete(selection.structure, residue));
  }
}

void report_gaps(const CgStructure& structure, const std::vector<BackboneGap>& gaps,
                 const std::string& chain) {
  for (const BackboneGap& gap : gaps) {
    const CgResidue& before = structure.residues[gap.residue_before];
    const CgResidue& after = structure.residues[gap.residue_before + 1];
    char distance[32];
    std::snprintf(distance, sizeof distance, "%.2f", gap.distance);
    report("chain " + chain + ": gap of " + std::string(distance) + " angstrom between the backbone beads of " +
           residue_label(before.name, before.place) + " and " +
           residue_label(after.name, after.place) + " (beadweave bonds them all the same)");
  }
}

// Fails early on an output that exists; placing the file checks again.
void refuse_existing(const std::string& path) {
  if (::access(path.c_str(), F_OK) == 0) refuse_existing_output(path);
}

void write_outputs(const Arguments& arguments, const std::string& structure_text,
                   const std::optional<std::string>& posre_text) {
  PendingFile structure_file(arguments.output, structure_text);
  std::optional<PendingFile> posre_file;
  if (posre_text) posre_file.emplace(*arguments.posre, *posre_text);
  structure_file.place(arguments.force);
  if (!posre_file) return;
  try {
    posre_file->place(arguments.force);
  } catch (...) {
    structure_file.withdraw();
    throw;
  }
}

}  // namespace

void run_beadmap(const Arguments& arguments) {
  if (arguments.posre && name_one_entry(*arguments.posre, arguments.output)) {
    throw Refusal("the structure and the position restraints cannot both go to " +
                  arguments.output);
  }
  if (!arguments.force) {
    refuse_existing(arguments.output);
    if (arguments.posre) refuse_existing(*arguments.posre);
  }
  const Mapping mapping = load_mapping(arguments.mapping);
  const Selection selection = [&] {
    const gemmi::Structure entry = read_atomistic(arguments.input);
    return select_residues(entry, arguments.chain, mapping,
                           arguments.skip_incomplete ? IncompleteResidues::skip : IncompleteResidues::keep);
  }();
  const CgStructure& structure = selection.structure;
  const std::string chain = selection.chain_name.empty() ? "(blank)" : selection.chain_name;
  report_residues(selection, chain);
  if (structure.residues.empty())
    throw Refusal("no residue of chain " + chain + " could be mapped");
  check_against_library(structure, arguments.library);
  const std::string structure_text = format_cg_structure(structure);
  std::optional<std::string> posre_text;
  if (arguments.posre) posre_text = format_position_restraints(structure);
  if (selection.chain_name.size() > 1) {
    report("chain name " + selection.chain_name + " is longer than its column; left blank");
  }
  const auto gaps = find_backbone_gaps(structure);
  report_gaps(structure, gaps, chain);
  write_outputs(arguments, structure_text, posre_text);
  std::printf(
      "beadmap: %s chain %s: %zu residues, %zu beads (skipped residues: %zu, incomplete residues: "
      "%zu, gaps: %zu) -> %s%s%s\n",
      arguments.input.c_str(), chain.c_str(), structure.residues.size(), bead_count(structure),
      selection.skipped.size(), selection.incomplete.size(), gaps.size(), arguments.output.c_str(), arguments.posre ? ", " : "",
      arguments.posre ? arguments.posre->c_str() : "");
}

}  // namespace beadmap
