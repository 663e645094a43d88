// Hostile file contents: empty files, binary garbage, NUL bytes, numbers
// beyond every range, signs and exponents alone, repeat counts of 0 and
// beyond 2^31, quoted texts never closed. Each case runs a program beside a
// topology left by an earlier run and checks the exit status, both output
// streams, and that the directory afterwards holds exactly what it held.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "hardening_runs.hpp"

namespace hardening {
namespace {

// What a run must end with; "@" in `err` stands for the scratch directory.
struct Outcome {
  int status;
  std::string out;
  std::string err;
};

struct BadFile {
  std::string what;
  std::string content;
  Outcome outcome;
};

// Every byte value once, in order: the first record holds bytes 0 to 9.
std::string every_byte() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

std::string with_nul(std::string text) {
  for (char& c : text) {
    if (c == '@') c = '\0';
  }
  return text;
}

// `text` with line `line` (from 0) replaced by `record`.
std::string replace_line(std::string text, int line, const std::string& record) {
  std::size_t start = 0;
  for (int k = 0; k < line; ++k) start = text.find('\n', start) + 1;
  return text.replace(start, text.find('\n', start) - start, record);
}

void expect_outcome(const ScratchDir& dir, const ProcessResult& result, const Outcome& outcome,
                    const std::string& what) {
  std::string err = outcome.err;
  for (std::size_t at = err.find('@'); at != std::string::npos; at = err.find('@', at)) {
    err.replace(at, 1, dir.real_path());
  }
  EXPECT_EQ(result.exit_status, outcome.status) << what << "\n" << result.err;
  EXPECT_EQ(result.out, outcome.out) << what;
  EXPECT_EQ(result.err, err) << what;
}

// ---- beadweave --------------------------------------------------------------

const std::string bead_count_lines =
    " The PDB file you give as an input is not formattedcorrectly\n"
    " Tip: The first line should be the number of residues`and then of atoms.\n";

Outcome library_refused(int number, const std::string& message) {
  return {number, "", diagnostic("beadweave", number, message, 11, "@/beadlib.dat")};
}

Outcome structure_refused(int number, const std::string& message) {
  return {number, "", diagnostic("beadweave", number, message, 13, "@/pdb-CG.pdb")};
}

// Both inputs were read whole: the run reaches the topology file, which it
// must not overwrite.
const Outcome inputs_read{
    10, "",
    diagnostic("beadweave", 10, cannot_overwrite, 12, "@/protein.itp", std::strerror(EEXIST))};

void run_beadweave_on(const std::string& library, const std::string& structure,
                      const Outcome& outcome, const std::string& what) {
  ScratchDir dir;
  dir.write("beadlib.dat", library);
  dir.write("pdb-CG.pdb", structure);
  dir.write("protein.itp", old_topology);
  const Listing before = listing(dir);
  ProcessOptions options;
  options.input = example_answers;
  const ProcessResult result = run_beadweave(dir, options);
  expect_outcome(dir, result, outcome, what);
  EXPECT_EQ(listing_changes(before, listing(dir)), "") << what;
}

// The example library's first template is ALA, one bead:
//   ALA    1   0   0   0   0
//       1    P4     1   ALA    BB     1   0.000
std::string library_with_bead(const std::string& record) {
  return replace_line(example_library(), 1, record);
}

TEST(BadLibrary, EachEndsTheRunWithItsDiagnosticBeforeAnythingIsWritten) {
  const std::vector<BadFile> cases = {
      {"empty", "", library_refused(24, end_of_file)},
      // Column 8, the bead count, holds byte 7.
      {"binary garbage", every_byte(), library_refused(64, input_conversion)},
      {"NUL glued to the charge",
       with_nul("ALA@@@@1   0   0   0   0@@\n    1    P4     1   ALA    BB     1   0.000@\n"),
       library_refused(59, syntax_error)},
      {"charge 1e400", library_with_bead("    1    P4     1   ALA    BB     1   1e400"),
       library_refused(64, input_conversion)},
      {"charge 1e39, beyond the 4-byte real",
       library_with_bead("    1    P4     1   ALA    BB     1    1e39"),
       library_refused(64, input_conversion)},
      {"ignored id 99999999999",
       library_with_bead("99999999999    P4     1   ALA    BB     1   0.000"),
       library_refused(64, input_conversion)},
      {"charge group -2147483649",
       library_with_bead("    1    P4     1   ALA    BB -2147483649   0.000"),
       library_refused(64, input_conversion)},
      {"id sign alone", library_with_bead("    -    P4     1   ALA    BB     1   0.000"),
       library_refused(59, syntax_error)},
      {"charge sign alone", library_with_bead("    1    P4     1   ALA    BB     1   +"),
       library_refused(59, syntax_error)},
      {"charge exponent alone", library_with_bead("    1    P4     1   ALA    BB     1   e5"),
       library_refused(59, syntax_error)},
      {"charge without exponent digits",
       library_with_bead("    1    P4     1   ALA    BB     1   1e"),
       library_refused(59, syntax_error)},
      {"repeat count 0", library_with_bead("  0*1    P4     1   ALA    BB     1   0.000"),
       library_refused(59, syntax_error)},
      {"repeat count 2^40",
       library_with_bead("1099511627776*1    P4     1   ALA    BB     1   0.000"),
       library_refused(59, syntax_error)},
      {"repeat count 2^31", library_with_bead("2147483648*1    P4     1   ALA    BB     1   0.000"),
       library_refused(59, syntax_error)},
      {"quoted text never closed",
       library_with_bead("    1    'P4     1   ALA    BB     1   0.000"),
       library_refused(59, syntax_error)},
      // A quote must close within its record, even when the value goes on.
      {"quote closed on the next line",
       library_with_bead("    1    'P4\n'     1   ALA    BB     1   0.000"),
       library_refused(59, syntax_error)},
      // What the run reads of these is sound: it reaches the topology file.
      {"NUL where nothing is read",
       replace_line(replace_line(example_library(), 0, with_nul("ALA@@@@1   0   0   0   0@@@")), 1,
                    with_nul("    1    P4     1   ALA    BB     1   0.000 @@@")),
       inputs_read},
      {"charge group -2147483648",
       library_with_bead("    1    P4     1   ALA    BB -2147483648   0.000"), inputs_read},
      {"repeat count 2147483647, nulls for the rest", library_with_bead("    1    P4 2147483647*"),
       inputs_read},
  };
  for (const BadFile& c : cases) {
    run_beadweave_on(c.content, example_structure(), c.outcome, "beadlib.dat: " + c.what);
  }
}

// The example structure's first lines:
//   HEADER number of residues:   76 number of beads:  163
//   ATOM      1  BB  MET A   1      27.174  25.663   3.378  1.00  0.00
std::string structure_with_bead(const std::string& record) {
  return replace_line(example_structure(), 1, record);
}

TEST(BadStructure, EachEndsTheRunWithItsDiagnosticBeforeAnythingIsWritten) {
  const std::string bead_head = "ATOM      1  BB  MET A   1    ";  // columns 1-30
  const std::vector<BadFile> cases = {
      {"empty", "", structure_refused(24, end_of_file)},
      // The header record is bytes 0 to 9: both counts lie past its end and
      // read as blanks, so the bead count is 0.
      {"binary garbage", every_byte(), {1, bead_count_lines, ""}},
      {"NUL in x", structure_with_bead(with_nul(bead_head + "  27.1@@  25.663   3.378")),
       structure_refused(64, input_conversion)},
      {"x 1e400", structure_with_bead(bead_head + "   1e400  25.663   3.378"),
       structure_refused(64, input_conversion)},
      {"x 1.0e39, beyond the 4-byte real", structure_with_bead(bead_head + "  1.0e39  25.663"),
       structure_refused(64, input_conversion)},
      {"x exponent alone", structure_with_bead(bead_head + "      e5  25.663   3.378"),
       structure_refused(64, input_conversion)},
      // Columns 5 and 6 fall into the serial number.
      {"HETATM record",
       structure_with_bead("HETATM    1  BB  MET A   1      27.174  25.663   3.378"),
       structure_refused(64, input_conversion)},
      {"bead count beyond the file",
       replace_line(example_structure(), 0,
                    "HEADER number of residues:   76 number of beads: 9999"),
       structure_refused(24, end_of_file)},
      {"bead count sign alone",
       replace_line(example_structure(), 0,
                    "HEADER number of residues:   76 number of beads:    -"),
       {1, bead_count_lines, ""}},
      // Columns 21-22 and those after 54 are not read.
      {"NUL where nothing is read",
       structure_with_bead(with_nul("ATOM      1  BB  MET@@   1      27.174  25.663   3.378@@@")),
       inputs_read},
  };
  for (const BadFile& c : cases) {
    run_beadweave_on(example_library(), c.content, c.outcome, "pdb-CG.pdb: " + c.what);
  }
}

// ---- pairprobe --------------------------------------------------------------

Outcome configuration_refused(int number, const std::string& message) {
  return {number, "", diagnostic("pairprobe", number, message, 12, "@/conf.xyz")};
}

const Outcome nothing_reported{0, "", ""};

TEST(BadConfiguration, EachEndsTheRunWithItsDiagnosticAndNoReportLine) {
  const std::vector<BadFile> cases = {
      {"empty", "", configuration_refused(24, end_of_file)},
      // The first value is bytes 0 to 8 (byte 9 is a tab).
      {"binary garbage", every_byte(), configuration_refused(59, syntax_error)},
      {"NUL glued to the count", with_nul("3@ 10 10 10 1\n"),
       configuration_refused(59, syntax_error)},
      {"count 1e400", "1e400 10 10 10 1\n", configuration_refused(64, input_conversion)},
      {"count 99999999999", "99999999999 10 10 10 1\n",
       configuration_refused(64, input_conversion)},
      {"count -2147483649", "-2147483649 10 10 10 1\n",
       configuration_refused(64, input_conversion)},
      {"edge 1e400", "3 1e400 10 10 1\n", configuration_refused(64, input_conversion)},
      {"coordinate -1e400", "2 10 10 10 1\n0 -1e400 0\n0 0 0\n",
       configuration_refused(64, input_conversion)},
      {"count sign alone", "- 10 10 10 1\n", configuration_refused(59, syntax_error)},
      {"distance sign alone", "3 10 10 10 +\n", configuration_refused(59, syntax_error)},
      {"distance exponent alone", "3 10 10 10 e5\n", configuration_refused(59, syntax_error)},
      {"distance signed exponent alone", "3 10 10 10 E+5\n",
       configuration_refused(59, syntax_error)},
      {"distance without exponent digits", "3 10 10 10 1e\n",
       configuration_refused(59, syntax_error)},
      {"repeat count 0", "0*3 10 10 10 1\n", configuration_refused(59, syntax_error)},
      {"repeat count 2^40", "3 1099511627776*10 1\n", configuration_refused(59, syntax_error)},
      {"repeat count 2^31 of nulls", "1 2147483648*\n0 0 0\n",
       configuration_refused(59, syntax_error)},
      {"quoted count never closed", "'3 10 10 10 1\n", configuration_refused(59, syntax_error)},
      {"quoted distance never closed", "3 10 10 10 '1.0\n",
       configuration_refused(59, syntax_error)},
      // Sound as far as they are read: one particle or none, so no pair.
      {"NUL after the fifth value", with_nul("0 10 10 10 1 @@@\n"), nothing_reported},
      {"count -2147483648", "-2147483648 10 10 10 1\n", nothing_reported},
      {"repeat count 2147483647 of nulls", "1 2147483647*\n0 0 0\n", nothing_reported},
  };
  for (const BadFile& c : cases) {
    ScratchDir dir;
    dir.write("conf.xyz", c.content);
    dir.write("protein.itp", old_topology);
    const Listing before = listing(dir);
    expect_outcome(dir, run_pairprobe(dir), c.outcome, "conf.xyz: " + c.what);
    EXPECT_EQ(listing_changes(before, listing(dir)), "") << c.what;
  }
}

}  // namespace
}  // namespace hardening
