#pragma once

// Height rasters of the thinnest parts a shape has (combs, slots, strokes),
// for the mesh tests and benchmarks. Square rasters, row by row; 0 is no
// material. Header only.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ReliefShapes
{
// A square raster of the given height where solid(x, y) holds, inside an
// empty border of nSize / 32 pixels.
template <typename Solid>
std::vector<float> heightsWhere(unsigned nSize, float fHeight, Solid solid)
{
    std::vector<float> heights(std::size_t(nSize) * nSize, 0.0f);
    const unsigned nBorder = nSize / 32;
    for (unsigned y = nBorder; y + nBorder < nSize; ++y)
    {
        for (unsigned x = nBorder; x + nBorder < nSize; ++x)
        {
            if (solid(x - nBorder, y - nBorder))
            {
                heights[std::size_t(y) * nSize + x] = fHeight;
            }
        }
    }
    return heights;
}

// A slab over the upper half and below it a comb of teeth nTooth pixels wide
// and as far apart, all of the given height: the thinnest parts a shape has,
// as in hatching, grass or thin lettering.
inline std::vector<float> comb(unsigned nSize, float fHeight, unsigned nTooth = 2)
{
    return heightsWhere(
        nSize, fHeight, [&](unsigned x, unsigned y) { return y + nSize / 32 < nSize / 2 || x / nTooth % 2 == 0; });
}

// A slab cut by slots one and two pixels wide across its middle three
// quarters, every eight pixels.
inline std::vector<float> slottedSlab(unsigned nSize, float fHeight)
{
    return heightsWhere(nSize, fHeight, [&](unsigned x, unsigned y) {
        const bool bAcross = y > nSize / 8 && y + nSize / 8 + nSize / 16 < nSize;
        return !(bAcross && (x % 16 == 0 || x % 16 == 8 || x % 16 == 9));
    });
}

// Strokes one to three pixels wide on nothing, as thin lettering has: in
// each cell of 32 x 32 pixels a ring and a diagonal through it.
inline std::vector<float> strokes(unsigned nSize, float fHeight)
{
    return heightsWhere(nSize, fHeight, [&](unsigned x, unsigned y) {
        const float dx = float(x % 32) - 16.0f;
        const float dy = float(y % 32) - 16.0f;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float fWidth = 1.0f + float((x / 32 + y / 32) % 3);
        return std::abs(r - 10.0f) < 0.5f * fWidth || (std::abs(dx - dy) < 0.7f * fWidth && r < 12.0f);
    });
}
} // namespace ReliefShapes
