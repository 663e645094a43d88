// The large arrays of a run are kept in the record layer's bulk memory,
// which the input buffers use too.
#ifndef PAIRPROBE_BULK_STORAGE_HPP
#define PAIRPROBE_BULK_STORAGE_HPP

#include "common/bulk_memory.hpp"

namespace pairprobe {

using rio::allocate_bulk;
using rio::BulkAllocator;
using rio::BulkVector;
using rio::release_bulk;
using rio::release_memory;

}  // namespace pairprobe

#endif
