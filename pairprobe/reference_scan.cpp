#include "pairprobe/reference_scan.hpp"

#include <cstddef>

#include "pairprobe/periodic_fold.hpp"

namespace pairprobe {

void reference_scan(const Configuration& config, const OverlapSink& sink) {
  const BoxFold fold = box_fold(config.box);
  const double contact_squared = config.r_hs * config.r_hs;
  const std::size_t n = config.positions.size();
  const double* x = config.positions.x.data();
  const double* y = config.positions.y.data();
  const double* z = config.positions.z.data();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const double xi = x[i];
    const double yi = y[i];
    const double zi = z[i];
    for (std::size_t j = i + 1; j < n; ++j) {
      const double s = folded_distance_squared(x[j] - xi, y[j] - yi, z[j] - zi, fold);
      if (overlaps(s, contact_squared)) {
        // The count is a 4-byte integer, so every particle number fits one.
        sink({static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1), s});
      }
    }
  }
}

}  // namespace pairprobe
