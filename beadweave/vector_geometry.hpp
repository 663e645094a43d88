// Vector geometry on three-dimensional vectors of 8-byte reals: the angle
// between two vectors (the one operation the topology builder calls), the
// cross product, the scalar product and the norm.
#ifndef BEADWEAVE_VECTOR_GEOMETRY_HPP
#define BEADWEAVE_VECTOR_GEOMETRY_HPP

#include <array>

namespace beadweave {

// x, y, z.
using Vector3 = std::array<double, 3>;

// The 4-byte real nearest to pi, widened: the angle of two opposite vectors
// and the pi of the degree conversion.
inline constexpr double float_pi = static_cast<double>(3.14159265358979323846F);

// Angle between a and b in radians, 0 to float_pi. A vector of zero length
// (or a norm that is not a number) writes "Vector with zero norm found ???"
// on standard error and ends the run with exit status 1; it never returns.
double angvec(const Vector3& a, const Vector3& b);
// w = a x b; w may be the same vector as a or b.
void prodvec(const Vector3& a, const Vector3& b, Vector3& w);
// Scalar product (ax*bx + ay*by) + az*bz.
double prodsca(const Vector3& a, const Vector3& b);
// Euclidean norm, sqrt((ax*ax + ay*ay) + az*az).
double vecnorm(const Vector3& a);

}  // namespace beadweave

#endif
