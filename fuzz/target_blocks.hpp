// The targets of one read for the fuzz targets, each value in a heap block of
// its own exact size, so that a store past a value's end is caught.
#ifndef FUZZ_TARGET_BLOCKS_HPP
#define FUZZ_TARGET_BLOCKS_HPP

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "common/record_values.hpp"

namespace fuzzsupport {

class TargetBlocks {
 public:
  // A value of `kind` taking `size` bytes (a text's length), filled with '?'.
  void add(rio::ValueKind kind, std::size_t size) {
    blocks_.push_back(std::make_unique<char[]>(size));
    std::memset(blocks_.back().get(), '?', size);
    targets_.push_back({kind, blocks_.back().get(), kind == rio::ValueKind::text ? size : 0});
  }
  const std::vector<rio::Target>& targets() const { return targets_; }

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<rio::Target> targets_;
};

}  // namespace fuzzsupport

#endif
