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
// Material everywhere inside the border, fHigh where high(x, y) holds and
// fLow elsewhere: a relief cut into a slab rather than through it.
template <typename High>
std::vector<float> reliefWhere(unsigned nSize, float fHigh, float fLow, High high)
{
    std::vector<float> heights = heightsWhere(nSize, fHigh, high);
    const unsigned nBorder = nSize / 32;
    for (unsigned y = nBorder; y + nBorder < nSize; ++y)
    {
        for (unsigned x = nBorder; x + nBorder < nSize; ++x)
        {
            float& fHeight = heights[std::size_t(y) * nSize + x];
            fHeight = fHeight > 0.0f ? fHeight : fLow;
        }
    }
    return heights;
}

// The slab of slottedSlab with a floor of fFloor left in its slots.
inline std::vector<float> slottedSlab(unsigned nSize, float fHeight, float fFloor)
{
    std::vector<float> heights = slottedSlab(nSize, fHeight);
    const std::vector<float> slab = heightsWhere(nSize, fHeight, [](unsigned, unsigned) { return true; });
    for (std::size_t i = 0; i < heights.size(); ++i)
    {
        heights[i] = slab[i] > 0.0f && heights[i] == 0.0f ? fFloor : heights[i];
    }
    return heights;
}

// The comb of comb() cut into a slab: teeth nTooth pixels wide at fTop, the
// gaps of nGap pixels between them keeping a floor at fFloor.
inline std::vector<float> flooredComb(unsigned nSize, float fTop, float fFloor, unsigned nTooth, unsigned nGap)
{
    return reliefWhere(nSize, fTop, fFloor,
        [&](unsigned x, unsigned y) { return y + nSize / 32 < nSize / 2 || x % (nTooth + nGap) < nTooth; });
}

// A checkerboard of cells nCell pixels across, at fHigh and fLow in turn.
inline std::vector<float> checkerboard(unsigned nSize, float fHigh, float fLow, unsigned nCell)
{
    return reliefWhere(nSize, fHigh, fLow, [&](unsigned x, unsigned y) { return (x / nCell + y / nCell) % 2 == 0; });
}

// Whether pixel (x, y) lies on small lettering: lines of glyphs 12 pixels
// high in cells 10 across and 18 down, of straight and round strokes one or
// two pixels wide (by glyph), a space every few glyphs, the glyphs drawn from
// a fixed sequence by nSeed.
inline bool onLettering(unsigned x, unsigned y, unsigned nSeed = 1)
{
    struct Segment
    {
        float x0, y0, x1, y1;
    };
    // Glyphs in their cell: across 1 to 7, down 1 to 12; a segment with
    // x1 < 0 is a ring round (x0, y0) of radius y1: whole where x1 is -1,
    // its part left of x0 + 1.5 otherwise.
    static const std::vector<std::vector<Segment>> glyphs = {
        {{4, 1, 4, 12}},
        {{1, 1, 1, 12}, {1, 12, 7, 12}},
        {{1, 1, 7, 1}, {4, 1, 4, 12}},
        {{1, 1, 1, 12}, {7, 1, 7, 12}, {1, 6, 7, 6}},
        {{1, 1, 1, 12}, {1, 1, 7, 1}, {1, 6, 6, 6}, {1, 12, 7, 12}},
        {{1, 1, 1, 12}, {7, 1, 7, 12}, {1, 1, 7, 12}},
        {{1, 1, 4, 12}, {4, 12, 7, 1}},
        {{1, 12, 4, 1}, {4, 1, 7, 12}, {2.5f, 8, 5.5f, 8}},
        {{1, 1, 7, 12}, {7, 1, 1, 12}},
        {{1, 1, 7, 1}, {7, 1, 1, 12}, {1, 12, 7, 12}},
        {{4, 6.5f, -1, 3.5f}},
        {{4, 6.5f, -2, 3.5f}},
        {{1, 1, 1, 12}, {7, 1, 1, 7}, {2, 6, 7, 12}},
        {{1, 12, 1, 1}, {1, 1, 4, 7}, {4, 7, 7, 1}, {7, 1, 7, 12}},
    };
    const unsigned nCellX = x / 10;
    const unsigned nCellY = y / 18;
    // A small hash of the cell picks the glyph, its width and the spaces.
    std::uint32_t nHash = (nCellX * 73856093u) ^ (nCellY * 19349663u) ^ (nSeed * 83492791u);
    nHash ^= nHash >> 13;
    nHash *= 0x5bd1e995u;
    nHash ^= nHash >> 15;
    if (nHash % 6 == 0)
    {
        return false;
    }
    const std::vector<Segment>& glyph = glyphs[(nHash >> 4) % glyphs.size()];
    const float fWidth = (nHash >> 12) % 2 == 0 ? 1.0f : 2.0f;
    // Even widths lie between pixel centres, odd ones on them.
    const float fShift = 0.5f * (fWidth - 1.0f);
    const float px = float(x % 10) - fShift;
    const float py = float(y % 18) - fShift;
    const float fReach = 0.5f * fWidth + 0.01f;
    for (const Segment& s : glyph)
    {
        if (s.x1 < 0.0f)
        {
            const float dx = px - s.x0;
            const float dy = py - s.y0;
            if (std::abs(std::sqrt(dx * dx + dy * dy) - s.y1) < fReach && (s.x1 == -1.0f || px < s.x0 + 1.5f))
            {
                return true;
            }
            continue;
        }
        const float ex = s.x1 - s.x0;
        const float ey = s.y1 - s.y0;
        const float t = std::clamp(((px - s.x0) * ex + (py - s.y0) * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
        const float dx = px - s.x0 - t * ex;
        const float dy = py - s.y0 - t * ey;
        if (dx * dx + dy * dy < fReach * fReach)
        {
            return true;
        }
    }
    return false;
}

// A slab fHeight high with small lettering (see onLettering) engraved
// fDepth deep over all but a margin of nSize / 16 inside it.
inline std::vector<float> engravedLettering(unsigned nSize, float fHeight, float fDepth, unsigned nSeed = 1)
{
    const unsigned nMargin = nSize / 16;
    return reliefWhere(nSize, fHeight, fHeight - fDepth, [&](unsigned x, unsigned y) {
        const unsigned nInner = nSize - 2 * (nSize / 32);
        return x < nMargin || y < nMargin || x + nMargin >= nInner || y + nMargin >= nInner
            || !onLettering(x - nMargin, y - nMargin, nSeed);
    });
}
} // namespace ReliefShapes
