// Whole runs of the built beadbuild, and the pieces of its topology files
// that the tests look at.
#ifndef TESTS_BEADBUILD_RUNS_HPP
#define TESTS_BEADBUILD_RUNS_HPP

#include <string>
#include <utility>
#include <vector>

#include "process.hpp"

namespace bbtest {

// Runs the built beadbuild in `dir` with standard input closed.
testsupport::ProcessResult run_beadbuild(const testsupport::ScratchDir& dir,
                                         const std::vector<std::string>& args);

// A GLY residue whose four backbone atoms have their centroid at (x, y, 0)
// angstrom: one bead, BB, there.
std::string glycine(char chain, int number, double x, double y);

// Two chains of glycines at z = 0: A, five residues numbered from 1, 3.8
// angstrom apart along x from the origin; B, three residues numbered from
// `first_of_b`, 6 angstrom along y beside A's first three.
std::string dimer_entry(int first_of_b = 1);

// The data lines of a topology section ("bonds", "angles" ...): comment and
// empty lines left out, up to the next section.
std::vector<std::string> section_lines(const std::string& topology, const std::string& section);

// The first two numbers of each data line of a section whose last number is
// `force_constant` ("150000" for the consecutive backbone bonds ...).
std::vector<std::pair<int, int>> bonded_pairs(const std::string& topology,
                                              const std::string& force_constant);

// The outer beads of each backbone angle line with force constant 40 and
// reference 120 (one of the two lines at each middle bead).
std::vector<int> angle_middles(const std::string& topology);

}  // namespace bbtest

#endif
