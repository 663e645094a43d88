// Fuzz target: the free-format reader on records in memory. Reads are
// repeated, as a program reads record after record, until the input ends or a
// read is refused (end of file, syntax error, conversion error: all expected
// outcomes). Every record and every target sits in a heap block of its own
// exact size, so that reading or storing past one is caught.
//
// Input: byte 0 gives the number of targets per read (1 to 8); the next that
// many bytes give each target's kind (4-byte integer, 4-byte real, 8-byte
// real or a text of 1 to 12 characters); the rest is the records, separated
// by line feeds.
//
// Number mode, byte 0 at 128 or above: the rest is one value, checked against
// the C library's conversion (number_check.hpp).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "memory_records.hpp"
#include "number_check.hpp"
#include "common/record_parsing.hpp"
#include "common/record_values.hpp"
#include "target_blocks.hpp"

namespace {

using fuzzsupport::MemoryRecords;
using fuzzsupport::TargetBlocks;

constexpr int most_reads = 64;

void add_target(TargetBlocks& blocks, std::uint8_t choice) {
  switch (choice % 4) {
    case 0:
      return blocks.add(rio::ValueKind::int32, sizeof(std::int32_t));
    case 1:
      return blocks.add(rio::ValueKind::real32, sizeof(float));
    case 2:
      return blocks.add(rio::ValueKind::real64, sizeof(double));
    default:
      return blocks.add(rio::ValueKind::text, 1 + (choice / 4) % 12);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  if (data[0] >= 128) {
    fuzzsupport::check_number(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    return 0;
  }
  const std::size_t target_count = 1 + data[0] % 8;
  if (size < 1 + target_count) return 0;
  TargetBlocks blocks;
  for (std::size_t k = 0; k < target_count; ++k) add_target(blocks, data[1 + k]);
  const std::size_t header_size = 1 + target_count;
  MemoryRecords records(
      std::string_view(reinterpret_cast<const char*>(data) + header_size, size - header_size));
  try {
    for (int read = 0; read < most_reads; ++read) {
      rio::read_free_values(records, blocks.targets());
    }
  } catch (const rio::ReadFailure&) {
    // The input ended or held a value the targets cannot take.
  }
  return 0;
}
