// The parts of beadbuild that need no entry: names of molecules and
// directories, the command line, the force field's atom types, and
// conf.gro's numbers past five digits.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "arguments.hpp"
#include "builtin_data.hpp"
#include "forcefield.hpp"
#include "molecules.hpp"
#include "beadmap/refusal.hpp"
#include "system_files.hpp"
#include "system_layout.hpp"
#include "beadweave/template_library.hpp"

namespace beadbuild {
namespace {

TEST(Names, MoleculesAfterTheirChainsAndDirectoriesAfterTheEntry) {
  EXPECT_EQ(molecule_name({"A"}), "protein_A");
  EXPECT_EQ(molecule_name({""}), "protein");
  EXPECT_EQ(molecule_name({"AAA", "b"}), "protein_AAA_b");
  EXPECT_EQ(molecule_name({"A B", "C;1"}), "protein_A_B_C_1");
  EXPECT_EQ(molecule_name({"A", "B", "C", "D"}), "protein_A_B_C_D");
  EXPECT_EQ(molecule_name({"A", "B", "C", "D", "E"}), "protein_A_to_E");
  EXPECT_EQ(default_output_directory("/data/1ubi.pdb.gz"), "1ubi");
  EXPECT_EQ(default_output_directory("4zhl.cif"), "4zhl");
  EXPECT_EQ(default_output_directory("dir/entry"), "entry-cg");
  EXPECT_EQ(default_output_directory("dir/.gz"), "system");
  EXPECT_EQ(default_output_directory("-"), "system");
}

std::vector<const char*> words(std::initializer_list<const char*> list) { return list; }

TEST(CommandLine, DefaultsNumbersAndRefusals) {
  const BuildArguments plain = parse_build_arguments(words({"x/2xhe.pdb.gz"}));
  EXPECT_EQ(plain.output, "2xhe");
  EXPECT_EQ(plain.i4_force_constant, 40000);
  EXPECT_EQ(plain.network_force_constant, 500);
  EXPECT_EQ(plain.network_cutoff, 0.9F);
  EXPECT_EQ(plain.box_margin, 1.0);
  const BuildArguments given = parse_build_arguments(
      words({"--merge", "A,B", "e.cif", "--merge=C,D", "--i4=0", "--network-k", "700",
             "--network-cutoff", "1.2", "--chains", "D,C,B,A", "--box-margin", "2.5"}));
  EXPECT_EQ(given.merges, (std::vector<std::vector<std::string>>{{"A", "B"}, {"C", "D"}}));
  EXPECT_EQ(given.chains, (std::vector<std::string>{"D", "C", "B", "A"}));
  EXPECT_EQ(given.i4_force_constant, 0);
  EXPECT_EQ(given.network_force_constant, 700);
  EXPECT_EQ(given.network_cutoff, 1.2F);
  EXPECT_EQ(given.box_margin, 2.5);
  for (const auto& line : {words({}), words({"a.pdb", "b.pdb"}), words({"a.pdb", "--i4", "x"}),
                           words({"a.pdb", "--chains", "A,,B"}), words({"a.pdb", "--chains", "A,A"}),
                           words({"a.pdb", "--box-margin", "-1"}), words({"a.pdb", "--merge", "all", "--merge", "A"}),
                           words({"a.pdb", "-o", "x", "-o", "y"}), words({"a.pdb", "--posre=yes"}),
                           words({"a.pdb", "--network-cutoff"})}) {
    EXPECT_THROW(parse_build_arguments(line), beadmap::UsageError) << line.size();
  }
}

TEST(ForceField, AtomTypesOfTheAtomtypesSectionsAlone) {
  const std::string text =
      "; a comment [ atomtypes ]\n[ defaults ]\n  1 1 no\n[atomtypes]\n; name mass\n"
      "  P4 72.0 0 A 0.1 0.1 ; polar\n\n#ifdef X\nQa\t72.0 0 A 0.1 0.1\n#endif\n"
      "[ nonbond_params ]\n  C1 C1 1 0.1 0.1\n[ ATOMTYPES ]\nN0 72.0 0 A 0.1 0.1";
  EXPECT_EQ(declared_atom_types(text), (std::vector<std::string>{"P4", "Qa", "N0"}));
  auto library = std::make_unique<beadweave::TemplateLibrary>();
  beadweave::load_library_text(*library, default_library_text());
  // The built-in force field declares every bead type of the built-in library.
  EXPECT_TRUE(missing_atom_types(default_forcefield_text(), *library).empty());
  const auto missing = missing_atom_types(text, *library);
  EXPECT_EQ(missing.front(), "P5");  // ARG's backbone, after ALA's P4
  EXPECT_EQ(std::count(missing.begin(), missing.end(), "P5"), 1);
}

// A chain of `residues` glycines, one bead each, 3.8 angstrom apart.
MappedChain glycine_chain(const std::string& name, int residues) {
  MappedChain chain;
  chain.name = name;
  for (int r = 0; r < residues; ++r) {
    chain.structure.residues.push_back(
        {"GLY", {r % 9000 + 1, ' '}, {{"BB", {3.8 * (r % 100), 6.0 * (r / 100), 0.0}}}});
  }
  return chain;
}

TEST(Coordinates, AtomNumbersWrapPastFiveDigitsAsGromacsWritesThem) {
  auto library = std::make_unique<beadweave::TemplateLibrary>();
  beadweave::load_library_text(*library, default_library_text());
  std::vector<MappedChain> chains;
  for (int c = 0; c < 11; ++c) chains.push_back(glycine_chain(std::string(1, static_cast<char>('A' + c)), 9100));
  const auto molecules = build_molecules(chains, {}, *library);
  ASSERT_EQ(molecules.size(), 11U);
  const std::string gro = format_gro(molecules, centred_box(molecules, 1.0), "t");
  // Lines 3.. are the beads: bead 99999, 100000 and 100001 of the system
  // are residues 9099 and 9100 of molecule 11 and ... of molecule 11.
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = gro.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(gro.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 100100U + 3U);
  EXPECT_EQ(lines[1], "100100");
  // Bead k is on line k + 1; molecule 11 starts at bead 91001.
  EXPECT_EQ(lines[100000].substr(0, 20), " 8999GLY     BB99999");
  EXPECT_EQ(lines[100001].substr(0, 20), " 9000GLY     BB    0");
  EXPECT_EQ(lines[100002].substr(0, 20), " 9001GLY     BB    1");
}

}  // namespace
}  // namespace beadbuild
