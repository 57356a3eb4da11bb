#include "CrossingGuard/MeshThinParts.h"
#include "ReliefShapes.h"

#include <gtest/gtest.h>

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
        const auto pArea = MeshThinParts::find(imageOf(c.heights, n), imageOf(back, n), c.nRadius, 0, 0.0);
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
    const auto pArea = MeshThinParts::find(imageOf(heights, n), imageOf(back, n), 2, 3, 0.0);
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
    // no disc reaches either, make a few percent of the shape.
    const unsigned n = 128;
    std::vector<float> heights = slabWithTooth(n, 100, 60);
    std::vector<float> back = heights;
    const auto pArea = MeshThinParts::find(imageOf(heights, n), imageOf(back, n), 2, 2, 0.01);
    ASSERT_TRUE(pArea);
    EXPECT_TRUE(marked(*pArea, 1.5, 1.5));
    EXPECT_FALSE(marked(*pArea, 64.5, 50.5));
    EXPECT_FALSE(MeshThinParts::find(imageOf(heights, n), imageOf(back, n), 2, 2, 0.1));
}
