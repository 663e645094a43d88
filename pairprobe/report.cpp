#include "report.hpp"

#include <cmath>

#include "record_io.hpp"

namespace pairprobe {

void write_report_line(const OverlapPair& pair, double r_hs) {
  static const rio::Layout report_layout{
      R"layout("Overlapping pair found! (i,j,rij,r_hs): (",I,I,D,D,")")layout"};
  rio::write(rio::stdout_unit, report_layout, pair.i, pair.j, std::sqrt(pair.distance_squared),
             r_hs);
}

}  // namespace pairprobe
