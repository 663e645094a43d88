#include "report.hpp"

#include <cmath>

#include "record_io.hpp"

namespace pairprobe {

namespace {

const rio::Layout& report_layout() {
  static const rio::Layout layout{
      R"layout("Overlapping pair found! (i,j,rij,r_hs): (",I,I,D,D,")")layout"};
  return layout;
}

}  // namespace

void write_report_line(const OverlapPair& pair, double r_hs) {
  rio::write(rio::stdout_unit, report_layout(), pair.i, pair.j, std::sqrt(pair.distance_squared),
             r_hs);
}

void write_report_lines(std::span<const OverlapPair> pairs, double r_hs) {
  rio::vwrite_many(rio::stdout_unit, report_layout(), pairs.size(),
                   [&](std::size_t k, std::span<rio::Value> values) {
                     values[0] = rio::make_value(pairs[k].i);
                     values[1] = rio::make_value(pairs[k].j);
                     values[2] = rio::make_value(std::sqrt(pairs[k].distance_squared));
                     values[3] = rio::make_value(r_hs);
                   });
}

}  // namespace pairprobe
