#include "common/bulk_memory.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace rio {
namespace {

// Blocks from this size on are mapped on their own, in whole transparent
// huge pages, so that filling one takes a fault per 2 MiB instead of one per
// 4 KiB page; smaller ones come from the usual heap. From a quarter of a
// megabyte on, the faults saved outweigh the unused rest of the last huge
// page, which costs its zeroing but no fault.
constexpr std::size_t mapped_from = std::size_t{1} << 18;
constexpr std::size_t huge_page = std::size_t{1} << 21;

// The address sanitizer checks only the heap's blocks, so its builds keep
// every block there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool map_large_blocks = false;
#else
constexpr bool map_large_blocks = true;
#endif

// Whether a block was mapped on its own yet: from then on the threshold
// stays, since a block is given back where its size says it came from.
std::atomic<bool> some_block_mapped{false};

std::atomic<std::size_t>& mapping_threshold() {
  static std::atomic<std::size_t> threshold{mapped_from};
  return threshold;
}

bool mapped(std::size_t bytes) {
  return map_large_blocks && bytes >= mapping_threshold().load(std::memory_order_relaxed);
}

}  // namespace

void map_bulk_blocks_from(std::size_t bytes) noexcept {
  if (some_block_mapped.load()) return;
  mapping_threshold().store(std::max(bytes, mapped_from), std::memory_order_relaxed);
}

std::size_t whole_huge_pages(std::size_t length) noexcept {
  return (length + huge_page - 1) / huge_page * huge_page;
}

void* map_huge_pages(std::size_t length) noexcept {
  if (length > SIZE_MAX - 2 * huge_page) return nullptr;
  const std::size_t whole = whole_huge_pages(length);
  // One huge page more than needed, then the ends cut off, leaves a block
  // that begins on a huge-page boundary.
  const std::size_t mapped_length = whole + huge_page;
  void* const area =
      ::mmap(nullptr, mapped_length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(area);
  const std::uintptr_t aligned = (start + huge_page - 1) / huge_page * huge_page;
  const std::size_t head = aligned - start;
  if (head > 0) ::munmap(area, head);
  if (mapped_length - head > whole) {
    ::munmap(reinterpret_cast<void*>(aligned + whole), mapped_length - head - whole);
  }
  void* const block = reinterpret_cast<void*>(aligned);
  // Refused on a system without transparent huge pages: the block then has
  // ordinary pages, which is only slower.
  ::madvise(block, whole, MADV_HUGEPAGE);
  return block;
}

void* allocate_bulk(std::size_t bytes) {
  if (!mapped(bytes)) return ::operator new(bytes);
  some_block_mapped.store(true, std::memory_order_relaxed);
  void* const block = map_huge_pages(bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void release_bulk(void* storage, std::size_t bytes) noexcept {
  if (storage == nullptr) return;
  if (!mapped(bytes)) {
    ::operator delete(storage);
    return;
  }
  ::munmap(storage, whole_huge_pages(bytes));
}

}  // namespace rio
