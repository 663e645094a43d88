// The periodic fold and the overlap test, shared by every pair scan so that
// each scan folds and compares exactly alike.
#ifndef PAIRPROBE_PERIODIC_FOLD_HPP
#define PAIRPROBE_PERIODIC_FOLD_HPP

#include <array>
#include <limits>

namespace pairprobe {

// Folds a coordinate difference `d` back by at most one edge `edge`: above
// `threshold` it loses one edge, at or below -threshold (formed as
// 0 - threshold) it gains one. A NaN difference fails both tests and stays.
inline void pbc(double& d, double edge, double threshold) {
  if (d > threshold) {
    d -= edge;
  } else if (d <= 0.0 - threshold) {
    d += edge;
  }
}

// The pbc arguments of one axis.
struct AxisFold {
  double edge;
  double threshold;
};

using BoxFold = std::array<AxisFold, 3>;

// A positive edge makes its axis periodic under the minimum-image convention:
// the threshold is half the edge, so a difference of exactly +edge or -edge
// folds to 0. Any other edge (zero, negative, NaN) leaves the axis unfolded;
// it is given edge 0 and an infinite threshold, with which pbc changes no
// difference, infinite ones included (-inf + 0 is -inf). That keeps the scans
// free of a per-axis branch.
inline AxisFold axis_fold(double edge) {
  if (edge > 0.0) return {edge, 0.5 * edge};
  return {0.0, std::numeric_limits<double>::infinity()};
}

inline BoxFold box_fold(const std::array<double, 3>& box) {
  return {axis_fold(box[0]), axis_fold(box[1]), axis_fold(box[2])};
}

// Squared distance of a pair from its coordinate differences (second
// particle minus first), each folded, summed as (x² + y²) + z².
inline double folded_distance_squared(double dx, double dy, double dz, const BoxFold& fold) {
  pbc(dx, fold[0].edge, fold[0].threshold);
  pbc(dy, fold[1].edge, fold[1].threshold);
  pbc(dz, fold[2].edge, fold[2].threshold);
  return (dx * dx + dy * dy) + dz * dz;
}

// The overlap test: inclusive, so a pair at exactly the hard-sphere distance
// overlaps; a NaN on either side never does.
inline bool overlaps(double distance_squared, double contact_squared) {
  return contact_squared >= distance_squared;
}

}  // namespace pairprobe

#endif
