// The heap placed on huge pages: whatever the heap's first blocks left it
// like (the start of the heap moves from run to run), the stretch from the
// next 2 MiB boundary on is there and carries the advice for huge pages.
// Each case arranges the heap in a child process of its own.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/huge_page_heap.hpp"
#include "sanitizer_builds.hpp"

namespace {

constexpr std::uintptr_t huge_page = std::uintptr_t{1} << 21;
constexpr std::size_t page = 4096;
constexpr std::size_t stretch = std::size_t{32} << 20;

std::uintptr_t heap_end() { return reinterpret_cast<std::uintptr_t>(::sbrk(0)); }

// Whether the mapping that holds `address` is advised to take huge pages
// ("hg" among its flags in /proc/self/smaps).
bool advised_huge(std::uintptr_t address) {
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    unsigned long first = 0;
    unsigned long last = 0;
    // A mapping's first line starts "first-last"; its fields' names are
    // no such pair of numbers.
    if (std::sscanf(line.c_str(), "%lx-%lx ", &first, &last) == 2) {
      inside = address >= first && address < last;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return (line + " ").find(" hg ") != std::string::npos;
    }
  }
  return false;
}

// Whether some page of the first half of the stretch past `address` is in
// memory. Asked before anything else takes a block (the next block would
// come from just past the boundary), with a table outside the heap.
bool any_page_resident(std::uintptr_t address) {
  static unsigned char resident[stretch / 2 / page];
  if (::mincore(reinterpret_cast<void*>(address), stretch / 2, resident) != 0) return true;
  for (const unsigned char flags : resident) {
    if ((flags & 1) != 0) return true;
  }
  return false;
}

// Ends the child: status 0 when the stretch past `boundary` was made and
// advised and none of it is in memory yet (a small page in it would keep
// its 2 MiB from a huge page), else a message and status 1.
[[noreturn]] void finish(std::uintptr_t boundary) {
  const std::uintptr_t end = heap_end();
  if (end < boundary + stretch / 2) {
    std::fprintf(stderr, "the heap ends at %#lx, the boundary is %#lx\n",
                 static_cast<unsigned long>(end), static_cast<unsigned long>(boundary));
    std::_Exit(1);
  }
  // Before the advice is read: reading it takes blocks from the heap.
  const bool in_use = any_page_resident(boundary);
  if (!advised_huge(boundary + huge_page)) {
    std::fprintf(stderr, "no advice for huge pages past %#lx\n",
                 static_cast<unsigned long>(boundary));
    std::_Exit(1);
  }
  if (in_use) {
    std::fprintf(stderr, "a page past %#lx is in use before the run\n",
                 static_cast<unsigned long>(boundary));
    std::_Exit(1);
  }
  std::_Exit(0);
}

// Grows the heap a page at a time (each growth exactly as large as it
// needs) until it ends `before` bytes short of a 2 MiB boundary, and
// returns that boundary (0 when the heap does not grow so). The blocks
// taken stay taken.
std::uintptr_t grow_to_short_of_boundary(std::size_t before) {
  ::mallopt(M_MMAP_THRESHOLD, 4 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
  ::mallopt(M_TOP_PAD, 0);
  // Two boundaries' worth of 1000-byte blocks at the most.
  for (std::size_t blocks = 0; blocks < 2 * huge_page / 1000; ++blocks) {
    if ((heap_end() + before) % huge_page == 0) return heap_end() + before;
    void* volatile block = ::malloc(1000);
    (void)block;
  }
  return 0;
}

// Makes the heap end exactly on a 2 MiB boundary with about a kilobyte
// left in its top block, and returns the boundary (0 when that failed):
// from a page short of it, one block larger than the top block's rest takes
// the heap there. A block the heap's free blocks could give is taken from
// them instead; then the next try comes closer.
std::uintptr_t end_heap_on_boundary() {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::uintptr_t boundary = grow_to_short_of_boundary(page);
    if (boundary == 0) return 0;
    void* volatile last = ::malloc(::mallinfo2().keepcost + page - 1024);
    (void)last;
    if (heap_end() == boundary) return boundary;
  }
  return 0;
}

// Why the heap is not placed here, or nothing when it is: a sanitizer's
// allocator keeps its own heap, and a system without transparent huge
// pages takes no advice for them.
const char* why_the_heap_is_not_placed() {
  if (testsupport::address_sanitizer_build || testsupport::thread_sanitizer_share != 1) {
    return "a sanitizer's allocator keeps its own heap";
  }
  if (!std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled")) {
    return "the system has no transparent huge pages";
  }
  return nullptr;
}

TEST(HugePageHeap, TheStretchPastTheNextBoundaryIsAdvised) {
  if (const char* why = why_the_heap_is_not_placed()) GTEST_SKIP() << why;
  EXPECT_EXIT(
      {
        const std::uintptr_t boundary = grow_to_short_of_boundary(5 * page);
        if (boundary == 0) {
          std::fprintf(stderr, "the heap does not grow a page at a time\n");
          std::_Exit(2);
        }
        rio::place_heap_on_huge_pages(stretch);
        finish(boundary);
      },
      testing::ExitedWithCode(0), "");
}

// The heap ends exactly on a boundary, its top block has a kilobyte left,
// and a small block waits in the library's cache: nothing short of a growth
// past all the free bytes makes the heap reach past the boundary.
TEST(HugePageHeap, AHeapEndingOnABoundaryIsStillExtended) {
  if (const char* why = why_the_heap_is_not_placed()) GTEST_SKIP() << why;
  EXPECT_EXIT(
      {
        const std::uintptr_t boundary = end_heap_on_boundary();
        if (boundary == 0) {
          std::fprintf(stderr, "the heap could not be made to end on a boundary\n");
          std::_Exit(2);
        }
        void* volatile cached = ::malloc(64);
        ::free(cached);
        rio::place_heap_on_huge_pages(stretch);
        finish(boundary);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
