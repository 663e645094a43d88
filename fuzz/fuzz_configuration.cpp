// Fuzz target: the input stage of pairprobe. The input is written to
// "conf.xyz" in a scratch directory and read as the program reads it; a
// refused read (IoError) is the expected outcome of a bad configuration. A
// configuration that is read and small enough is then scanned, and each
// report line formatted in memory, which must be 116 characters whatever
// values the file held (infinities and NaN included).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/record_io.hpp"
#include "common/record_parsing.hpp"
#include "fuzz_support.hpp"
#include "pairprobe/configuration.hpp"
#include "pairprobe/reference_scan.hpp"

namespace {

constexpr std::size_t most_scanned_particles = 64;
constexpr std::size_t report_line_length = 116;

void check_positions(const pairprobe::Configuration& config) {
  const std::size_t expected = config.count > 0 ? static_cast<std::size_t>(config.count) : 0;
  if (config.positions.size() != expected || config.positions.y.size() != expected ||
      config.positions.z.size() != expected) {
    fuzzsupport::finding("the positions read differ from the particle count");
  }
}

void check_report_line(const pairprobe::OverlapPair& pair, double r_hs) {
  static const rio::Layout report_layout{
      R"layout("Overlapping pair found! (i,j,rij,r_hs): (",I,I,D,D,")")layout"};
  if (pair.i < 1 || pair.j <= pair.i) fuzzsupport::finding("a pair out of order");
  const rio::Value values[] = {rio::make_value(pair.i), rio::make_value(pair.j),
                               rio::make_value(std::sqrt(pair.distance_squared)),
                               rio::make_value(r_hs)};
  std::string line;
  if (!rio::format_record(line, report_layout, values)) {
    fuzzsupport::finding("a report field overflowed");
  }
  if (line.size() != report_line_length) fuzzsupport::finding("a report line of the wrong length");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::enter_scratch_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::write_file("conf.xyz", data, size);
  pairprobe::Configuration config;
  try {
    config = pairprobe::read_configuration();
  } catch (const rio::IoError&) {
    rio::close_all();
    return 0;  // a bad configuration: short, or a value that is no number
  }
  rio::close_all();
  check_positions(config);
  if (config.positions.size() <= most_scanned_particles) {
    pairprobe::reference_scan(config, [&config](const pairprobe::OverlapPair& pair) {
      check_report_line(pair, config.r_hs);
    });
  }
  return 0;
}
