#include "MeshGenerator.h"

#include "Logger.h"
#include "MeshBuilder.h"
#include "CrossingGuard/MeshCrossings.h"
#include "MeshDecimater.h"
#include "MeshObject.h"
#include "CrossingGuard/MeshRework.h"
#include "CrossingGuard/MeshThinParts.h"
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

// How many times the part worked again grows round where facets still meet
// before the whole mesh is made again with facets kept apart everywhere, and
// by how many pixels round them it starts.
constexpr int REWORK_ATTEMPTS = 2;
constexpr double REWORK_MARGIN = 4.0;
// Parts and gaps up to twice this many pixels across are thin; where they
// make up this share of the shape, facets are kept apart from the start this
// many pixels round them. A few thin places (the points of a star) cost less
// to work again where facets meet than to look after all along; slots a
// pixel wide every forty pixels are already many.
constexpr unsigned THIN_RADIUS = 4;
constexpr unsigned THIN_MARGIN = 2;
constexpr double THIN_SHARE = 0.025;
// Walls in the relief are thin where they face each other across a groove,
// or stand back to back round a ridge, and stand higher than this times the
// radius of the disc that does not fit between them, about as high as they
// are apart: lower ones make slopes too gentle to be carried into each other.
constexpr float THIN_STEEPNESS = 2.0f;
// Such walls count where they run on this many pixels at least, or an eighth
// of the picture across where that is less: grooves and lettering do, while
// the narrow peaks, pits and terraces of a rough relief (a photograph's)
// mostly break off sooner, and are left to be worked again where their
// facets meet.
constexpr unsigned THIN_RUN = 64;

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
    MeshBuilder::numberVertices(*pMesh, imageFront.nWidth);
    timings.dBuild = secondsSince(start);
    start = Clock::now();
    MeshGenerator::computeNormals(*pMesh);
    timings.dNormals = secondsSince(start);
    start = Clock::now();
    MeshGenerator::smooth(
        *pMesh, parameters.NumberOfSmoothingSteps, setup.smoothingGuard.value_or(setup.crossingGuard));
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
        if (setup.pCollapsedInto)
        {
            // Tiles may have begun writing down their collapses.
            std::fill(setup.pCollapsedInto->begin(), setup.pCollapsedInto->end(), -1);
        }
        pMesh = generateWhole(imageFront, imageBack, parameters, setup, once, bInParts);
    }
    // Small islands of a shape (specks a thresholded picture keeps) can come
    // out of smoothing and decimation as shells without volume, which a
    // slicer reads as degenerate facets and edges of more than two faces.
    const Clock::time_point start = Clock::now();
    nLeftOut = MeshGenerator::removeShellsWithoutVolume(*pMesh);
    once.dDecimation += secondsSince(start);
    ++timings.nGenerations;
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

// Where the facets of a mesh meet: each pair as the box round both, and the
// ids of their corners (where the mesh has the ids of its build).
struct Meeting
{
    std::vector<MeshCrossings::Box> boxes;
    std::vector<int> ids;
    // Of the pairs, those that pass through or touch each other; the others
    // only come within the gap.
    std::size_t nPassingThrough = 0;
    bool empty() const { return boxes.empty(); }
};

Meeting whereFacetsMeet(const TriangleMesh& mesh, double dGap, MeshGenerator::Timings& timings)
{
    const Clock::time_point start = Clock::now();
    Meeting meeting;
    OpenMesh::VPropHandleT<int> hIds;
    const bool bIds = mesh.get_property_handle(hIds, MeshBuilder::VERTEX_IDS);
    for (const auto& [a, b] : MeshCrossings::meetingPairs(mesh, dGap))
    {
        const MeshCrossings::Triangle triangleA = MeshCrossings::triangleOf(mesh, TriangleMesh::FaceHandle(a));
        const MeshCrossings::Triangle triangleB = MeshCrossings::triangleOf(mesh, TriangleMesh::FaceHandle(b));
        MeshCrossings::Box box = MeshCrossings::boxOf(triangleA, 0.0);
        const MeshCrossings::Box boxB = MeshCrossings::boxOf(triangleB, 0.0);
        box.min.minimize(boxB.min);
        box.max.maximize(boxB.max);
        meeting.boxes.push_back(box);
        meeting.nPassingThrough += MeshCrossings::passThrough(triangleA, triangleB) ? 1 : 0;
        for (const MeshCrossings::Triangle* pTriangle : {&triangleA, &triangleB})
        {
            for (const int nCorner : pTriangle->corners)
            {
                if (bIds)
                {
                    meeting.ids.push_back(mesh.property(hIds, TriangleMesh::VertexHandle(nCorner)));
                }
            }
        }
    }
    timings.dDecimation += secondsSince(start);
    return meeting;
}

// The first result worked again round where its facets meet, the part
// growing until none do; nothing when that does not come to an end.
std::unique_ptr<TriangleMesh> reworkWhereFacetsMeet(const TriangleMesh& mesh, std::vector<int>& collapsedInto,
    Meeting meeting, const MeshRework::Source& source, MeshGenerator::Timings& timings, unsigned& nLeftOut)
{
    const Clock::time_point start = Clock::now();
    const std::vector<int> representatives = MeshRework::representatives(collapsedInto);
    collapsedInto = {};
    timings.dDecimation += secondsSince(start);
    double dGrow = REWORK_MARGIN;
    for (int nAttempt = 0; nAttempt < REWORK_ATTEMPTS; ++nAttempt, dGrow *= 2.0)
    {
        const Clock::time_point attempt = Clock::now();
        std::unique_ptr<TriangleMesh> pReworked
            = MeshRework::rework(mesh, representatives, meeting.boxes, dGrow, meeting.ids, source);
        timings.dDecimation += secondsSince(attempt);
        ++timings.nReworks;
        // Where the part does not fit the rest, a wider one may.
        if (!pReworked)
        {
            continue;
        }
        const Meeting still = whereFacetsMeet(*pReworked, source.dGap, timings);
        if (still.empty())
        {
            nLeftOut += MeshGenerator::removeShellsWithoutVolume(*pReworked);
            return pReworked;
        }
        meeting.boxes.insert(meeting.boxes.end(), still.boxes.begin(), still.boxes.end());
        meeting.ids.insert(meeting.ids.end(), still.ids.begin(), still.ids.end());
    }
    return nullptr;
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
    // Our decimater writes down where each vertex went, so that the result
    // can be worked again in part; and it keeps facets apart from the start
    // where the rasters show thin parts.
    std::vector<int> collapsedInto;
    const std::size_t nIds = std::size_t(imageFront.nWidth) * imageFront.nHeight * 2;
    DecimationSetup first = setup;
    double dGap = 0.0;
    if (!setup.bLibraryDecimater)
    {
        collapsedInto.assign(nIds, -1);
        first.pCollapsedInto = &collapsedInto;
        dGap = setup.crossingGuard.isOn() ? setup.crossingGuard.dGap : crossingGapOf(imageFront, imageBack);
        if (!setup.crossingGuard.isOn())
        {
            const Clock::time_point start = Clock::now();
            // Where the rasters show thin parts, smoothing keeps facets apart
            // there, and decimation everywhere: its long facets reach from
            // any rim or slope into the thin parts, and cost little to test
            // where the surface is flat.
            std::shared_ptr<const MeshCrossings::Area> pThin
                = MeshThinParts::find(imageFront, imageBack, THIN_RADIUS, THIN_MARGIN, THIN_SHARE, THIN_STEEPNESS,
                    std::min(THIN_RUN, std::max(imageFront.nWidth, imageFront.nHeight) / 8));
            if (pThin)
            {
                first.crossingGuard = MeshCrossings::Guard{dGap, nullptr};
                first.smoothingGuard = MeshCrossings::Guard{dGap, std::move(pThin)};
            }
            timings.dBuild += secondsSince(start);
        }
    }
    std::unique_ptr<TriangleMesh> pMesh
        = generateOnce(imageFront, imageBack, parameters, first, timings, nLeftOut, bInParts);
    // Smoothing and decimation rarely carry a facet through another (thin
    // parts, fine relief), and keeping them from it everywhere costs several
    // times the rest: the result is checked, and where facets meet it is
    // worked again there alone, a little round them, growing until none
    // meet. Where that does not come to an end, the mesh is made again with
    // facets kept apart round where they met, and that result worked again
    // where facets still meet; then with facets kept apart everywhere, last
    // without tiles, whose cuts none of them sees across.
    if (!setup.bLibraryDecimater)
    {
        const MeshRework::Source source{imageFront, imageBack, parameters, setup.nTileMargin, dGap};
        // A guard given for everywhere leaves nothing to widen.
        const bool bGuardedEverywhere = setup.crossingGuard.isOn() && !setup.crossingGuard.pArea;
        Meeting meeting = whereFacetsMeet(*pMesh, dGap, timings);
        const auto rework = [&]() {
            std::unique_ptr<TriangleMesh> pReworked
                = reworkWhereFacetsMeet(*pMesh, collapsedInto, meeting, source, timings, nLeftOut);
            if (pReworked)
            {
                pMesh = std::move(pReworked);
                meeting = Meeting();
            }
        };
        if (!meeting.empty())
        {
            rework();
        }
        if (!meeting.empty() && !bGuardedEverywhere)
        {
            // Smoothing keeps facets apart round where they met too, and
            // decimation there or, where it did so already, everywhere.
            const MeshCrossings::Guard& smoothed = first.smoothingGuard ? *first.smoothingGuard : first.crossingGuard;
            auto pArea = smoothed.pArea ? std::make_shared<MeshCrossings::Area>(*smoothed.pArea)
                                        : std::make_shared<MeshCrossings::Area>(imageFront.nWidth, imageFront.nHeight);
            pArea->mark(meeting.boxes, REWORK_MARGIN);
            DecimationSetup round = first;
            round.smoothingGuard = MeshCrossings::Guard{dGap, std::move(pArea)};
            if (!(first.crossingGuard.isOn() && !first.crossingGuard.pArea))
            {
                round.crossingGuard = *round.smoothingGuard;
            }
            collapsedInto.assign(nIds, -1);
            pMesh = generateOnce(imageFront, imageBack, parameters, round, timings, nLeftOut, bInParts);
            meeting = whereFacetsMeet(*pMesh, dGap, timings);
            if (!meeting.empty())
            {
                rework();
            }
        }
        DecimationSetup again = setup;
        again.crossingGuard = MeshCrossings::Guard{dGap, nullptr};
        again.smoothingGuard.reset();
        if (!meeting.empty() && !bGuardedEverywhere)
        {
            pMesh = generateOnce(imageFront, imageBack, parameters, again, timings, nLeftOut, bInParts);
            meeting = whereFacetsMeet(*pMesh, dGap, timings);
        }
        if (!meeting.empty() && bInParts)
        {
            again.nParts = 1;
            pMesh = generateOnce(imageFront, imageBack, parameters, again, timings, nLeftOut, bInParts);
            meeting = whereFacetsMeet(*pMesh, dGap, timings);
        }
        // Says what was found: facets passing through each other, or only
        // coming closer than the gap, which the points of a file saved at
        // single precision may or may not keep apart.
        if (meeting.nPassingThrough > 0)
        {
            LOG_WARNING(
                QStringLiteral("The mesh passes through itself at %1 pair(s) of facets").arg(meeting.nPassingThrough));
        }
        if (meeting.boxes.size() > meeting.nPassingThrough)
        {
            LOG_WARNING(QStringLiteral("Facets of the mesh come within %1 of each other at %2 pair(s)")
                            .arg(dGap)
                            .arg(meeting.boxes.size() - meeting.nPassingThrough));
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
            OpenMesh::VPropHandleT<int> hIds;
            const bool bRecord = setup.pCollapsedInto && mesh.get_property_handle(hIds, MeshBuilder::VERTEX_IDS);
            MeshDecimater::decimateTo(
                mesh, nVertices, setup.crossingGuard, hIds, bRecord ? setup.pCollapsedInto : nullptr);
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
