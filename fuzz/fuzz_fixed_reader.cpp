// Fuzz target: the fixed-column reader. One record is read by one of the
// layouts the programs read with, or by one that uses every field code, into
// targets of matching kinds, each in its own heap block so that a store past
// its end is caught. A conversion the reader refuses is an expected outcome.
//
// Input: byte 0 picks the layout, byte 1 gives each real field a 4-byte
// (bit clear) or 8-byte (bit set) target, byte 2 the length of the text
// targets (1 to 8); the rest is the record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "common/layout.hpp"
#include "common/record_parsing.hpp"
#include "common/record_values.hpp"
#include "target_blocks.hpp"

namespace {

using fuzzsupport::TargetBlocks;

const rio::Layout layouts[] = {
    rio::Layout{"A3,4X,I1,3X,I1,3X,I1,3X,I1,3X,I1"},
    rio::Layout{R"("HEADER number of residues: ",I4," number of beads: ",I4)"},
    rio::Layout{R"("ATOM",I7,1X,A4,1X,A3,2X,I4,4X,3F8.3)"},
    rio::Layout{"I,D,A,I,D"},
    rio::Layout{R"(F5.2,D12.4,I12,A1,2X,A10,F1.0,"lit""eral",F30.10,I1,D25.16,300X,I3,F9.0)"},
};
constexpr std::size_t layout_count = sizeof layouts / sizeof layouts[0];
constexpr std::size_t header_size = 3;

// A target of the matching kind for each data field of the layout.
void add_targets(const rio::Layout& layout, unsigned real_bits, std::size_t text_length,
                 TargetBlocks& blocks) {
  unsigned real_field = 0;
  for (const rio::FieldSpec& field : layout.fields()) {
    switch (field.code) {
      case rio::FieldCode::integer:
        blocks.add(rio::ValueKind::int32, sizeof(std::int32_t));
        break;
      case rio::FieldCode::fixed:
      case rio::FieldCode::exponent:
        if (((real_bits >> (real_field++ % 8)) & 1U) != 0) {
          blocks.add(rio::ValueKind::real64, sizeof(double));
        } else {
          blocks.add(rio::ValueKind::real32, sizeof(float));
        }
        break;
      case rio::FieldCode::text:
        blocks.add(rio::ValueKind::text, text_length);
        break;
      default:
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < header_size) return 0;
  const rio::Layout& layout = layouts[data[0] % layout_count];
  TargetBlocks blocks;
  add_targets(layout, data[1], 1 + data[2] % 8, blocks);
  // The record in a block of its own size: reading past its end is caught.
  const std::size_t record_size = size - header_size;
  const auto record = std::make_unique<char[]>(record_size);
  std::memcpy(record.get(), data + header_size, record_size);
  try {
    rio::read_fixed_record(std::string_view(record.get(), record_size), layout, blocks.targets());
  } catch (const rio::ReadFailure&) {
    // A field that is not a number of its kind: refused, as it should be.
  }
  return 0;
}
