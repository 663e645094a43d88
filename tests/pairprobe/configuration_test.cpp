// Reading conf.xyz in-process: room made from the count and the file's
// length, the values of odd records, a stream of unknown length, and counts
// the file cannot back.
#include "pairprobe/configuration.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "process.hpp"
#include "common/record_io.hpp"

namespace pairprobe {
namespace {

// Runs `read` with the scratch directory as the current directory.
class ConfigurationReading : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  // The message number of the failure that ends the read, or 0.
  static int failure_of_read(Configuration& config) {
    try {
      config = read_configuration();
    } catch (const rio::IoError& error) {
      rio::close_all();
      return error.message_number;
    }
    return 0;
  }

  testsupport::ScratchDir dir_;
  std::filesystem::path previous_;
};

std::vector<double> row(const Positions& p, std::size_t k) { return {p.x[k], p.y[k], p.z[k]}; }

TEST_F(ConfigurationReading, OddRecordsGiveTheValuesOfOneReadEach) {
  // Plain, commas, a slash (y and z stay 0), a null value and a trailing
  // comma (the read goes on to the next record), a repeat count of which
  // one value is used and the rest of its record dropped, a repeat count;
  // then a record that is never read.
  dir_.write("conf.xyz", "6 10 10 10 1\n1 2 3\n4,5,6\n7 /\n,8,\n9\n10 11\n3*12\n3*12\nnot read\n");
  Configuration config;
  ASSERT_EQ(failure_of_read(config), 0);
  ASSERT_EQ(config.positions.size(), 6U);
  EXPECT_EQ(row(config.positions, 0), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(row(config.positions, 1), (std::vector<double>{4, 5, 6}));
  EXPECT_EQ(row(config.positions, 2), (std::vector<double>{7, 0, 0}));
  EXPECT_EQ(row(config.positions, 3), (std::vector<double>{0, 8, 9}));
  EXPECT_EQ(row(config.positions, 4), (std::vector<double>{10, 11, 12}));
  EXPECT_EQ(row(config.positions, 5), (std::vector<double>{12, 12, 12}));
}

TEST_F(ConfigurationReading, CountsTheFileCannotBackEndAtItsEnd) {
  // Slashes are the shortest particles there are: two bytes each.
  for (const std::string& content :
       {std::string("2147483647 1 1 1 1\n/\n/\n/"), std::string("5 1 1 1 1\n/\n/\n/\n/\n"),
        std::string("1000000 1 1 1 1\n") + std::string(1000, '\n')}) {
    dir_.write("conf.xyz", content);
    Configuration config;
    EXPECT_EQ(failure_of_read(config), rio::msg_end_of_file) << content.substr(0, 20);
  }
  // Exactly as many slashes as particles, the last without a line feed.
  dir_.write("conf.xyz", "4 1 1 1 1\n/\n/\n/\n/");
  Configuration config;
  ASSERT_EQ(failure_of_read(config), 0);
  EXPECT_EQ(config.positions.size(), 4U);
  EXPECT_EQ(row(config.positions, 3), (std::vector<double>{0, 0, 0}));
}

TEST_F(ConfigurationReading, AStreamOfUnknownLengthIsReadToTheCount) {
  // A named pipe has no length: room is made as the particles come.
  ASSERT_EQ(::mkfifo("conf.xyz", 0600), 0);
  const std::size_t count = 70000;  // beyond one batch of rows
  std::thread writer([count] {
    std::string text = std::to_string(count) + " 10 10 10 1\n";
    for (std::size_t k = 0; k < count; ++k) text += std::to_string(k) + " 0.5 -1\n";
    FILE* pipe = std::fopen("conf.xyz", "w");
    if (pipe == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), pipe);
    std::fclose(pipe);
  });
  Configuration config;
  const int failure = failure_of_read(config);
  writer.join();
  ASSERT_EQ(failure, 0);
  ASSERT_EQ(config.positions.size(), count);
  std::size_t wrong = 0;
  for (std::size_t k = 0; k < count; ++k) {
    wrong += row(config.positions, k) != std::vector<double>{static_cast<double>(k), 0.5, -1};
  }
  EXPECT_EQ(wrong, 0U);
}

}  // namespace
}  // namespace pairprobe
