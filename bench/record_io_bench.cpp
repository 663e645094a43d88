// Throughput of the record I/O layer: the free-format reader on a file of a
// million lines of three reals (one read per line, and rows read in bulk),
// and the fixed-column and D25.16 writers.
//
//   build/release/bench/bench_record_io
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "common/record_io.hpp"
#include "common/record_parsing.hpp"

namespace {

constexpr int configuration_unit = 12;
constexpr int sink_unit = 20;
constexpr int line_count = 1'000'000;

// A million lines of three reals, as a configuration file holds them.
const std::filesystem::path& coordinate_file() {
  static const std::filesystem::path path = [] {
    auto file = std::filesystem::temp_directory_path() / "bench_record_io_coordinates.txt";
    std::ofstream out(file);
    std::mt19937_64 engine(42);
    std::uniform_real_distribution<double> coordinate(0.0, 100.0);
    char line[96];
    for (int i = 0; i < line_count; ++i) {
      std::snprintf(line, sizeof line, "%.12f %.12f %.12f\n", coordinate(engine),
                    coordinate(engine), coordinate(engine));
      out << line;
    }
    return file;
  }();
  return path;
}

void free_format_reader(benchmark::State& state) {
  const auto& file = coordinate_file();
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(file));
  double x = 0;
  double y = 0;
  double z = 0;
  for (auto _ : state) {
    rio::open(configuration_unit, file.string(), rio::OpenStatus::old_file);
    for (int i = 0; i < line_count; ++i) rio::read_free(configuration_unit, x, y, z);
    rio::close(configuration_unit);
    benchmark::DoNotOptimize(x + y + z);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(free_format_reader)->Unit(benchmark::kMillisecond);

// The same file read as rows of three, many rows per call (plain records
// are then shared between two threads).
void free_format_rows(benchmark::State& state) {
  const auto& file = coordinate_file();
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(file));
  constexpr int rows_per_call = 1 << 14;
  std::vector<double> rows(std::size_t{rows_per_call} * 3);
  for (auto _ : state) {
    rio::open(configuration_unit, file.string(), rio::OpenStatus::old_file);
    for (int read = 0; read < line_count; read += rows_per_call) {
      const int count = std::min(rows_per_call, line_count - read);
      rio::read_free_rows(configuration_unit, std::span(rows).first(std::size_t(count) * 3), 3);
    }
    rio::close(configuration_unit);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(free_format_rows)->Unit(benchmark::kMillisecond)->UseRealTime();  // two threads

// One template bond line: five fields, written to /dev/null record by record.
void fixed_column_writer(benchmark::State& state) {
  static const rio::Layout bond_line{"I4,4X,I4,4X,I4,4X,F8.3,4X,F8.1"};
  rio::open(sink_unit, "/dev/null", rio::OpenStatus::unknown);
  std::int32_t bead = 1;
  for (auto _ : state) {
    rio::write(sink_unit, bond_line, bead, bead + 1, std::int32_t{1}, 0.27F, 5000.0F);
    bead = (bead + 1) & 1023;
  }
  rio::close(sink_unit);
  state.SetItemsProcessed(state.iterations() * 5);
  state.SetLabel("items = fields");
}
BENCHMARK(fixed_column_writer);

// The D25.16 fields of a report line, formatted into a record in memory.
void exponent_formatting(benchmark::State& state) {
  static const rio::Layout two_d{"D25.16,D25.16"};
  std::mt19937_64 engine(7);
  std::uniform_real_distribution<double> distance(0.0, 1.0);
  std::string record;
  double value = distance(engine);
  for (auto _ : state) {
    record.clear();
    const std::array<rio::Value, 2> values{rio::make_value(value), rio::make_value(1.0)};
    benchmark::DoNotOptimize(rio::format_record(record, two_d, values));
    value += 1.0e-3;
  }
  state.SetItemsProcessed(state.iterations() * 2);
  state.SetLabel("items = fields");
}
BENCHMARK(exponent_formatting);

// Whole report lines (literal, 2 x I12, 2 x D25.16, literal) to /dev/null.
void report_line_writer(benchmark::State& state) {
  static const rio::Layout report{R"x("Overlapping pair found! (i,j,rij,r_hs): (",I,I,D,D,")")x"};
  rio::open(sink_unit, "/dev/null", rio::OpenStatus::unknown);
  std::int32_t i = 1;
  for (auto _ : state) {
    rio::write(sink_unit, report, i, i + 1, 0.5 + i * 1.0e-6, 1.0);
    i = (i + 1) & 65535;
  }
  rio::close(sink_unit);
  state.SetItemsProcessed(state.iterations() * 4);
  state.SetLabel("items = numeric fields");
}
BENCHMARK(report_line_writer);

}  // namespace

BENCHMARK_MAIN();
