// Records held in a text in memory, handed out one line at a time as a unit
// hands out the records of a file: up to each line feed, a carriage return
// before it dropped, a last line without line feed kept.
#ifndef RECORD_IO_TEXT_RECORDS_HPP
#define RECORD_IO_TEXT_RECORDS_HPP

#include <cstddef>
#include <string_view>

#include "common/record_parsing.hpp"

namespace rio {

class TextRecords final : public RecordSource {
 public:
  explicit TextRecords(std::string_view text) : rest_(text) {}

  bool next_record(std::string_view& record) override {
    if (rest_.empty()) return false;
    const std::size_t line_feed = rest_.find('\n');
    std::size_t length = line_feed == std::string_view::npos ? rest_.size() : line_feed;
    const std::size_t consumed = line_feed == std::string_view::npos ? length : length + 1;
    if (length > 0 && rest_[length - 1] == '\r') --length;
    record = rest_.substr(0, length);
    rest_.remove_prefix(consumed);
    ++records_taken_;
    return true;
  }

  // How many records were handed out: the number of the last one.
  std::size_t records_taken() const { return records_taken_; }

 private:
  std::string_view rest_;
  std::size_t records_taken_ = 0;
};

}  // namespace rio

#endif
