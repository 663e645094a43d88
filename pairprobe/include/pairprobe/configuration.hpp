// A configuration: particle count, box edges, hard-sphere distance and the
// particle positions, as read from "conf.xyz".
#ifndef PAIRPROBE_CONFIGURATION_HPP
#define PAIRPROBE_CONFIGURATION_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pairprobe/bulk_storage.hpp"

namespace pairprobe {

// Positions stored column by column: all x, then all y, then all z, so that a
// scan over second particles streams through consecutive memory.
struct Positions {
  BulkVector<double> x;
  BulkVector<double> y;
  BulkVector<double> z;

  std::size_t size() const { return x.size(); }
  // New rows are left uninitialised, to be overwritten.
  void resize(std::size_t particles) {
    x.resize(particles);
    y.resize(particles);
    z.resize(particles);
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
// reads the header and the particle records, and closes it. Values a read
// leaves unset are 0. Room is made once, for the count read or for as many
// particles as the rest of the file can hold, whichever is less; only a file
// that grows while it is read (or a stream of unknown length) makes the
// positions grow as they are read. So a count the file cannot back ends in
// the end-of-file diagnostic, never in a large allocation. Any failure ends
// the run through the record I/O layer.
Configuration read_configuration();

}  // namespace pairprobe

#endif
