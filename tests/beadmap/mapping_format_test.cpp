// The mapping text: what a well-formed mapping holds, each malformed line
// refused with its line number, and the built-in four-to-one mapping checked
// against the bead lists of the issue, written out here by hand.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "beadmap/mapping.hpp"

namespace beadmap {
namespace {

std::vector<std::string> bead_names(const ResidueRule& rule) {
  std::vector<std::string> names;
  for (const BeadRule& bead : rule.beads) names.push_back(bead.name);
  return names;
}

TEST(MappingFormat, BeadsInLineOrderWithAlternativesAliasesAndComments) {
  const Mapping mapping = parse_mapping(
      "# a comment line\n"
      "\n"
      "bead XYZ BB  N CA C O/OT1/O1   # trailing comment\r\n"
      "bead\tXYZ\tS1\tCB\n"
      "alias XYZ XY1 LONGNAME\n"
      "bead Q   BB  P\n",
      "test.map");
  ASSERT_EQ(mapping.residues.size(), 2U);
  const ResidueRule* xyz = mapping.find("XYZ");
  ASSERT_NE(xyz, nullptr);
  EXPECT_EQ(bead_names(*xyz), (std::vector<std::string>{"BB", "S1"}));
  ASSERT_EQ(xyz->beads[0].atoms.size(), 4U);
  EXPECT_EQ(xyz->beads[0].atoms[3], (AtomSlot{"O", "OT1", "O1"}));
  EXPECT_EQ(xyz->beads[1].atoms, (std::vector<AtomSlot>{{"CB"}}));
  EXPECT_EQ(mapping.canonical_name("XY1"), "XYZ");
  EXPECT_EQ(mapping.canonical_name("LONGNAME"), "XYZ");
  EXPECT_EQ(mapping.canonical_name("Q"), "Q");
  EXPECT_EQ(mapping.canonical_name("ABC"), "ABC");
  EXPECT_EQ(mapping.find("XY1"), nullptr);  // aliases are resolved before the look-up
  EXPECT_EQ(mapping.find("ABC"), nullptr);
}

struct MalformedCase {
  const char* text;
  const char* message;  // the whole message, source and line included
};

TEST(MappingFormat, EachMalformedLineIsRefusedWithItsLineNumber) {
  const std::string good = "bead ALA BB N CA C O\n";
  const MalformedCase cases[] = {
      {"bead ALA BB N\nresidue GLY\n", "m:2: unknown line kind \"residue\" (expected bead or alias)"},
      {"bead ALA BB\n", "m:1: a bead line needs a residue name, a bead name and at least one atom"},
      {"\n\nbead ALAN BB N\n", "m:3: residue name \"ALAN\" is longer than 3 characters"},
      {"bead ALA BBBB N\n", "m:1: bead name \"BBBB\" is longer than 3 characters"},
      {"bead ALA BB N O//OT1\n", "m:1: atom \"O//OT1\" has an empty alternative"},
      {"bead ALA BB N O/\n", "m:1: atom \"O/\" has an empty alternative"},
      {"bead ALA BB N\nbead ALA BB CA\n", "m:2: residue ALA has two beads BB"},
      {"bead ALA BB N\nbead GLY BB N\nbead ALA SC1 CB\n",
       "m:3: the bead lines of residue ALA do not stand together"},
      {"bead ALA B1 N\nbead ALA B2 N\nbead ALA B3 N\nbead ALA B4 N\nbead ALA B5 N\n"
       "bead ALA B6 N\nbead ALA B7 N\nbead ALA B8 N\nbead ALA B9 N\nbead ALA B10 N\n",
       "m:10: residue ALA has more than 9 beads"},
      {"bead ALA BB N\nalias GLY XXX\n", "m:2: alias XXX names residue GLY, which has no beads"},
      {"bead ALA BB N\nalias ALA AL1\nalias ALA AL1\n", "m:3: alias AL1 is given twice"},
      {"bead ALA BB N\nbead GLY BB N\nalias ALA GLY\n", "m:3: alias GLY is also a residue with beads"},
      {"alias ALA\nbead ALA BB N\n", "m:1: an alias line needs a residue name and at least one alias"},
      {"bead AL\x01 BB N\n", "m:1: residue name \"AL\x01\" holds a character that a name cannot hold"},
      {"bead ALA BB N\xc3\xa9\n",
       "m:1: atom name \"N\xc3\xa9\" holds a character that a name cannot hold"},
      {"# only a comment\n\n", "m: no bead lines: the mapping is empty"},
      {"", "m: no bead lines: the mapping is empty"},
  };
  for (const MalformedCase& c : cases) {
    try {
      parse_mapping(c.text, "m");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const MappingError& error) {
      EXPECT_EQ(std::string(error.what()), c.message) << c.text;
    }
  }
  // An alias may come before the bead lines of its residue.
  EXPECT_EQ(parse_mapping("alias ALA AL1\n" + good, "m").canonical_name("AL1"), "ALA");
}

// The four-to-one protein mapping as the issue lists it: backbone N CA C O
// (ALA also CB), then the side-chain beads.
TEST(BuiltInMapping, HoldsTheFourToOneProteinMapping) {
  const Mapping mapping = parse_mapping(default_mapping_text(), default_mapping_source);
  const std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> expected = {
      {"ALA", {{"N", "CA", "C", "O", "CB"}}},
      {"ARG", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD"}, {"NE", "CZ", "NH1", "NH2"}}},
      {"ASN", {{"N", "CA", "C", "O"}, {"CB", "CG", "OD1", "ND2"}}},
      {"ASP", {{"N", "CA", "C", "O"}, {"CB", "CG", "OD1", "OD2"}}},
      {"CYS", {{"N", "CA", "C", "O"}, {"CB", "SG"}}},
      {"GLN", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD", "OE1", "NE2"}}},
      {"GLU", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD", "OE1", "OE2"}}},
      {"GLY", {{"N", "CA", "C", "O"}}},
      {"HIS", {{"N", "CA", "C", "O"}, {"CB", "CG"}, {"CD2", "NE2"}, {"ND1", "CE1"}}},
      {"ILE", {{"N", "CA", "C", "O"}, {"CB", "CG1", "CG2", "CD1"}}},
      {"LEU", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD1", "CD2"}}},
      {"LYS", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD"}, {"CE", "NZ"}}},
      {"MET", {{"N", "CA", "C", "O"}, {"CB", "CG", "SD", "CE"}}},
      {"PHE", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD1"}, {"CD2", "CE2"}, {"CE1", "CZ"}}},
      {"PRO", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD"}}},
      {"SER", {{"N", "CA", "C", "O"}, {"CB", "OG"}}},
      {"THR", {{"N", "CA", "C", "O"}, {"CB", "OG1", "CG2"}}},
      {"TRP",
       {{"N", "CA", "C", "O"}, {"CB", "CG"}, {"CD1", "NE1", "CE2"}, {"CD2", "CE3", "CZ3"},
        {"CZ2", "CH2"}}},
      {"TYR", {{"N", "CA", "C", "O"}, {"CB", "CG", "CD1"}, {"CD2", "CE2"}, {"CE1", "CZ", "OH"}}},
      {"VAL", {{"N", "CA", "C", "O"}, {"CB", "CG1", "CG2"}}},
  };
  ASSERT_EQ(mapping.residues.size(), expected.size());
  for (const auto& [name, beads] : expected) {
    const ResidueRule* rule = mapping.find(name);
    ASSERT_NE(rule, nullptr) << name;
    ASSERT_EQ(rule->beads.size(), beads.size()) << name;
    for (std::size_t b = 0; b < beads.size(); ++b) {
      EXPECT_EQ(rule->beads[b].name, b == 0 ? "BB" : "SC" + std::to_string(b)) << name;
      ASSERT_EQ(rule->beads[b].atoms.size(), beads[b].size()) << name << " bead " << b;
      // The first alternative of each slot is the atom of the list.
      for (std::size_t a = 0; a < beads[b].size(); ++a) {
        EXPECT_EQ(rule->beads[b].atoms[a].front(), beads[b][a]) << name << " bead " << b;
      }
    }
  }
  // Alternative names of the terminal oxygen, of ILE's delta carbon and of
  // selenium in MSE.
  EXPECT_EQ(mapping.find("GLY")->beads[0].atoms[3], (AtomSlot{"O", "OT1", "O1", "OC1"}));
  EXPECT_EQ(mapping.find("ILE")->beads[1].atoms[3], (AtomSlot{"CD1", "CD"}));
  EXPECT_EQ(mapping.find("MET")->beads[1].atoms[2], (AtomSlot{"SD", "SE"}));

  const std::vector<std::pair<std::string, std::vector<std::string>>> aliases = {
      {"HIS", {"HSD", "HSE", "HSP", "HID", "HIE", "HIP", "HIH", "HISA", "HISB", "HISD", "HISE",
               "HISH", "HIS1", "HIS2", "HSC"}},
      {"MET", {"MSE"}},
      {"CYS", {"CYX", "CYM", "CYS2"}},
      {"LYS", {"LYN", "LSN"}},
      {"ASP", {"ASH", "ASPP"}},
      {"GLU", {"GLH", "GLUP"}},
      {"ARG", {"ARN"}},
  };
  std::size_t alias_count = 0;
  for (const auto& [target, names] : aliases) {
    for (const std::string& alias : names) EXPECT_EQ(mapping.canonical_name(alias), target) << alias;
    alias_count += names.size();
  }
  EXPECT_EQ(mapping.aliases.size(), alias_count);
}

TEST(BuiltInMapping, IsTheShippedMappingFile) {
  std::ifstream file(BEADMAP_SOURCE_DIR "/beadmap/protein.map", std::ios::binary);
  ASSERT_TRUE(file) << "cannot read protein.map";
  std::ostringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), default_mapping_text());
}

}  // namespace
}  // namespace beadmap
