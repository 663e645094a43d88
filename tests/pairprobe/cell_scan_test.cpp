// The cell-list scan against the reference scan (the plain pair loop) on
// thousands of seeded random and adversarial configurations: both must hand
// over the same pairs, in the same order, with bit-identical squared
// distances, whatever the threads, blocks, chunks and cell sizes.
#include "pairprobe/cell_scan.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pairprobe/reference_scan.hpp"
#include "sanitizer_builds.hpp"

namespace pairprobe {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct Found {
  std::int32_t i;
  std::int32_t j;
  std::uint64_t s_bits;  // compared bit for bit
  bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
  return out << "(" << f.i << "," << f.j << ": " << std::bit_cast<double>(f.s_bits) << ")";
}

Found found(const OverlapPair& p) {
  return {p.i, p.j, std::bit_cast<std::uint64_t>(p.distance_squared)};
}

std::vector<Found> reference_pairs(const Configuration& config) {
  std::vector<Found> pairs;
  reference_scan(config, [&pairs](const OverlapPair& p) { pairs.push_back(found(p)); });
  return pairs;
}

std::vector<Found> cell_pairs(const Configuration& config, const CellScanOptions& options) {
  std::vector<Found> pairs;
  cell_list_scan(
      config, [&pairs](const OverlapPair& p) { pairs.push_back(found(p)); }, options);
  return pairs;
}

// Defaults, one thread, narrow and wide columns, a bin per particle and one
// bin per column (the columns then sorted outright), the grid sorted through
// groups as for a large run, and the streaming traversal with small blocks
// and chunks on several threads.
const CellScanOptions option_sets[] = {
    {},
    {.threads = 1, .particles_per_bin = 0.05},
    {.threads = 3,
     .particles_per_column = 0.05,
     .particles_per_bin = 1e9,
     .sorted_at_once_below = 0},
    {.threads = 2, .particles_per_bin = 0.3, .sorted_at_once_below = 0},
    {.threads = 2,
     .particles_per_column = 8.0,
     .collected_pairs = 0,
     .block_particles = 5,
     .chunk_pairs = 2},
    {.threads = 3, .collected_pairs = 3, .block_particles = 16, .chunk_pairs = 1},
    {.threads = 1, .collected_pairs = 0},
};

std::string describe(const Configuration& config) {
  std::ostringstream text;
  text.precision(17);
  text << config.positions.size() << " particles, box " << config.box[0] << " " << config.box[1]
       << " " << config.box[2] << ", r_hs " << config.r_hs;
  return text.str();
}

// Compares the cell-list scan with the reference under the default options
// and under option set `variant` (taken modulo the others); returns the
// number of pairs found.
std::size_t expect_agreement(const Configuration& config, const std::string& label,
                             std::size_t variant) {
  const std::vector<Found> expected = reference_pairs(config);
  for (const std::size_t k : {std::size_t{0}, 1 + variant % (std::size(option_sets) - 1)}) {
    const std::vector<Found> got = cell_pairs(config, option_sets[k]);
    if (got != expected) {
      ADD_FAILURE() << label << ", option set " << k << ": " << describe(config) << "\n"
                    << testing::PrintToString(got) << "\n  expected\n"
                    << testing::PrintToString(expected);
      break;
    }
  }
  return expected.size();
}

// The same under every option set.
std::size_t expect_agreement_everywhere(const Configuration& config, const std::string& label) {
  std::size_t pairs = 0;
  for (std::size_t k = 0; k + 1 < std::size(option_sets); ++k) {
    pairs = expect_agreement(config, label, k);
  }
  return pairs;
}

class ConfigMaker {
 public:
  explicit ConfigMaker(std::uint64_t seed) : engine_(seed) {}

  double uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(engine_);
  }
  int integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  bool chance(double p) { return std::bernoulli_distribution(p)(engine_); }
  template <typename T, std::size_t N>
  T pick(const T (&choices)[N]) {
    return choices[static_cast<std::size_t>(integer(0, static_cast<int>(N) - 1))];
  }

 private:
  std::mt19937_64 engine_;
};

void add(Configuration& config, double x, double y, double z) {
  config.positions.append(x, y, z);
  config.count = static_cast<std::int32_t>(config.positions.size());
}

// A copy of an earlier particle, shifted by (dx, dy, dz).
void add_beside(Configuration& config, ConfigMaker& make, double dx, double dy, double dz) {
  const Positions& p = config.positions;
  const auto k = static_cast<std::size_t>(make.integer(0, static_cast<int>(p.size()) - 1));
  add(config, p.x[k] + dx, p.y[k] + dy, p.z[k] + dz);
}

// Coordinate k of a particle in [0, edge), or in the open range [-50, 50)
// where the edge is not positive and finite.
double inside(ConfigMaker& make, double edge) {
  if (edge > 0.0 && edge < inf) return make.uniform(0.0, edge);
  return make.uniform(-50.0, 50.0);
}

Configuration random_wrapped(ConfigMaker& make) {
  Configuration config;
  for (double& edge : config.box)
    edge = make.chance(0.5) ? make.uniform(1.0, 20.0) : make.integer(1, 80) / 4.0;
  const double shortest = std::min({config.box[0], config.box[1], config.box[2]});
  config.r_hs = shortest * make.pick({0.02, 0.1, 0.2, 0.33, 0.5, 0.7}) * make.uniform(0.5, 1.0);
  if (make.chance(0.3)) config.r_hs = -config.r_hs;
  const int n = make.integer(0, 250);
  for (int k = 0; k < n; ++k) {
    if (k > 0 && make.chance(0.05)) {
      add_beside(config, make, 0.0, 0.0, 0.0);  // coincident
    } else {
      add(config, inside(make, config.box[0]), inside(make, config.box[1]),
          inside(make, config.box[2]));
    }
  }
  return config;
}

// Particles anywhere: whole edges away, or very far, where subtracting the
// coordinates rounds by more than the box.
Configuration unwrapped(ConfigMaker& make) {
  Configuration config = random_wrapped(make);
  Positions& p = config.positions;
  for (std::size_t k = 0; k < p.size(); ++k) {
    std::array<double*, 3> coordinate{&p.x[k], &p.y[k], &p.z[k]};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      const double edge = config.box[axis];
      const double shift = make.pick({0.0, 1.0, -1.0, 2.0, -3.0, 7.0, 1e6, -1e9, 1e15, 3e17});
      if (make.chance(0.6)) *coordinate[axis] += shift * edge;
    }
  }
  return config;
}

// Exact binary fractions, so that planted distances are exact: pairs at
// exactly r_hs (along an axis, or as a 3-4-5 triangle), at exactly half and
// whole edges, just beyond r_hs, and across the faces.
Configuration planted(ConfigMaker& make) {
  Configuration config;
  for (double& edge : config.box) edge = make.integer(8, 64) / 4.0;
  const double unit = make.integer(1, 8) / 8.0;  // r_hs = 5 units
  config.r_hs = make.chance(0.2) ? -5.0 * unit : 5.0 * unit;
  const int n = make.integer(1, 120);
  for (int k = 0; k < n; ++k) {
    add(config, make.integer(0, static_cast<int>(config.box[0] * 64) - 1) / 64.0,
        make.integer(0, static_cast<int>(config.box[1] * 64) - 1) / 64.0,
        make.integer(0, static_cast<int>(config.box[2] * 64) - 1) / 64.0);
  }
  const int planted_pairs = make.integer(1, 60);
  for (int k = 0; k < planted_pairs; ++k) {
    const int axis = make.integer(0, 2);
    const double edge = config.box[static_cast<std::size_t>(axis)];
    const double sign = make.chance(0.5) ? 1.0 : -1.0;
    const double r = std::abs(config.r_hs);
    std::array<double, 3> step{};
    switch (make.integer(0, 7)) {
      case 0:
        step[static_cast<std::size_t>(axis)] = sign * r;
        break;
      case 1:
        step = {sign * 3 * unit, 4 * unit, 0.0};
        break;
      case 2:
        step[static_cast<std::size_t>(axis)] = sign * edge / 2;
        break;
      case 3:
        step[static_cast<std::size_t>(axis)] = sign * edge;
        break;
      case 4:
        step[static_cast<std::size_t>(axis)] = sign * (r + 1.0 / 64);
        break;
      case 5:
        step[static_cast<std::size_t>(axis)] = sign * (edge - r);
        break;
      case 6:
        step[static_cast<std::size_t>(axis)] = sign * (edge / 2 + r);
        break;
      default:
        step = {sign * edge, sign * r, -edge};
        break;
    }
    add_beside(config, make, step[0], step[1], step[2]);
  }
  return config;
}

// Axes that do not fold: edge 0, -0, negative, NaN or infinite.
Configuration open_axes(ConfigMaker& make) {
  Configuration config = random_wrapped(make);
  for (double& edge : config.box) {
    if (make.chance(0.6)) edge = make.pick({0.0, -0.0, -5.0, nan, inf, -inf});
  }
  config.r_hs = make.pick({0.5, 2.0, 7.0, 30.0, -3.0, 120.0});
  Positions& p = config.positions;
  for (std::size_t k = 0; k < p.size(); ++k) {
    if (!(config.box[0] > 0.0 && config.box[0] < inf)) p.x[k] = make.uniform(-50.0, 50.0);
    if (!(config.box[1] > 0.0 && config.box[1] < inf)) p.y[k] = make.uniform(-50.0, 50.0);
    if (!(config.box[2] > 0.0 && config.box[2] < inf)) p.z[k] = make.uniform(-50.0, 50.0);
    if (make.chance(0.1)) p.y[k] = 0.0;  // many on one plane
  }
  return config;
}

// Tiny and huge scales: subnormal and overflowing differences, squares that
// underflow to zero or overflow to infinity, r_hs whose square does too.
Configuration extreme_scale(ConfigMaker& make) {
  Configuration config = random_wrapped(make);
  const double scale = make.pick({1e-300, 1e-160, 1e-20, 1e20, 1e150, 1e154, 1e300});
  for (double& edge : config.box) edge *= scale;
  config.r_hs *= scale;
  Positions& p = config.positions;
  for (std::size_t k = 0; k < p.size(); ++k) {
    p.x[k] *= scale;
    p.y[k] *= scale;
    p.z[k] *= scale;
    if (make.chance(0.1)) p.x[k] = make.pick({1.7e308, -1.7e308, 4.9e-324, -1e-170, 1e-170});
  }
  if (make.chance(0.3)) {
    config.r_hs = make.pick({0.0, -0.0, 1e-170, 1e-160, 4.9e-324, 1e154, 1.3e154, 1.4e154, 1e300});
  }
  return config;
}

// NaN and infinite coordinates, edges and hard-sphere distances.
Configuration non_finite(ConfigMaker& make) {
  Configuration config = random_wrapped(make);
  Positions& p = config.positions;
  for (std::size_t k = 0; k < p.size(); ++k) {
    if (make.chance(0.15)) {
      std::array<double*, 3> coordinate{&p.x[k], &p.y[k], &p.z[k]};
      *coordinate[static_cast<std::size_t>(make.integer(0, 2))] = make.pick({nan, inf, -inf});
    }
  }
  if (make.chance(0.3)) config.r_hs = make.pick({inf, -inf, nan});
  if (make.chance(0.3)) config.box[static_cast<std::size_t>(make.integer(0, 2))] = inf;
  return config;
}

// r_hs around a third, a half and a whole edge, and beyond: where an axis
// changes from three cells to one, and where pairs fold across the box.
Configuration reach_against_edge(ConfigMaker& make) {
  Configuration config = random_wrapped(make);
  const double edge = config.box[0];
  const double ratio = make.pick({1.0 / 3, 0.5, 1.0, 2.0, 0.34, 0.49, 0.51});
  config.r_hs = edge * ratio;
  if (make.chance(0.3)) config.r_hs = std::nextafter(config.r_hs, make.chance(0.5) ? 0.0 : inf);
  if (make.chance(0.2)) config.r_hs = -config.r_hs;
  if (!config.positions.x.empty() && make.chance(0.7)) {
    for (int k = 0; k < 20; ++k) add_beside(config, make, make.pick({0.5, -0.5, 1.0}) * edge, 0, 0);
  }
  return config;
}

using Maker = Configuration (*)(ConfigMaker&);

// Under the thread sanitizer, every kind runs a quarter of its
// configurations, and finds about a quarter of the pairs.
constexpr int configurations_share = testsupport::thread_sanitizer_share;

// Runs `count` configurations of one kind (a share of them under the thread
// sanitizer); returns the pairs found in all.
std::size_t run_kind(Maker maker, const std::string& kind, std::uint64_t seed, int count) {
  ConfigMaker make(seed);
  std::size_t pairs = 0;
  for (int k = 0; k < count / configurations_share; ++k) {
    pairs +=
        expect_agreement(maker(make), kind + " #" + std::to_string(k), static_cast<std::size_t>(k));
    if (testing::Test::HasFailure()) break;
  }
  return pairs;
}

// Each kind must find pairs to compare at all; the minimum counts are far
// below what the seeds give, so they only catch a generator gone empty.
std::size_t at_least(std::size_t pairs) { return pairs / configurations_share; }

TEST(CellScanAgreement, RandomWrappedConfigurations) {
  EXPECT_GT(run_kind(random_wrapped, "wrapped", 1, 600), at_least(10000U));
}

TEST(CellScanAgreement, ParticlesWholeEdgesAndFarOutsideTheBox) {
  EXPECT_GT(run_kind(unwrapped, "unwrapped", 2, 500), at_least(5000U));
}

TEST(CellScanAgreement, PlantedPairsAtContactHalfAndWholeEdges) {
  EXPECT_GT(run_kind(planted, "planted", 3, 600), at_least(3000U));
}

TEST(CellScanAgreement, OpenAxes) {
  EXPECT_GT(run_kind(open_axes, "open axes", 4, 400), at_least(5000U));
}

TEST(CellScanAgreement, TinyHugeAndOverflowingValues) {
  EXPECT_GT(run_kind(extreme_scale, "extreme", 5, 500), at_least(5000U));
}

TEST(CellScanAgreement, NonFiniteCoordinatesEdgesAndDistances) {
  EXPECT_GT(run_kind(non_finite, "non-finite", 6, 400), at_least(5000U));
}

TEST(CellScanAgreement, HardSphereDistanceAgainstTheEdge) {
  EXPECT_GT(run_kind(reach_against_edge, "reach", 7, 400), at_least(5000U));
}

// Pairs exactly at the contact distance in every direction of a lattice,
// across every face: each particle overlaps its six neighbours.
TEST(CellScanAgreement, LatticeAtExactlyTheContactDistance) {
  for (const int side : {3, 4, 7}) {
    Configuration config;
    config.box = {side * 1.5, side * 1.5, side * 1.5};
    config.r_hs = 1.5;
    for (int z = 0; z < side; ++z) {
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) add(config, x * 1.5, y * 1.5, z * 1.5);
      }
    }
    // Each of side^3 particles has 6 neighbours at exactly 1.5; each pair
    // counts once. (With side 3 the neighbours on either side differ.)
    EXPECT_EQ(expect_agreement_everywhere(config, "lattice " + std::to_string(side)),
              static_cast<std::size_t>(3 * side * side * side));
  }
}

// Very many pairs, handed over in tiny chunks between threads; a sink that
// now and then pauses lets chunks pile up behind the one being passed on.
TEST(CellScanAgreement, ManyPairsKeepTheirOrder) {
  ConfigMaker make(8);
  for (int k = 0; k < 4; ++k) {
    Configuration config;
    config.box = {10.0, 10.0, 10.0};
    config.r_hs = make.pick({3.4, 4.0, 6.0});
    for (int p = 0; p < 500; ++p)
      add(config, make.uniform(0, 10), make.uniform(0, 10), make.uniform(0, 10));
    const std::vector<Found> expected = reference_pairs(config);
    EXPECT_GT(expected.size(), 10000U);
    for (const CellScanOptions& options : option_sets) {
      std::vector<Found> got;
      const auto pausing_sink = [&got](const OverlapPair& p) {
        if (got.size() % 2000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        got.push_back(found(p));
      };
      cell_list_scan(config, pausing_sink, options);
      EXPECT_EQ(got, expected) << describe(config);
    }
  }
}

// A sink that fails part way (as a refused write does) ends the scan with
// its exception, after exactly the pairs before it, in order.
TEST(CellScanAgreement, FailingSinkEndsTheScan) {
  ConfigMaker make(9);
  Configuration config;
  config.box = {10.0, 10.0, 10.0};
  config.r_hs = 3.0;
  for (int p = 0; p < 400; ++p)
    add(config, make.uniform(0, 10), make.uniform(0, 10), make.uniform(0, 10));
  const std::vector<Found> expected = reference_pairs(config);
  ASSERT_GT(expected.size(), 2000U);
  for (const CellScanOptions& options : option_sets) {
    std::vector<Found> got;
    const auto failing_sink = [&got](const OverlapPair& p) {
      if (got.size() == 1000) throw std::runtime_error("refused");
      got.push_back(found(p));
    };
    EXPECT_THROW(cell_list_scan(config, failing_sink, options), std::runtime_error);
    EXPECT_EQ(got, std::vector<Found>(expected.begin(), expected.begin() + 1000));
  }
}

}  // namespace
}  // namespace pairprobe
