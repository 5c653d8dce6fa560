// Copies and fills of long runs of output pixels that write around the cache.
// An ordinary store first reads its cache line from memory; for a frame much
// larger than the cache, which nothing reads back before it is finished, that
// read is pure waste and was most of the cost of laying a 4K background.
// Each call ends with a store fence, so its writes are visible to whichever
// thread the caller hands the run to next.
#pragma once
#include <cstddef>

// Copies bytes from `from` to `to`; the two do not overlap.
void StreamCopy(void* to, const void* from, size_t bytes);

// Writes count copies of the pixel value, whose size is 4 or 8 bytes, from to.
void StreamFill(void* to, size_t count, const void* value, size_t valueBytes);
