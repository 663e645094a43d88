// A run's memory set-up: blocks of every size from every thread stay whole
// once the heap is on huge pages and small bulk blocks come from it, and a
// bulk block mapped before the set-up is still given back where it came
// from. (Each test runs in a process of its own.)
#include "pairprobe/run_memory.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "common/bulk_memory.hpp"

namespace pairprobe {
namespace {

// Takes blocks of 16 bytes to 3 MiB, heap and bulk alike, fills each with
// its own pattern, checks every byte, and gives them back; the number of
// blocks whose bytes were not all as written.
std::size_t spoiled_blocks(unsigned seed) {
  struct Block {
    void* storage;
    std::size_t bytes;
    bool bulk;
  };
  std::vector<Block> blocks;
  for (std::size_t bytes = 16; bytes <= (std::size_t{3} << 20); bytes = bytes * 3 + 7) {
    blocks.push_back({::operator new(bytes), bytes, false});
    blocks.push_back({rio::allocate_bulk(bytes), bytes, true});
  }
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    std::memset(blocks[k].storage, static_cast<int>((seed + k) & 0xff), blocks[k].bytes);
  }
  std::size_t spoiled = 0;
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const auto* bytes = static_cast<const unsigned char*>(blocks[k].storage);
    const auto expected = static_cast<unsigned char>((seed + k) & 0xff);
    for (std::size_t b = 0; b < blocks[k].bytes; ++b) {
      if (bytes[b] != expected) {
        ++spoiled;
        break;
      }
    }
    if (blocks[k].bulk) {
      rio::release_bulk(blocks[k].storage, blocks[k].bytes);
    } else {
      ::operator delete(blocks[k].storage);
    }
  }
  return spoiled;
}

TEST(RunMemory, BlocksOfEverySizeFromEveryThreadStayWhole) {
  set_up_run_memory();
  std::size_t spoiled_elsewhere = 0;
  std::thread other([&spoiled_elsewhere] {
    for (unsigned round = 0; round < 3; ++round) spoiled_elsewhere += spoiled_blocks(100 + round);
  });
  std::size_t spoiled_here = 0;
  for (unsigned round = 0; round < 3; ++round) spoiled_here += spoiled_blocks(round);
  other.join();
  EXPECT_EQ(spoiled_here, 0U);
  EXPECT_EQ(spoiled_elsewhere, 0U);
  // A block beyond the heap's share is still mapped on its own, aligned to
  // a huge page where the build maps blocks.
  constexpr std::size_t large = std::size_t{6} << 20;
  void* block = rio::allocate_bulk(large);
  std::memset(block, 1, large);
  rio::release_bulk(block, large);
}

TEST(RunMemory, ABulkBlockMappedBeforeTheSetUpIsGivenBackWhereItCameFrom) {
  // 1 MiB is mapped on its own by default and would come from the heap
  // after the set-up: the set-up leaves the threshold alone once a block
  // has been mapped, so that giving this one back still unmaps it (giving
  // a mapped block to the heap ends the process).
  constexpr std::size_t bytes = std::size_t{1} << 20;
  void* mapped_before = rio::allocate_bulk(bytes);
  std::memset(mapped_before, 2, bytes);
  set_up_run_memory();
  void* taken_after = rio::allocate_bulk(bytes);
  std::memset(taken_after, 3, bytes);
  rio::release_bulk(mapped_before, bytes);
  rio::release_bulk(taken_after, bytes);
  EXPECT_EQ(spoiled_blocks(7), 0U);
}

}  // namespace
}  // namespace pairprobe
