// The program's heap for large blocks. Reading an entry builds a few very
// large arrays (an mmCIF file's table of atom values grows by doubling to
// tens of megabytes), and touching their memory 4 KiB page by page costs
// more than parsing it. Blocks of 1 MiB and more therefore come straight
// from the system, 2 MiB-aligned and marked for transparent huge pages;
// smaller ones come from malloc as usual. Every block carries a 16-byte
// header that says where it came from, so that delete returns it there.
// (Replaces the global operator new and delete; libstdc++'s array and
// nothrow forms call these.)
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "common/bulk_memory.hpp"

namespace {

constexpr std::size_t large_block = std::size_t{1} << 20;

// 16 bytes: the alignment operator new promises is kept.
struct alignas(16) BlockHeader {
  std::size_t mapped_length;  // 0 for a block from malloc
};
static_assert(sizeof(BlockHeader) == 16);

void* map_large(std::size_t total) {
  void* const block = rio::map_huge_pages(total);
  if (block == nullptr) return nullptr;
  static_cast<BlockHeader*>(block)->mapped_length = rio::whole_huge_pages(total);
  return block;
}

void* try_allocate(std::size_t size) {
  if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  const std::size_t total = size + sizeof(BlockHeader);
  void* block = nullptr;
  if (size >= large_block) {
    block = map_large(total);
  } else {
    block = std::malloc(total);
    if (block != nullptr) static_cast<BlockHeader*>(block)->mapped_length = 0;
  }
  return block == nullptr ? nullptr : static_cast<BlockHeader*>(block) + 1;
}

}  // namespace

void* operator new(std::size_t size) {
  while (true) {
    if (void* const pointer = try_allocate(size)) return pointer;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void operator delete(void* pointer) noexcept {
  if (pointer == nullptr) return;
  BlockHeader* const header = static_cast<BlockHeader*>(pointer) - 1;
  if (header->mapped_length != 0) {
    ::munmap(header, header->mapped_length);
  } else {
    std::free(header);
  }
}

void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }
