// Writes a pairprobe configuration for the benchmark: N particles of diameter
// 1 (hard-sphere distance 1) in a cubic periodic box, every coordinate in
// [0, L), particles in random order.
//
//   pairprobe_configuration uniform N FILE [SEED]
//       uniformly random positions at packing fraction 0.01;
//   pairprobe_configuration dense N FILE [SEED [PLANTED]]
//       packing fraction 0.3 without overlaps (each particle jiggled inside
//       its own site of a simple cubic lattice whose spacing exceeds 1 by
//       enough that no two sites' particles can come within 1), plus
//       PLANTED (default 10) planted overlaps: particles moved to 0.5 from
//       another one.
//
// Coordinates are written with 17 significant digits, so they read back as
// the very values generated.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr double uniform_packing = 0.01;
constexpr double dense_packing = 0.3;
constexpr std::size_t default_planted_overlaps = 10;

struct Point {
  double x;
  double y;
  double z;
};

double box_edge(std::size_t count, double packing) {
  const double sphere_volume = std::numbers::pi / 6.0;  // diameter 1
  return std::cbrt(static_cast<double>(count) * sphere_volume / packing);
}

// Brings a coordinate into [0, edge).
double wrap(double value, double edge) {
  double wrapped = std::fmod(value, edge);
  if (wrapped < 0.0) wrapped += edge;
  return wrapped < edge ? wrapped : 0.0;
}

std::vector<Point> uniform_points(std::size_t count, double edge, std::mt19937_64& engine) {
  std::uniform_real_distribution<double> coordinate(0.0, edge);
  std::vector<Point> points(count);
  for (Point& p : points) {
    // wrap: the distribution may round up to the edge itself.
    p = {wrap(coordinate(engine), edge), wrap(coordinate(engine), edge),
         wrap(coordinate(engine), edge)};
  }
  return points;
}

std::vector<Point> lattice_points(std::size_t count, double edge, std::mt19937_64& engine) {
  auto sites_per_edge = static_cast<std::size_t>(std::ceil(std::cbrt(static_cast<double>(count))));
  while (sites_per_edge * sites_per_edge * sites_per_edge < count) ++sites_per_edge;
  const double spacing = edge / static_cast<double>(sites_per_edge);
  if (!(spacing > 1.0)) {
    std::fprintf(stderr, "pairprobe_configuration: lattice spacing %g is not above 1\n", spacing);
    std::exit(1);
  }
  // Two particles of neighbouring sites stay at least spacing - 2 * jiggle
  // = 0.1 * spacing + 0.9 > 1 apart along the axis where their sites differ.
  const double jiggle = 0.45 * (spacing - 1.0);
  std::vector<std::size_t> sites(sites_per_edge * sites_per_edge * sites_per_edge);
  for (std::size_t k = 0; k < sites.size(); ++k) sites[k] = k;
  std::shuffle(sites.begin(), sites.end(), engine);
  std::uniform_real_distribution<double> offset(-jiggle, jiggle);
  std::vector<Point> points(count);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t site = sites[k];
    const auto cx = static_cast<double>(site % sites_per_edge);
    const auto cy = static_cast<double>(site / sites_per_edge % sites_per_edge);
    const auto cz = static_cast<double>(site / (sites_per_edge * sites_per_edge));
    points[k] = {(cx + 0.5) * spacing + offset(engine), (cy + 0.5) * spacing + offset(engine),
                 (cz + 0.5) * spacing + offset(engine)};
  }
  return points;
}

// Moves `planted` particles to 0.5 from another particle, in a random
// direction.
void plant_overlaps(std::vector<Point>& points, double edge, std::size_t planted,
                    std::mt19937_64& engine) {
  std::uniform_int_distribution<std::size_t> pick(0, points.size() - 1);
  std::normal_distribution<double> gauss;
  for (std::size_t k = 0; k < planted && points.size() >= 2; ++k) {
    const std::size_t anchor = pick(engine);
    std::size_t moved = pick(engine);
    while (moved == anchor) moved = pick(engine);
    double dx = gauss(engine);
    double dy = gauss(engine);
    double dz = gauss(engine);
    const double scale = 0.5 / std::sqrt(dx * dx + dy * dy + dz * dz);
    const Point& a = points[anchor];
    points[moved] = {wrap(a.x + dx * scale, edge), wrap(a.y + dy * scale, edge),
                     wrap(a.z + dz * scale, edge)};
  }
}

void append_number(std::string& line, double value) {
  char digits[32];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 17);
  line.append(digits, result.ptr);
}

// Hands the text to the file a megabyte at a time, so that even 10^8
// particles need no copy of the whole file in memory.
void write_configuration(const char* file, const std::vector<Point>& points, double edge) {
  std::FILE* out = std::fopen(file, "w");
  if (out == nullptr) {
    std::perror(file);
    std::exit(1);
  }
  bool written = true;
  std::string text;
  const auto flush = [&] {
    written = written && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    text.clear();
  };
  text += std::to_string(points.size());
  for (int k = 0; k < 3; ++k) {
    text += ' ';
    append_number(text, edge);
  }
  text += " 1.0\n";
  for (const Point& p : points) {
    append_number(text, p.x);
    text += ' ';
    append_number(text, p.y);
    text += ' ';
    append_number(text, p.z);
    text += '\n';
    if (text.size() >= (1 << 20)) flush();
  }
  flush();
  if (!written || std::fclose(out) != 0) {
    std::perror(file);
    std::exit(1);
  }
}

[[noreturn]] void usage() {
  std::fprintf(stderr, "usage: pairprobe_configuration uniform|dense N FILE [SEED [PLANTED]]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 6) usage();
  const std::string_view kind = argv[1];
  const long long count = std::atoll(argv[2]);
  const std::uint64_t seed = argc >= 5 ? std::strtoull(argv[4], nullptr, 10) : 2024;
  const std::size_t planted =
      argc == 6 ? std::strtoull(argv[5], nullptr, 10) : default_planted_overlaps;
  if (count < 1 || count > 2147483647 || (kind != "uniform" && kind != "dense")) usage();
  std::mt19937_64 engine(seed);
  const auto n = static_cast<std::size_t>(count);
  std::vector<Point> points;
  double edge = 0.0;
  if (kind == "uniform") {
    edge = box_edge(n, uniform_packing);
    points = uniform_points(n, edge, engine);
  } else {
    edge = box_edge(n, dense_packing);
    points = lattice_points(n, edge, engine);
    plant_overlaps(points, edge, planted, engine);
  }
  write_configuration(argv[3], points, edge);
  return 0;
}
