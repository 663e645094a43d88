// Records in memory for the fuzz targets, handed out as a unit hands out the
// records of a file.
#ifndef FUZZ_MEMORY_RECORDS_HPP
#define FUZZ_MEMORY_RECORDS_HPP

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "record_parsing.hpp"

namespace fuzzsupport {

// Up to each line feed, a carriage return before it dropped, a last record
// without line feed kept. Each record sits in a heap block of its own exact
// size, so that reading past its end is caught.
class MemoryRecords final : public rio::RecordSource {
 public:
  explicit MemoryRecords(std::string_view data) : rest_(data) {}

  bool next_record(std::string_view& record) override {
    if (rest_.empty()) return false;
    const std::size_t line_feed = rest_.find('\n');
    std::size_t length = line_feed == std::string_view::npos ? rest_.size() : line_feed;
    const std::size_t consumed = line_feed == std::string_view::npos ? length : length + 1;
    if (length > 0 && rest_[length - 1] == '\r') --length;
    current_ = std::make_unique<char[]>(length);
    std::memcpy(current_.get(), rest_.data(), length);
    record = std::string_view(current_.get(), length);
    rest_.remove_prefix(consumed);
    return true;
  }

 private:
  std::string_view rest_;
  std::unique_ptr<char[]> current_;  // valid until the next call, as a unit's record
};

}  // namespace fuzzsupport

#endif
