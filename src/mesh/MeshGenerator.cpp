#include "MeshGenerator.h"

#include "Logger.h"
#include "MeshBuilder.h"
#include "MeshCrossings.h"
#include "MeshDecimater.h"
#include "MeshObject.h"
#include "MeshTiles.h"
#include "SimpleException.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>

namespace
{
// A new array (new[]) holding the record's heights; zeros when it has none.
float* copyOfHeights(const MeshGenerator::Image& source)
{
    const std::size_t nSize = std::size_t(source.nWidth) * source.nHeight;
    float* pCopy = new float[nSize > 0 ? nSize : 1]();
    if (source.pData)
    {
        std::copy(source.pData, source.pData + nSize, pCopy);
    }
    return pCopy;
}
} // namespace

MeshGenerator::Image::Image(const Image& other)
{
    *this = other;
}

MeshGenerator::Image& MeshGenerator::Image::operator=(const Image& other)
{
    if (this == &other)
    {
        return *this;
    }
    if (bOwnsData)
    {
        delete[] pData;
    }
    nWidth = other.nWidth;
    nHeight = other.nHeight;
    bOwnsData = other.bOwnsData;
    pData = other.bOwnsData && other.pData ? copyOfHeights(other) : other.pData;
    return *this;
}

MeshGenerator::Image::~Image()
{
    if (bOwnsData)
    {
        delete[] pData;
    }
}

MeshGenerator::Image MeshGenerator::Image::ownedCopy(const Image& source)
{
    Image copy;
    copy.nWidth = source.nWidth;
    copy.nHeight = source.nHeight;
    copy.bOwnsData = true;
    copy.pData = copyOfHeights(source);
    return copy;
}

float MeshGenerator::Image::getValue(unsigned x, unsigned y) const
{
    const std::size_t nIndex = std::size_t(y) * nWidth + x;
    MOLDENA_ASSERT(nIndex < nWidth * nHeight);
    return pData[nIndex];
}

namespace
{
using MeshTiles::Clock;
using MeshTiles::secondsSince;

// How many times the guarded area grows round where facets still meet
// before it takes in the whole mesh, and by how many pixels round them.
constexpr int AREA_ATTEMPTS = 3;
constexpr double AREA_MARGIN = 4.0;

// The whole mesh in one piece: build, normals, smoothing, then decimation.
std::unique_ptr<TriangleMesh> generateWhole(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings, bool& bInParts)
{
    Clock::time_point start = Clock::now();
    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::createMesh(imageFront, imageBack));
    // Vertices left over by refused triangles would count against the vertex
    // budget and widen the box that normalising uses.
    MeshGenerator::removeIsolatedVertices(*pMesh);
    timings.dBuild = secondsSince(start);
    start = Clock::now();
    MeshGenerator::computeNormals(*pMesh);
    timings.dNormals = secondsSince(start);
    start = Clock::now();
    MeshGenerator::smooth(*pMesh, parameters.NumberOfSmoothingSteps, setup.crossingGuard);
    timings.dSmoothing = secondsSince(start);
    start = Clock::now();
    // A mesh this large may be decimated in parts cut out of it.
    bInParts = setup.nParts != 1 && pMesh->n_vertices() >= setup.nMinimumVerticesForParts;
    MeshGenerator::decimate(*pMesh, parameters.NumberOfVertices, setup);
    timings.dDecimation = secondsSince(start);
    return pMesh;
}

// Build, smoothing and decimation, in tiles where the rasters are large,
// then the shells without volume left out; their number in nLeftOut, and in
// bInParts whether the mesh may have been worked on in parts.
std::unique_ptr<TriangleMesh> generateOnce(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings, unsigned& nLeftOut,
    bool& bInParts)
{
    MeshGenerator::Timings once;
    std::unique_ptr<TriangleMesh> pMesh = MeshTiles::generateInTiles(imageFront, imageBack, parameters, setup, once);
    bInParts = pMesh != nullptr;
    if (!pMesh)
    {
        once = MeshGenerator::Timings();
        pMesh = generateWhole(imageFront, imageBack, parameters, setup, once, bInParts);
    }
    // Small islands of a shape (specks a thresholded picture keeps) can come
    // out of smoothing and decimation as shells without volume, which a
    // slicer reads as degenerate facets and edges of more than two faces.
    const Clock::time_point start = Clock::now();
    nLeftOut = MeshGenerator::removeShellsWithoutVolume(*pMesh);
    once.dDecimation += secondsSince(start);
    timings.dBuild += once.dBuild;
    timings.dNormals += once.dNormals;
    timings.dSmoothing += once.dSmoothing;
    timings.dDecimation += once.dDecimation;
    return pMesh;
}

// The gap facets keep from each other in a mesh built from the rasters: from
// the largest coordinate it can have.
double crossingGapOf(const MeshGenerator::Image& imageFront, const MeshGenerator::Image& imageBack)
{
    double dSize = std::max(imageFront.nWidth, imageFront.nHeight);
    const std::size_t nPixels = std::size_t(imageFront.nWidth) * imageFront.nHeight;
    for (const MeshGenerator::Image* pImage : {&imageFront, &imageBack})
    {
        for (std::size_t i = 0; i < nPixels; ++i)
        {
            if (MeshBuilder::isMaterial(pImage->pData[i]))
            {
                dSize = std::max(dSize, double(pImage->pData[i]));
            }
        }
    }
    return MeshCrossings::gapFor(dSize);
}

// The facets of the mesh that meet, each pair as the box round both.
std::vector<MeshCrossings::Box> whereFacetsMeet(const TriangleMesh& mesh, double dGap, MeshGenerator::Timings& timings)
{
    const Clock::time_point start = Clock::now();
    std::vector<MeshCrossings::Box> boxes;
    for (const auto& [a, b] : MeshCrossings::meetingPairs(mesh, dGap))
    {
        const auto boxOf = [&](int nFace) {
            return MeshCrossings::boxOf(MeshCrossings::triangleOf(mesh, TriangleMesh::FaceHandle(nFace)), 0.0);
        };
        MeshCrossings::Box box = boxOf(a);
        const MeshCrossings::Box boxB = boxOf(b);
        box.min.minimize(boxB.min);
        box.max.maximize(boxB.max);
        boxes.push_back(box);
    }
    timings.dDecimation += secondsSince(start);
    return boxes;
}

} // namespace

TriangleMesh* MeshGenerator::generateMesh(const Image& imageFront, const Image& imageBack,
    const Parameters& parameters, const DecimationSetup& setup, Timings* pTimings)
{
    MOLDENA_ASSERT(imageBack.nWidth == imageFront.nWidth);
    MOLDENA_ASSERT(imageBack.nHeight == imageFront.nHeight);
    Timings timings;
    unsigned nLeftOut = 0;
    bool bInParts = false;
    std::unique_ptr<TriangleMesh> pMesh
        = generateOnce(imageFront, imageBack, parameters, setup, timings, nLeftOut, bInParts);
    // Smoothing and decimation rarely carry a facet through another (thin
    // parts, fine relief), and keeping them from it everywhere costs several
    // times the rest: they do so only where the result shows it is needed,
    // a little round where facets met, until none meet. Facets may then meet
    // where the collapses refused there went instead, so the area grows a
    // few times; then it takes in everything, and last the tiles go, whose
    // cuts none of them sees across.
    if (!setup.bLibraryDecimater)
    {
        const double dGap
            = setup.crossingGuard.isOn() ? setup.crossingGuard.dGap : crossingGapOf(imageFront, imageBack);
        DecimationSetup again = setup;
        for (int nAttempt = 1;; ++nAttempt)
        {
            const std::vector<MeshCrossings::Box> meeting = whereFacetsMeet(*pMesh, dGap, timings);
            const MeshCrossings::Guard& guard = again.crossingGuard;
            if (meeting.empty())
            {
                break;
            }
            if (guard.isOn() && !guard.pArea && !bInParts)
            {
                LOG_WARNING(
                    QStringLiteral("The mesh passes through itself at %1 pair(s) of facets").arg(meeting.size()));
                break;
            }
            if (guard.isOn() && !guard.pArea)
            {
                again.nParts = 1;
            }
            else if (nAttempt > AREA_ATTEMPTS)
            {
                again.crossingGuard = MeshCrossings::Guard{dGap, nullptr};
            }
            else
            {
                auto pArea = guard.pArea ? std::make_shared<MeshCrossings::Area>(*guard.pArea)
                                         : std::make_shared<MeshCrossings::Area>(imageFront.nWidth, imageFront.nHeight);
                pArea->mark(meeting, AREA_MARGIN);
                // Over most of the picture, the area's edges would only
                // leave places to look after once more.
                const std::size_t nCells = std::size_t(imageFront.nWidth) * imageFront.nHeight;
                again.crossingGuard = MeshCrossings::Guard{dGap, nullptr};
                if (pArea->size() * 2 < nCells)
                {
                    again.crossingGuard.pArea = std::move(pArea);
                }
            }
            pMesh = generateOnce(imageFront, imageBack, parameters, again, timings, nLeftOut, bInParts);
        }
    }
    if (nLeftOut > 0)
    {
        LOG_WARNING(QStringLiteral("Left out %1 piece(s) of the mesh that enclosed no volume").arg(nLeftOut));
    }
    if (pTimings)
    {
        *pTimings = timings;
    }
    return pMesh.release();
}

void MeshGenerator::decimate(TriangleMesh& mesh, unsigned nVertices)
{
    decimate(mesh, nVertices, DecimationSetup());
}

void MeshGenerator::decimate(TriangleMesh& mesh, unsigned nVertices, const DecimationSetup& setup)
{
    if (setup.bLibraryDecimater)
    {
        MeshDecimater::decimateWithLibrary(mesh, nVertices);
    }
    else if (mesh.n_vertices() > nVertices)
    {
        std::unique_ptr<TriangleMesh> pJoined = MeshTiles::decimateInParts(mesh, nVertices, setup);
        if (pJoined)
        {
            mesh = *pJoined;
        }
        else
        {
            MeshDecimater::decimateTo(mesh, nVertices, setup.crossingGuard);
        }
    }
    // The decimater keeps the face normals of the faces it changes, but not
    // the vertex normals.
    if (mesh.has_face_normals() && mesh.has_vertex_normals())
    {
        mesh.update_face_normals();
        mesh.update_vertex_normals();
    }
}

bool MeshGenerator::generate(const Image& imageFront, const Image& imageBack, const Parameters& parameters,
    MeshObject* pMeshObject)
{
    if (!imageFront.pData || !imageBack.pData || imageFront.nWidth == 0 || imageFront.nHeight == 0
        || imageBack.nWidth == 0 || imageBack.nHeight == 0 || imageFront.nWidth != imageBack.nWidth
        || imageFront.nHeight != imageBack.nHeight || !pMeshObject)
    {
        return false;
    }

    std::unique_ptr<TriangleMesh> pMesh;
    try
    {
        pMesh.reset(generateMesh(imageFront, imageBack, parameters, DecimationSetup()));
        if (pMesh->n_vertices() == 0 || pMesh->n_faces() == 0)
        {
            throw std::logic_error("invalid mesh");
        }
    }
    catch (...)
    {
        return false;
    }

    try
    {
        pMeshObject->setMesh(pMesh.release());
        pMeshObject->setType(MeshObject::TYPE_GENERATED);
        pMeshObject->update();
        pMeshObject->normalize();
        // Maps (x, y, z) to (x, -y, -z): the front, built at negative z, ends
        // on the +z side, and the image's downward rows run upwards.
        pMeshObject->rotate(180.0, 0);
    }
    catch (...)
    {
        return false;
    }
    return true;
}
