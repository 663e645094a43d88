#include "run_beadbuild.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "beadmap/atomistic_input.hpp"
#include "beadmap/cg_writer.hpp"
#include "beadmap/input_files.hpp"
#include "beadmap/library_check.hpp"
#include "beadmap/printable_text.hpp"
#include "beadmap/refusal.hpp"
#include "beadweave/molecule_topology.hpp"
#include "builtin_data.hpp"
#include "chain_mapping.hpp"
#include "common/record_io.hpp"
#include "forcefield.hpp"
#include "molecules.hpp"
#include "run_parameters.hpp"
#include "system_directory.hpp"
#include "system_files.hpp"
#include "system_layout.hpp"

namespace beadbuild {
namespace {

using beadmap::Refusal;
using Molecules = std::vector<std::unique_ptr<Molecule>>;

void report(const std::string& line) {
  std::fprintf(stderr, "beadbuild: %s\n", beadmap::printable(line).c_str());
}

using Library = beadmap::LoadedLibrary;

Library load_library(const std::optional<std::string>& path) {
  if (path) return beadmap::load_template_library(*path);
  auto templates = std::make_unique<beadweave::TemplateLibrary>();
  beadweave::load_library_text(*templates, default_library_text());
  return {std::move(templates), std::string(default_library_source), false};
}

struct ForceField {
  std::string file_name;  // in the system directory
  std::string text;
};

ForceField load_forcefield(const std::optional<std::string>& path,
                           const beadweave::TemplateLibrary& library) {
  ForceField forcefield{std::string(default_forcefield_file),
                        std::string(default_forcefield_text())};
  if (path) {
    forcefield = {std::filesystem::path(*path).filename().string(), beadmap::read_text_file(*path)};
  }
  const auto missing = missing_atom_types(forcefield.text, library);
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) {
      names += ' ';
      names += name;
    }
    throw Refusal("the force field " + (path ? *path : forcefield.file_name) +
                  " declares no atom type for the library's bead types:" + names);
  }
  return forcefield;
}

// One line of plain text: the entry's title, or its file's name.
std::string system_title(const gemmi::Structure& entry, const std::string& fallback) {
  std::string title = entry.get_info("_struct.title");
  for (char& c : title) {
    if (std::iscntrl(static_cast<unsigned char>(c)) != 0) c = ' ';
  }
  const auto first = title.find_first_not_of(' ');
  if (first == std::string::npos) return fallback;
  return title.substr(first, title.find_last_not_of(' ') - first + 1);
}

void report_chains(const EntryChains& chains, const Library& library) {
  for (const LeftOutChain& chain : chains.left_out) {
    report("chain " + beadmap::chain_label(chain.name) + " left out: no standard amino acid (" +
           chain.contents + ")");
  }
  for (const MappedChain& chain : chains.mapped) {
    for (const std::string& line :
         beadmap::residue_reports(chain.name, chain.skipped, chain.incomplete,
                                  chain.unmapped_segments, chain.structure)) {
      report(line);
    }
    beadmap::check_against_library(chain.structure, library);
  }
}

void report_breaks(const std::vector<MappedChain>& chains, bool bond_gaps) {
  for (const MappedChain& chain : chains) {
    for (const beadmap::BackboneGap& gap : chain.breaks) {
      report("chain " + beadmap::chain_label(chain.name) + ": break of " +
             beadmap::describe_gap(chain.structure, gap) +
             (bond_gaps ? " (bonded all the same: --bond-gaps)" : " (no backbone bond across it)"));
    }
  }
}

// The molecule's include file, written by the topology writer through the
// record I/O layer, all lines handed over at its close.
void write_molecule(const PendingDirectory& directory, const Molecule& molecule,
                    const BuildArguments& arguments, const beadweave::TemplateLibrary& library) {
  const beadweave::TopologyTarget target{beadweave::topology_unit, molecule.name,
                                         restraint_file_name(molecule)};
  beadweave::FixedAnswers answers(arguments.i4_force_constant,
                                  {arguments.network_force_constant, arguments.network_cutoff});
  const beadweave::Protein protein{library, molecule.tables, molecule.assignment};
  // The writer ends a run the way beadweave's ends: its diagnostic is
  // printed, and the status says that it failed.
  const int status = rio::run_program("beadbuild", [&] {
    rio::open(target.unit, directory.path_of(topology_file_name(molecule)),
              rio::OpenStatus::new_file);
    rio::set_block_output(target.unit, true);
    beadweave::write_molecule_topology(target, protein, molecule.pieces, answers);
    rio::close(target.unit);
  });
  if (status != 0) throw Refusal("cannot write " + topology_file_name(molecule));
}

// The force field keeps its file name in the directory, which must not be
// the name of another file there.
void check_forcefield_name(const ForceField& forcefield, const Molecules& molecules) {
  std::vector<std::string> taken{"topol.top", "conf.gro", "system.pdb", "em.mdp", "md.mdp"};
  for (const auto& molecule : molecules) {
    taken.push_back(topology_file_name(*molecule));
    taken.push_back(restraint_file_name(*molecule));
  }
  if (std::find(taken.begin(), taken.end(), forcefield.file_name) != taken.end()) {
    throw Refusal("the force field's file name " + forcefield.file_name +
                  " is the name of another file of the system; copy it under another name");
  }
}

void write_system(const PendingDirectory& directory, const Molecules& molecules,
                  const BuildArguments& arguments, const Library& library,
                  const ForceField& forcefield, const std::string& title) {
  directory.write_file(forcefield.file_name, forcefield.text);
  for (const auto& molecule : molecules) {
    write_molecule(directory, *molecule, arguments, *library.templates);
    if (arguments.posre) {
      directory.write_file(
          restraint_file_name(*molecule),
          beadmap::format_position_restraints(molecule->structure, topology_file_name(*molecule)));
    }
  }
  const Box box = centred_box(molecules, arguments.box_margin);
  directory.write_file("topol.top", format_system_topology(molecules, forcefield.file_name, title));
  directory.write_file("conf.gro", format_gro(molecules, box, title));
  directory.write_file("system.pdb", format_system_pdb(molecules, box, title));
  directory.write_file("em.mdp", minimisation_parameters());
  directory.write_file("md.mdp", dynamics_parameters());
}

void print_summary(const BuildArguments& arguments, const EntryChains& chains,
                   const Molecules& molecules) {
  std::size_t skipped = 0;
  std::size_t incomplete = 0;
  std::size_t breaks = 0;
  std::size_t beads = 0;
  for (const MappedChain& chain : chains.mapped) {
    skipped += chain.skipped.size();
    incomplete += chain.incomplete.size();
    breaks += chain.breaks.size();
  }
  for (const auto& molecule : molecules) {
    std::string names;
    for (const MappedChain* chain : molecule->chains) {
      names += ' ';
      names += beadmap::chain_label(chain->name);
    }
    std::printf("beadbuild: %-13s chain%s%s: %d residues, %d beads\n", molecule->name.c_str(),
                molecule->chains.size() > 1 ? "s" : "", names.c_str(),
                molecule->tables.residue_count, molecule->tables.bead_count);
    beads += static_cast<std::size_t>(molecule->tables.bead_count);
  }
  std::printf(
      "beadbuild: %s: %zu molecule%s, %zu beads (chains left out: %zu, skipped residues: %zu, "
      "incomplete residues: %zu, breaks: %zu) -> %s/\n",
      beadmap::printable(arguments.entry).c_str(), molecules.size(),
      molecules.size() == 1 ? "" : "s", beads, chains.left_out.size(), skipped, incomplete, breaks,
      beadmap::printable(arguments.output).c_str());
}

beadmap::SelectionOptions selection_options(const BuildArguments& arguments) {
  return beadmap::selection_options(arguments.skip_incomplete, arguments.altloc, arguments.model);
}

}  // namespace

void run_beadbuild(const BuildArguments& arguments) {
  rio::set_tag("beadbuild");
  check_destination(arguments.output, arguments.force);
  const beadmap::Mapping mapping = beadmap::load_mapping(arguments.mapping);
  const Library library = load_library(arguments.library);
  const ForceField forcefield = load_forcefield(arguments.forcefield, *library.templates);
  const beadmap::AtomisticEntry read = beadmap::read_atomistic(
      arguments.entry, arguments.format ? beadmap::format_named(*arguments.format) : std::nullopt);
  if (!read.note.empty()) report(read.note);
  const gemmi::Structure& entry = read.structure;
  const EntryChains chains = map_chains(beadmap::choose_model(entry, arguments.model),
                                        arguments.chains, mapping, selection_options(arguments));
  report_chains(chains, library);
  const Molecules molecules =
      build_molecules(chains.mapped, {arguments.merges, arguments.merge_all, arguments.bond_gaps},
                      *library.templates);
  report_breaks(chains.mapped, arguments.bond_gaps);
  check_forcefield_name(forcefield, molecules);
  const std::string title = system_title(entry, default_output_directory(arguments.entry));
  PendingDirectory directory(arguments.output, arguments.force);
  write_system(directory, molecules, arguments, library, forcefield, title);
  // The summary goes out before the directory takes its name: a run whose
  // report cannot be written places nothing.
  print_summary(arguments, chains, molecules);
  if (std::fflush(stdout) != 0) throw Refusal("cannot write to standard output");
  directory.place();
}

}  // namespace beadbuild
