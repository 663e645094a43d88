#include "run_beadmap.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "beadmap/atomistic_input.hpp"
#include "beadmap/backbone_gaps.hpp"
#include "beadmap/cg_writer.hpp"
#include "beadmap/chain_contents.hpp"
#include "beadmap/input_files.hpp"
#include "beadmap/library_check.hpp"
#include "beadmap/mapping.hpp"
#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"
#include "beadmap/residue_selection.hpp"
#include "safe_output.hpp"

namespace beadmap {
namespace {

void report(const std::string& line) {
  std::fprintf(stderr, "beadmap: %s\n", printable(line).c_str());
}

void report_residues(const Selection& selection) {
  for (const std::string& line :
       residue_reports(selection.chain_name, selection.skipped, selection.incomplete,
                       selection.unmapped_segments, selection.structure)) {
    report(line);
  }
}

void report_gaps(const CgStructure& structure, const std::vector<BackboneGap>& gaps,
                 const std::string& chain) {
  for (const BackboneGap& gap : gaps) {
    report("chain " + chain + ": gap of " + describe_gap(structure, gap) +
           " (beadweave bonds them all the same)");
  }
}

// Fails early on an output that exists; placing the file checks again.
void refuse_existing(const std::string& path) {
  if (::access(path.c_str(), F_OK) == 0) refuse_existing_output(path);
}

// Takes a placed output back; when the file it replaced cannot be put back,
// says where that file and the new one now are.
void take_back(PendingFile& file) {
  const std::string where = file.withdraw();
  if (!where.empty()) report(where);
}

// Puts the outputs in place, then has `report` say what they hold: a report
// that cannot be written takes them back (the files are as they were, as
// exit status 1 says), and so does a second file that cannot be placed.
void write_outputs(const Arguments& arguments, const std::string& structure_text,
                   const std::optional<std::string>& posre_text,
                   const std::function<void()>& report) {
  PendingFile structure_file(arguments.output, structure_text);
  std::optional<PendingFile> posre_file;
  if (posre_text) posre_file.emplace(*arguments.posre, *posre_text);
  structure_file.place(arguments.force);
  try {
    if (posre_file) posre_file->place(arguments.force);
  } catch (...) {
    take_back(structure_file);
    throw;
  }
  report();
  if (std::fflush(stdout) != 0) {
    if (posre_file) take_back(*posre_file);
    take_back(structure_file);
    throw Refusal("cannot write to standard output");
  }
}

// The entry as the command line asks it read, and how its residues are taken.
AtomisticEntry read_entry(const Arguments& arguments) {
  const auto format = arguments.format ? format_named(*arguments.format) : std::nullopt;
  AtomisticEntry entry = read_atomistic(arguments.input, format);
  if (!entry.note.empty()) report(entry.note);
  return entry;
}

SelectionOptions selection_options(const Arguments& arguments) {
  return beadmap::selection_options(arguments.skip_incomplete, arguments.altloc, arguments.model);
}

// One line a chain of the model: what it holds, and the beads it maps to.
void list_chains(const Arguments& arguments) {
  const Mapping mapping = load_mapping(arguments.mapping);
  const AtomisticEntry entry = read_entry(arguments);
  const gemmi::Model& model = choose_model(entry.structure, arguments.model);
  const SelectionOptions options = selection_options(arguments);
  for (const std::string& name : chain_names(model)) {
    const ChainContents contents = chain_contents(model, name, mapping);
    std::size_t beads = 0;
    std::size_t left_out = 0;  // residues of later segments, which are not mapped
    if (holds_amino_acid(model, name, mapping)) {
      const Selection selection = select_residues(model, name, mapping, options);
      beads = bead_count(selection.structure);
      for (const UnmappedSegment& segment : selection.unmapped_segments)
        left_out += segment.residues;
    }
    std::printf(
        "chain %s: %zu residues (protein %zu, nucleic acid %zu, water %zu, other %zu) -> %zu "
        "beads%s\n",
        chain_label(name).c_str(), contents.residues(), contents.amino_acids,
        contents.nucleic_acids, contents.waters, contents.others, beads,
        left_out == 0
            ? ""
            : (" (" + std::to_string(left_out) + " residues of later segments left out)").c_str());
  }
}

}  // namespace

void run_beadmap(const Arguments& arguments) {
  if (arguments.action == Arguments::Action::list) return list_chains(arguments);
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
    const AtomisticEntry entry = read_entry(arguments);
    return select_residues(choose_model(entry.structure, arguments.model), arguments.chain, mapping,
                           selection_options(arguments));
  }();
  const CgStructure& structure = selection.structure;
  const std::string chain = chain_label(selection.chain_name);
  report_residues(selection);
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
  write_outputs(arguments, structure_text, posre_text, [&] {
    std::printf(
        "beadmap: %s chain %s: %zu residues, %zu beads (skipped residues: %zu, incomplete "
        "residues: %zu, gaps: %zu) -> %s%s%s\n",
        shown_input_name(arguments.input).c_str(), chain.c_str(), structure.residues.size(),
        bead_count(structure), selection.skipped.size(), selection.incomplete.size(), gaps.size(),
        printable(arguments.output).c_str(), arguments.posre ? ", " : "",
        arguments.posre ? printable(*arguments.posre).c_str() : "");
  });
}

}  // namespace beadmap
