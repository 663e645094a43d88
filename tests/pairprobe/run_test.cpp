// Whole runs of pairprobe in scratch directories: report lines to the last
// column, the fold, the reads, and each failure's diagnostic and status.
// Every expected field below was worked out by hand from the value's exact
// binary expansion, rounded to 16 digits, ties to even.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "process.hpp"

namespace {

using testsupport::ProcessResult;
using testsupport::ScratchDir;

const std::string head = "Overlapping pair found! (i,j,rij,r_hs): (";

// I12 pairs and D25.16 fields used in several tests.
const std::string pair_1_2 = "           1           2";
const std::string zero = "   0.0000000000000000D+00";
const std::string half = "   0.5000000000000000D+00";
const std::string one = "   0.1000000000000000D+01";

// One report line; the length check guards against miscounted blanks.
std::string report(const std::string& pair, const std::string& rij, const std::string& r_hs) {
  std::string line = head + pair + rij + r_hs + ")";
  EXPECT_EQ(line.size(), 116U) << line;
  return line + "\n";
}

std::set<std::string> entries(const ScratchDir& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    names.insert(e.path().filename().string());
  }
  return names;
}

ProcessResult run_in(const ScratchDir& dir, const std::vector<std::string>& args = {}) {
  return testsupport::run_process(PAIRPROBE_PATH, args, dir.path());
}

// Runs on `conf` and checks that the run left no other file behind.
ProcessResult run_on(const std::string& conf) {
  ScratchDir dir;
  dir.write("conf.xyz", conf);
  ProcessResult result = run_in(dir);
  EXPECT_EQ(entries(dir), std::set<std::string>{"conf.xyz"});
  return result;
}

void expect_report(const std::string& conf, const std::string& expected) {
  const ProcessResult result = run_on(conf);
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, expected) << conf;
}

// A failed read: the status, the one diagnostic line (a read failure carries
// no system error), no report line at all, and no file left behind.
void expect_failure(const std::string& conf, int status, const std::string& message) {
  ScratchDir dir;
  dir.write("conf.xyz", conf);
  const ProcessResult result = run_in(dir);
  EXPECT_EQ(result.exit_status, status);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "pairprobe: severe (" + std::to_string(status) + "): " + message +
                            ", unit 12, file " + dir.real_path() + "/conf.xyz\n")
      << conf;
  EXPECT_EQ(entries(dir), std::set<std::string>{"conf.xyz"});
}

TEST(ReportLine, ColumnsOfTheDocumentedLine) {
  // Particles on a grid 2 apart; particle 17 sits 0.5 from particle 3.
  std::string conf = "17 100 100 100 1\n";
  for (int k = 0; k < 16; ++k) conf += std::to_string(2 * k) + " 0 0\n";
  conf += "4.5 0 0\n";
  const std::string line =
      "Overlapping pair found! (i,j,rij,r_hs): (           3          17   "
      "0.5000000000000000D+00   0.1000000000000000D+01)\n";
  expect_report(conf, line);
  EXPECT_EQ(line.substr(52, 1), "3");    // i ends in column 53
  EXPECT_EQ(line.substr(63, 2), "17");   // j ends in column 65
  EXPECT_EQ(line.substr(65, 25), half);  // rij in columns 66-90
  EXPECT_EQ(line.substr(90, 25), one);   // r_hs in columns 91-115
}

TEST(ReportLine, HardSphereDistanceDigits) {
  // Two coincident particles are reported at rij 0 whatever r_hs is, so the
  // r_hs field shows how each value is written.
  const struct {
    const char* r_hs;
    const char* field;
  } cases[] = {
      {"1", "   0.1000000000000000D+01"},
      {"-1", "  -0.1000000000000000D+01"},
      {"0", "   0.0000000000000000D+00"},
      {"-0.0", "   0.0000000000000000D+00"},
      {"0.1", "   0.1000000000000000D+00"},                     // 0.1000000000000000055...
      {"0.6666666666666666", "   0.6666666666666666D+00"},      // 0.66666666666666662965...
      {"1234567890123456.5", "   0.1234567890123456D+16"},      // tie, 6 even: stays
      {"1234567890123457.5", "   0.1234567890123458D+16"},      // tie, 7 odd: up
      {"1234567890123456.75", "   0.1234567890123457D+16"},     // above the tie: up
      {"5.9604644775390625e-08", "   0.5960464477539062D-07"},  // 2^-24: tie, 2 stays
      {"1.0967254638671875e-05", "   0.1096725463867188D-04"},  // 23*2^-21: tie, 7 up
      {"1e98", "   0.1000000000000000D+99"},
      {"1e99", "  0.1000000000000000D+100"},
      {"1d200", "  0.1000000000000000D+201"},
      {"1e-99", "   0.1000000000000000D-98"},
      {"1e-101", "  0.1000000000000000D-100"},
      {"-1e-149", " -0.1000000000000000D-148"},
  };
  for (const auto& c : cases) {
    expect_report(std::string("2 10 10 10 ") + c.r_hs + "\n1 2 3\n1 2 3\n",
                  report(pair_1_2, zero, c.field));
  }
}

TEST(ReportLine, DistanceExtremes) {
  // sqrt(fl(d*d)) is d again, so rij shows d's own digits.
  expect_report("2 10 10 10 1e151\n0 0 0\n1e150 0 0\n",
                report(pair_1_2, "  0.1000000000000000D+151", "  0.1000000000000000D+152"));
  expect_report("2 10 10 10 1e-149\n0 0 0\n0 0 1e-150\n",
                report(pair_1_2, "  0.1000000000000000D-149", "  0.1000000000000000D-148"));
  // 1e200 squared overflows; an r_hs of 1e200 squared does too, and covers it.
  expect_report("2 10 10 10 1e200\n0 0 0\n0 1e200 0\n",
                report(pair_1_2, "                 Infinity", "  0.1000000000000000D+201"));
}

TEST(PeriodicFold, MinimumImageAcrossEachFace) {
  // 9.9 - 0.1 rounds to 9.8000000000000007105; less 10 that is
  // -0.19999999999999928946, whose 16 digits round up at the 16th.
  const std::string near_0_2 = "   0.1999999999999993D+00";
  expect_report("2 10 10 10 1\n0.1 5 5\n9.9 5 5\n", report(pair_1_2, near_0_2, one));
  expect_report("2 10 10 10 1\n5 9.9 5\n5 0.1 5\n", report(pair_1_2, near_0_2, one));
  // Outside the box on z: 10.25 - 0.5 = 9.75, folded to -0.25.
  expect_report("2 10 10 10 1\n5 5 0.5\n5 5 10.25\n",
                report(pair_1_2, "   0.2500000000000000D+00", one));
  // One edge at most: 20.5 - 0.5 = 20 folds to 10, not to 0.
  const std::string ten = "   0.1000000000000000D+02";
  expect_report("2 10 10 10 10\n5 5 0.5\n5 5 20.5\n", report(pair_1_2, ten, ten));
  expect_report("2 10 10 10 1\n5 5 0.5\n5 5 20.5\n", "");
  // Exactly a whole edge apart folds to 0; half an edge apart stays 5.
  expect_report("3 10 10 10 5\n1 1 1\n11 1 1\n1 6 1\n",
                report(pair_1_2, zero, "   0.5000000000000000D+01") +
                    report("           1           3", "   0.5000000000000000D+01",
                           "   0.5000000000000000D+01") +
                    report("           2           3", "   0.5000000000000000D+01",
                           "   0.5000000000000000D+01"));
}

TEST(PeriodicFold, EdgeZeroOrNegativeLeavesTheAxisOpen) {
  expect_report("2 0 10 10 1\n0.25 5 5\n9.75 5 5\n", "");
  expect_report("2 -10 10 10 1\n0.25 5 5\n9.75 5 5\n", "");
  // The y axis stays periodic in both.
  expect_report("2 -10 10 10 1\n5 0.25 5\n5 9.75 5\n", report(pair_1_2, half, one));
}

TEST(Scan, DistanceTestIsInclusive) {
  // A 3-4-5 triangle: s = 9 + 16 = 25 exactly.
  expect_report("2 100 100 100 5\n0 0 0\n3 4 0\n",
                report(pair_1_2, "   0.5000000000000000D+01", "   0.5000000000000000D+01"));
  expect_report("2 100 100 100 4.999999999999999\n0 0 0\n3 4 0\n", "");
}

TEST(Reading, CountsZeroNegativeAndOne) {
  // Nothing after the header is read for a count below 1.
  expect_report("0 10 10 10 1\n", "");
  expect_report("-3 10 10 10 1\nnot read\n", "");
  expect_report("1 10 10 10 1\n1 1 1\nnot read\n", "");
}

TEST(Reading, HeaderOverLinesExtraValuesAndUnsetValues) {
  expect_report("2\n10, 10\n\n10\n1 extra ignored\n1 1 1 99 x\n1.5 1 1\n",
                report(pair_1_2, half, one));
  // A slash leaves r_hs 0: only coincident particles are reported.
  expect_report("3 10 10 10 /\n1 1 1\n1 1 1.5\n1 1 1\n",
                report("           1           3", zero, zero));
  // A null value leaves the y edge 0, so y is not periodic; a null
  // coordinate stays 0 (particle 3 is at y = 0).
  expect_report("3,10,,10,1\n5 0.25 5\n5 9.75 5\n5,,5\n",
                report("           1           3", "   0.2500000000000000D+00", one));
  // A slash first leaves the count 0.
  expect_report("/\n", "");
}

TEST(Failures, MissingFileIsNotCreated) {
  ScratchDir dir;
  const ProcessResult result = run_in(dir);
  EXPECT_EQ(result.exit_status, 29);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "pairprobe: No such file or directory\n"
            "pairprobe: severe (29): file not found, unit 12, file " +
                dir.real_path() + "/conf.xyz\n");
  EXPECT_TRUE(entries(dir).empty());
}

TEST(Failures, EndOfFileSyntaxAndRange) {
  expect_failure("", 24, "end-of-file during read");
  expect_failure("2 10 10\n10\n", 24, "end-of-file during read");
  // Particles 1 and 2 overlap, but nothing is written before all is read.
  expect_failure("3 10 10 10 1\n1 1 1\n1 1 1\n", 24, "end-of-file during read");
  expect_failure("3 10 10 10 1\n1 1 1\n1 1 1\n2 2\n", 24, "end-of-file during read");
  // A count the file cannot back is not allocated up front.
  expect_failure("2147483647 10 10 10 1\n1 1 1\n1 1 1\n", 24, "end-of-file during read");
  expect_failure("2 10 10 ten 1\n", 59, "list-directed I/O syntax error");
  expect_failure("3 10 10 10 1\n1 1 1\n1 1 1\n1 x 1\n", 59, "list-directed I/O syntax error");
  expect_failure("2 10 10 10 1e999\n1 1 1\n1 1 1\n", 64, "input conversion error");
}

TEST(Failures, RefusedWriteToStandardOutput) {
  ScratchDir dir;
  dir.write("conf.xyz", "2 10 10 10 1\n1 1 1\n1 1 1\n");
  const ProcessResult result = testsupport::run_process(
      "/bin/sh", {"-c", std::string("exec '") + PAIRPROBE_PATH + "' >/dev/full"}, dir.path());
  EXPECT_EQ(result.exit_status, 38);
  EXPECT_EQ(result.err,
            "pairprobe: No space left on device\n"
            "pairprobe: severe (38): error during write, unit 6, file stdout\n");
}

TEST(Reading, ReadOnlyFileIsReadNormally) {
  ScratchDir dir;
  dir.write("conf.xyz", "2 10 10 10 1\n0.25 5 5\n9.75 5 5\n");
  std::filesystem::permissions(dir.path() / "conf.xyz", std::filesystem::perms::owner_read);
  const ProcessResult result = run_in(dir);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, report(pair_1_2, half, one));
}

TEST(CommandLine, HelpVersionAndRefusedArguments) {
  ScratchDir dir;  // no conf.xyz: none of these reads it
  const ProcessResult help = run_in(dir, {"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.out.rfind("usage: pairprobe [--help | --version]\n", 0), 0U);
  EXPECT_NE(help.out.find("man pairprobe"), std::string::npos);
  const ProcessResult version = run_in(dir, {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out, std::string("pairprobe ") + CGTOOLS_VERSION + "\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-x"}, std::vector<std::string>{"--help", "--version"}}) {
    const ProcessResult refused = run_in(dir, args);
    EXPECT_EQ(refused.exit_status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("usage: pairprobe [--help | --version]\n"), std::string::npos);
  }
  EXPECT_TRUE(entries(dir).empty());
}

TEST(Example, ReportsItsFiveOverlaps) {
  const std::string expected =
      report(pair_1_2, half, one) +
      report("           3           6", "   0.7500000000000000D+00", one) +
      report("           4           5", half, one) +                        // across the x faces
      report("           7          10", one, one) +                         // exactly r_hs apart
      report("           8           9", "   0.6250000000000000D+00", one);  // y and z faces
  expect_report(testsupport::read_file(PAIRPROBE_EXAMPLE), expected);
}

}  // namespace
