#include "configuration.hpp"

#include "record_io.hpp"

namespace pairprobe {
namespace {

constexpr int configuration_unit = 12;

}  // namespace

Configuration read_configuration() {
  rio::open(configuration_unit, "conf.xyz", rio::OpenStatus::old_file);
  Configuration config;
  rio::read_free(configuration_unit, config.count, config.box[0], config.box[1], config.box[2],
                 config.r_hs);
  for (std::int32_t k = 0; k < config.count; ++k) {
    // A fresh row starts at zero, so a null value or a slash leaves 0.
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    rio::read_free(configuration_unit, x, y, z);
    config.positions.append(x, y, z);
  }
  rio::close(configuration_unit);
  return config;
}

}  // namespace pairprobe
