#include "CrossingGuard/MeshThinParts.h"
#include "ReliefShapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace
{
MeshGenerator::Image imageOf(std::vector<float>& heights, unsigned n)
{
    MeshGenerator::Image image;
    image.pData = heights.data();
    image.nWidth = image.nHeight = n;
    return image;
}

// A slab over the rows above nSlabRows, one pixel in from the edge, and a
// tooth a pixel wide at column nToothX below it.
std::vector<float> slabWithTooth(unsigned n, unsigned nSlabRows, unsigned nToothX)
{
    std::vector<float> heights(std::size_t(n) * n, 0.0f);
    for (unsigned y = 1; y + 1 < n; ++y)
    {
        for (unsigned x = 1; x + 1 < n; ++x)
        {
            heights[std::size_t(y) * n + x] = y < nSlabRows || x == nToothX ? 5.0f : 0.0f;
        }
    }
    return heights;
}

bool marked(const MeshCrossings::Area& area, double x, double y)
{
    return area.touches(MeshCrossings::Box{MeshCrossings::Vec(x, y, 0.0), MeshCrossings::Vec(x, y, 0.0)});
}
} // namespace

TEST(MeshThinParts, PartsAndGapsNarrowerThanTheDiscAreFoundAndGrownByTheMargin)
{
    // Pixels by their place in the raster (x, y), each with whether a disc
    // of the radius leaves it, on the shape or beside it.
    const unsigned n = 64;
    struct Spot
    {
        double x;
        double y;
        bool bThin;
    };
    struct Case
    {
        const char* pName;
        std::vector<float> heights;
        unsigned nRadius;
        std::vector<Spot> spots;
    };
    // The slab of the comb is over y < 30; its teeth, 3 wide and apart, from
    // x = 2 on below; slots are at x % 16 = 0, 8 and 9 (from x = 2 on) over
    // 10 < y < 46.
    const Case cases[] = {
        {"comb", ReliefShapes::comb(n, 5.0f, 3), 2, {{3.5, 50.5, true}, {6.5, 50.5, true}, {30.5, 10.5, false}}},
        {"slots, narrow disc", ReliefShapes::slottedSlab(n, 5.0f), 2,
            {{18.5, 30.5, true}, {14.5, 30.5, false}, {30.5, 5.5, false}}},
        {"slots, wide disc", ReliefShapes::slottedSlab(n, 5.0f), 4, {{18.5, 30.5, true}, {14.5, 30.5, true}}},
    };
    for (Case c : cases)
    {
        SCOPED_TRACE(c.pName);
        std::vector<float> back = c.heights;
        const auto pArea = MeshThinParts::find(imageOf(c.heights, n), imageOf(back, n), c.nRadius, 0, 0.0, 2.0f, 32);
        ASSERT_TRUE(pArea);
        for (const Spot& spot : c.spots)
        {
            SCOPED_TRACE(testing::Message() << spot.x << ", " << spot.y);
            EXPECT_EQ(marked(*pArea, spot.x, spot.y), spot.bThin);
        }
    }

    // A tooth is found with the margin round it, and beyond the raster is
    // space: a slab up to a pixel from the edge is not beside a gap.
    std::vector<float> heights = slabWithTooth(n, 40, 30);
    std::vector<float> back = heights;
    const auto pArea = MeshThinParts::find(imageOf(heights, n), imageOf(back, n), 2, 3, 0.0, 2.0f, 32);
    ASSERT_TRUE(pArea);
    EXPECT_TRUE(marked(*pArea, 30.5, 50.5));
    EXPECT_TRUE(marked(*pArea, 33.5, 50.5));
    EXPECT_FALSE(marked(*pArea, 34.5, 50.5));
    EXPECT_FALSE(marked(*pArea, 0.5, 20.5));
    EXPECT_FALSE(marked(*pArea, 1.5, 20.5));
    EXPECT_FALSE(marked(*pArea, 20.5, 20.5));
}

TEST(MeshThinParts, FewThinPlacesBesideAWideShapeGiveNothingToLookAfter)
{
    // A tooth a pixel wide below a wide slab, and the slab's corners, which
    // no disc reaches either, make a few tenths of a percent of the shape.
    const unsigned n = 128;
    std::vector<float> heights = slabWithTooth(n, 100, 60);
    std::vector<float> back = heights;
    const auto pArea = MeshThinParts::find(imageOf(heights, n), imageOf(back, n), 2, 2, 0.002, 2.0f, 32);
    ASSERT_TRUE(pArea);
    EXPECT_TRUE(marked(*pArea, 1.5, 1.5));
    EXPECT_FALSE(marked(*pArea, 64.5, 50.5));
    EXPECT_FALSE(MeshThinParts::find(imageOf(heights, n), imageOf(back, n), 2, 2, 0.1, 2.0f, 32));
}

TEST(MeshThinParts, GroovesAndRidgesAFewPixelsAcrossAreFoundInTheHeights)
{
    // A slab everywhere but a border of one pixel; the heights say where the
    // walls stand. Columns a few pixels across at another height cut into it
    // along its length; a disc of 2 pixels rolled over or under the heights.
    const unsigned n = 64;
    const auto slab = [&](float fHeight, const std::function<float(unsigned)>& column) {
        std::vector<float> heights(std::size_t(n) * n, 0.0f);
        for (unsigned y = 1; y + 1 < n; ++y)
        {
            for (unsigned x = 1; x + 1 < n; ++x)
            {
                const float fColumn = column(x);
                heights[std::size_t(y) * n + x] = fColumn > 0.0f ? fColumn : fHeight;
            }
        }
        return heights;
    };
    const auto in = [](unsigned x0, unsigned x1, float fHeight) {
        return [=](unsigned x) { return x >= x0 && x < x1 ? fHeight : 0.0f; };
    };
    struct Case
    {
        const char* pName;
        std::vector<float> heights;
        double dSpotX;
        bool bThin;
    };
    const Case cases[] = {
        {"groove with a floor", slab(40.0f, in(30, 32, 10.0f)), 30.5, true},
        {"ridge", slab(10.0f, in(30, 33, 40.0f)), 31.5, true},
        {"walls of different heights facing each other",
            slab(40.0f, [](unsigned x) { return x < 30 ? 0.0f : x < 32 ? 5.0f : 25.0f; }), 30.5, true},
        {"a step, no wall facing it", slab(40.0f, in(32, 63, 10.0f)), 31.5, false},
        {"a groove wider than the disc", slab(40.0f, in(26, 38, 10.0f)), 31.5, false},
        {"a groove too shallow to have walls", slab(40.0f, in(30, 32, 38.5f)), 30.5, false},
    };
    for (Case c : cases)
    {
        SCOPED_TRACE(c.pName);
        std::vector<float> back(c.heights.size());
        std::transform(c.heights.begin(), c.heights.end(), back.begin(), [](float h) { return h > 0.0f ? 3.0f : 0.0f; });
        const auto pArea = MeshThinParts::find(imageOf(c.heights, n), imageOf(back, n), 2, 0, 0.0, 2.0f, 16);
        ASSERT_TRUE(pArea);
        EXPECT_EQ(marked(*pArea, c.dSpotX, 20.5), c.bThin);
        // The slab's middle away from the columns is not thin either way.
        EXPECT_FALSE(marked(*pArea, 10.5, 20.5));
    }
}

TEST(MeshThinParts, NarrowPitsStandingAloneDoNotCountAsManyThinParts)
{
    // The same pixels cut into a slab as pits of one pixel far apart, as a
    // rough relief has, and as a groove that runs on: only the groove makes
    // the thin parts many.
    const unsigned n = 64;
    const auto slabWith = [&](const std::function<bool(unsigned, unsigned)>& cut) {
        std::vector<float> heights(std::size_t(n) * n, 0.0f);
        for (unsigned y = 1; y + 1 < n; ++y)
        {
            for (unsigned x = 1; x + 1 < n; ++x)
            {
                heights[std::size_t(y) * n + x] = cut(x, y) ? 20.0f : 40.0f;
            }
        }
        return heights;
    };
    std::vector<float> pits = slabWith([](unsigned x, unsigned y) { return x % 8 == 4 && y % 8 == 4 && y < 56; });
    std::vector<float> groove = slabWith([](unsigned x, unsigned y) { return x == 20 && y >= 4 && y < 60; });
    std::vector<float> back(std::size_t(n) * n, 3.0f);
    const double dShare = 40.0 / 3844.0;
    EXPECT_FALSE(MeshThinParts::find(imageOf(pits, n), imageOf(back, n), 2, 2, dShare, 2.0f, 16));
    const auto pArea = MeshThinParts::find(imageOf(groove, n), imageOf(back, n), 2, 2, dShare, 2.0f, 16);
    ASSERT_TRUE(pArea);
    EXPECT_TRUE(marked(*pArea, 22.5, 30.5));
}
