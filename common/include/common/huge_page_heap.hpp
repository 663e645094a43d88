// The heap's small and middle-sized blocks on transparent huge pages.
#ifndef COMMON_HUGE_PAGE_HEAP_HPP
#define COMMON_HUGE_PAGE_HEAP_HPP

#include <cstddef>

namespace rio {

// Extends the C library's heap at once by about `bytes`, from the next
// 2 MiB boundary on, and offers that stretch transparent huge pages before
// anything touches it; every thread then takes its blocks from this one
// heap. A run that takes and frees many blocks of some kilobytes to some
// hundred kilobytes (a grid's temporaries, a piece of formatted lines)
// then faults once per 2 MiB it uses instead of once per 4 KiB page, and
// on a virtual machine each fault costs about as much as zeroing a huge
// page. Untouched, the stretch costs no memory. To be called before the
// run's threads start. Only a matter of speed: where the C library or the
// system does not go along, the heap stays as it was. Does nothing in a
// sanitizer's build, whose allocator is its own.
void place_heap_on_huge_pages(std::size_t bytes) noexcept;

}  // namespace rio

#endif
