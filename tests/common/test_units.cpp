// Units on real files: what open creates, what reaches the file and when,
// and records as the readers see them in a file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "process.hpp"
#include "common/record_io.hpp"

namespace {

class UnitFiles : public ::testing::Test {
 protected:
  std::string path_of(const std::string& name) const { return (dir_.path() / name).string(); }

  testsupport::ScratchDir dir_;
};

unsigned permission_bits(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777U;
}

// Opens a file under a given file-creation mask, restoring the previous one.
void open_with_umask(int unit, const std::string& path, rio::OpenStatus status, mode_t mask) {
  const mode_t previous = ::umask(mask);
  try {
    rio::open(unit, path, status);
  } catch (...) {
    ::umask(previous);
    throw;
  }
  ::umask(previous);
}

TEST_F(UnitFiles, NewAndUnknownCreateEmptyFilesReadableAndWritableByAll) {
  const struct {
    rio::OpenStatus status;
    mode_t mask;
    unsigned mode;
  } cases[] = {{rio::OpenStatus::new_file, 022, 0644},
               {rio::OpenStatus::new_file, 0, 0666},
               {rio::OpenStatus::new_file, 0111, 0666},
               {rio::OpenStatus::unknown, 077, 0600}};
  int number = 0;
  for (const auto& [status, mask, mode] : cases) {
    const std::string name = path_of("new" + std::to_string(++number) + ".dat");
    open_with_umask(21, name, status, mask);
    rio::close(21);
    EXPECT_EQ(permission_bits(name), mode) << name;
    EXPECT_EQ(testsupport::read_file(name), "");
  }
}

TEST_F(UnitFiles, UnknownOpensAnExistingFileUnchanged) {
  dir_.write("beadlib.dat", "   7\nsecond line\n");
  rio::open(22, path_of("beadlib.dat"), rio::OpenStatus::unknown);
  std::int32_t first = 0;
  rio::read(22, rio::Layout{"I4"}, first);
  rio::close(22);
  EXPECT_EQ(first, 7);
  EXPECT_EQ(dir_.read("beadlib.dat"), "   7\nsecond line\n");
}

TEST_F(UnitFiles, RecordsReachTheFileWhenWritten) {
  const std::string name = path_of("protein.itp");
  rio::open(23, name, rio::OpenStatus::new_file);
  rio::write(23, rio::Layout{"I4,I4"}, 5, -3);
  EXPECT_EQ(testsupport::read_file(name), "   5  -3\n");
  rio::write_line(23, "Value:");
  rio::write_line(23, "");
  rio::write(23, rio::Layout{R"("[ bonds ]",2X)"});
  EXPECT_EQ(testsupport::read_file(name), "   5  -3\n Value:\n \n[ bonds ]  \n");
  rio::close(23);
  EXPECT_EQ(testsupport::read_file(name), "   5  -3\n Value:\n \n[ bonds ]  \n");
}

TEST_F(UnitFiles, BlockOutputIsHandedOverOnClose) {
  const std::string name = path_of("block.dat");
  rio::open(24, name, rio::OpenStatus::new_file);
  rio::set_block_output(24, true);
  for (std::int32_t i = 1; i <= 3; ++i) rio::write(24, rio::Layout{"I2"}, i);
  rio::close(24);
  EXPECT_EQ(testsupport::read_file(name), " 1\n 2\n 3\n");
}

TEST_F(UnitFiles, CarriageReturnsGoAndAnUnterminatedLastLineIsARecord) {
  dir_.write("crlf.dat", "AB\r\n  12\r\n1 2\r\n3");
  rio::open(26, path_of("crlf.dat"), rio::OpenStatus::old_file);
  rio::FixedText<5> text{};
  rio::read(26, rio::Layout{"A5"}, text);
  EXPECT_EQ(std::string(text.data(), 5), "AB   ");
  std::int32_t number = 0;
  rio::read(26, rio::Layout{"I5"}, number);
  EXPECT_EQ(number, 12);
  std::int32_t second = 0;
  rio::read_free(26, number, second);
  EXPECT_EQ(number * 10 + second, 12);
  rio::read_free(26, number);
  EXPECT_EQ(number, 3);
  try {
    rio::read(26, rio::Layout{"I4"}, number);
    ADD_FAILURE() << "read past the end succeeded";
  } catch (const rio::IoError& error) {
    EXPECT_EQ(error.message_number, 24);
    EXPECT_EQ(error.shown_name, path_of("crlf.dat"));
    EXPECT_EQ(error.os_error, 0);
  }
  rio::close(26);
}

TEST_F(UnitFiles, EveryReadStartsOnTheNextRecord) {
  dir_.write("mixed.dat", "1 2 3\n4 5\n  6 7\n");
  rio::open(27, path_of("mixed.dat"), rio::OpenStatus::old_file);
  std::int32_t free_value = 0;
  std::int32_t fixed_value = 0;
  rio::read_free(27, free_value);
  rio::read(27, rio::Layout{"I1"}, fixed_value);
  EXPECT_EQ(free_value * 10 + fixed_value, 14);
  rio::read_free(27, free_value);
  EXPECT_EQ(free_value, 6);
  rio::close(27);
}

}  // namespace
