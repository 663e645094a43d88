// The periodic fold and the reference scan, in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "pairprobe/periodic_fold.hpp"
#include "pairprobe/reference_scan.hpp"

namespace pairprobe {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

double folded(double d, double edge) {
  const AxisFold axis = axis_fold(edge);
  pbc(d, axis.edge, axis.threshold);
  return d;
}

TEST(PeriodicFold, FoldsByOneEdgeBeyondHalfTheEdge) {
  struct Case {
    double d;
    double expected;
  };
  const Case cases[] = {
      {10.0, 0.0},  {-10.0, 0.0},    // a whole edge folds to 0
      {25.0, 15.0}, {-25.0, -15.0},  // one edge only, however far
      {5.0, 5.0},   {-5.0, 5.0},     // +half stays, -half gains an edge
      {5.5, -4.5},  {-5.5, 4.5},     // just beyond half an edge
      {9.5, -0.5},  {4.75, 4.75},    // across a face, and inside
      {0.0, 0.0},   {inf, inf},      // an infinite difference stays infinite
      {-inf, -inf},
  };
  for (const Case& c : cases) EXPECT_EQ(folded(c.d, 10.0), c.expected) << "d = " << c.d;
  EXPECT_TRUE(std::isnan(folded(nan, 10.0)));
}

TEST(PeriodicFold, EdgeZeroNegativeOrNanIsNotPeriodic) {
  for (const double edge : {0.0, -0.0, -10.0, nan}) {
    for (const double d : {25.0, -25.0, 10.0, -10.0, 0.5, inf, -inf}) {
      EXPECT_EQ(folded(d, edge), d) << "edge " << edge << ", d = " << d;
    }
    EXPECT_TRUE(std::isnan(folded(nan, edge)));
  }
}

TEST(PeriodicFold, DistanceSumsFoldedSquaresPerAxis) {
  const BoxFold fold = box_fold({10.0, 20.0, -1.0});
  // x: 9.5 -> -0.5; y: -19.0 -> 1.0; z not periodic: 2.0 stays.
  EXPECT_EQ(folded_distance_squared(9.5, -19.0, 2.0, fold), 0.25 + 1.0 + 4.0);
}

Configuration make_config(std::array<double, 3> box, double r_hs,
                          const std::vector<std::array<double, 3>>& points) {
  Configuration config;
  config.count = static_cast<std::int32_t>(points.size());
  config.box = box;
  config.r_hs = r_hs;
  for (const auto& p : points) config.positions.append(p[0], p[1], p[2]);
  return config;
}

struct Found {
  std::int32_t i;
  std::int32_t j;
  double s;
  bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
  return out << "(" << f.i << "," << f.j << ": " << f.s << ")";
}

std::vector<Found> scan(const Configuration& config) {
  std::vector<Found> found;
  reference_scan(config, [&found](const OverlapPair& p) {
    found.push_back({p.i, p.j, p.distance_squared});
  });
  return found;
}

// Particles 1 and 4 sit across the x boundary, 2 and 5 exactly r_hs apart
// along y (inclusive), 3 and 6 coincide, and 2 and 3 are just beyond r_hs.
const std::vector<std::array<double, 3>> mixed_points = {
    {0.25, 1.0, 1.0}, {4.0, 4.0, 4.0}, {4.0, 5.0, 4.0625},
    {9.75, 1.0, 1.0}, {4.0, 5.0, 4.0}, {4.0, 5.0, 4.0625},
};

TEST(ReferenceScan, ReportsOverlapsInPairOrderInclusively) {
  const std::vector<Found> expected = {
      {1, 4, 0.25}, {2, 5, 1.0}, {3, 5, 0.00390625}, {3, 6, 0.0}, {5, 6, 0.00390625}};
  EXPECT_EQ(scan(make_config({10.0, 10.0, 10.0}, 1.0, mixed_points)), expected);
}

TEST(ReferenceScan, NegativeHardSphereDistanceFindsTheSamePairs) {
  EXPECT_EQ(scan(make_config({10.0, 10.0, 10.0}, -1.0, mixed_points)),
            scan(make_config({10.0, 10.0, 10.0}, 1.0, mixed_points)));
}

TEST(ReferenceScan, NanNeverOverlapsAndInfiniteDistanceCoversOverflow) {
  const std::vector<std::array<double, 3>> points = {
      {0.0, 0.0, 0.0}, {nan, 0.0, 0.0}, {0.0, 0.0, 0.5}, {1e200, 0.0, 0.0}};
  // Particle 2 meets nobody; the distance to particle 4 overflows to infinity.
  EXPECT_EQ(scan(make_config({10.0, 10.0, 10.0}, 1.0, points)), (std::vector<Found>{{1, 3, 0.25}}));
  EXPECT_EQ(scan(make_config({10.0, 10.0, 10.0}, 1e200, points)),
            (std::vector<Found>{{1, 3, 0.25}, {1, 4, inf}, {3, 4, inf}}));
  EXPECT_TRUE(scan(make_config({10.0, 10.0, 10.0}, nan, points)).empty());
}

}  // namespace
}  // namespace pairprobe
