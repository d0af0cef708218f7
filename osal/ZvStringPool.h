// Block allocator of ZvString: four fixed-size pools for blocks of up to 512
// characters and the heap for larger ones. Internal to the library.
#pragma once

#include "ZvOSAL/ZvString.h"

namespace ZvOSAL {
namespace StringPool {

// Capacity (characters) of the pool blocks and the largest pooled request.
constexpr int kPoolCount = 4;
constexpr int kPoolCapacity[kPoolCount] = {64, 128, 256, 512};
constexpr int kLargestPooled = 512;
// Blocks carved from the system at a time when a pool runs dry.
constexpr int kBlocksPerChunk = 64;

// Bytes of one block of the given capacity: header, characters, terminator,
// rounded up to 8 so every block in a chunk stays aligned.
constexpr int BlockBytes(int capacity)
{
    return (static_cast<int>(sizeof(ZvStringData)) + (capacity + 1) * static_cast<int>(sizeof(wchar_t)) + 7) & ~7;
}

// A block for length (>= 1) characters: count 1, data length = length,
// terminator at length; allocated length = the pool size, or length for heap
// blocks. Throws std::bad_alloc.
ZvStringData* Allocate(int length);
// Returns a block to its pool (by allocated length) or to the heap.
void Free(ZvStringData* block);
// Grows an unshared heap block (capacity above 512) to exactly newCapacity
// (also above 512), keeping the characters and the count. The block may move.
// Throws std::bad_alloc (the old block is then untouched).
ZvStringData* GrowHeapBlock(ZvStringData* block, int newCapacity);

void GetStatistics(ZvStringPoolStatistics& stats);

} // namespace StringPool
} // namespace ZvOSAL
