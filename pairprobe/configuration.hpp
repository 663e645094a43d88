// A configuration: particle count, box edges, hard-sphere distance and the
// particle positions, as read from "conf.xyz".
#ifndef PAIRPROBE_CONFIGURATION_HPP
#define PAIRPROBE_CONFIGURATION_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pairprobe {

// Positions stored column by column: all x, then all y, then all z, so that a
// scan over second particles streams through consecutive memory.
struct Positions {
  std::vector<double> x;
  std::vector<double> y;
  std::vector<double> z;

  std::size_t size() const { return x.size(); }
  void reserve(std::size_t particles) {
    x.reserve(particles);
    y.reserve(particles);
    z.reserve(particles);
  }
  void append(double px, double py, double pz) {
    x.push_back(px);
    y.push_back(py);
    z.push_back(pz);
  }
};

struct Configuration {
  std::int32_t count = 0;       // particle count as read; 0 or negative means none
  std::array<double, 3> box{};  // edges along x, y, z as read
  double r_hs = 0.0;            // hard-sphere distance as read, sign kept
  Positions positions;          // particle k (1-based) is row k - 1
};

// Opens "conf.xyz" in the current directory as an existing file (unit 12),
// reads the header and the particle records, and closes it. Values the header
// read leaves unset stay 0. Room for at most 2^20 particles is made at once;
// beyond that positions grow as they are read, so a count the file cannot
// back ends in the end-of-file diagnostic, never in a large allocation. Any
// failure ends the run through the record I/O layer.
Configuration read_configuration();

}  // namespace pairprobe

#endif
