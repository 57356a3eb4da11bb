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
// Families of thin shapes made from parameters, so that tests and benchmarks
// try a kind of shape in many layouts rather than one drawing of it.

// A comb: a strip along the top at fStrip, teeth nTooth pixels wide hanging
// from it nGap pixels apart at fTeeth, optionally a bar at fTeeth joining
// their lower ends (every gap then a closed slot), straight or bent to and
// fro along their length. The gaps go through (fFloor 0: no material, front
// and back the same shape) or keep a floor at fFloor (a relief cut into a
// slab, its back flat). Slots cut nearly through a deep slab are combs whose
// teeth are wide, whose gaps are one or two pixels and keep a thin floor.
struct CombLayout
{
    unsigned nTooth = 3;
    unsigned nGap = 2;
    float fStrip = 40.0f;
    float fTeeth = 40.0f;
    float fFloor = 0.0f;
    bool bJoined = false;
    bool bCurved = false;
};

struct Sides
{
    std::vector<float> front;
    std::vector<float> back;
};

inline Sides combOf(unsigned nSize, const CombLayout& layout)
{
    const unsigned nInner = nSize - 2 * (nSize / 32);
    const unsigned nStrip = nInner / 8;
    const unsigned nBar = std::max(4u, nInner / 32);
    const unsigned nEnd = nInner - nInner / 16;
    const unsigned nPeriod = layout.nTooth + layout.nGap;
    const auto inComb = [&](unsigned x, unsigned y, float& fHeight) {
        if (y < nStrip)
        {
            fHeight = layout.fStrip;
            return true;
        }
        if (y >= nEnd)
        {
            return false;
        }
        if (layout.bJoined && y + nBar >= nEnd)
        {
            fHeight = layout.fTeeth;
            return true;
        }
        // Bent teeth sway by up to eight pixels over a wave of 96 rows.
        const float fShift = layout.bCurved ? 8.0f * std::sin(float(y) * 6.2831853f / 96.0f) : 0.0f;
        const long nX = long(std::lround(float(x) - fShift)) + 16L * long(nPeriod);
        fHeight = layout.fTeeth;
        return unsigned(nX % long(nPeriod)) < layout.nTooth;
    };
    const bool bFloor = layout.fFloor > 0.0f;
    Sides sides;
    sides.front = heightsWhere(nSize, 1.0f, [](unsigned, unsigned) { return true; });
    const unsigned nBorder = nSize / 32;
    for (unsigned y = nBorder; y + nBorder < nSize; ++y)
    {
        for (unsigned x = nBorder; x + nBorder < nSize; ++x)
        {
            float fHeight = 0.0f;
            const bool bIn = inComb(x - nBorder, y - nBorder, fHeight);
            float& fFront = sides.front[std::size_t(y) * nSize + x];
            fFront = bIn ? fHeight : (bFloor && y - nBorder < nEnd ? layout.fFloor : 0.0f);
        }
    }
    sides.back = bFloor ? heightsWhere(nSize, 10.0f, [&](unsigned, unsigned y) { return y < nEnd; }) : sides.front;
    return sides;
}

// Strokes nWidth pixels wide (1 or 2) along a curve, raised on nothing (front
// fRaised, back half of it) or, where fDepth is set, engraved fDepth deep into
// a slab fSlab high whose back is flat: loops like handwriting, lines of them
// nSpacing pixels apart, with holes inside and between them; or one spiral
// whose turns lie nSpacing pixels apart.
struct StrokeLayout
{
    bool bSpiral = false;
    unsigned nWidth = 1;
    unsigned nSpacing = 12;
    float fRaised = 6.0f;
    float fSlab = 0.0f;
    float fDepth = 0.0f;
};

inline Sides strokesOf(unsigned nSize, const StrokeLayout& layout)
{
    std::vector<unsigned char> on(std::size_t(nSize) * nSize, 0);
    const unsigned nBorder = nSize / 32 + 2;
    const auto stamp = [&](float px, float py) {
        // Odd widths on pixel centres, even ones between them.
        const float fShift = 0.5f * float(layout.nWidth - 1);
        const float fReach = 0.5f * float(layout.nWidth) + 0.01f;
        const int x0 = int(std::floor(px - fReach - 1.0f));
        const int y0 = int(std::floor(py - fReach - 1.0f));
        for (int y = y0; y <= y0 + int(layout.nWidth) + 3; ++y)
        {
            for (int x = x0; x <= x0 + int(layout.nWidth) + 3; ++x)
            {
                if (x < int(nBorder) || y < int(nBorder) || x + int(nBorder) >= int(nSize)
                    || y + int(nBorder) >= int(nSize))
                {
                    continue;
                }
                const float dx = float(x) - fShift - px;
                const float dy = float(y) - fShift - py;
                if (dx * dx + dy * dy < fReach * fReach)
                {
                    on[std::size_t(y) * nSize + std::size_t(x)] = 1;
                }
            }
        }
    };
    const float fCentre = 0.5f * float(nSize);
    if (layout.bSpiral)
    {
        // r = spacing * angle / (2 pi), stamped every quarter pixel.
        const float fPitch = float(layout.nSpacing) / 6.2831853f;
        for (float fAngle = 0.0f;;)
        {
            const float r = 2.0f + fPitch * fAngle;
            if (r > fCentre - float(nBorder))
            {
                break;
            }
            stamp(fCentre + r * std::cos(fAngle), fCentre + r * std::sin(fAngle));
            fAngle += 0.25f / r;
        }
    }
    else
    {
        // Lines of loops (a prolate cycloid) as joined-up handwriting has,
        // each loop about nSpacing wide and 2 nSpacing high.
        const float fLoop = float(layout.nSpacing);
        for (float fLine = float(nBorder) + 1.5f * fLoop; fLine + 1.5f * fLoop < float(nSize - nBorder);
             fLine += 3.0f * fLoop)
        {
            for (float t = 0.0f; t < float(nSize) * 6.2831853f / fLoop; t += 0.02f)
            {
                const float x = float(nBorder) + 0.3f * fLoop * t - 0.6f * fLoop * std::sin(t);
                stamp(x, fLine + fLoop * std::cos(t) * (0.8f + 0.2f * std::sin(0.37f * t)));
            }
        }
    }
    Sides sides;
    if (layout.fDepth > 0.0f)
    {
        sides.front = heightsWhere(nSize, layout.fSlab, [](unsigned, unsigned) { return true; });
        sides.back = heightsWhere(nSize, 10.0f, [](unsigned, unsigned) { return true; });
        for (std::size_t i = 0; i < on.size(); ++i)
        {
            sides.front[i] = on[i] && sides.front[i] > 0.0f ? layout.fSlab - layout.fDepth : sides.front[i];
        }
        return sides;
    }
    sides.front.assign(on.size(), 0.0f);
    sides.back.assign(on.size(), 0.0f);
    for (std::size_t i = 0; i < on.size(); ++i)
    {
        sides.front[i] = on[i] ? layout.fRaised : 0.0f;
        sides.back[i] = on[i] ? 0.5f * layout.fRaised : 0.0f;
    }
    return sides;
}
// One shape of the thin families with the settings it is generated at.
struct FamilyMember
{
    const char* name;
    enum Kind
    {
        COMB,
        STROKES,
        LETTERING
    } kind;
    CombLayout comb;
    StrokeLayout strokes;
    // Lettering: engraved fDepth deep into a slab fSlab high.
    float fSlab;
    float fDepth;
    unsigned nSteps;
    unsigned nBudget;
};

inline Sides sidesOf(unsigned nSize, const FamilyMember& member)
{
    switch (member.kind)
    {
    case FamilyMember::COMB:
        return combOf(nSize, member.comb);
    case FamilyMember::STROKES:
        return strokesOf(nSize, member.strokes);
    default:
        break;
    }
    Sides sides;
    sides.front = engravedLettering(nSize, member.fSlab, member.fDepth);
    sides.back = heightsWhere(nSize, 10.0f, [](unsigned, unsigned) { return true; });
    return sides;
}

// The families, laid out many ways: teeth two to five pixels wide, gaps one
// to five, open or joined at their ends, at, below or above the strip they
// hang from, gaps through or keeping a floor, straight or bent; slots one or
// two pixels wide cut nearly through a deep slab; loops like handwriting and
// spirals, raised on nothing or engraved; lettering engraved nearly through.
// Each at smoothing and budgets from the program's range.
inline std::vector<FamilyMember> thinFamily()
{
    using M = FamilyMember;
    const auto comb = [](unsigned nTooth, unsigned nGap, float fStrip, float fTeeth, float fFloor, bool bJoined,
                          bool bCurved) {
        CombLayout layout;
        layout.nTooth = nTooth;
        layout.nGap = nGap;
        layout.fStrip = fStrip;
        layout.fTeeth = fTeeth;
        layout.fFloor = fFloor;
        layout.bJoined = bJoined;
        layout.bCurved = bCurved;
        return layout;
    };
    const auto strokes = [](bool bSpiral, unsigned nWidth, unsigned nSpacing, float fSlab, float fDepth) {
        StrokeLayout layout;
        layout.bSpiral = bSpiral;
        layout.nWidth = nWidth;
        layout.nSpacing = nSpacing;
        layout.fSlab = fSlab;
        layout.fDepth = fDepth;
        return layout;
    };
    return {
        {"comb 4/4 joined, strip above", M::COMB, comb(4, 4, 40, 30, 0, true, false), {}, 0, 0, 99, 32000},
        {"comb 3/3 joined, strip above", M::COMB, comb(3, 3, 40, 30, 0, true, false), {}, 0, 0, 99, 32000},
        {"comb 2/1 open", M::COMB, comb(2, 1, 40, 40, 0, false, false), {}, 0, 0, 40, 32000},
        {"comb 5/2 open, teeth above", M::COMB, comb(5, 2, 30, 45, 0, false, false), {}, 0, 0, 99, 32000},
        {"comb 4/5 joined bent, teeth below", M::COMB, comb(4, 5, 40, 25, 0, true, true), {}, 0, 0, 8, 128000},
        {"comb 2/2 joined, teeth above", M::COMB, comb(2, 2, 20, 40, 0, true, false), {}, 0, 0, 3, 128000},
        {"comb 3/1 bent", M::COMB, comb(3, 1, 40, 40, 0, false, true), {}, 0, 0, 99, 32000},
        {"floored comb 3/1", M::COMB, comb(3, 1, 40, 40, 10, false, false), {}, 0, 0, 0, 32000},
        {"floored comb 2/3 joined bent", M::COMB, comb(2, 3, 40, 40, 10, true, true), {}, 0, 0, 3, 128000},
        {"floored comb 5/4 bent, teeth above", M::COMB, comb(5, 4, 30, 45, 5, false, true), {}, 0, 0, 99, 32000},
        {"floored comb 4/2, teeth below", M::COMB, comb(4, 2, 40, 30, 10, false, false), {}, 0, 0, 40, 32000},
        {"slots 2 in 14, 79 deep", M::COMB, comb(14, 2, 80, 80, 1, true, false), {}, 0, 0, 3, 128000},
        {"slots 1 in 9, 79 deep", M::COMB, comb(9, 1, 80, 80, 1, true, false), {}, 0, 0, 8, 128000},
        {"slots 2 in 10 bent, 79 deep", M::COMB, comb(10, 2, 80, 80, 1, false, true), {}, 0, 0, 8, 32000},
        {"loops 2 px", M::STROKES, {}, strokes(false, 2, 10, 0, 0), 0, 0, 99, 32000},
        {"loops 1 px", M::STROKES, {}, strokes(false, 1, 8, 0, 0), 0, 0, 40, 32000},
        {"raised spiral 1 px", M::STROKES, {}, strokes(true, 1, 6, 0, 0), 0, 0, 99, 32000},
        {"spiral groove 2 px", M::STROKES, {}, strokes(true, 2, 5, 40, 20), 0, 0, 3, 128000},
        {"spiral groove 1 px, nearly through", M::STROKES, {}, strokes(true, 1, 4, 30, 28), 0, 0, 8, 128000},
        {"engraved loops 1 px", M::STROKES, {}, strokes(false, 1, 7, 40, 30), 0, 0, 99, 32000},
        {"lettering 28 into 30", M::LETTERING, {}, {}, 30, 28, 3, 128000},
        {"lettering 20 into 40", M::LETTERING, {}, {}, 40, 20, 0, 32000},
    };
}
} // namespace ReliefShapes
