// Distances and angles measured on backbone beads, in the precision the
// topology builder uses. The expected values come from carrying out the
// stated operations one by one in a separate emulation of 4-byte arithmetic,
// and differ from what the same formula gives in 8-byte reals or in another
// order of summation.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "beadweave/backbone_network.hpp"

namespace beadweave {
namespace {

Structure structure_of(const std::vector<std::array<float, 3>>& beads) {
  Structure s;
  s.bead_count = static_cast<std::int32_t>(beads.size());
  s.resize(s.bead_count);
  for (std::size_t b = 0; b < beads.size(); ++b) {
    s.AX[b + 1] = beads[b][0];
    s.AY[b + 1] = beads[b][1];
    s.AZ[b + 1] = beads[b][2];
  }
  return s;
}

TEST(BackboneDistance, AxisAlignedAndPythagorean) {
  const Structure s = structure_of({{0, 0, 0}, {3.81F, 0, 0}, {3, 4, 0}, {3, 4, 12}});
  EXPECT_EQ(backbone_distance(s, 1, 2), 3.81F / 10.0F);
  EXPECT_EQ(backbone_distance(s, 2, 1), 3.81F / 10.0F);
  EXPECT_EQ(backbone_distance(s, 1, 3), 0.5F);
  EXPECT_EQ(backbone_distance(s, 1, 4), 1.3F);
  EXPECT_EQ(backbone_distance(s, 4, 4), 0.0F);
}

TEST(BackboneDistance, EntirelyInFourByteRealsInTheStatedOrder) {
  const Structure s = structure_of({{-31.528F, -85.25F, 57.791F}, {-39.034F, 75.502F, -70.899F}});
  // 4-byte steps: 20.60550117... (written 20.606). In 8-byte reals from the
  // same coordinates the distance is below 20.6055 (written 20.605), and so
  // is x + (y + z) in 4-byte reals (0x1.49b02p+4).
  const float d = backbone_distance(s, 1, 2);
  EXPECT_EQ(d, 0x1.49b022p+4F);
  const double dx = double{s.AX[1]} - s.AX[2];
  const double dy = double{s.AY[1]} - s.AY[2];
  const double dz = double{s.AZ[1]} - s.AZ[2];
  EXPECT_LT(std::sqrt((dx * dx + dy * dy) + dz * dz) / 10.0, 20.6055);
  EXPECT_GT(d, 20.6055F);
}

TEST(BackboneAngle, ZigZagAndStraightLines) {
  // 3-4-5 zig-zag: arc cosine of 0.28, rounded to a 4-byte real, in degrees.
  const Structure zig = structure_of({{0, 0, 0}, {3, 4, 0}, {6, 0, 0}});
  const double expected =
      static_cast<double>(static_cast<float>(std::acos(0.28))) * 180.0 / 3.1415927410125732;
  EXPECT_EQ(backbone_angle(zig, 1, 2, 3), expected);
  EXPECT_NEAR(backbone_angle(zig, 1, 2, 3), 73.7398, 1e-4);

  const Structure line = structure_of({{0, 0, 0}, {3.8F, 0, 0}, {7.6F, 0, 0}});
  // Opposite vectors: float pi * 180 / float pi, exactly 180.
  EXPECT_EQ(backbone_angle(line, 1, 2, 3), 180.0);
  // Folded back: both vectors point the same way.
  EXPECT_EQ(backbone_angle(line, 1, 2, 1), 0.0);
  EXPECT_EQ(backbone_angle(line, 3, 2, 1), 180.0);
}

TEST(BackboneAngle, RadiansRoundedToFourBytesThenDividedByTheFourBytePi) {
  const Structure s = structure_of(
      {{31.770F, 6.977F, 46.393F}, {32.453F, -13.840F, 33.429F}, {17.651F, -42.114F, -11.259F}});
  // Written with one decimal this is 149.2; without the rounding to 4 bytes,
  // or with the 8-byte pi, it would be 149.3.
  const double degrees = backbone_angle(s, 1, 2, 3);
  EXPECT_EQ(degrees, 149.24999743867915);
  EXPECT_LT(degrees, 149.25);
}

}  // namespace
}  // namespace beadweave
