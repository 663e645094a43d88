#include "pairprobe/configuration.hpp"

#include <algorithm>
#include <array>
#include <new>
#include <optional>
#include <span>

#include "common/record_io.hpp"

namespace pairprobe {
namespace {

constexpr int configuration_unit = 12;
// Particles made room for at once when the file's length is not known (or
// room for all is refused); beyond that, a batch at a time.
constexpr std::size_t rows_without_known_length = std::size_t{1} << 20;
constexpr std::size_t rows_per_batch = std::size_t{1} << 16;

// The most particles `bytes` of records can hold: each read starts on a
// new record, and the shortest record that completes one is a slash and a
// line feed (the last record needs no line feed).
std::size_t particles_fitting(std::size_t bytes) { return bytes / 2 + 1; }

std::size_t first_room(std::size_t wanted) {
  const std::optional<std::size_t> bytes = rio::input_bytes_left(configuration_unit);
  return std::min(wanted, bytes ? particles_fitting(*bytes) : rows_without_known_length);
}

void make_room(Positions& positions, std::size_t particles) {
  try {
    positions.resize(particles);
  } catch (const std::bad_alloc&) {
    // Far more than the memory: the file very likely ends long before
    // that many particles, so room is made as they are read.
    positions.resize(std::min(particles, rows_without_known_length));
  }
}

void read_rows(Positions& positions, std::size_t first, std::size_t rows) {
  const std::array<std::span<double>, 3> columns{std::span(positions.x).subspan(first, rows),
                                                 std::span(positions.y).subspan(first, rows),
                                                 std::span(positions.z).subspan(first, rows)};
  rio::read_free_columns(configuration_unit, columns);
}

}  // namespace

Configuration read_configuration() {
  rio::open(configuration_unit, "conf.xyz", rio::OpenStatus::old_file);
  Configuration config;
  rio::read_free(configuration_unit, config.count, config.box[0], config.box[1], config.box[2],
                 config.r_hs);
  const auto wanted = static_cast<std::size_t>(std::max(config.count, 0));
  Positions& positions = config.positions;
  make_room(positions, first_room(wanted));
  read_rows(positions, 0, positions.size());
  // Only when the file held more than its length promised, or its length
  // was not known, or room was refused.
  while (positions.size() < wanted) {
    const std::size_t read = positions.size();
    const std::size_t rows = std::min(wanted - read, rows_per_batch);
    positions.resize(read + rows);
    read_rows(positions, read, rows);
  }
  rio::close(configuration_unit);
  return config;
}

}  // namespace pairprobe
