#include "MemoryManager.h"

#include "Logger.h"
#include "SimpleException.h"

#include <QMutexLocker>

#include <cstdlib>

MemoryManager* MemoryManager::getInstance()
{
    // Function-local static: safe when the first rasters are made on two
    // pool threads at once.
    static MemoryManager* s_pInstance = new MemoryManager();
    return s_pInstance;
}

MemoryManager::~MemoryManager()
{
    for (MemoryBlock& block : m_vBlocks)
    {
        if (block.m_pOwner == nullptr)
        {
            std::free(block.m_pData);
        }
        else
        {
            LOG_ERROR("Memory block was not released");
        }
    }
    m_vBlocks.clear();
}

std::size_t MemoryManager::sumSizes() const
{
    std::size_t nTotal = 0;
    for (const MemoryBlock& block : m_vBlocks)
    {
        nTotal += block.m_nSize;
    }
    return nTotal;
}

void MemoryManager::enforceLimits()
{
    if (sumSizes() > SOFT_LIMIT)
    {
        for (auto it = m_vBlocks.begin(); it != m_vBlocks.end();)
        {
            if (it->m_pOwner == nullptr)
            {
                MOLDENA_ASSERT(it->m_pData != NULL);
                std::free(it->m_pData);
                it = m_vBlocks.erase(it);
            }
            else
            {
                ++it;
            }
        }
    }
    if (sumSizes() > HARD_LIMIT)
    {
        LOG_ERROR(QString("Memory Hard Limit has been reached: %1 Mbyte").arg(HARD_LIMIT / 1048576));
    }
}

void* MemoryManager::allocate(std::size_t nSize, const void* pOwner)
{
    QMutexLocker locker(&m_mutex);
    enforceLimits();

    MemoryBlock* pBest = nullptr;
    for (MemoryBlock& block : m_vBlocks)
    {
        if (block.m_pOwner == nullptr && block.m_nSize >= nSize && block.m_nSize - nSize <= nSize)
        {
            if (!pBest || block.m_nSize < pBest->m_nSize)
            {
                pBest = &block;
            }
        }
    }
    if (pBest)
    {
        pBest->m_pOwner = pOwner;
        return pBest->m_pData;
    }

    MemoryBlock block;
    block.m_pOwner = pOwner;
    block.m_nSize = nSize;
    block.m_pData = std::malloc(nSize);
    MOLDENA_ASSERT(block.m_pData != NULL);
    m_vBlocks.push_back(block);
    return block.m_pData;
}

void MemoryManager::release(void* pData, const void* pOwner)
{
    QMutexLocker locker(&m_mutex);
    for (MemoryBlock& block : m_vBlocks)
    {
        if (block.m_pOwner == pOwner && block.m_pData == pData)
        {
            block.m_pOwner = nullptr;
            return;
        }
    }
}

std::size_t MemoryManager::getTotalSize() const
{
    QMutexLocker locker(&m_mutex);
    return sumSizes();
}

std::size_t MemoryManager::getFreeBlockCount() const
{
    QMutexLocker locker(&m_mutex);
    std::size_t nFree = 0;
    for (const MemoryBlock& block : m_vBlocks)
    {
        nFree += block.m_pOwner == nullptr ? 1 : 0;
    }
    return nFree;
}

std::vector<MemoryManager::MemoryBlock> MemoryManager::getBlocks() const
{
    QMutexLocker locker(&m_mutex);
    return m_vBlocks;
}
