#include "common/huge_page_heap.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#define CGTOOLS_HEAP_ON_HUGE_PAGES 1
#endif

namespace rio {

#ifdef CGTOOLS_HEAP_ON_HUGE_PAGES
namespace {

constexpr std::uintptr_t huge_page = std::uintptr_t{1} << 21;
// What the C library puts before a block: the end of the block before
// stays short of the boundary by this, so that its bookkeeping (written at
// once) lies below the boundary.
constexpr std::uintptr_t bookkeeping = 64;
// Larger than any block the library keeps aside for its next requests of
// that size (its per-thread cache and fast bins hold blocks of at most about
// 1 KiB).
constexpr std::size_t largest_kept_block = std::size_t{1} << 12;
// The library's own padding of each growth.
constexpr int default_top_padding = 128 << 10;

std::uintptr_t heap_end() { return reinterpret_cast<std::uintptr_t>(::sbrk(0)); }

// Takes a block from the heap and gives it back at once. Its address passes
// through a volatile variable: a compiler may otherwise leave out a block
// that is never used, and the call with it.
void take_and_give_back(std::size_t bytes) {
  void* volatile block = ::malloc(bytes);
  ::free(block);
}

// The first free byte of the heap: the start of its top block, the one the
// heap grows at, which the library reports as what trimming could give back.
std::uintptr_t top_start() {
  take_and_give_back(1);  // the heap exists
  return heap_end() - ::mallinfo2().keepcost;
}

}  // namespace

void place_heap_on_huge_pages(std::size_t bytes) noexcept {
  // One heap for every thread: a thread's own arena would be mapped with
  // ordinary pages.
  ::mallopt(M_ARENA_MAX, 1);
  const std::uintptr_t top = top_start();
  // The heap below its present end may have been touched already, by blocks
  // since freed back into the top block; a huge page cannot be placed over
  // a page in use, so the first one starts at or past that end.
  const std::uintptr_t untouched = std::max(top + bookkeeping, heap_end());
  const std::uintptr_t boundary = (untouched + huge_page - 1) / huge_page * huge_page;
  // Each growth of the heap adds the padding beyond what it needs, so the
  // block that fills the heap up to the boundary (kept for good: only its
  // first bytes are ever touched) makes the heap reach that far past it.
  const std::uintptr_t padding = std::min<std::uintptr_t>(bytes, INT_MAX);
  ::mallopt(M_TOP_PAD, static_cast<int>(padding));
  void* const filler = ::malloc(boundary - top - bookkeeping);
  // A block too large for the heap is mapped on its own: then nothing here
  // moved, and the heap is left as it was.
  const bool filled = reinterpret_cast<std::uintptr_t>(filler) < boundary &&
                      reinterpret_cast<std::uintptr_t>(filler) > top;
  bool grown_past_boundary = false;
  if (filled && heap_end() < boundary + padding) {
    // The top block had room for the filler: a block larger than all the
    // heap's free bytes together, the rest of the top block among them, and
    // than any block the library keeps aside for reuse, can only come from
    // growing the heap; it is freed at once. (A block just larger than the
    // rest of the top block may be such a block kept aside, when the heap
    // happens to end on the boundary already.)
    const std::size_t request = std::max<std::size_t>(::mallinfo2().fordblks, largest_kept_block);
    take_and_give_back(request + bookkeeping);
    grown_past_boundary = true;
  }
  ::mallopt(M_TOP_PAD, default_top_padding);
  const std::uintptr_t end = heap_end() / huge_page * huge_page;
  if (filled && end > boundary) {
    ::madvise(reinterpret_cast<void*>(boundary), end - boundary, MADV_HUGEPAGE);
    // The block taken and given back reached past the boundary, and the
    // library wrote the bookkeeping of what followed it there: one small
    // page, which would keep its 2 MiB from ever taking a huge page.
    // Nothing lives past the boundary now (the top block's bookkeeping lies
    // below it), so the stretch is emptied again.
    if (grown_past_boundary) {
      ::madvise(reinterpret_cast<void*>(boundary), end - boundary, MADV_DONTNEED);
    }
  }
}
#else
void place_heap_on_huge_pages(std::size_t) noexcept {}
#endif

}  // namespace rio
