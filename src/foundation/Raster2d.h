#pragma once

#include "MemoryManager.h"
#include "SimpleException.h"

#include <QRectF>

#include <cstdint>
#include <cstring>
#include <limits>

// Size and region of interest of a typed 2D raster. The region of interest is
// normalised: x, y, width and height are fractions of the raster's size.
class Raster2dBase
{
public:
    Raster2dBase(unsigned int nWidth, unsigned int nHeight)
        : m_nWidth(nWidth)
        , m_nHeight(nHeight)
        , m_nSize(checkedElementCount(nWidth, nHeight))
    {
    }
    virtual ~Raster2dBase() = default;

    // New rasters of the same element type; elements uninitialised, default
    // region of interest. The caller owns the result.
    virtual Raster2dBase* create(unsigned int nWidth, unsigned int nHeight) const = 0;
    virtual Raster2dBase* createSameSize() const = 0;
    // Deep copy of elements and region of interest.
    virtual Raster2dBase* clone() const = 0;

    // Size of one element in bytes.
    virtual std::size_t getElementSize() const = 0;

    unsigned int getWidth() const { return m_nWidth; }
    unsigned int getHeight() const { return m_nHeight; }
    unsigned int getSize() const { return m_nSize; }
    std::size_t getByteSize() const { return std::size_t(m_nSize) * getElementSize(); }

    void setRoi(const QRectF& roi) { m_roi = roi; }
    QRectF getRoi() const { return m_roi; }

protected:
    Raster2dBase(const Raster2dBase&) = delete;
    Raster2dBase& operator=(const Raster2dBase&) = delete;

    // Width times height in 64 bits; a count that does not fit the 32-bit
    // element index is refused rather than wrapped into a short raster.
    static unsigned int checkedElementCount(unsigned int nWidth, unsigned int nHeight)
    {
        const std::uint64_t nCount = std::uint64_t(nWidth) * std::uint64_t(nHeight);
        MOLDENA_ASSERT(nCount <= std::numeric_limits<unsigned int>::max());
        return static_cast<unsigned int>(nCount);
    }

    unsigned int m_nWidth;
    unsigned int m_nHeight;
    unsigned int m_nSize;
    QRectF m_roi = QRectF(0.0, 0.0, 1.0, 1.0);
};

// Elements row after row: (x, y) lies at y * width + x. The memory comes from
// the MemoryManager and goes back to it when the raster is deleted.
template <typename T>
class Raster2d : public Raster2dBase
{
public:
    Raster2d(unsigned int nWidth, unsigned int nHeight)
        : Raster2dBase(nWidth, nHeight)
    {
        MOLDENA_ASSERT(m_nSize > 0);
        const std::uint64_t nBytes = std::uint64_t(m_nSize) * sizeof(T);
        MOLDENA_ASSERT(nBytes <= std::numeric_limits<std::size_t>::max());
        m_pData = static_cast<T*>(MemoryManager::getInstance()->allocate(std::size_t(nBytes), this));
    }

    ~Raster2d() override { MemoryManager::getInstance()->release(m_pData, this); }

    Raster2dBase* create(unsigned int nWidth, unsigned int nHeight) const override
    {
        return new Raster2d<T>(nWidth, nHeight);
    }

    Raster2dBase* createSameSize() const override { return new Raster2d<T>(m_nWidth, m_nHeight); }

    Raster2dBase* clone() const override
    {
        Raster2d<T>* pClone = new Raster2d<T>(m_nWidth, m_nHeight);
        std::memcpy(pClone->m_pData, m_pData, std::size_t(m_nSize) * sizeof(T));
        pClone->m_roi = m_roi;
        return pClone;
    }

    std::size_t getElementSize() const override { return sizeof(T); }

    T* getData() { return m_pData; }
    const T* getData() const { return m_pData; }

    // Index-checked access: the index y * width + x must lie below getSize().
    T& at(unsigned int nX, unsigned int nY)
    {
        const unsigned int nIndex = nY * m_nWidth + nX;
        MOLDENA_ASSERT(nIndex < m_nSize);
        return m_pData[nIndex];
    }
    const T& at(unsigned int nX, unsigned int nY) const
    {
        const unsigned int nIndex = nY * m_nWidth + nX;
        MOLDENA_ASSERT(nIndex < m_nSize);
        return m_pData[nIndex];
    }
    void set(unsigned int nX, unsigned int nY, const T& value) { at(nX, nY) = value; }

    // Sets every element to one value.
    void fill(const T& value)
    {
        for (unsigned int i = 0; i < m_nSize; ++i)
        {
            m_pData[i] = value;
        }
    }

private:
    T* m_pData = nullptr;
};
