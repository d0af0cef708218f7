#include "osal/ZvStringPool.h"

#include "ZvOSAL/ZvCriticalSection.h"
#include "osal/AllocationFailure.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace ZvOSAL {
namespace StringPool {

static_assert(sizeof(ZvStringData) == 12, "ZvStringData: three 32-bit fields");
static_assert(BlockBytes(64) == 144 && BlockBytes(128) == 272 && BlockBytes(256) == 528 && BlockBytes(512) == 1040,
              "pool block sizes");

namespace {

struct FreeBlock {
    FreeBlock* next;
};

// A chunk: this header, then kBlocksPerChunk blocks. 16 bytes keep the
// blocks 8-aligned on both architectures.
struct alignas(16) Chunk {
    Chunk* next;
};

class FixedPool {
public:
    explicit FixedPool(int capacity) : m_capacity(capacity), m_blockBytes(BlockBytes(capacity)) {}

    ZvStringData* Allocate()
    {
        ZvCriticalSectionLock lock(m_lock, 1);
        if (!m_free)
            Grow();
        FreeBlock* block = m_free;
        m_free = block->next;
        ++m_inUse;
        return reinterpret_cast<ZvStringData*>(block);
    }

    void Free(ZvStringData* data)
    {
        FreeBlock* block = reinterpret_cast<FreeBlock*>(data);
        ZvCriticalSectionLock lock(m_lock, 1);
        block->next = m_free;
        m_free = block;
        --m_inUse;
    }

    // Gives the chunks back to the system when no block is handed out; the
    // pool stays usable (it grows again on demand). Runs at unload, when a
    // thread ended by process exit may still own the lock: then the chunks
    // stay.
    void ReleaseIdleChunks()
    {
        ZvCriticalSectionLock lock(m_lock, 0);
        if (!lock.TryLock() || m_inUse != 0)
            return;
        while (m_chunks) {
            Chunk* next = m_chunks->next;
            std::free(m_chunks);
            m_chunks = next;
        }
        m_free = nullptr;
        m_allocated = 0;
    }

    void Statistics(int& inUse, int& allocated)
    {
        ZvCriticalSectionLock lock(m_lock, 1);
        inUse = m_inUse;
        allocated = m_allocated;
    }

private:
    void Grow()
    {
        Chunk* chunk = static_cast<Chunk*>(std::malloc(sizeof(Chunk) + static_cast<size_t>(m_blockBytes) * kBlocksPerChunk));
        if (!chunk)
            throw std::bad_alloc();
        chunk->next = m_chunks;
        m_chunks = chunk;
        char* first = reinterpret_cast<char*>(chunk + 1);
        // Thread the blocks so the lowest address is handed out first.
        for (int i = kBlocksPerChunk - 1; i >= 0; --i) {
            FreeBlock* block = reinterpret_cast<FreeBlock*>(first + static_cast<size_t>(i) * m_blockBytes);
            block->next = m_free;
            m_free = block;
        }
        m_allocated += kBlocksPerChunk;
    }

    ZvCriticalSection m_lock;
    const int m_capacity;
    const int m_blockBytes;
    FreeBlock* m_free = nullptr;
    Chunk* m_chunks = nullptr;
    int m_inUse = 0;
    int m_allocated = 0;
};

struct Pools {
    FixedPool pool[kPoolCount] = {FixedPool(kPoolCapacity[0]), FixedPool(kPoolCapacity[1]),
                                  FixedPool(kPoolCapacity[2]), FixedPool(kPoolCapacity[3])};
};

Pools* volatile g_createdPools = nullptr;
volatile LONG g_heapBlocks = 0;

// Created on first use (strings may be built during static initialisation of
// any module) and never destroyed: a string released late during unload must
// still find its pool and lock.
Pools& GetPools()
{
    static Pools* pools = [] {
        Pools* created = new Pools();
        g_createdPools = created;
        return created;
    }();
    return *pools;
}

// At unload the chunks of idle pools go back to the system.
struct Teardown {
    ~Teardown()
    {
        if (Pools* pools = g_createdPools) {
            for (FixedPool& pool : pools->pool)
                pool.ReleaseIdleChunks();
        }
    }
} g_teardown;

int PoolIndexForRequest(int length)
{
    if (length <= 64)
        return 0;
    if (length <= 128)
        return 1;
    if (length <= 256)
        return 2;
    return 3;
}

int PoolIndexForCapacity(int capacity)
{
    switch (capacity) {
    case 64: return 0;
    case 128: return 1;
    case 256: return 2;
    case 512: return 3;
    default: return -1;
    }
}

size_t HeapBytes(int capacity)
{
    return sizeof(ZvStringData) + (static_cast<size_t>(capacity) + 1) * sizeof(wchar_t);
}

} // namespace

ZvStringData* Allocate(int length)
{
    AllocationFailure::Check();
    ZvStringData* data;
    if (length <= kLargestPooled) {
        const int index = PoolIndexForRequest(length);
        data = GetPools().pool[index].Allocate();
        data->nAllocLength = kPoolCapacity[index];
    } else {
        // Lengths near INT_MAX would overflow the byte count on x86.
        if (static_cast<size_t>(length) > (static_cast<size_t>(-1) - sizeof(ZvStringData)) / sizeof(wchar_t) - 1)
            throw std::bad_alloc();
        data = static_cast<ZvStringData*>(std::malloc(HeapBytes(length)));
        if (!data)
            throw std::bad_alloc();
        InterlockedIncrement(&g_heapBlocks);
        data->nAllocLength = length;
    }
    data->nRefs = 1;
    data->nDataLength = length;
    data->data()[length] = 0;
    return data;
}

void Free(ZvStringData* block)
{
    const int index = PoolIndexForCapacity(block->nAllocLength);
    if (index >= 0) {
        GetPools().pool[index].Free(block);
    } else {
        std::free(block);
        InterlockedDecrement(&g_heapBlocks);
    }
}

ZvStringData* GrowHeapBlock(ZvStringData* block, int newCapacity)
{
    AllocationFailure::Check();
    if (static_cast<size_t>(newCapacity) > (static_cast<size_t>(-1) - sizeof(ZvStringData)) / sizeof(wchar_t) - 1)
        throw std::bad_alloc();
    ZvStringData* grown = static_cast<ZvStringData*>(std::realloc(block, HeapBytes(newCapacity)));
    if (!grown)
        throw std::bad_alloc();
    grown->nAllocLength = newCapacity;
    return grown;
}

void GetStatistics(ZvStringPoolStatistics& stats)
{
    Pools& pools = GetPools();
    for (int i = 0; i < kPoolCount; ++i)
        pools.pool[i].Statistics(stats.blocksInUse[i], stats.blocksAllocated[i]);
    stats.heapBlocksInUse = static_cast<int>(g_heapBlocks);
}

} // namespace StringPool
} // namespace ZvOSAL
