#include "pairprobe/run_memory.hpp"

#include <malloc.h>

#include <cstddef>

#include "common/bulk_memory.hpp"
#include "common/huge_page_heap.hpp"

namespace pairprobe {

void set_up_run_memory() {
  constexpr int heap_blocks_below = 4 << 20;
  constexpr int kept_free_at_most = 64 << 20;
  // Room for a small run's every block, and for the reader's smaller
  // blocks of a large one; untouched, it costs nothing.
  constexpr std::size_t heap_on_huge_pages = std::size_t{32} << 20;
  ::mallopt(M_MMAP_THRESHOLD, heap_blocks_below);
  ::mallopt(M_TRIM_THRESHOLD, kept_free_at_most);
  rio::place_heap_on_huge_pages(heap_on_huge_pages);
  rio::map_bulk_blocks_from(heap_blocks_below);
}

}  // namespace pairprobe
