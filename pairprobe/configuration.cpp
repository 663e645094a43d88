#include "configuration.hpp"

#include <algorithm>
#include <vector>

#include "record_io.hpp"

namespace pairprobe {
namespace {

constexpr int configuration_unit = 12;
constexpr std::int32_t rows_per_batch = 1 << 14;
// Room made for this many particles at most before any is read; beyond it,
// storage grows with the particles actually read.
constexpr std::int32_t rows_reserved_at_most = 1 << 20;

}  // namespace

Configuration read_configuration() {
  rio::open(configuration_unit, "conf.xyz", rio::OpenStatus::old_file);
  Configuration config;
  rio::read_free(configuration_unit, config.count, config.box[0], config.box[1], config.box[2],
                 config.r_hs);
  config.positions.reserve(
      static_cast<std::size_t>(std::clamp(config.count, 0, rows_reserved_at_most)));
  // Rows are read a batch at a time, so memory follows what the file holds.
  std::vector<double> batch;
  for (std::int32_t read = 0; read < config.count;) {
    const std::int32_t rows = std::min(config.count - read, rows_per_batch);
    // A fresh row starts at zero, so a null value or a slash leaves 0.
    batch.assign(static_cast<std::size_t>(rows) * 3, 0.0);
    rio::read_free_rows(configuration_unit, batch, 3);
    for (std::size_t row = 0; row < batch.size(); row += 3) {
      config.positions.append(batch[row], batch[row + 1], batch[row + 2]);
    }
    read += rows;
  }
  rio::close(configuration_unit);
  return config;
}

}  // namespace pairprobe
