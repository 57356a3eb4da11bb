#pragma once

#include <QMutex>

#include <cstddef>
#include <vector>

// Process-wide pool that every raster takes its element memory from. Released
// blocks are kept for reuse (best fit within one to two times the request) and
// are only freed when the pool holds more than its soft limit.
class MemoryManager
{
public:
    struct MemoryBlock
    {
        const void* m_pOwner = nullptr; // null marks a free block
        void* m_pData = nullptr;
        std::size_t m_nSize = 0; // bytes, as allocated
    };

    static constexpr std::size_t SOFT_LIMIT = 0x08000000; // 128 MiB
    static constexpr std::size_t HARD_LIMIT = 0x40000000; // 1 GiB

    static MemoryManager* getInstance();

    // Returns a block of at least nSize bytes owned by pOwner. Throws the
    // assertion "block.m_pData != NULL" when the memory cannot be had.
    void* allocate(std::size_t nSize, const void* pOwner);
    // Marks the block free; unknown memory or another owner is ignored.
    void release(void* pData, const void* pOwner);

    // Introspection for diagnostics and tests.
    std::size_t getTotalSize() const;
    std::size_t getFreeBlockCount() const;
    std::vector<MemoryBlock> getBlocks() const;

    virtual ~MemoryManager();

private:
    MemoryManager() = default;
    MemoryManager(const MemoryManager&) = delete;
    MemoryManager& operator=(const MemoryManager&) = delete;

    void enforceLimits();
    std::size_t sumSizes() const;

    std::vector<MemoryBlock> m_vBlocks;
    mutable QMutex m_mutex;
};
