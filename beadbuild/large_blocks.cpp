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

namespace {

constexpr std::size_t large_block = std::size_t{1} << 20;
constexpr std::size_t huge_page = std::size_t{2} << 20;

// 16 bytes: the alignment operator new promises is kept.
struct alignas(16) BlockHeader {
  std::size_t mapped_length;  // 0 for a block from malloc
};
static_assert(sizeof(BlockHeader) == 16);

std::size_t round_up(std::size_t value, std::size_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

void* map_large(std::size_t total) {
  const std::size_t length = round_up(total, huge_page);
  // One huge page more than needed, so that an aligned start lies inside;
  // the slack on either side is given back.
  void* const mapping = ::mmap(nullptr, length + huge_page, PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return nullptr;
  const auto base = reinterpret_cast<std::uintptr_t>(mapping);
  const std::uintptr_t start = round_up(base, huge_page);
  if (start > base) ::munmap(mapping, start - base);
  if (start + length < base + length + huge_page) {
    ::munmap(reinterpret_cast<void*>(start + length), base + huge_page - start);
  }
  void* const block = reinterpret_cast<void*>(start);
  ::madvise(block, length, MADV_HUGEPAGE);  // advice only: without it the block still serves
  static_cast<BlockHeader*>(block)->mapped_length = length;
  return block;
}

void* try_allocate(std::size_t size) {
  if (size > SIZE_MAX - huge_page * 2) return nullptr;
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
