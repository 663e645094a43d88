// Cutting beads into residues, typing them by name and numbering beads and
// charge groups; and the structures that are refused.
#include "beadweave/bead_assignment.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace beadweave {
namespace {

struct BeadSpec {
  const char* type;
  const char* name;
  std::int32_t label;
  float charge;
};

// Template `type` of the library: its name and beads.
void set_template(TemplateLibrary& library, int type, const char* name,
                  const std::vector<BeadSpec>& beads) {
  library.RESNAME[type] = rio::fixed_text<3>(name);
  library.NBEADS[type] = static_cast<std::int32_t>(beads.size());
  for (std::size_t k = 0; k < beads.size(); ++k) {
    library.BEADTYPE[type][k + 1] = rio::fixed_text<3>(beads[k].type);
    library.ATOMNAME[type][k + 1] = rio::fixed_text<3>(beads[k].name);
    library.CHARGRP[type][k + 1] = beads[k].label;
    library.CHARBEAD[type][k + 1] = beads[k].charge;
  }
}

// A structure whose beads carry these residue names.
Structure structure_of(std::int32_t residues, const std::vector<const char*>& residue_names) {
  Structure s;
  s.residue_count = residues;
  s.bead_count = static_cast<std::int32_t>(residue_names.size());
  s.resize(s.bead_count);
  for (std::size_t b = 0; b < residue_names.size(); ++b) {
    s.PDBRESNAME[b + 1] = rio::fixed_text<3>(residue_names[b]);
  }
  return s;
}

Name name(const char* text) { return rio::fixed_text<3>(text); }

class BeadAssignmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_template(library_, 1, "AAA",
                 {{"P5", "BB", 1, 0}, {"N0", "SC1", 2, 0}, {"Qd", "SC2", 2, 1}});
    set_template(library_, 2, "BBB", {{"P4", "BB", 5, 0}, {"Qa", "SC1", 5, -1}});
  }
  TemplateLibrary library_;
  BeadAssignment assignment_;
};

TEST_F(BeadAssignmentTest, WorkedExampleOfTwoResidues) {
  const Structure s = structure_of(2, {"AAA", "xxx", "yyy", "BBB", "zzz"});
  ASSERT_FALSE(assign_beads(library_, s, assignment_));
  EXPECT_EQ(assignment_.BEGINRES[1], 1);
  EXPECT_EQ(assignment_.BEGINRES[2], 4);
  EXPECT_EQ(assignment_.TPRESTYPE[1], 1);
  EXPECT_EQ(assignment_.TPRESTYPE[2], 2);
  EXPECT_EQ(assignment_.TPRESNAME[2], name("BBB"));
  const std::int32_t numbers[][2] = {{1, 1}, {2, 2}, {3, 2}};
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(assignment_.TPATNUMB[1][k], numbers[k - 1][0]);
    EXPECT_EQ(assignment_.TPCHRGRP[1][k], numbers[k - 1][1]);
  }
  EXPECT_EQ(assignment_.TPATNUMB[2][1], 4);
  EXPECT_EQ(assignment_.TPATNUMB[2][2], 5);
  EXPECT_EQ(assignment_.TPCHRGRP[2][1], 3);
  EXPECT_EQ(assignment_.TPCHRGRP[2][2], 3);
  EXPECT_EQ(assignment_.bead_counter, 6);
  EXPECT_EQ(assignment_.charge_group_counter, 3);
  // Types, names and charges come from the template, not from the structure.
  EXPECT_EQ(assignment_.TPBEADTYPE[1][3], name("Qd"));
  EXPECT_EQ(assignment_.TPATOMNAME[1][3], name("SC2"));
  EXPECT_EQ(assignment_.TPATCHARGE[1][3], 1.0F);
  EXPECT_EQ(assignment_.TPATCHARGE[2][2], -1.0F);
}

TEST_F(BeadAssignmentTest, ChargeGroupsOpenWhereTheLabelChanges) {
  set_template(library_, 3, "ALT", {{"P5", "BB", 1, 0}, {"C3", "SC1", 2, 0}, {"C3", "SC2", 1, 0}});
  set_template(library_, 4, "ONE", {{"P5", "BB", 7, 0}, {"C3", "SC1", 7, 0}, {"C3", "SC2", 7, 0}});
  const Structure s = structure_of(3, {"ALT", "", "", "ONE", "", "", "ONE", "", ""});
  ASSERT_FALSE(assign_beads(library_, s, assignment_));
  // Labels 1, 2, 1: three groups. Labels 7, 7, 7: one group per residue,
  // even when the next residue has the same label.
  EXPECT_EQ(assignment_.TPCHRGRP[1][1], 1);
  EXPECT_EQ(assignment_.TPCHRGRP[1][2], 2);
  EXPECT_EQ(assignment_.TPCHRGRP[1][3], 3);
  EXPECT_EQ(assignment_.TPCHRGRP[2][3], 4);
  EXPECT_EQ(assignment_.TPCHRGRP[3][1], 5);
  EXPECT_EQ(assignment_.TPCHRGRP[3][3], 5);
  EXPECT_EQ(assignment_.TPATNUMB[3][3], 9);
}

TEST_F(BeadAssignmentTest, TheLaterOfTwoTemplatesWithOneNameIsUsed) {
  set_template(library_, 20, "AAA", {{"X1", "BB", 1, 0}});
  const Structure s = structure_of(2, {"AAA", "AAA"});
  ASSERT_FALSE(assign_beads(library_, s, assignment_));
  EXPECT_EQ(assignment_.TPRESTYPE[1], 20);
  EXPECT_EQ(assignment_.BEGINRES[2], 2);
  EXPECT_EQ(assignment_.TPBEADTYPE[2][1], name("X1"));
}

TEST_F(BeadAssignmentTest, ANineBeadTemplateIsUsedWhole) {
  std::vector<BeadSpec> beads(9, {"C1", "SC", 1, 0.5F});
  beads[8].label = 2;
  set_template(library_, 5, "NIN", beads);
  const Structure s = structure_of(2, {"NIN", "", "", "", "", "", "", "", "", "BBB", ""});
  ASSERT_FALSE(assign_beads(library_, s, assignment_));
  EXPECT_EQ(assignment_.TPATNUMB[1][9], 9);
  EXPECT_EQ(assignment_.TPCHRGRP[1][8], 1);
  EXPECT_EQ(assignment_.TPCHRGRP[1][9], 2);
  EXPECT_EQ(assignment_.BEGINRES[2], 10);
  EXPECT_EQ(assignment_.TPCHRGRP[2][1], 3);
}

TEST_F(BeadAssignmentTest, AResidueCountOfZeroOrLessAssignsNothing) {
  for (const std::int32_t residues : {0, -5}) {
    const Structure s = structure_of(residues, {"AAA", "AAA", "AAA"});
    ASSERT_FALSE(assign_beads(library_, s, assignment_));
    EXPECT_EQ(assignment_.BEGINRES.size(), 1U);
    EXPECT_EQ(assignment_.bead_counter, 1);
    EXPECT_EQ(assignment_.charge_group_counter, 0);
  }
}

TEST_F(BeadAssignmentTest, ATemplateWithoutBeadsLeavesEveryLaterResidueOnTheSameBead) {
  set_template(library_, 6, "NUL", {});
  const Structure s = structure_of(3, {"BBB", "", "NUL", "AAA"});
  ASSERT_FALSE(assign_beads(library_, s, assignment_));
  EXPECT_EQ(assignment_.BEGINRES[2], 3);
  EXPECT_EQ(assignment_.BEGINRES[3], 3);
  EXPECT_EQ(assignment_.TPRESTYPE[3], 6);
  EXPECT_EQ(assignment_.bead_counter, 3);
  EXPECT_EQ(assignment_.charge_group_counter, 1);
}

TEST_F(BeadAssignmentTest, NamesDifferingInCaseOrBlanksMatchNoTemplate) {
  for (const char* residue_name : {"aaa", "AA", " AA", "AAa"}) {
    const Structure s = structure_of(2, {"BBB", "", residue_name, "", ""});
    const auto refusal = assign_beads(library_, s, assignment_);
    ASSERT_TRUE(refusal) << residue_name;
    EXPECT_EQ(refusal->reason, AssignmentRefusal::Reason::no_template);
    EXPECT_EQ(refusal->residue, 2);
    EXPECT_EQ(refusal->first_bead, 3);
    EXPECT_EQ(refusal->name, name(residue_name));
  }
  const Structure s = structure_of(2, {"BBB", "", "aaa"});
  EXPECT_EQ(refusal_message(*assign_beads(library_, s, assignment_)),
            "residue 2, first bead 3, name \"aaa\": no residue template in beadlib.dat has this "
            "name");
}

TEST_F(BeadAssignmentTest, AResidueStartingBeyondTheBeadsReadIsRefused) {
  // Residue 2 (BBB) ends exactly at bead 5; residue 3 would start at bead 6.
  const Structure s = structure_of(3, {"AAA", "", "", "BBB", ""});
  const auto refusal = assign_beads(library_, s, assignment_);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->reason, AssignmentRefusal::Reason::beyond_beads_read);
  EXPECT_EQ(refusal->residue, 3);
  EXPECT_EQ(refusal->first_bead, 6);
  EXPECT_EQ(refusal_message(*refusal),
            "residue 3, first bead 6, no name: the first bead lies beyond the 5 beads read from "
            "pdb-CG.pdb");
  // A last residue that starts on the last bead read but needs more beads
  // than are left is taken as it is: only its first bead is ever used.
  const Structure short_tail = structure_of(2, {"BBB", "", "AAA"});
  EXPECT_FALSE(assign_beads(library_, short_tail, assignment_));
  EXPECT_EQ(assignment_.TPATNUMB[2][3], 5);
}

}  // namespace
}  // namespace beadweave
