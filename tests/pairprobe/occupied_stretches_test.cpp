// The occupied stretches of sparse columns: two columns are passed over only
// when no key of one can lie within a window of a key of the other, the
// first and last stretches of a periodic axis being neighbours.
#include "occupied_stretches.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace pairprobe {
namespace {

// An axis of length 10 with windows of 1: floor(10 / 1.000001) = 9
// stretches of 10/9 = 1.11 each, key k in stretch floor(k * 0.9).
AxisKeys axis_of_ten(bool periodic) {
  AxisKeys axis;
  axis.periodic = periodic;
  axis.edge = periodic ? 10.0 : 0.0;
  axis.length = 10.0;
  axis.window = 1.0;
  return axis;
}

std::uint64_t stretches_of(const OccupiedStretches& stretches, std::vector<double> keys) {
  return stretches.of(keys);
}

bool may_meet(const OccupiedStretches& stretches, std::vector<double> a, std::vector<double> b) {
  return stretches.may_meet(stretches.of(a), stretches.of(b));
}

TEST(OccupiedStretches, ColumnsMeetOnlyInTheSameOrNeighbouringStretches) {
  for (const bool periodic : {false, true}) {
    const OccupiedStretches stretches(axis_of_ten(periodic));
    ASSERT_TRUE(stretches.in_use());
    // 0.5 is in stretch 0; 2.0 in stretch 1 (1.8); 2.9 in stretch 2 (2.61).
    EXPECT_EQ(stretches_of(stretches, {0.5, 2.0, 2.9}), 0b111U);
    EXPECT_TRUE(may_meet(stretches, {0.5}, {2.0})) << periodic;
    EXPECT_FALSE(may_meet(stretches, {0.5}, {2.9})) << periodic;
    // Keys 1.0 apart on either side of a stretch's end: 3.3 (2.97) and 4.3
    // (3.87) lie in neighbouring stretches.
    EXPECT_TRUE(may_meet(stretches, {4.3}, {3.3})) << periodic;
    EXPECT_FALSE(may_meet(stretches, {}, {3.3})) << periodic;
    // A column meets another through any of its keys.
    EXPECT_TRUE(may_meet(stretches, {0.5, 6.0}, {2.9, 6.9})) << periodic;
  }
}

TEST(OccupiedStretches, TheEndsOfAPeriodicAxisAreNeighbours) {
  // 0.5 and 9.7 are 0.8 apart across the end of a periodic axis: stretches
  // 0 and 8 (8.73). On an open axis they are far apart.
  EXPECT_TRUE(may_meet(OccupiedStretches(axis_of_ten(true)), {0.5}, {9.7}));
  EXPECT_TRUE(may_meet(OccupiedStretches(axis_of_ten(true)), {9.7}, {0.5}));
  EXPECT_FALSE(may_meet(OccupiedStretches(axis_of_ten(false)), {0.5}, {9.7}));
  // A key that reaches the length by rounding is in the last stretch.
  const OccupiedStretches stretches(axis_of_ten(true));
  EXPECT_EQ(stretches_of(stretches, {10.0}), std::uint64_t{1} << 8);
  EXPECT_EQ(stretches_of(stretches, {10.0 + 1e-15}), std::uint64_t{1} << 8);
}

TEST(OccupiedStretches, SixtyFourAtMostAndTheLastWrapsToTheFirst) {
  // Length 1000, window 1: 64 stretches of 15.625, so that the last one's
  // wrapped neighbour is bit 0 of a full word.
  AxisKeys axis;
  axis.periodic = true;
  axis.edge = 1000.0;
  axis.length = 1000.0;
  axis.window = 1.0;
  const OccupiedStretches stretches(axis);
  EXPECT_EQ(stretches_of(stretches, {999.9}), std::uint64_t{1} << 63);
  EXPECT_TRUE(may_meet(stretches, {999.9}, {0.1}));
  EXPECT_TRUE(may_meet(stretches, {0.1}, {999.9}));
  EXPECT_FALSE(may_meet(stretches, {999.9}, {40.0}));  // stretch 2
  EXPECT_FALSE(may_meet(stretches, {0.1}, {960.0}));   // stretch 61
}

TEST(OccupiedStretches, NotUsedWhereStretchesCannotTellColumnsApart) {
  AxisKeys whole = axis_of_ten(true);
  whole.whole = true;
  EXPECT_FALSE(OccupiedStretches(whole).in_use());
  // floor(2.9 / 1.000001) = 2: fewer than three stretches.
  AxisKeys short_axis = axis_of_ten(false);
  short_axis.length = 2.9;
  EXPECT_FALSE(OccupiedStretches(short_axis).in_use());
  AxisKeys unbounded = axis_of_ten(false);
  unbounded.length = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(OccupiedStretches(unbounded).in_use());
  // Exactly three fit: 3 * 1.000001 <= 3.1.
  AxisKeys three = axis_of_ten(false);
  three.length = 3.1;
  EXPECT_TRUE(OccupiedStretches(three).in_use());
}

}  // namespace
}  // namespace pairprobe
