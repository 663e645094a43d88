// The report line of one overlapping pair, written to standard output.
#ifndef PAIRPROBE_REPORT_HPP
#define PAIRPROBE_REPORT_HPP

#include <span>

#include "pairprobe/overlap_pair.hpp"

namespace pairprobe {

// Writes the 116-character line for `pair`: the text, i and j as I12, the
// distance (square root of the squared one) and `r_hs` as D25.16, and ")".
void write_report_line(const OverlapPair& pair, double r_hs);
// The lines of many pairs, in order: the same bytes as one call each, the
// lines formatted by several threads.
void write_report_lines(std::span<const OverlapPair> pairs, double r_hs);

}  // namespace pairprobe

#endif
