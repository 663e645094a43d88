// Records in memory for the fuzz targets, handed out as a unit hands out the
// records of a file.
#ifndef FUZZ_MEMORY_RECORDS_HPP
#define FUZZ_MEMORY_RECORDS_HPP

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "common/record_parsing.hpp"
#include "common/text_records.hpp"

namespace fuzzsupport {

// The records of a text as rio::TextRecords cuts them, but each in a heap
// block of its own exact size, so that reading past its end is caught.
class MemoryRecords final : public rio::RecordSource {
 public:
  explicit MemoryRecords(std::string_view data) : records_(data) {}

  bool next_record(std::string_view& record) override {
    std::string_view text;
    if (!records_.next_record(text)) return false;
    current_ = std::make_unique<char[]>(text.size());
    std::memcpy(current_.get(), text.data(), text.size());
    record = std::string_view(current_.get(), text.size());
    return true;
  }

 private:
  rio::TextRecords records_;
  std::unique_ptr<char[]> current_;  // valid until the next call, as a unit's record
};

}  // namespace fuzzsupport

#endif
