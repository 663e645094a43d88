// Where along x a sparse column holds particles, one bit per stretch of the
// axis: two columns whose occupied stretches are neither the same nor
// neighbours hold no two particles within a window of each other, which one
// AND of two 128-bit words tells, without going through their keys
// together. In a sparse configuration most pairs of neighbouring columns are
// such.
#ifndef PAIRPROBE_OCCUPIED_STRETCHES_HPP
#define PAIRPROBE_OCCUPIED_STRETCHES_HPP

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "grid_plan.hpp"

namespace pairprobe {

// One bit a stretch: two machine words, which the compiler handles as one.
__extension__ using StretchWord = unsigned __int128;

class OccupiedStretches {
 public:
  // Stretches as many as fit, up to 128, each wider than a window by a
  // margin that covers the rounding of key times stretches per length; none
  // (not in use) when fewer than three fit, a window covers the whole
  // column, or the axis has no finite length.
  explicit OccupiedStretches(const AxisKeys& axis) {
    if (axis.whole || !(axis.length > 0.0) || !std::isfinite(axis.length)) return;
    const double fitting = std::floor(axis.length / (axis.window * (1.0 + width_margin)));
    if (!(fitting >= 3.0)) return;
    count_ = static_cast<unsigned>(std::min(fitting, static_cast<double>(most_stretches)));
    per_length_ = count_ / axis.length;
    periodic_ = axis.periodic;
    all_ = count_ == most_stretches ? ~StretchWord{0} : (StretchWord{1} << count_) - 1;
  }

  bool in_use() const { return count_ > 0; }

  // The stretches holding keys (which lie in [0, length]; one may exceed
  // it by rounding, and the last stretch takes it).
  StretchWord of(std::span<const double> keys) const {
    StretchWord mask = 0;
    for (const double key : keys) {
      const auto stretch = static_cast<unsigned>(key * per_length_);
      mask |= StretchWord{1} << std::min(stretch, count_ - 1);
    }
    return mask;
  }

  // The stretches a column's windows reach: those it holds keys in and
  // their neighbours, the first and the last being neighbours on a periodic
  // axis (a window that runs past one end continues at the other).
  StretchWord reached(StretchWord occupied) const {
    StretchWord near = occupied | (occupied << 1) | (occupied >> 1);
    if (periodic_) near |= ((occupied & 1) << (count_ - 1)) | (occupied >> (count_ - 1));
    return near & all_;
  }

  // Whether some key of one column may lie within a window of some key of
  // the other: their stretches are the same or neighbours. A column that
  // meets several others finds its reached stretches once.
  static bool reach_meets(StretchWord reached_by_a, StretchWord occupied_by_b) {
    return (reached_by_a & occupied_by_b) != 0;
  }

 private:
  static constexpr double width_margin = 1e-6;
  static constexpr unsigned most_stretches = 128;

  unsigned count_ = 0;
  double per_length_ = 0.0;
  bool periodic_ = false;
  StretchWord all_ = 0;
};

}  // namespace pairprobe

#endif
