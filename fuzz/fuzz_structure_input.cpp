// Fuzz target: the structure reader of beadweave, and the bead assignment
// that consumes what it read. The input is written to "pdb-CG.pdb" in a
// scratch directory and read as the program reads it; when it is read, its
// beads are cut into residues with a fixed library of 20 templates (from 0 to
// 9 beads each, with a blank name and a name of three zero characters among
// them).
// A refused read (IoError) and the stop for a bead count below 1 are the
// expected outcomes of a bad structure.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "beadweave/bead_assignment.hpp"
#include "fuzz_support.hpp"
#include "common/record_io.hpp"
#include "beadweave/structure_input.hpp"
#include "beadweave/template_library.hpp"

namespace {

struct TemplateShape {
  std::string_view name;  // exactly 3 characters
  std::int32_t beads;
};

constexpr std::array<TemplateShape, beadweave::template_count> shapes{
    {{"GLY", 1}, {"ALA", 1}, {"LYS", 3},
     {"HIS", 4}, {"TRP", 5}, {"ZER", 0},
     {"NIN", 9}, {"   ", 2}, {std::string_view("\0\0\0", 3), 1},
     {"ARG", 3}, {"ASP", 2}, {"GLY", 2},
     {"gly", 7}, {"SER", 2}, {"THR", 2},
     {"VAL", 2}, {"LEU", 2}, {"ILE", 2},
     {"MET", 2}, {"PRO", 2}}};

std::unique_ptr<beadweave::TemplateLibrary> make_library() {
  auto library = std::make_unique<beadweave::TemplateLibrary>();
  for (int type = 1; type <= beadweave::template_count; ++type) {
    const TemplateShape& shape = shapes[static_cast<std::size_t>(type - 1)];
    library->RESNAME[type] = rio::fixed_text<3>(shape.name);
    library->NBEADS[type] = shape.beads;
    for (int bead = 1; bead <= shape.beads; ++bead) {
      library->BEADTYPE[type][bead] = rio::fixed_text<3>("P5");
      library->ATOMNAME[type][bead] = rio::fixed_text<3>(bead == 1 ? "BB" : "SC");
      library->CHARGRP[type][bead] = bead / 2;  // labels 0, 1, 1, 2, 2, ...
      library->CHARBEAD[type][bead] = 0.5F * static_cast<float>(bead % 3 - 1);
    }
  }
  return library;
}

const beadweave::TemplateLibrary& library() {
  static const std::unique_ptr<beadweave::TemplateLibrary> fixed = make_library();
  return *fixed;
}

// What an accepted assignment promises the topology writer: every residue
// starts on a bead that was read, and every bead number fits the file.
void check_assignment(const beadweave::Structure& structure,
                      const beadweave::BeadAssignment& assignment) {
  for (std::int32_t i = 1; i <= structure.residue_count; ++i) {
    const std::int32_t first = assignment.BEGINRES.at(static_cast<std::size_t>(i));
    if (first < 1 || first > structure.bead_count) {
      fuzzsupport::finding("a residue starts on a bead that was not read");
    }
  }
  if (assignment.bead_counter - 1 > beadweave::max_topology_bead) {
    fuzzsupport::finding("an accepted assignment numbers beads beyond 9999");
  }
}

// Reads the structure; false when the reading ended the run.
bool structure_was_read(beadweave::Structure& structure) {
  try {
    beadweave::read_structure(structure);
    return true;
  } catch (const rio::IoError&) {
    return false;  // a bad structure: missing, short or malformed
  } catch (const std::exception&) {
    throw;  // a fault of the program: the fuzzer reports it
  } catch (...) {
    // The run's own stop: only a bead count below 1 may end the reading so.
    if (structure.bead_count >= 1) fuzzsupport::finding("the reading stopped for no reason");
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::enter_scratch_directory();
  fuzzsupport::discard_standard_output();
  library();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::write_file("pdb-CG.pdb", data, size);
  beadweave::Structure structure;
  const bool read = structure_was_read(structure);
  rio::close_all();
  if (!read) return 0;
  beadweave::BeadAssignment assignment;
  if (!beadweave::assign_beads(library(), structure, assignment)) {
    check_assignment(structure, assignment);
  }
  return 0;
}
