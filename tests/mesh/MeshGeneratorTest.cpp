#include "DomeHeights.h"
#include "MeshGenerator.h"
#include "MeshIO.h"
#include "MeshObject.h"
#include "ReliefShapes.h"
#include "SimpleException.h"
#include "StlCheck.h"
#include "TestSupport.h"
#include "SelfCrossings.h"
#include "support/MeshTestSupport.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

namespace
{
// An image over a vector the test keeps alive.
MeshGenerator::Image imageOf(std::vector<float>& heights, unsigned nWidth, unsigned nHeight)
{
    MeshGenerator::Image image;
    image.pData = heights.data();
    image.nWidth = nWidth;
    image.nHeight = nHeight;
    return image;
}

MeshGenerator::Parameters parametersOf(unsigned nVertices, unsigned nSmoothingSteps)
{
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = nVertices;
    parameters.NumberOfSmoothingSteps = nSmoothingSteps;
    return parameters;
}

unsigned countIsolated(const TriangleMesh& mesh)
{
    unsigned n = 0;
    for (const auto vh : mesh.vertices())
    {
        n += mesh.is_isolated(vh) ? 1 : 0;
    }
    return n;
}

// The signed volume of each piece (faces joined through their vertices),
// smallest first, and the smallest facet area.
std::vector<double> pieceVolumes(const TriangleMesh& mesh, double& dSmallestArea)
{
    std::vector<int> root(mesh.n_vertices());
    std::iota(root.begin(), root.end(), 0);
    const std::function<int(int)> find = [&](int v) { return root[v] == v ? v : root[v] = find(root[v]); };
    for (const auto eh : mesh.edges())
    {
        root[find(eh.v0().idx())] = find(eh.v1().idx());
    }
    std::map<int, double> pieces;
    dSmallestArea = std::numeric_limits<double>::max();
    for (const auto fh : mesh.faces())
    {
        OpenMesh::Vec3d p[3];
        std::transform(fh.vertices().begin(), fh.vertices().end(), p,
            [&](OpenMesh::SmartVertexHandle vh) { return OpenMesh::vector_cast<OpenMesh::Vec3d>(mesh.point(vh)); });
        pieces[find(fh.halfedge().to().idx())] += OpenMesh::dot(p[0], OpenMesh::cross(p[1], p[2])) / 6.0;
        dSmallestArea = std::min(dSmallestArea, OpenMesh::cross(p[1] - p[0], p[2] - p[0]).norm() / 2.0);
    }
    std::vector<double> volumes;
    std::transform(pieces.begin(), pieces.end(), std::back_inserter(volumes), [](auto piece) { return piece.second; });
    std::sort(volumes.begin(), volumes.end());
    return volumes;
}
} // namespace

TEST(MeshGeneratorImage, ReadsRowMajorAndGuardsItsRange)
{
    std::vector<float> heights = {1, 2, 3, 4, 5, 6};
    const MeshGenerator::Image image = imageOf(heights, 3, 2);
    EXPECT_EQ(image.getValue(2, 0), 3.0f);
    EXPECT_EQ(image.getValue(0, 1), 4.0f);
    EXPECT_ASSERTION(image.getValue(0, 2), "nIndex < nWidth * nHeight");

    MeshGenerator::Image empty;
    EXPECT_EQ(empty.pData, nullptr);
    EXPECT_EQ(empty.nWidth + empty.nHeight, 0u);
    EXPECT_FALSE(empty.bOwnsData);
}

TEST(MeshGeneratorImage, CopyOfOwningImageOwnsItsOwnHeights)
{
    MeshGenerator::Image owner;
    owner.pData = new float[4]{1, 2, 3, 4};
    owner.nWidth = 2;
    owner.nHeight = 2;
    owner.bOwnsData = true;
    MeshGenerator::Image copy(owner);
    EXPECT_NE(copy.pData, owner.pData);
    EXPECT_EQ(copy.getValue(1, 1), 4.0f);
    copy = owner;
    EXPECT_EQ(copy.getValue(0, 1), 3.0f);
    // Both free their own heights; ASan would report a double free.
}

TEST(MeshGeneratorParameters, DefaultsAndInequality)
{
    MeshGenerator::Parameters a;
    EXPECT_EQ(a.NumberOfVertices, 128000u);
    EXPECT_EQ(a.NumberOfSmoothingSteps, 3u);
    MeshGenerator::Parameters b = a;
    EXPECT_FALSE(a != b);
    b.NumberOfSmoothingSteps = 4;
    EXPECT_TRUE(a != b);
    b = a;
    b.NumberOfVertices = 1;
    EXPECT_TRUE(a != b);
}

TEST(MeshGenerator, ThreeByThreeSlabIsClosedWithVolumeEight)
{
    std::vector<float> ones(9, 1.0f);
    const MeshGenerator::Image image = imageOf(ones, 3, 3);
    MeshObject object("M");
    object.setMesh(MeshGenerator::createMesh(image, image));
    const TriangleMesh& mesh = *object.getMesh();
    EXPECT_EQ(mesh.n_vertices(), 18u);
    // Eight triangles per side and two wall faces on each of the eight border edges.
    EXPECT_EQ(mesh.n_faces(), 32u);
    EXPECT_TRUE(object.isClosed());
    EXPECT_TRUE(isClosedTwoManifold(mesh));
    object.update();
    EXPECT_NEAR(object.getMeshData()->getVolume(), 8.0, 1e-9);
    double dX, dY, dZ;
    object.getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_EQ(dX, 2.0);
    EXPECT_EQ(dY, 2.0);
    EXPECT_EQ(dZ, 2.0);
}

TEST(MeshGenerator, RefusesEmptyMismatchedAndLineShapedRasters)
{
    LogCapture log;
    MeshObject object("M");
    const auto parameters = parametersOf(1000, 0);

    std::vector<float> zeros(64, 0.0f);
    EXPECT_FALSE(MeshGenerator::generate(imageOf(zeros, 8, 8), imageOf(zeros, 8, 8), parameters, &object));

    std::vector<float> a(64, 1.0f);
    std::vector<float> b(72, 1.0f);
    EXPECT_FALSE(MeshGenerator::generate(imageOf(a, 8, 8), imageOf(b, 8, 9), parameters, &object));
    EXPECT_FALSE(MeshGenerator::generate(imageOf(a, 8, 8), imageOf(b, 9, 8), parameters, &object));
    EXPECT_FALSE(MeshGenerator::generate(imageOf(a, 8, 8), MeshGenerator::Image(), parameters, &object));
    EXPECT_FALSE(MeshGenerator::generate(imageOf(a, 0, 8), imageOf(a, 0, 8), parameters, &object));

    // A single row or column has no cell.
    EXPECT_FALSE(MeshGenerator::generate(imageOf(a, 8, 1), imageOf(a, 8, 1), parameters, &object));
    EXPECT_FALSE(MeshGenerator::generate(imageOf(a, 1, 8), imageOf(a, 1, 8), parameters, &object));
    // Material along one line inside a larger raster has no cell either.
    std::vector<float> line(64, 0.0f);
    for (unsigned x = 0; x < 8; ++x)
    {
        line[3 * 8 + x] = 2.0f;
    }
    EXPECT_FALSE(MeshGenerator::generate(imageOf(line, 8, 8), imageOf(line, 8, 8), parameters, &object));

    EXPECT_EQ(object.getMesh(), nullptr);
    EXPECT_EQ(object.getType(), 0);
    EXPECT_EQ(object.getMeshData()->getNumberOfVertices(), 0u);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(MeshGenerator, WithoutSmoothingOrDecimationTheBuildIsKeptAndNormalised)
{
    std::vector<float> front(16 * 12, 2.0f);
    std::vector<float> back(16 * 12, 1.0f);
    const MeshGenerator::Image imageFront = imageOf(front, 16, 12);
    const MeshGenerator::Image imageBack = imageOf(back, 16, 12);
    std::unique_ptr<TriangleMesh> pBuilt(MeshGenerator::createMesh(imageFront, imageBack));

    MeshObject object("M");
    ASSERT_TRUE(MeshGenerator::generate(imageFront, imageBack, parametersOf(100000, 0), &object));
    EXPECT_EQ(object.getType(), 1);
    EXPECT_EQ(object.getMesh()->n_vertices(), pBuilt->n_vertices());
    EXPECT_EQ(object.getMesh()->n_faces(), pBuilt->n_faces());
    EXPECT_TRUE(object.isClosed());
    double dX, dY, dZ;
    object.getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dX, 1.0, 1e-6);
    EXPECT_NEAR(dY, 11.0 / 15.0, 1e-6);
    EXPECT_NEAR(dZ, 3.0 / 15.0, 1e-6);
    // 15 x 11 x 3 slab at a scale of 1/15.
    EXPECT_NEAR(object.getMeshData()->getVolume(), 15.0 * 11.0 * 3.0 / (15.0 * 15.0 * 15.0), 1e-5);
    EXPECT_EQ(object.getMeshData()->getNumberOfVertices(), pBuilt->n_vertices());
}

TEST(MeshGenerator, FrontEndsOnPositiveZAndTopRowsUpwards)
{
    // Front: flat 1 with a spike of 6 at pixel (3, 2); back flat 1.
    const unsigned n = 12;
    std::vector<float> front(n * n, 1.0f);
    std::vector<float> back(n * n, 1.0f);
    front[2 * n + 3] = 6.0f;
    MeshObject object("M");
    ASSERT_TRUE(MeshGenerator::generate(imageOf(front, n, n), imageOf(back, n, n), parametersOf(100000, 0), &object));
    const TriangleMesh& mesh = *object.getMesh();
    TriangleMesh::Point top(0, 0, -1e9f);
    for (const auto vh : mesh.vertices())
    {
        if (mesh.point(vh)[2] > top[2])
        {
            top = mesh.point(vh);
        }
    }
    // The spike is the only vertex at the top of the box, in the upper left
    // quarter: row 2 of 12 is near the top, column 3 near the left.
    EXPECT_NEAR(top[2], 0.5 * 7.0 / 11.0, 1e-5);
    EXPECT_LT(top[0], 0.0f);
    EXPECT_GT(top[1], 0.0f);
    EXPECT_NEAR(top[0], (3.0 - 5.5) / 11.0, 1e-5);
    EXPECT_NEAR(top[1], (5.5 - 2.0) / 11.0, 1e-5);
    EXPECT_GT(object.getMeshData()->getVolume(), 0.0);
}

TEST(MeshGenerator, BevelledDiscWithGroovesIsClosedManifoldAtExactBudget)
{
    const unsigned n = 64;
    std::vector<float> front = makeDiscRelief(n, 28.0f, 8.0f, 6.0f, 6, 3.0f);
    std::vector<float> back(n * n, 0.0f);
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 5.0f : 0.0f;
    }
    const MeshGenerator::Image imageFront = imageOf(front, n, n);
    const MeshGenerator::Image imageBack = imageOf(back, n, n);
    std::unique_ptr<TriangleMesh> pBuilt(MeshGenerator::createMesh(imageFront, imageBack));
    ASSERT_GT(pBuilt->n_vertices(), 4000u);

    MeshObject object("M");
    ASSERT_TRUE(MeshGenerator::generate(imageFront, imageBack, parametersOf(700, 3), &object));
    const TriangleMesh& mesh = *object.getMesh();
    EXPECT_EQ(mesh.n_vertices(), 700u);
    EXPECT_TRUE(object.isClosed());
    EXPECT_TRUE(isClosedTwoManifold(mesh));
    EXPECT_GT(object.getMeshData()->getVolume(), 0.0);
    EXPECT_EQ(object.getMeshData()->getNumberOfVertices(), 700u);
    // Euler characteristic of a sphere.
    EXPECT_EQ(int(mesh.n_vertices()) - int(mesh.n_edges()) + int(mesh.n_faces()), 2);
}

TEST(MeshGenerator, NegativeAndNanHeightsAreNoMaterialAndKeepTheMeshClosed)
{
    const unsigned n = 16;
    std::vector<float> front(n * n, 2.0f);
    std::vector<float> back(n * n, 2.0f);
    front[5 * n + 5] = -1.0f;
    front[5 * n + 9] = std::numeric_limits<float>::quiet_NaN();
    back[10 * n + 7] = -3.0f;
    back[12 * n + 12] = std::numeric_limits<float>::quiet_NaN();
    front[0] = -2.0f;
    const MeshGenerator::Image imageFront = imageOf(front, n, n);
    const MeshGenerator::Image imageBack = imageOf(back, n, n);

    MeshObject built("B");
    built.setMesh(MeshGenerator::createMesh(imageFront, imageBack));
    EXPECT_TRUE(built.isClosed());
    EXPECT_TRUE(isClosedTwoManifold(*built.getMesh()));
    for (const auto vh : built.getMesh()->vertices())
    {
        EXPECT_TRUE(std::isfinite(built.getMesh()->point(vh)[2]));
    }

    MeshObject object("M");
    ASSERT_TRUE(MeshGenerator::generate(imageFront, imageBack, parametersOf(150, 2), &object));
    EXPECT_TRUE(object.isClosed());
    EXPECT_EQ(object.getMesh()->n_vertices(), 150u);
}

TEST(MeshGenerator, VerticesLeftByRefusedTrianglesAreRemoved)
{
    // Scattered holes make the fan guard refuse triangles after it created
    // some of their vertices.
    const unsigned n = 24;
    std::mt19937 random(7);
    std::vector<float> front(n * n);
    std::vector<float> back(n * n);
    for (std::size_t i = 0; i < front.size(); ++i)
    {
        front[i] = (random() % 4 == 0) ? 0.0f : 1.0f + float(random() % 3);
        back[i] = (random() % 6 == 0) ? 0.0f : 1.0f;
    }
    const MeshGenerator::Image imageFront = imageOf(front, n, n);
    const MeshGenerator::Image imageBack = imageOf(back, n, n);
    std::unique_ptr<TriangleMesh> pBuilt(MeshGenerator::createMesh(imageFront, imageBack));
    const unsigned nIsolated = countIsolated(*pBuilt);
    ASSERT_GT(nIsolated, 0u);
    const std::size_t nBuilt = pBuilt->n_vertices();
    EXPECT_EQ(MeshGenerator::removeIsolatedVertices(*pBuilt), nIsolated);
    EXPECT_EQ(pBuilt->n_vertices(), nBuilt - nIsolated);
    EXPECT_EQ(countIsolated(*pBuilt), 0u);

    MeshObject object("M");
    ASSERT_TRUE(MeshGenerator::generate(imageFront, imageBack, parametersOf(100000, 0), &object));
    EXPECT_EQ(object.getMesh()->n_vertices(), nBuilt - nIsolated);
    EXPECT_EQ(countIsolated(*object.getMesh()), 0u);
}

TEST(MeshGenerator, SmoothingMovesPointsAndRefreshesFaceNormals)
{
    const unsigned n = 20;
    std::vector<float> front = makeDiscRelief(n, 9.0f, 5.0f, 4.0f, 0, 0.0f);
    std::vector<float> back(n * n);
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 1.0f : 0.0f;
    }
    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::createMesh(imageOf(front, n, n), imageOf(back, n, n)));
    MeshGenerator::removeIsolatedVertices(*pMesh);
    MeshGenerator::computeNormals(*pMesh);
    const TriangleMesh unsmoothed = *pMesh;
    TriangleMesh zeroSteps = *pMesh;
    MeshGenerator::smooth(zeroSteps, 0);
    for (const auto vh : unsmoothed.vertices())
    {
        ASSERT_EQ(zeroSteps.point(vh), unsmoothed.point(vh));
    }
    MeshGenerator::smooth(*pMesh, 4);

    double dMoved = 0.0;
    for (const auto vh : pMesh->vertices())
    {
        dMoved += (pMesh->point(vh) - unsmoothed.point(vh)).norm();
    }
    EXPECT_GT(dMoved, 1.0);
    for (const auto fh : pMesh->faces())
    {
        const TriangleMesh::Normal expected = pMesh->calc_face_normal(fh);
        EXPECT_NEAR((pMesh->normal(fh) - expected).norm(), 0.0f, 1e-5f);
    }
}

TEST(MeshGenerator, SpecksThatEncloseNoVolumeAreLeftOutWithOneWarning)
{
    // A dome between rows of specks of one to four pixels. Those of one or
    // two pixels make no cell; those of three and four are the smallest
    // pieces there are: decimation flattens some of them, many smoothing
    // steps pull them to a point, and what encloses no volume is left out.
    // So many thin parts are looked after from the start, and keep their
    // volume; looked after nowhere, they go as before.
    const unsigned n = 64;
    std::vector<float> front = domeHeights(n, 0.3, 8.0f, 1.0f);
    const unsigned offsets[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    unsigned k = 0;
    for (const unsigned y : {3u, 8u, 57u, 62u})
    {
        for (unsigned x = 3; x < n; x += 5, ++k)
        {
            for (unsigned i = 0; i <= k % 4; ++i)
            {
                front[(y - offsets[i][1]) * n + x - offsets[i][0]] = 0.5f + 0.5f * float(k % 5);
            }
        }
    }
    std::vector<float> back(front.size());
    std::transform(front.begin(), front.end(), back.begin(), [](float f) { return f > 0.0f ? 1.0f : 0.0f; });
    const MeshGenerator::Image imageFront = imageOf(front, n, n);
    const MeshGenerator::Image imageBack = imageOf(back, n, n);
    std::unique_ptr<TriangleMesh> pBuilt(MeshGenerator::createMesh(imageFront, imageBack));
    double dSmallestArea = 0.0;
    const std::size_t nBuiltPieces = pieceVolumes(*pBuilt, dSmallestArea).size();
    QTemporaryDir dir;

    for (const bool bLookedAfter : {true, false})
    {
        SCOPED_TRACE(bLookedAfter ? "looked after" : "looked after nowhere");
        MeshGenerator::DecimationSetup setup;
        if (!bLookedAfter)
        {
            setup.crossingGuard = MeshCrossings::Guard{
                MeshCrossings::gapFor(double(n)), std::make_shared<MeshCrossings::Area>(n, n)};
        }
        for (const unsigned nSteps : {8u, 99u})
        {
            SCOPED_TRACE(nSteps);
            LogCapture log;
            MeshObject object("M");
            object.setMesh(MeshGenerator::generateMesh(
                imageFront, imageBack, parametersOf(unsigned(pBuilt->n_vertices() / 2), nSteps), setup));
            object.update();
            const std::vector<double> volumes = pieceVolumes(*object.getMesh(), dSmallestArea);
            EXPECT_GT(volumes.front(), 0.0);
            EXPECT_GT(dSmallestArea, 0.0);
            EXPECT_EQ(countIsolated(*object.getMesh()), 0u);
            // The dome is kept.
            EXPECT_GT(volumes.back(), 0.99 * object.getMeshData()->getVolume());
            ASSERT_TRUE(MeshIO::writeMesh(&object, dir.filePath("specks.stl")));
            const StlReport report = checkStl(dir.filePath("specks.stl"));
            EXPECT_TRUE(report.isClosed()) << report.sText.toStdString();
            EXPECT_EQ(report.nParts, int(volumes.size()));
            const std::size_t nLeftOut = nBuiltPieces - volumes.size();
            EXPECT_EQ(nLeftOut > 0, !bLookedAfter);
            const QString sWarning = QStringLiteral(": Left out %1 piece(s) of the mesh that enclosed no volume");
            ASSERT_EQ(log.lines().size(), nLeftOut > 0 ? 1 : 0);
            if (nLeftOut > 0)
            {
                EXPECT_TRUE(log.lines().value(0).startsWith("WARNING: ")
                    && log.lines().value(0).endsWith(sWarning.arg(nLeftOut)));
            }
        }
    }
}

TEST(MeshGenerator, ThinTeethStayWholeAtEverySmoothingStepCount)
{
    // Each smoothing step pulls a tooth of the comb towards its middle line;
    // unchecked, its facets collapse and turn over, and a slicer finds
    // degenerate facets, backwards edges and hundreds of parts in one body.
    const unsigned n = 64;
    std::vector<float> front = makeCombHeights(n, 6.0f);
    std::vector<float> back = makeCombHeights(n, 3.0f);
    QTemporaryDir dir;
    for (const unsigned nSteps : {8u, 40u, 99u})
    {
        SCOPED_TRACE(nSteps);
        MeshObject object("M");
        ASSERT_TRUE(MeshGenerator::generate(
            imageOf(front, n, n), imageOf(back, n, n), parametersOf(128000, nSteps), &object));
        double dSmallestArea = 0.0;
        const std::size_t nShells = pieceVolumes(*object.getMesh(), dSmallestArea).size();
        // A facet of the raster's grid has about 1e-4 at this size.
        EXPECT_GT(dSmallestArea, 1e-9);
        ASSERT_TRUE(MeshIO::writeMesh(&object, dir.filePath("comb.stl")));
        const StlReport report = checkStl(dir.filePath("comb.stl"));
        EXPECT_TRUE(report.isClosed()) << report.sText.toStdString();
        EXPECT_EQ(report.nParts, int(nShells));
    }
}

TEST(MeshGenerator, ThinPartsNeverPassThroughThemselvesInTheSavedSolid)
{
    // Shapes whose smoothed or decimated surface passed through itself:
    // slots in a deep slab at the usual steps, a comb of unsmoothed teeth
    // through a slab, thin strokes and a deep comb smoothed 99 times. Each
    // is first shown to do so without the guard.
    struct Case
    {
        const char* pName;
        unsigned n;
        std::vector<float> front;
        std::vector<float> back;
        unsigned nSteps;
        unsigned nVertices;
    };
    const Case cases[] = {
        {"slots", 128, makeSlotHeights(128, 40.0f), makeSlotHeights(128, 40.0f), 8, 1000},
        {"comb", 64, makeCombHeights(64, 40.0f, 3), makeCombHeights(64, 40.0f, 3), 0, 1000},
        {"strokes", 64, makeStrokeHeights(64, 6.0f), makeStrokeHeights(64, 3.0f), 99, 1000},
        {"deep comb", 64, makeCombHeights(64, 40.0f), makeCombHeights(64, 40.0f), 99, 2000},
    };
    QTemporaryDir dir;
    for (Case c : cases)
    {
        SCOPED_TRACE(c.pName);
        const MeshGenerator::Image imageFront = imageOf(c.front, c.n, c.n);
        const MeshGenerator::Image imageBack = imageOf(c.back, c.n, c.n);
        std::unique_ptr<TriangleMesh> pUnguarded(MeshGenerator::createMesh(imageFront, imageBack));
        MeshGenerator::removeIsolatedVertices(*pUnguarded);
        MeshGenerator::computeNormals(*pUnguarded);
        MeshGenerator::smooth(*pUnguarded, c.nSteps);
        MeshGenerator::decimate(*pUnguarded, c.nVertices);
        EXPECT_GT(selfCrossingsOf(*pUnguarded).nPairs, 0u);

        MeshObject object("M");
        ASSERT_TRUE(MeshGenerator::generate(imageFront, imageBack, parametersOf(c.nVertices, c.nSteps), &object));
        EXPECT_LE(object.getMesh()->n_vertices(), c.nVertices * 11 / 10);
        ASSERT_TRUE(MeshIO::writeMesh(&object, dir.filePath("thin.stl")));
        const SelfCrossings crossings = countSelfCrossingsInStl(dir.filePath("thin.stl"));
        EXPECT_FALSE(crossings.bNotAMesh);
        EXPECT_EQ(crossings.nPairs, 0u);
        const StlReport report = checkStl(dir.filePath("thin.stl"));
        EXPECT_TRUE(report.isClosed()) << report.sText.toStdString();
    }
    // In tiles too, whose cuts no tile sees across.
    const Case& slotCase = cases[0];
    std::vector<float> front = slotCase.front;
    std::vector<float> back = slotCase.back;
    MeshGenerator::DecimationSetup tiles;
    tiles.nParts = 4;
    tiles.nMinimumVerticesForParts = 0;
    std::unique_ptr<TriangleMesh> pTiled(MeshGenerator::generateMesh(imageOf(front, slotCase.n, slotCase.n),
        imageOf(back, slotCase.n, slotCase.n), parametersOf(slotCase.nVertices, slotCase.nSteps), tiles));
    EXPECT_EQ(selfCrossingsOf(*pTiled).nPairs, 0u);
    EXPECT_TRUE(isClosedTwoManifold(*pTiled));
}

TEST(MeshGenerator, GroovesCutIntoASlabAreGeneratedSoundInOnePass)
{
    // Grooves with a floor, whose walls face each other a pixel or two
    // apart: the comb of a relief and lettering engraved into a slab. The
    // usual steps carry their facets through each other; found thin from
    // the heights, they are kept apart from the start, and the first mesh
    // made is sound, with nothing to work again.
    struct Case
    {
        const char* pName;
        unsigned n;
        std::vector<float> front;
        unsigned nVertices;
    };
    const Case cases[] = {
        {"comb whose gaps keep a floor", 96, ReliefShapes::flooredComb(96, 40.0f, 10.0f, 2, 1), 1000},
        {"engraved lettering", 128, ReliefShapes::engravedLettering(128, 40.0f, 8.0f), 2000},
    };
    for (Case c : cases)
    {
        SCOPED_TRACE(c.pName);
        std::vector<float> back(c.front.size());
        std::transform(c.front.begin(), c.front.end(), back.begin(), [](float h) { return h > 0.0f ? 3.0f : 0.0f; });
        const MeshGenerator::Image imageFront = imageOf(c.front, c.n, c.n);
        const MeshGenerator::Image imageBack = imageOf(back, c.n, c.n);
        std::unique_ptr<TriangleMesh> pUnguarded(MeshGenerator::createMesh(imageFront, imageBack));
        MeshGenerator::removeIsolatedVertices(*pUnguarded);
        MeshGenerator::computeNormals(*pUnguarded);
        MeshGenerator::decimate(*pUnguarded, c.nVertices);
        EXPECT_GT(selfCrossingsOf(*pUnguarded).nPairs, 0u);

        MeshGenerator::Timings timings;
        std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::generateMesh(
            imageFront, imageBack, parametersOf(c.nVertices, 0), MeshGenerator::DecimationSetup(), &timings));
        EXPECT_EQ(timings.nGenerations, 1u);
        EXPECT_EQ(timings.nReworks, 0u);
        EXPECT_EQ(pMesh->n_vertices(), c.nVertices);
        EXPECT_EQ(selfCrossingsOf(*pMesh).nPairs, 0u);
        EXPECT_TRUE(isClosedTwoManifold(*pMesh));
    }
}

TEST(MeshGenerator, AShapeWhoseFacetsMeetNowhereIsGeneratedAsBeforeTheGuard)
{
    // Nothing meets in the relief: the mesh is the one the steps make
    // without keeping facets apart.
    const unsigned n = 64;
    std::vector<float> front = makeDiscRelief(n, 28.0f, 8.0f, 6.0f, 6, 3.0f);
    std::vector<float> back(front.size());
    std::transform(front.begin(), front.end(), back.begin(), [](float h) { return h > 0.0f ? 3.0f : 0.0f; });
    const MeshGenerator::Image imageFront = imageOf(front, n, n);
    const MeshGenerator::Image imageBack = imageOf(back, n, n);
    std::unique_ptr<TriangleMesh> pSteps(MeshGenerator::createMesh(imageFront, imageBack));
    MeshGenerator::removeIsolatedVertices(*pSteps);
    MeshGenerator::computeNormals(*pSteps);
    MeshGenerator::smooth(*pSteps, 8);
    MeshGenerator::decimate(*pSteps, 1500);
    std::unique_ptr<TriangleMesh> pGenerated(MeshGenerator::generateMesh(
        imageFront, imageBack, parametersOf(1500, 8), MeshGenerator::DecimationSetup()));
    EXPECT_TRUE(identicalMeshes(*pGenerated, *pSteps));
}
