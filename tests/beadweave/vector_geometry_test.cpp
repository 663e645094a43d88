// The vector operations, with expected values worked out by hand.
#include "vector_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace beadweave {
namespace {

TEST(VectorGeometry, FloatPiIsTheWidenedFourBytePi) {
  EXPECT_EQ(float_pi, 3.1415927410125732);
  EXPECT_NE(float_pi, std::acos(-1.0));
}

TEST(VectorGeometry, AngleOfParallelVectorsIsZeroEvenWhenTheCosineRoundsAboveOne) {
  EXPECT_EQ(angvec({1, 0, 0}, {5, 0, 0}), 0.0);
  // (0.1, 0.3, 0.3) and (0.3, 0.9, 0.9): carried out in order, the cosine
  // rounds to 1.0000000000000002, outside the domain of the arc cosine.
  const Vector3 a{0.1, 0.3, 0.3};
  const Vector3 b{0.3, 0.9, 0.9};
  ASSERT_GT(prodsca(a, b) / (vecnorm(a) * vecnorm(b)), 1.0);
  EXPECT_EQ(angvec(a, b), 0.0);
}

TEST(VectorGeometry, AngleOfOppositeVectorsIsTheFourBytePi) {
  EXPECT_EQ(angvec({1, 0, 0}, {-2, 0, 0}), float_pi);
  // Here the cosine rounds to -1.0000000000000002.
  const Vector3 a{0.1, 0.3, 0.3};
  const Vector3 b{-0.3, -0.9, -0.9};
  ASSERT_LT(prodsca(a, b) / (vecnorm(a) * vecnorm(b)), -1.0);
  EXPECT_EQ(angvec(a, b), float_pi);
}

TEST(VectorGeometry, AngleOfPerpendicularAndGeneralVectors) {
  EXPECT_EQ(angvec({0, 2, 0}, {0, 0, 7}), std::acos(0.0));
  // 3-4-5 zig-zag: cosine (-9 + 16) / 25 = 0.28 exactly.
  EXPECT_EQ(angvec({-3, -4, 0}, {3, -4, 0}), std::acos(0.28));
  // 60 degrees between (1, 0, 0) and (1, sqrt 3, 0) up to rounding.
  EXPECT_NEAR(angvec({1, 0, 0}, {1, std::sqrt(3.0), 0}), std::acos(-1.0) / 3, 1e-15);
}

TEST(VectorGeometry, NormAndScalarProductAddXAndYFirst) {
  // 1e16 + 1 rounds back to 1e16 (ties to even), so (1e16 + 1) + 1 is 1e16,
  // while 1e16 + (1 + 1) would be 1e16 + 2.
  const Vector3 a{1e8, 1, 1};
  EXPECT_EQ(prodsca(a, a), 1e16);
  EXPECT_EQ(vecnorm(a), 1e8);
  EXPECT_EQ(vecnorm({3, 4, 12}), 13.0);
  EXPECT_EQ(prodsca({1, 2, 3}, {4, -5, 6}), 12.0);
}

TEST(VectorGeometry, CrossProductAlsoIntoAnInputVector) {
  Vector3 w{};
  prodvec({1, 0, 0}, {0, 1, 0}, w);
  EXPECT_EQ(w, (Vector3{0, 0, 1}));
  prodvec({1, 2, 3}, {4, 5, 6}, w);
  EXPECT_EQ(w, (Vector3{-3, 6, -3}));
  Vector3 a{1, 2, 3};
  prodvec(a, {4, 5, 6}, a);
  EXPECT_EQ(a, (Vector3{-3, 6, -3}));
  Vector3 b{4, 5, 6};
  prodvec({1, 2, 3}, b, b);
  EXPECT_EQ(b, (Vector3{-3, 6, -3}));
}

}  // namespace
}  // namespace beadweave
