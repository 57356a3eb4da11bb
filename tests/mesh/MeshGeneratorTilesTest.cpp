#include "MeshGenerator.h"
#include "MeshObject.h"
#include "MeshTiles.h"
#include "support/MeshTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <vector>

namespace
{
struct Relief
{
    unsigned nSize = 0;
    std::vector<float> front;
    std::vector<float> back;

    MeshGenerator::Image image(std::vector<float>& heights) const
    {
        MeshGenerator::Image image;
        image.pData = heights.data();
        image.nWidth = image.nHeight = nSize;
        return image;
    }
};

// A bevelled disc with grooves and a sloping back. With bChequered, a
// chequered patch across the middle, where pixels touch only at their
// corners: there the build refuses triangles and closes holes with walls,
// each decision depending on the cells before.
Relief makeRelief(bool bChequered)
{
    Relief relief;
    relief.nSize = 160;
    relief.front = makeDiscRelief(relief.nSize, 72.0f, 9.0f, 14.0f, 7, 3.0f);
    relief.back.assign(relief.front.size(), 0.0f);
    for (unsigned y = 0; y < relief.nSize; ++y)
    {
        for (unsigned x = 0; x < relief.nSize; ++x)
        {
            const std::size_t i = std::size_t(y) * relief.nSize + x;
            if (bChequered && x >= 50 && x < 110 && y >= 30 && y < 50 && (x + y) % 2 == 0)
            {
                relief.front[i] = 0.0f;
            }
            relief.back[i] = relief.front[i] > 0.0f ? 2.0f + 0.02f * float(x) : 0.0f;
        }
    }
    return relief;
}

// The whole mesh, built and smoothed in one piece.
std::unique_ptr<TriangleMesh> wholeMesh(const Relief& relief, unsigned nSteps)
{
    Relief copy = relief;
    std::unique_ptr<TriangleMesh> pWhole(
        MeshGenerator::createMesh(copy.image(copy.front), copy.image(copy.back)));
    MeshGenerator::removeIsolatedVertices(*pWhole);
    MeshGenerator::computeNormals(*pWhole);
    MeshGenerator::smooth(*pWhole, nSteps);
    return pWhole;
}

// Vertices of mesh whose point is not, to the last bit, one of points.
std::size_t countForeign(const TriangleMesh& mesh, const std::set<PointBits>& points)
{
    std::size_t nForeign = 0;
    for (const auto vh : mesh.vertices())
    {
        nForeign += points.count(bitsOf(mesh.point(vh))) == 0 ? 1 : 0;
    }
    return nForeign;
}

MeshGenerator::DecimationSetup tiles(unsigned nParts)
{
    MeshGenerator::DecimationSetup setup;
    setup.nParts = nParts;
    setup.nMinimumVerticesForParts = 0;
    return setup;
}

} // namespace

TEST(MeshGeneratorTiles, TilesKeepTheWholeMeshsPointsAndCloseAtTheBudget)
{
    Relief relief = makeRelief(false);
    const MeshGenerator::Image front = relief.image(relief.front);
    const MeshGenerator::Image back = relief.image(relief.back);
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = 3000;

    // Four tiles: on this raster eight would be narrower than their margins.
    for (const unsigned nSteps : {0u, 8u})
    {
        SCOPED_TRACE(nSteps);
        parameters.NumberOfSmoothingSteps = nSteps;
        const std::unique_ptr<TriangleMesh> pWhole = wholeMesh(relief, nSteps);
        ASSERT_GT(pWhole->n_vertices(), 10u * parameters.NumberOfVertices);

        std::unique_ptr<TriangleMesh> pTiled(MeshGenerator::generateMesh(front, back, parameters, tiles(4)));
        EXPECT_EQ(pTiled->n_vertices(), parameters.NumberOfVertices);
        EXPECT_TRUE(isClosedTwoManifold(*pTiled));
        // A collapse keeps one of its two points, so every point left must
        // be, to the last bit, a point of the whole smoothed mesh: a tile
        // whose margin were too narrow, or that computed in coordinates of
        // its own, would move points near its edges.
        EXPECT_EQ(countForeign(*pTiled, pointsOf(*pWhole)), 0u);

        // The tiles were built on their own: cutting the whole mesh into
        // tiles gives another mesh.
        TriangleMesh cutOut = *pWhole;
        MeshGenerator::decimate(cutOut, parameters.NumberOfVertices, tiles(4));
        EXPECT_FALSE(identicalMeshes(*pTiled, cutOut));

        // And the shape is kept as well as by one pass over the whole.
        TriangleMesh single = *pWhole;
        MeshGenerator::decimate(single, parameters.NumberOfVertices, tiles(1));
        const double dSingle = volumeOf(single);
        ASSERT_GT(dSingle, 0.0);
        EXPECT_NEAR(volumeOf(*pTiled) / dSingle, 1.0, 0.01);
    }
}

// The chequered relief with speckles all over: holes and walls along the
// cuts.
Relief makeSpeckledRelief()
{
    Relief relief = makeRelief(true);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < relief.front.size(); ++i)
    {
        if (random() % 20 == 0)
        {
            relief.front[i] = 0.0f;
            relief.back[i] = 0.0f;
        }
    }
    return relief;
}

TEST(MeshGeneratorTiles, PixelsTouchingAtCornersAcrossCutsStillLetTheTilesFit)
{
    // The tiles must still fit (a tile that joined two vertices of a cut by
    // an edge of its own would collide with its neighbour), and the result
    // be closed, at the budget and made of the whole mesh's points. Here the
    // decimation flattens some speckles into shells without volume, which
    // generateMesh then leaves out: the budget is the tiles' own.
    Relief relief = makeSpeckledRelief();
    const MeshGenerator::Image front = relief.image(relief.front);
    const MeshGenerator::Image back = relief.image(relief.back);
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = 3000;
    for (const unsigned nSteps : {0u, 3u})
    {
        SCOPED_TRACE(nSteps);
        parameters.NumberOfSmoothingSteps = nSteps;
        MeshGenerator::Timings timings;
        const std::unique_ptr<TriangleMesh> pTiled
            = MeshTiles::generateInTiles(front, back, parameters, tiles(4), timings);
        ASSERT_TRUE(pTiled);
        EXPECT_EQ(pTiled->n_vertices(), parameters.NumberOfVertices);
        EXPECT_TRUE(isClosedTwoManifold(*pTiled));
        const std::unique_ptr<TriangleMesh> pWhole = wholeMesh(relief, nSteps);
        EXPECT_EQ(countForeign(*pTiled, pointsOf(*pWhole)), 0u);
        // Had the tiles not fit, the whole mesh would have been decimated,
        // in tiles cut out of it.
        TriangleMesh cutOut = *pWhole;
        MeshGenerator::decimate(cutOut, parameters.NumberOfVertices, tiles(4));
        EXPECT_FALSE(identicalMeshes(*pTiled, cutOut));
        EXPECT_TRUE(isClosedTwoManifold(cutOut));
    }
}

TEST(MeshGeneratorTiles, WindowsTooNarrowForTheirBuildAreCaughtAtTheCuts)
{
    // Without a margin beyond smoothing's reach, a window's edge changes the
    // build of a picture with lines of corner-touching holes inside the
    // tiles' own cells. On this picture the tiles then disagree on their
    // cuts, and the whole mesh is built: the result is still closed and made
    // of the whole mesh's points only (without the comparison of the cuts,
    // six points differ).
    Relief relief;
    relief.nSize = 160;
    relief.front.assign(std::size_t(relief.nSize) * relief.nSize, 0.0f);
    relief.back.assign(relief.front.size(), 0.0f);
    for (unsigned y = 0; y < relief.nSize; ++y)
    {
        for (unsigned x = 0; x < relief.nSize; ++x)
        {
            const float dx = float(x) - 80.0f;
            const float dy = float(y) - 80.0f;
            if (dx * dx + dy * dy > 72.0f * 72.0f
                || ((x % 11 == 0 || y % 13 == 0) && (x + y) % 2 == 1))
            {
                continue;
            }
            const std::size_t i = std::size_t(y) * relief.nSize + x;
            relief.front[i] = 5.0f + 3.0f * std::sin(0.3f * float(x)) * std::cos(0.2f * float(y));
            relief.back[i] = 1.0f + 0.01f * float(x);
        }
    }
    const MeshGenerator::Image front = relief.image(relief.front);
    const MeshGenerator::Image back = relief.image(relief.back);
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = 3000;
    for (const unsigned nParts : {3u, 4u})
    {
        MeshGenerator::DecimationSetup setup = tiles(nParts);
        setup.nTileMargin = 0;
        for (const unsigned nSteps : {1u, 3u, 5u})
        {
            SCOPED_TRACE(nParts * 10 + nSteps);
            parameters.NumberOfSmoothingSteps = nSteps;
            std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::generateMesh(front, back, parameters, setup));
            EXPECT_TRUE(isClosedTwoManifold(*pMesh));
            EXPECT_EQ(countForeign(*pMesh, pointsOf(*wholeMesh(relief, nSteps))), 0u);
        }
    }
}

TEST(MeshGeneratorTiles, TilesAreExactWhereOnePassIsExact)
{
    // Unsmoothed, the flat top and back are exactly flat. With a budget the
    // single pass meets by collapses there alone, the volume stays to the
    // last digits, and so must it when each tile is built and decimated on
    // its own.
    Relief relief;
    relief.nSize = 64;
    relief.front = makeDiscRelief(relief.nSize, 28.8f, 9.0f, 7.7f, 7, 3.0f);
    relief.back.assign(relief.front.size(), 0.0f);
    for (std::size_t i = 0; i < relief.back.size(); ++i)
    {
        relief.back[i] = relief.front[i] > 0.0f ? 4.0f : 0.0f;
    }
    const MeshGenerator::Image front = relief.image(relief.front);
    const MeshGenerator::Image back = relief.image(relief.back);
    MeshGenerator::Parameters parameters;
    parameters.NumberOfSmoothingSteps = 0;
    const std::unique_ptr<TriangleMesh> pWhole = wholeMesh(relief, 0);
    const double dVolume = volumeOf(*pWhole);
    ASSERT_GT(dVolume, 0.0);
    for (const unsigned nVertices : {2600u, 2200u})
    {
        SCOPED_TRACE(nVertices);
        parameters.NumberOfVertices = nVertices;
        std::unique_ptr<TriangleMesh> pSingle(MeshGenerator::generateMesh(front, back, parameters, tiles(1)));
        ASSERT_EQ(pSingle->n_vertices(), nVertices);
        ASSERT_NEAR(volumeOf(*pSingle) / dVolume, 1.0, 1e-9);
        std::unique_ptr<TriangleMesh> pTiled(MeshGenerator::generateMesh(front, back, parameters, tiles(4)));
        EXPECT_EQ(pTiled->n_vertices(), nVertices);
        EXPECT_TRUE(isClosedTwoManifold(*pTiled));
        EXPECT_NEAR(volumeOf(*pTiled) / dVolume, 1.0, 1e-9);
        // Tiles they were: cutting the whole mesh into tiles gives another
        // mesh.
        TriangleMesh cutOut = *pWhole;
        MeshGenerator::decimate(cutOut, nVertices, tiles(4));
        EXPECT_FALSE(identicalMeshes(*pTiled, cutOut));
    }
}

TEST(MeshGeneratorTiles, AtSmallBudgetsTilesLoseNoMoreThanOnePass)
{
    // Where the budget is small against the vertices on the cuts, which the
    // tiles cannot take, tiles that went on to the budget by themselves
    // would thin out their own parts too far, or get stuck around the cuts
    // and take ever dearer collapses. The volume lost measures the error:
    // tiles built on their own and tiles cut out of the whole mesh must
    // lose about what one pass over the whole mesh loses.
    struct Case
    {
        unsigned nSize, nVertices, nParts;
    };
    for (const Case& c : {Case{160, 1000, 4}, Case{160, 2000, 9}})
    {
        SCOPED_TRACE(testing::Message() << c.nSize << " " << c.nVertices << " " << c.nParts);
        Relief relief;
        relief.nSize = c.nSize;
        relief.front = makeDiscRelief(c.nSize, float(c.nSize) * 0.45f, 9.0f, float(c.nSize) * 0.09f, 7, 3.0f);
        relief.back.assign(relief.front.size(), 0.0f);
        for (std::size_t i = 0; i < relief.back.size(); ++i)
        {
            relief.back[i] = relief.front[i] > 0.0f ? 2.0f + 0.02f * float(i % c.nSize) : 0.0f;
        }
        const MeshGenerator::Image front = relief.image(relief.front);
        const MeshGenerator::Image back = relief.image(relief.back);
        MeshGenerator::Parameters parameters;
        parameters.NumberOfVertices = c.nVertices;
        parameters.NumberOfSmoothingSteps = 8;
        const std::unique_ptr<TriangleMesh> pWhole = wholeMesh(relief, 8);
        const double dVolume = volumeOf(*pWhole);
        ASSERT_GT(dVolume, 0.0);
        std::unique_ptr<TriangleMesh> pSingle(MeshGenerator::generateMesh(front, back, parameters, tiles(1)));
        const double dSingleLoss = std::abs(volumeOf(*pSingle) / dVolume - 1.0);
        std::unique_ptr<TriangleMesh> pTiled(MeshGenerator::generateMesh(front, back, parameters, tiles(c.nParts)));
        TriangleMesh cutOut = *pWhole;
        MeshGenerator::decimate(cutOut, c.nVertices, tiles(c.nParts));
        for (const TriangleMesh* pMesh : {pTiled.get(), &cutOut})
        {
            EXPECT_EQ(pMesh->n_vertices(), c.nVertices);
            EXPECT_TRUE(isClosedTwoManifold(*pMesh));
            EXPECT_LT(std::abs(volumeOf(*pMesh) / dVolume - 1.0), 1.2 * dSingleLoss);
        }
        EXPECT_FALSE(identicalMeshes(*pTiled, *pSingle));
    }
}

TEST(MeshGeneratorTiles, RastersTooNarrowForTilesAreGeneratedWhole)
{
    // Four columns of tiles would be narrower than their margins.
    const unsigned nWidth = 48;
    const unsigned nHeight = 400;
    std::vector<float> front(std::size_t(nWidth) * nHeight, 0.0f);
    std::vector<float> back(front.size(), 0.0f);
    for (unsigned y = 2; y + 2 < nHeight; ++y)
    {
        for (unsigned x = 2; x + 2 < nWidth; ++x)
        {
            front[std::size_t(y) * nWidth + x] = 3.0f + float((x * y) % 7) * 0.25f;
            back[std::size_t(y) * nWidth + x] = 2.0f;
        }
    }
    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = nWidth;
    imageFront.nHeight = nHeight;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = 2000;
    parameters.NumberOfSmoothingSteps = 8;

    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::generateMesh(imageFront, imageBack, parameters, tiles(8)));
    EXPECT_EQ(pMesh->n_vertices(), parameters.NumberOfVertices);
    EXPECT_TRUE(isClosedTwoManifold(*pMesh));

    // The same as the whole mesh decimated in cut-out tiles.
    std::unique_ptr<TriangleMesh> pWhole(MeshGenerator::createMesh(imageFront, imageBack));
    MeshGenerator::removeIsolatedVertices(*pWhole);
    MeshGenerator::computeNormals(*pWhole);
    MeshGenerator::smooth(*pWhole, parameters.NumberOfSmoothingSteps);
    MeshGenerator::decimate(*pWhole, parameters.NumberOfVertices, tiles(8));
    EXPECT_TRUE(identicalMeshes(*pMesh, *pWhole));
}

TEST(MeshGeneratorTiles, AutomaticTileCountsMakeNearSquareGrids)
{
    // Vertex counts from small reliefs to large ones: a prime count of tiles
    // would give one row of thin strips, all cut and margin.
    const MeshGenerator::DecimationSetup setup;
    for (std::size_t nVertices = 100000; nVertices <= 20000000; nVertices = nVertices * 5 / 4)
    {
        const unsigned nParts = MeshTiles::partsFor(nVertices, setup);
        unsigned nRows = 0;
        unsigned nColumns = 0;
        MeshTiles::gridOf(nParts, nRows, nColumns);
        EXPECT_EQ(nRows * nColumns, nParts) << nVertices;
        EXPECT_GE(nRows, 2u) << nVertices;
        EXPECT_LE(nColumns, 2 * nRows) << nVertices << ": " << nRows << " x " << nColumns;
    }
}
