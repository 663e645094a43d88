#include "vector_geometry.hpp"

#include <cmath>

#include "common/record_io.hpp"

namespace beadweave {
namespace {

// Exit status of a run that met a degenerate backbone: the run failed, and a
// script calling the program must be able to tell.
constexpr int zero_norm_status = 1;

// The message is the program's own, question marks included.
[[noreturn]] void zero_norm_stop() {
  rio::write_line(rio::stderr_unit, "Vector with zero norm found ???");
  rio::stop_run(zero_norm_status);
}

}  // namespace

double vecnorm(const Vector3& a) { return std::sqrt((a[0] * a[0] + a[1] * a[1]) + a[2] * a[2]); }

double prodsca(const Vector3& a, const Vector3& b) {
  return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2];
}

void prodvec(const Vector3& a, const Vector3& b, Vector3& w) {
  // Every input component is read before w is touched, so w may alias a or b.
  const double ax = a[0], ay = a[1], az = a[2];
  const double bx = b[0], by = b[1], bz = b[2];
  w[0] = ay * bz - az * by;
  w[1] = az * bx - ax * bz;
  w[2] = ax * by - ay * bx;
}

double angvec(const Vector3& a, const Vector3& b) {
  const double norm_a = vecnorm(a);
  const double norm_b = vecnorm(b);
  // Written as "not greater than" so that a norm that is not a number stops too.
  if (!(norm_a > 0.0) || !(norm_b > 0.0)) zero_norm_stop();
  const double norms = norm_a * norm_b;
  const double cosine = prodsca(a, b) / norms;
  // Rounding can push the cosine of (anti)parallel vectors past +-1; arc
  // cosine is only taken strictly inside the interval.
  if (cosine >= 1.0) return 0.0;
  if (cosine <= -1.0) return float_pi;
  return std::acos(cosine);
}

}  // namespace beadweave
