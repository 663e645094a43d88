// Whole runs of pairprobe on larger generated configurations, compared byte
// for byte with report lines built here from the reference scan (the plain
// pair loop) and a formatter of its own (printf's correctly rounded %.15e,
// rearranged into the 0.dddD+ee form), with enough pairs that the output
// goes out in many blocks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "pairprobe/reference_scan.hpp"
#include "process.hpp"

namespace pairprobe {
namespace {

// D25.16 of a finite or infinite value (a report never holds a NaN).
std::string d25_16(double value) {
  std::string field;
  if (std::isinf(value)) {
    field = value > 0 ? "Infinity" : "-Infinity";
  } else if (value == 0.0) {
    field = "0.0000000000000000D+00";
  } else {
    char text[40];
    std::snprintf(text, sizeof text, "%.15e", value);  // [-]d.ddddddddddddddde[+-]xx
    const std::string printed = text;
    const std::size_t e = printed.find('e');
    const bool negative = printed[0] == '-';
    const std::string digits =
        printed.substr(negative ? 1 : 0, 1) + printed.substr(negative ? 3 : 2, 15);
    const int exponent = std::atoi(printed.c_str() + e + 1) + 1;
    char exponent_text[16];
    std::snprintf(exponent_text, sizeof exponent_text, "%c%02d", exponent < 0 ? '-' : '+',
                  std::abs(exponent));
    field = std::string(negative ? "-" : "") + "0." + digits + "D" + exponent_text;
  }
  return std::string(25 - field.size(), ' ') + field;
}

std::string i12(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%12d", value);
  return text;
}

std::string expected_report(const Configuration& config) {
  std::string report;
  reference_scan(config, [&](const OverlapPair& p) {
    report += "Overlapping pair found! (i,j,rij,r_hs): (" + i12(p.i) + i12(p.j) +
              d25_16(std::sqrt(p.distance_squared)) + d25_16(config.r_hs) + ")\n";
  });
  return report;
}

// Shortest round-trip digits, so the program reads the very same values.
std::string number(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string file_text(const Configuration& config) {
  std::string text = std::to_string(config.count) + " " + number(config.box[0]) + " " +
                     number(config.box[1]) + " " + number(config.box[2]) + " " +
                     number(config.r_hs) + "\n";
  for (std::size_t k = 0; k < config.positions.size(); ++k) {
    text += number(config.positions.x[k]) + " " + number(config.positions.y[k]) + " " +
            number(config.positions.z[k]) + "\n";
  }
  return text;
}

// `count` particles spread over [low, high) on each axis.
Configuration random_configuration(std::uint64_t seed, int count, std::array<double, 3> box,
                                   double r_hs, double low, double high) {
  std::mt19937_64 engine(seed);
  std::uniform_real_distribution<double> coordinate(low, high);
  Configuration config;
  config.count = count;
  config.box = box;
  config.r_hs = r_hs;
  for (int k = 0; k < count; ++k) {
    config.positions.append(coordinate(engine), coordinate(engine), coordinate(engine));
  }
  return config;
}

// Runs pairprobe on `config`, through `launcher` (a command line that ends
// with the program) when one is given.
void expect_same_report(const Configuration& config, std::size_t least_lines,
                        std::vector<std::string> launcher = {},
                        const std::string& program_path = PAIRPROBE_PATH) {
  const std::string expected = expected_report(config);
  ASSERT_GE(expected.size(), least_lines * 117);
  testsupport::ScratchDir dir;
  dir.write("conf.xyz", file_text(config));
  std::filesystem::permissions(
      dir.path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
      std::filesystem::perm_options::add);
  std::filesystem::permissions(dir.path() / "conf.xyz", std::filesystem::perms::others_read,
                               std::filesystem::perm_options::add);
  launcher.push_back(program_path);
  const std::string program = launcher.front();
  launcher.erase(launcher.begin());
  const testsupport::ProcessResult result = testsupport::run_process(program, launcher, dir.path());
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(result.out == expected)
      << "first difference at byte "
      << std::mismatch(result.out.begin(), result.out.end(), expected.begin(), expected.end())
                 .first -
             result.out.begin();
}

TEST(ProgramAgreement, DenseClusterInTheBox) {
  expect_same_report(random_configuration(11, 3000, {20.0, 20.0, 20.0}, 1.5, 0.0, 20.0), 5000);
}

TEST(ProgramAgreement, UnwrappedCoordinatesAndNegativeDistance) {
  // Coordinates over three box lengths either side, some folded by an edge
  // that is not their minimum image.
  expect_same_report(random_configuration(12, 2500, {7.5, 9.0, 11.0}, -1.25, -25.0, 35.0), 2000);
}

TEST(ProgramAgreement, OpenAxesAndLargeValues) {
  expect_same_report(random_configuration(13, 2000, {0.0, -4.0, 3e8}, 4e7, -1e8, 1e8), 500);
}

TEST(ProgramAgreement, ThreeDigitExponents) {
  expect_same_report(random_configuration(14, 1500, {1e-119, 1e-119, 1e-119}, 1e-120, 0.0, 1e-119),
                     2000);
  // r_hs squared overflows: every pair overlaps, at distances up to Infinity.
  Configuration huge = random_configuration(15, 300, {1e300, 1e300, 1e300}, 1e200, -1e200, 1e200);
  huge.positions.x[7] = 1.5e308;
  expect_same_report(huge, 44000);
}

// A system that refuses to start threads (here: a user allowed a single
// process) leaves the whole scan to the first thread, with the same report.
TEST(ProgramAgreement, ThreadsRefusedBySystem) {
  const char* setpriv = "/usr/bin/setpriv";
  const char* prlimit = "/usr/bin/prlimit";
  if (::geteuid() != 0 || ::access(setpriv, X_OK) != 0 || ::access(prlimit, X_OK) != 0) {
    GTEST_SKIP() << "needs root, setpriv and prlimit to run as a user limited to one process";
  }
  // User nobody runs a copy of the program that every user may reach.
  const std::optional<std::string> program = testsupport::program_for_every_user(PAIRPROBE_PATH);
  if (!program) GTEST_SKIP() << "no directory that user nobody may enter for a copy of pairprobe";
  std::vector<std::string> launcher = {setpriv,          "--reuid=nobody", "--regid=nogroup",
                                       "--clear-groups", prlimit,          "--nproc=1"};
#ifdef __SANITIZE_ADDRESS__
  // The leak checker needs a thread of its own when the program ends.
  launcher.insert(launcher.begin(), {"/usr/bin/env", "ASAN_OPTIONS=detect_leaks=0"});
#endif
  expect_same_report(random_configuration(16, 3000, {20.0, 20.0, 20.0}, 1.5, 0.0, 20.0), 5000,
                     launcher, *program);
}

}  // namespace
}  // namespace pairprobe
