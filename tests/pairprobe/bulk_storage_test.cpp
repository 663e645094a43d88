// Storage of the large arrays: values kept across growth from heap blocks to
// mapped ones and back, blocks that do not overlap, and huge-page alignment
// of mapped blocks (where the build maps them).
#include "pairprobe/bulk_storage.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace pairprobe {
namespace {

TEST(BulkStorage, ValuesSurviveGrowthAcrossBlockKinds) {
  // 2^20 doubles take 8 MiB: the vector moves from heap blocks to mapped
  // ones as it grows one value at a time, then shrinks back to a small one.
  BulkVector<double> values;
  constexpr std::size_t count = std::size_t{1} << 20;
  for (std::size_t k = 0; k < count; ++k) values.push_back(static_cast<double>(k) * 0.5);
  std::size_t wrong = 0;
  for (std::size_t k = 0; k < count; ++k) wrong += values[k] != static_cast<double>(k) * 0.5;
  EXPECT_EQ(wrong, 0U);
  values.resize(10);
  values.shrink_to_fit();
  EXPECT_EQ(values.back(), 4.5);
  // A copy is a block of its own.
  BulkVector<double> copy = values;
  copy[0] = -1.0;
  EXPECT_EQ(values[0], 0.0);
}

TEST(BulkStorage, BlocksAreDistinctAndLargeOnesAligned) {
  constexpr std::size_t large = std::size_t{6} << 20;  // bytes
  void* a = allocate_bulk(large);
  void* b = allocate_bulk(large);
  const auto start_a = reinterpret_cast<std::uintptr_t>(a);
  const auto start_b = reinterpret_cast<std::uintptr_t>(b);
  EXPECT_TRUE(start_a + large <= start_b || start_b + large <= start_a);
  // Every byte of both blocks is writable.
  std::fill_n(static_cast<unsigned char*>(a), large, 0xA5);
  std::fill_n(static_cast<unsigned char*>(b), large, 0x5A);
  EXPECT_EQ(static_cast<unsigned char*>(a)[large - 1], 0xA5);
  EXPECT_EQ(static_cast<unsigned char*>(b)[0], 0x5A);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_EQ(start_a % (std::size_t{1} << 21), 0U);
  EXPECT_EQ(start_b % (std::size_t{1} << 21), 0U);
#endif
  release_bulk(a, large);
  release_bulk(b, large);
  // Small blocks come from the heap and are aligned for any value.
  void* small = allocate_bulk(24);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(small) % alignof(std::max_align_t), 0U);
  release_bulk(small, 24);
}

}  // namespace
}  // namespace pairprobe
