#include "report.hpp"

#include <array>
#include <cmath>

#include "common/record_io.hpp"

namespace pairprobe {

namespace {

const rio::Layout& report_layout() {
  static const rio::Layout layout{
      R"layout("Overlapping pair found! (i,j,rij,r_hs): (",I,I,D,D,")")layout"};
  return layout;
}

// The values of a pair's line, in the order of its fields.
void put_report_values(const OverlapPair& pair, double r_hs, std::span<rio::Value> values) {
  values[0] = rio::make_value(pair.i);
  values[1] = rio::make_value(pair.j);
  values[2] = rio::make_value(std::sqrt(pair.distance_squared));
  values[3] = rio::make_value(r_hs);
}

}  // namespace

void write_report_line(const OverlapPair& pair, double r_hs) {
  std::array<rio::Value, 4> values;
  put_report_values(pair, r_hs, values);
  rio::vwrite(rio::stdout_unit, report_layout(), values);
}

void write_report_lines(std::span<const OverlapPair> pairs, double r_hs) {
  rio::vwrite_many(rio::stdout_unit, report_layout(), pairs.size(),
                   [&](std::size_t k, std::span<rio::Value> values) {
                     put_report_values(pairs[k], r_hs, values);
                   });
}

}  // namespace pairprobe
