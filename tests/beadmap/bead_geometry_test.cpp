// A residue's beads from its atoms (centroids, alternative names, a missing
// atom) and the gaps between consecutive backbone beads.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "beadmap/backbone_gaps.hpp"
#include "beadmap/bead_mapping.hpp"

namespace beadmap {
namespace {

const ResidueRule two_bead_rule{
    "XYZ",
    {BeadRule{"BB", {{"N"}, {"CA"}, {"C"}, {"O", "OT1"}}}, BeadRule{"SC1", {{"CB"}, {"CG1", "CG"}}}}};

TEST(BeadMapping, EachBeadAtThePlainMeanOfItsAtoms) {
  const std::vector<NamedAtom> atoms = {
      {"N", {0, 0, 0}}, {"CA", {1, 0, 0}}, {"C", {1, 2, 0}}, {"O", {2, 2, 4}},
      {"CB", {5, 5, 5}}, {"CG1", {7, 3, -1}}, {"OT1", {100, 100, 100}}, {"CG", {-50, 0, 0}},
  };
  const auto result = map_beads(two_bead_rule, atoms);
  const auto& beads = std::get<std::vector<CgBead>>(result);
  ASSERT_EQ(beads.size(), 2U);
  EXPECT_EQ(beads[0].name, "BB");
  // (0+1+1+2)/4, (0+0+2+2)/4, (0+0+0+4)/4: O is listed first, so OT1 is not used.
  EXPECT_DOUBLE_EQ(beads[0].position.x, 1.0);
  EXPECT_DOUBLE_EQ(beads[0].position.y, 1.0);
  EXPECT_DOUBLE_EQ(beads[0].position.z, 1.0);
  EXPECT_EQ(beads[1].name, "SC1");
  EXPECT_DOUBLE_EQ(beads[1].position.x, 6.0);
  EXPECT_DOUBLE_EQ(beads[1].position.y, 4.0);
  EXPECT_DOUBLE_EQ(beads[1].position.z, 2.0);
}

TEST(BeadMapping, ALaterAlternativeStandsInForAnAbsentName) {
  const std::vector<NamedAtom> atoms = {
      {"OT1", {4, 4, 4}}, {"N", {0, 0, 0}}, {"CA", {0, 0, 0}}, {"C", {0, 0, 0}},
      {"CB", {1, 1, 1}}, {"CG", {3, 3, 3}},
  };
  const auto result = map_beads(two_bead_rule, atoms);
  const auto& beads = std::get<std::vector<CgBead>>(result);
  EXPECT_DOUBLE_EQ(beads[0].position.x, 1.0);  // (0+0+0+4)/4
  EXPECT_DOUBLE_EQ(beads[1].position.y, 2.0);  // (1+3)/2
}

TEST(BeadMapping, TheFirstUnfilledSlotIsReported) {
  const std::vector<NamedAtom> no_oxygen = {{"N", {}}, {"CA", {}}, {"C", {}}, {"CB", {}}};
  const auto result = map_beads(two_bead_rule, no_oxygen);
  const auto* missing = std::get_if<MissingAtom>(&result);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->bead, "BB");
  EXPECT_EQ(missing->slot, "O/OT1");

  const std::vector<NamedAtom> no_side_chain = {{"N", {}}, {"CA", {}}, {"C", {}}, {"O", {}}};
  const auto side = map_beads(two_bead_rule, no_side_chain);
  ASSERT_TRUE(std::holds_alternative<MissingAtom>(side));
  EXPECT_EQ(std::get<MissingAtom>(side).bead, "SC1");
  EXPECT_EQ(std::get<MissingAtom>(side).slot, "CB");
}

CgResidue residue_at(double x, double y, double z) {
  return CgResidue{"GLY", {1, ' '}, {CgBead{"BB", {x, y, z}}, CgBead{"SC1", {99, 99, 99}}}};
}

TEST(BackboneGaps, OnlyBackboneBeadsFartherThanFourAndAHalfAngstrom) {
  CgStructure structure;
  // Backbone steps: 4.5 exactly (no gap), 3-4-5 triangle scaled to 4.6
  // (gap), 0 (no gap), 10 along z (gap). Side-chain beads far away play no part.
  structure.residues = {residue_at(0, 0, 0), residue_at(4.5, 0, 0), residue_at(4.5 + 2.76, 3.68, 0),
                        residue_at(4.5 + 2.76, 3.68, 0), residue_at(4.5 + 2.76, 3.68, 10)};
  const auto gaps = find_backbone_gaps(structure);
  ASSERT_EQ(gaps.size(), 2U);
  EXPECT_EQ(gaps[0].residue_before, 1U);
  EXPECT_NEAR(gaps[0].distance, 4.6, 1e-12);
  EXPECT_EQ(gaps[1].residue_before, 3U);
  EXPECT_DOUBLE_EQ(gaps[1].distance, 10.0);
}

}  // namespace
}  // namespace beadmap

namespace beadmap {
namespace {

TEST(IncompleteResidues, BeadsAtTheCentroidOfTheAtomsPresentAndSideChainsWithoutAnyToRebuild) {
  const std::vector<NamedAtom> no_oxygen = {
      {"N", {0, 0, 0}}, {"CA", {3, 0, 0}}, {"C", {3, 3, 0}}, {"CB", {5, 5, 5}}};
  const auto partial = map_partial_beads(two_bead_rule, no_oxygen);
  ASSERT_TRUE(partial.has_value());
  ASSERT_EQ(partial->beads.size(), 2U);
  EXPECT_DOUBLE_EQ(partial->beads[0].position.x, 2.0);
  EXPECT_DOUBLE_EQ(partial->beads[0].position.y, 1.0);
  EXPECT_DOUBLE_EQ(partial->beads[1].position.x, 5.0);
  ASSERT_EQ(partial->incomplete.size(), 2U);
  EXPECT_EQ(partial->incomplete[0].bead, 0U);
  EXPECT_EQ(partial->incomplete[0].missing, (std::vector<std::string>{"O/OT1"}));
  EXPECT_FALSE(partial->incomplete[0].rebuilt);
  EXPECT_EQ(partial->incomplete[1].missing, (std::vector<std::string>{"CG1/CG"}));

  const std::vector<NamedAtom> backbone_only = {{"N", {0, 0, 0}}, {"O", {4, 0, 0}}};
  const auto bare = map_partial_beads(two_bead_rule, backbone_only);
  ASSERT_TRUE(bare.has_value());
  ASSERT_EQ(bare->incomplete.size(), 2U);
  EXPECT_EQ(bare->incomplete[1].missing, (std::vector<std::string>{"CB", "CG1/CG"}));
  EXPECT_TRUE(bare->incomplete[1].rebuilt);

  const std::vector<NamedAtom> side_chain_only = {{"CB", {1, 1, 1}}, {"CG", {2, 2, 2}}};
  EXPECT_FALSE(map_partial_beads(two_bead_rule, side_chain_only).has_value());
}

TEST(IncompleteResidues, ARebuiltBeadPointsAwayFromTheNeighboursAndNeverOntoAnotherBead) {
  const Position before{0, 0, 0};
  const Position left{-1, -1, 0};
  const Position right{1, -1, 0};
  const auto expect_at = [](const Position& place, double x, double y, double z) {
    EXPECT_NEAR(place.x, x, 1e-12);
    EXPECT_NEAR(place.y, y, 1e-12);
    EXPECT_NEAR(place.z, z, 1e-12);
  };
  // The neighbours' midpoint is (0, -1, 0): away from it is +y.
  expect_at(rebuild_bead(before, &left, &right, {}), 0, 3, 0);
  // At a chain end the one neighbour: away from (-1, -1, 0), 3 along (1, 1, 0)/sqrt(2).
  expect_at(rebuild_bead(before, &left, nullptr, {}), 3 / std::sqrt(2.0), 3 / std::sqrt(2.0), 0);
  // No neighbour, or the bead before on their midpoint: along +x.
  expect_at(rebuild_bead(before, nullptr, nullptr, {}), 3, 0, 0);
  const Position middle_left{-1, 0, 0};
  const Position middle_right{1, 0, 0};
  expect_at(rebuild_bead(before, &middle_left, &middle_right, {}), 3, 0, 0);
  // A bead already at the place: the next direction (+x), then -x.
  const std::vector<Position> taken = {{0, 3.005, 0}, {3, 0, 0}};
  expect_at(rebuild_bead(before, &left, &right, taken), -3, 0, 0);
  // Every place of the first ring taken: the first direction, 0.5 farther.
  const std::vector<Position> ring = {{0, 3, 0}, {3, 0, 0}, {-3, 0, 0}, {0, 3, 0},
                                      {0, -3, 0}, {0, 0, 3}, {0, 0, -3}};
  expect_at(rebuild_bead(before, &left, &right, ring), 0, 3.5, 0);
}

}  // namespace
}  // namespace beadmap
