#include "CrossingGuard/MeshRework.h"

#include "CrossingGuard/MeshUndoneBuild.h"

#include "MeshBuilder.h"
#include "MeshDecimater.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <unordered_map>
#include <utility>

namespace
{
using MeshUndoneBuild::idsOf;
using MeshUndoneBuild::isUndone;
using MeshUndoneBuild::Kept;
using MeshUndoneBuild::Undone;
using Point = TriangleMesh::Point;
using VertexHandle = TriangleMesh::VertexHandle;

// Smoothing moves a point by a share of its neighbours' pull that falls off
// with the number of edges between them, beyond this many times the square
// root of the steps below a millionth.
constexpr double SMOOTHING_REACH = 5.0;
// How many times the undone part changes where it does not fit the rest.
constexpr int FIT_ATTEMPTS = 6;

// The part worked again: the undone build, and round it every face of the
// mesh that its faces may come near, which stay where they are (locked).
struct Part
{
    TriangleMesh mesh;
    OpenMesh::VPropHandleT<int> hIds;
    // Faces of the undone build, as against faces of the mesh.
    OpenMesh::FPropHandleT<bool> hNew;
    std::size_t nUndone = 0;
};

// The part, or nothing when its faces do not join.
std::unique_ptr<Part> makePart(const Kept& kept, const Undone& built, unsigned nWidth, unsigned nHeight, double dGap)
{
    const auto pointOf = [&](int nId) {
        const auto it = built.points.find(nId);
        return it != built.points.end() ? it->second : kept.pointOf(nId);
    };
    MeshCrossings::Area near(nWidth, nHeight);
    {
        std::vector<MeshCrossings::Box> reach;
        reach.reserve(built.faces.size());
        for (const std::array<int, 3>& corners : built.faces)
        {
            MeshCrossings::Triangle triangle{corners, {}};
            for (std::size_t i = 0; i < 3; ++i)
            {
                triangle.points[i] = OpenMesh::vector_cast<MeshCrossings::Vec>(pointOf(corners[i]));
            }
            reach.push_back(MeshCrossings::boxOf(triangle, dGap));
        }
        near.mark(reach, 1.0);
    }
    auto pPart = std::make_unique<Part>();
    TriangleMesh& part = pPart->mesh;
    part.request_face_normals();
    part.request_vertex_status();
    part.add_property(pPart->hIds);
    part.add_property(pPart->hNew);
    std::unordered_map<int, VertexHandle> partVertex;
    const auto vertexOf = [&](int nId) {
        const auto [it, bAdded] = partVertex.emplace(nId, VertexHandle());
        if (bAdded)
        {
            it->second = part.add_vertex(pointOf(nId));
            part.property(pPart->hIds, it->second) = nId;
            const bool bUndone = built.points.count(nId) > 0;
            part.status(it->second).set_locked(!bUndone);
            pPart->nUndone += bUndone ? 1 : 0;
        }
        return it->second;
    };
    const auto addFace = [&](const std::array<int, 3>& corners, bool bNew) {
        const VertexHandle vertices[3] = {vertexOf(corners[0]), vertexOf(corners[1]), vertexOf(corners[2])};
        const auto fh = part.add_face(vertices, 3);
        if (fh.is_valid())
        {
            part.property(pPart->hNew, fh) = bNew;
        }
        return fh.is_valid();
    };
    for (const std::array<int, 3>& corners : built.faces)
    {
        if (!addFace(corners, true))
        {
            return nullptr;
        }
    }
    for (const auto fh : kept.mesh.faces())
    {
        if (!kept.hasUndoneCorner(fh)
            && near.touches(MeshCrossings::boxOf(MeshCrossings::triangleOf(kept.mesh, fh), 0.0))
            && !addFace(kept.cornersOf(fh), false))
        {
            return nullptr;
        }
    }
    part.update_face_normals();
    return pPart;
}

// The kept corners of faces of the undone build that meet another face of
// the part: where a kept vertex stood for much of the build, the faces that
// now join it to the undone build can lie across the surface.
std::vector<int> keptCornersOfMeetingFaces(const Part& part, double dGap)
{
    std::vector<int> corners;
    for (const auto& [a, b] : MeshCrossings::meetingPairs(part.mesh, dGap))
    {
        for (const int nFace : {a, b})
        {
            const TriangleMesh::FaceHandle fh(nFace);
            if (!part.mesh.property(part.hNew, fh))
            {
                continue;
            }
            for (auto it = part.mesh.cfv_iter(fh); it.is_valid(); ++it)
            {
                if (part.mesh.status(*it).locked())
                {
                    corners.push_back(part.mesh.property(part.hIds, *it));
                }
            }
        }
    }
    std::sort(corners.begin(), corners.end());
    corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    return corners;
}

// The mesh again: every vertex and face it keeps, in its order, then the
// part's own; nothing when they do not join.
std::unique_ptr<TriangleMesh> splice(const Kept& kept, const Part& part)
{
    auto pResult = std::make_unique<TriangleMesh>();
    TriangleMesh& result = *pResult;
    result.request_face_normals();
    result.request_vertex_normals();
    OpenMesh::VPropHandleT<int> hResultIds;
    result.add_property(hResultIds, MeshBuilder::VERTEX_IDS);
    std::unordered_map<int, VertexHandle> resultVertex;
    const auto addVertex = [&](int nId, const Point& point) {
        const VertexHandle vh = result.add_vertex(point);
        result.property(hResultIds, vh) = nId;
        resultVertex.emplace(nId, vh);
    };
    for (const auto vh : kept.mesh.vertices())
    {
        const int nId = kept.mesh.property(kept.hIds, vh);
        if (!kept.undone[std::size_t(nId)])
        {
            addVertex(nId, kept.mesh.point(vh));
        }
    }
    for (const auto vh : part.mesh.vertices())
    {
        if (!part.mesh.status(vh).locked())
        {
            addVertex(part.mesh.property(part.hIds, vh), part.mesh.point(vh));
        }
    }
    const auto addFace = [&](const std::array<int, 3>& corners) {
        VertexHandle vertices[3];
        for (std::size_t i = 0; i < 3; ++i)
        {
            const auto it = resultVertex.find(corners[i]);
            if (it == resultVertex.end())
            {
                return false;
            }
            vertices[i] = it->second;
        }
        return result.add_face(vertices, 3).is_valid();
    };
    for (const auto fh : kept.mesh.faces())
    {
        if (!kept.hasUndoneCorner(fh) && !addFace(kept.cornersOf(fh)))
        {
            return nullptr;
        }
    }
    for (const auto fh : part.mesh.faces())
    {
        if (!part.mesh.property(part.hNew, fh))
        {
            continue;
        }
        if (!addFace(idsOf(part.mesh, part.hIds, fh)))
        {
            return nullptr;
        }
    }
    MeshGenerator::computeNormals(result);
    return pResult;
}
} // namespace

std::vector<int> MeshRework::representatives(const std::vector<int>& collapsedInto)
{
    std::vector<int> result(collapsedInto.size(), -1);
    std::vector<int> chain;
    for (std::size_t i = 0; i < collapsedInto.size(); ++i)
    {
        // Along the collapses to where they end or to a vertex already known.
        int nAt = int(i);
        while (result[std::size_t(nAt)] < 0 && collapsedInto[std::size_t(nAt)] >= 0)
        {
            chain.push_back(nAt);
            nAt = collapsedInto[std::size_t(nAt)];
        }
        const int nEnd = result[std::size_t(nAt)] >= 0 ? result[std::size_t(nAt)] : nAt;
        result[std::size_t(nAt)] = nEnd;
        for (const int nLink : chain)
        {
            result[std::size_t(nLink)] = nEnd;
        }
        chain.clear();
    }
    return result;
}

std::unique_ptr<TriangleMesh> MeshRework::rework(const TriangleMesh& mesh, const std::vector<int>& representatives,
    const std::vector<MeshCrossings::Box>& boxes, double dGrow, const std::vector<int>& undo, const Source& source)
{
    OpenMesh::VPropHandleT<int> hIds;
    if (!mesh.get_property_handle(hIds, MeshBuilder::VERTEX_IDS))
    {
        return nullptr;
    }
    const unsigned nWidth = source.front.nWidth;
    const unsigned nHeight = source.front.nHeight;
    const std::size_t nIds = representatives.size();

    // The vertices undone: over the area, and where the ids asked for went;
    // these must be, the others may be.
    auto pArea = std::make_shared<MeshCrossings::Area>(nWidth, nHeight);
    pArea->mark(boxes, dGrow);
    std::vector<int> meshIndex(nIds, -1);
    std::vector<unsigned char> undone(nIds, 0);
    std::vector<unsigned char> required(nIds, 0);
    std::size_t nUndone = 0;
    const auto setUndone = [&](int nId, bool bUndone) {
        if (nId >= 0 && std::size_t(nId) < nIds && meshIndex[std::size_t(nId)] >= 0
            && undone[std::size_t(nId)] != (bUndone ? 1 : 0))
        {
            undone[std::size_t(nId)] = bUndone ? 1 : 0;
            nUndone = bUndone ? nUndone + 1 : nUndone - 1;
        }
    };
    for (const auto vh : mesh.vertices())
    {
        meshIndex[std::size_t(mesh.property(hIds, vh))] = vh.idx();
    }
    for (const auto vh : mesh.vertices())
    {
        const MeshCrossings::Vec point = OpenMesh::vector_cast<MeshCrossings::Vec>(mesh.point(vh));
        if (pArea->touches(MeshCrossings::Box{point, point}))
        {
            setUndone(mesh.property(hIds, vh), true);
        }
    }
    for (const int nId : undo)
    {
        const int nRepresentative = nId >= 0 && std::size_t(nId) < nIds ? representatives[std::size_t(nId)] : -1;
        setUndone(nRepresentative, true);
        if (nRepresentative >= 0 && undone[std::size_t(nRepresentative)])
        {
            required[std::size_t(nRepresentative)] = 1;
        }
    }

    // The build round every vertex that stood for an undone one, far enough
    // from the windows' edges to be the whole build's, and smoothed there as
    // the whole build is but for a change far below the gap: the smoothing
    // of n steps reaches about as far as the square root of n, however many
    // edges it could reach. Where the undone part does not fit the rest, it
    // is made to.
    const unsigned nSteps = source.parameters.NumberOfSmoothingSteps;
    const unsigned nMargin
        = std::min(nSteps, unsigned(std::ceil(SMOOTHING_REACH * std::sqrt(double(nSteps))))) + source.nMargin + 2;
    const Kept kept{mesh, hIds, meshIndex, undone};
    std::unique_ptr<Part> pPart;
    for (int nAttempt = 0; !pPart; ++nAttempt)
    {
        if (nUndone == 0 || nAttempt >= FIT_ATTEMPTS)
        {
            return nullptr;
        }
        std::vector<int> members;
        for (std::size_t nId = 0; nId < nIds; ++nId)
        {
            if (isUndone(int(nId), representatives, undone))
            {
                members.push_back(int(nId));
            }
        }
        Undone built;
        if (!MeshUndoneBuild::buildUndone(MeshUndoneBuild::windowsRound(members, nMargin, nWidth, nHeight), representatives, undone, meshIndex,
                source, built))
        {
            return nullptr;
        }
        // A vertex pinches the surface where what was collapsed into it
        // meets the undone part in more than one place. Its undone
        // neighbours are kept again where they may be; otherwise it is
        // undone as well, which may bring much of the build with it.
        const std::vector<int> pinched = MeshUndoneBuild::pinchedVertices(kept, built);
        for (const int nId : pinched)
        {
            std::vector<int> neighbours;
            bool bRequired = false;
            for (auto it = mesh.cvv_iter(VertexHandle(meshIndex[std::size_t(nId)])); it.is_valid(); ++it)
            {
                const int nNeighbour = mesh.property(hIds, *it);
                if (undone[std::size_t(nNeighbour)])
                {
                    neighbours.push_back(nNeighbour);
                    bRequired = bRequired || required[std::size_t(nNeighbour)];
                }
            }
            if (bRequired)
            {
                // Undone for good, so that this comes to an end.
                setUndone(nId, true);
                required[std::size_t(nId)] = 1;
                continue;
            }
            for (const int nNeighbour : neighbours)
            {
                setUndone(nNeighbour, false);
            }
        }
        if (!pinched.empty())
        {
            continue;
        }
        MeshUndoneBuild::smoothUndone(representatives, undone, pArea, source, built);
        pPart = makePart(kept, built, nWidth, nHeight, source.dGap);
        if (!pPart)
        {
            return nullptr;
        }
        // Faces that join the undone build to kept vertices and lie across
        // the surface: those vertices are undone too.
        const std::vector<int> crossing = keptCornersOfMeetingFaces(*pPart, source.dGap);
        if (!crossing.empty())
        {
            pPart.reset();
            for (const int nId : crossing)
            {
                setUndone(nId, true);
                required[std::size_t(nId)] = 1;
            }
        }
    }
    {
        MeshDecimater decimater(pPart->mesh, pPart->hNew);
        decimater.setCrossingGuard(MeshCrossings::Guard{source.dGap, nullptr});
        if (pPart->nUndone > nUndone)
        {
            decimater.decimate(pPart->nUndone - nUndone);
        }
        // While the decimater holds the status flags.
        pPart->mesh.garbage_collection();
    }
    return splice(kept, *pPart);
}
