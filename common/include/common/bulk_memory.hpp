// Storage for the large arrays of a run (input buffers, positions, grid): a vector that
// grows leaves its new elements uninitialised, since they are about to be
// overwritten, and a large block is mapped on its own, aligned for
// transparent huge pages and offered them, so that filling it takes few
// page faults.
#ifndef COMMON_BULK_MEMORY_HPP
#define COMMON_BULK_MEMORY_HPP

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace rio {

// A fresh mapping of `length` bytes (rounded up to whole 2 MiB huge pages)
// that begins on a huge-page boundary and is offered transparent huge
// pages; nullptr when the system has none to give. munmap(block, the
// rounded length) gives it back. Allocates nothing else, so that an
// operator new may use it.
void* map_huge_pages(std::size_t length) noexcept;
// The length map_huge_pages(length) maps.
std::size_t whole_huge_pages(std::size_t length) noexcept;

// Bulk blocks below `bytes` (at least the usual quarter of a megabyte) come
// from the heap from now on: for a run whose heap is on huge pages already
// (huge_page_heap.hpp), where blocks of a few megabytes share its huge pages
// instead of each having its own, zeroed whole. A block is given back where
// its size says it came from, so once a block has been mapped on its own,
// this changes nothing.
void map_bulk_blocks_from(std::size_t bytes) noexcept;

// Raw storage of `bytes` bytes, suitably aligned for any value; throws
// std::bad_alloc when there is none.
void* allocate_bulk(std::size_t bytes);
// Releases what allocate_bulk(bytes) gave.
void release_bulk(void* storage, std::size_t bytes) noexcept;

template <typename T>
struct BulkAllocator {
  using value_type = T;

  BulkAllocator() = default;
  template <typename U>
  BulkAllocator(const BulkAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(allocate_bulk(count * sizeof(T)));
  }
  void deallocate(T* storage, std::size_t count) noexcept {
    release_bulk(storage, count * sizeof(T));
  }
  // Default construction leaves a plain value uninitialised.
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    if constexpr (sizeof...(Args) == 0) {
      ::new (static_cast<void*>(place)) U;
    } else {
      ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
  }

  friend bool operator==(const BulkAllocator&, const BulkAllocator&) { return true; }
};

template <typename T>
using BulkVector = std::vector<T, BulkAllocator<T>>;

// Empties a vector and gives its memory back at once (assigning {} to a
// vector keeps its memory).
template <typename Vector>
void release_memory(Vector& vector) noexcept {
  Vector().swap(vector);
}

}  // namespace rio

#endif
