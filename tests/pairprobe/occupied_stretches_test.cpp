// The occupied stretches of sparse columns: two columns are passed over only
// when no key of one can lie within a window of a key of the other, the
// first and last stretches of a periodic axis being neighbours.
#include "occupied_stretches.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
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

// The word's bits, as a printable number for each half.
struct Halves {
  std::uint64_t high;
  std::uint64_t low;
  bool operator==(const Halves&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Halves& halves) {
  return out << std::hex << halves.high << ":" << halves.low << std::dec;
}
Halves halves_of(StretchWord word) {
  return {static_cast<std::uint64_t>(word >> 64), static_cast<std::uint64_t>(word)};
}
Halves bit(unsigned k) { return halves_of(StretchWord{1} << k); }

Halves stretches_of(const OccupiedStretches& stretches, std::vector<double> keys) {
  return halves_of(stretches.of(keys));
}

// As the scan asks it: the stretches a's windows reach against b's.
bool may_meet(const OccupiedStretches& stretches, std::vector<double> a, std::vector<double> b) {
  return OccupiedStretches::reach_meets(stretches.reached(stretches.of(a)), stretches.of(b));
}

TEST(OccupiedStretches, ColumnsMeetOnlyInTheSameOrNeighbouringStretches) {
  for (const bool periodic : {false, true}) {
    const OccupiedStretches stretches(axis_of_ten(periodic));
    ASSERT_TRUE(stretches.in_use());
    // 0.5 is in stretch 0; 2.0 in stretch 1 (1.8); 2.9 in stretch 2 (2.61).
    EXPECT_EQ(stretches_of(stretches, {0.5, 2.0, 2.9}), (Halves{0, 0b111}));
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
  EXPECT_EQ(stretches_of(stretches, {10.0}), bit(8));
  EXPECT_EQ(stretches_of(stretches, {10.0 + 1e-15}), bit(8));
}

TEST(OccupiedStretches, AHundredAndTwentyEightAtMostAcrossBothHalvesOfTheWord) {
  // Length 1000, window 1: 128 stretches of 7.8125, so that the last one's
  // wrapped neighbour is bit 0 of a full word.
  AxisKeys axis;
  axis.periodic = true;
  axis.edge = 1000.0;
  axis.length = 1000.0;
  axis.window = 1.0;
  const OccupiedStretches stretches(axis);
  EXPECT_EQ(stretches_of(stretches, {999.9}), bit(127));
  EXPECT_TRUE(may_meet(stretches, {999.9}, {0.1}));
  EXPECT_TRUE(may_meet(stretches, {0.1}, {999.9}));
  EXPECT_FALSE(may_meet(stretches, {999.9}, {40.0}));  // stretch 5
  EXPECT_FALSE(may_meet(stretches, {0.1}, {960.0}));   // stretch 122
  // Stretches 63 (492.19 to 500) and 64 meet across the halves of the word;
  // 63 and 65 (507.81 on) do not.
  EXPECT_EQ(stretches_of(stretches, {499.0, 501.0}), (Halves{1, std::uint64_t{1} << 63}));
  EXPECT_TRUE(may_meet(stretches, {499.0}, {501.0}));
  EXPECT_TRUE(may_meet(stretches, {501.0}, {499.0}));
  EXPECT_FALSE(may_meet(stretches, {499.0}, {509.0}));
  EXPECT_FALSE(may_meet(stretches, {509.0}, {499.0}));
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
