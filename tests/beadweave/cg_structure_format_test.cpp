// The structure file's record layouts: what beadmap's layout writes stands
// in the columns beadweave's layout reads, and reads back as written.
#include "beadweave/cg_structure_format.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "common/record_parsing.hpp"
#include "common/record_values.hpp"

namespace {

namespace cg_format = beadweave::cg_format;

std::string written(std::int32_t serial, const char* bead, const char* residue, char chain,
                    std::int32_t number, char insertion, double x, double y, double z) {
  const auto bead_name = rio::fixed_text<3>(bead);
  const auto residue_name = rio::fixed_text<3>(residue);
  const rio::Value values[] = {rio::make_value(serial),
                               rio::make_value(bead_name),
                               rio::make_value(residue_name),
                               rio::make_value(std::string_view(&chain, 1)),
                               rio::make_value(number),
                               rio::make_value(std::string_view(&insertion, 1)),
                               rio::make_value(x),
                               rio::make_value(y),
                               rio::make_value(z)};
  std::string record;
  EXPECT_TRUE(rio::format_record(record, cg_format::bead_write_layout(), values));
  return record;
}

TEST(StructureFileFormat, BeadRecordsInThePdbColumnsAndReadBackAsWritten) {
  // Columns: ATOM 1-4, serial 5-11, bead name 14-16, residue name 18-20,
  // chain 22, number 23-26, insertion code 27, x y z 31-54, then 1.00 0.00.
  EXPECT_EQ(written(1, "BB", "MET", 'A', 1, ' ', 26.913, 27.38, 3.47),
            "ATOM      1  BB  MET A   1      26.913  27.380   3.470  1.00  0.00");
  const std::string record = written(9999, "SC4", "TRP", 'z', -999, 'B', -999.999, 0.0, 9999.999);
  EXPECT_EQ(record, "ATOM   9999  SC4 TRP z-999B   -999.999   0.0009999.999  1.00  0.00");

  std::int32_t serial = 0, number = 0;
  rio::FixedText<3> bead{}, residue{};
  double x = 0, y = 1, z = 0;
  const std::array<rio::Target, 7> targets{rio::make_target(serial),  rio::make_target(bead),
                                           rio::make_target(residue), rio::make_target(number),
                                           rio::make_target(x),       rio::make_target(y),
                                           rio::make_target(z)};
  rio::read_fixed_record(record, cg_format::bead_read_layout(), targets);
  EXPECT_EQ(serial, 9999);
  EXPECT_EQ(std::string(bead.data(), 3), "SC4");
  EXPECT_EQ(std::string(residue.data(), 3), "TRP");
  EXPECT_EQ(number, -999);
  EXPECT_EQ(x, -999.999);
  EXPECT_EQ(y, 0.0);
  EXPECT_EQ(z, 9999.999);
}

TEST(StructureFileFormat, AHeaderWithCountsInFourColumnsAndNoMore) {
  std::string header;
  const rio::Value counts[] = {rio::make_value(std::int32_t{76}),
                               rio::make_value(std::int32_t{163})};
  EXPECT_TRUE(rio::format_record(header, cg_format::header_layout(), counts));
  EXPECT_EQ(header, "HEADER number of residues:   76 number of beads:  163");
  const rio::Value too_many[] = {rio::make_value(std::int32_t{1}),
                                 rio::make_value(cg_format::max_beads + 1)};
  std::string overflowing;
  EXPECT_FALSE(rio::format_record(overflowing, cg_format::header_layout(), too_many));
}

}  // namespace
