#include "MeshRework.h"

#include "MeshBuilder.h"
#include "MeshDecimater.h"
#include "MeshTiles.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <unordered_map>
#include <utility>

namespace
{
using Point = TriangleMesh::Point;
using VertexHandle = TriangleMesh::VertexHandle;

// Windows of the rasters are gathered over blocks of this many pixels.
constexpr unsigned BLOCK = 16;
// Smoothing moves a point by a share of its neighbours' pull that falls off
// with the number of edges between them, beyond this many times the square
// root of the steps below a millionth.
constexpr double SMOOTHING_REACH = 5.0;
// How many times the undone part grows where it does not fit the rest.
constexpr int PINCH_ATTEMPTS = 4;

// A window of the rasters, [nX0, nX1) x [nY0, nY1).
struct Window
{
    unsigned nX0, nY0, nX1, nY1;

    bool overlaps(const Window& other) const
    {
        return nX0 < other.nX1 && other.nX0 < nX1 && nY0 < other.nY1 && other.nY0 < nY1;
    }
};

// The pixel of an id.
unsigned pixelX(int nId, unsigned nWidth)
{
    return unsigned(nId / 2) % nWidth;
}
unsigned pixelY(int nId, unsigned nWidth)
{
    return unsigned(nId / 2) / nWidth;
}

// Windows that hold the given pixels of the build (by id) with nMargin
// pixels round each, one per group of pixels whose margins meet, clipped to
// the rasters.
std::vector<Window> windowsRound(const std::vector<int>& ids, unsigned nMargin, unsigned nWidth, unsigned nHeight)
{
    // Pixels in blocks, blocks within the margin of each other in one group.
    const unsigned nBlocksX = (nWidth + BLOCK - 1) / BLOCK;
    const unsigned nBlocksY = (nHeight + BLOCK - 1) / BLOCK;
    std::vector<Window> inBlock(std::size_t(nBlocksX) * nBlocksY, Window{nWidth, nHeight, 0, 0});
    for (const int nId : ids)
    {
        const unsigned x = pixelX(nId, nWidth);
        const unsigned y = pixelY(nId, nWidth);
        Window& box = inBlock[std::size_t(y / BLOCK) * nBlocksX + x / BLOCK];
        box.nX0 = std::min(box.nX0, x);
        box.nY0 = std::min(box.nY0, y);
        box.nX1 = std::max(box.nX1, x + 1);
        box.nY1 = std::max(box.nY1, y + 1);
    }
    std::vector<Window> windows;
    for (const Window& box : inBlock)
    {
        if (box.nX0 < box.nX1)
        {
            windows.push_back(Window{box.nX0 > nMargin ? box.nX0 - nMargin : 0,
                box.nY0 > nMargin ? box.nY0 - nMargin : 0, std::min(nWidth, box.nX1 + nMargin),
                std::min(nHeight, box.nY1 + nMargin)});
        }
    }
    // Windows that overlap become the one window over both, until none do.
    for (bool bMerged = true; bMerged;)
    {
        bMerged = false;
        for (std::size_t i = 0; i < windows.size() && !bMerged; ++i)
        {
            for (std::size_t j = i + 1; j < windows.size(); ++j)
            {
                if (windows[i].overlaps(windows[j]))
                {
                    windows[i] = Window{std::min(windows[i].nX0, windows[j].nX0),
                        std::min(windows[i].nY0, windows[j].nY0), std::max(windows[i].nX1, windows[j].nX1),
                        std::max(windows[i].nY1, windows[j].nY1)};
                    windows.erase(windows.begin() + std::ptrdiff_t(j));
                    bMerged = true;
                    break;
                }
            }
        }
    }
    return windows;
}

// The build round the undone vertices: the windows built, each undone
// vertex with its smoothed point, and the faces of the build on one at least,
// their other corners replaced by the vertices of the mesh that stand for
// them, by ids.
struct Undone
{
    struct Built
    {
        std::unique_ptr<TriangleMesh> pMesh;
        OpenMesh::VPropHandleT<int> hIds;
    };
    std::vector<Built> windows;
    std::unordered_map<int, Point> points;
    std::vector<std::array<int, 3>> faces;
};

// Whether the vertex of the build with this id was collapsed into an undone
// vertex of the mesh.
bool isUndone(int nId, const std::vector<int>& representatives, const std::vector<unsigned char>& undone)
{
    const int nRepresentative = representatives[std::size_t(nId)];
    return nRepresentative >= 0 && undone[std::size_t(nRepresentative)];
}

// Builds each window and gathers the faces of the undone build. False when a
// face of the build reaches a vertex that the mesh does not have.
bool buildUndone(const std::vector<Window>& windows, const std::vector<int>& representatives,
    const std::vector<unsigned char>& undone, const std::vector<int>& meshIndex, const MeshRework::Source& source,
    Undone& result)
{
    result = Undone();
    for (const Window& window : windows)
    {
        Undone::Built built;
        std::vector<unsigned> faceCells;
        built.pMesh = MeshTiles::buildWindow(
            source.front, source.back, window.nX0, window.nY0, window.nX1, window.nY1, built.hIds, faceCells);
        TriangleMesh& mesh = *built.pMesh;
        MeshGenerator::removeIsolatedVertices(mesh);
        for (const auto fh : mesh.faces())
        {
            std::array<int, 3> corners{};
            bool bUndone = false;
            int i = 0;
            for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it, ++i)
            {
                const int nId = mesh.property(built.hIds, *it);
                corners[std::size_t(i)] = nId;
                bUndone = bUndone || isUndone(nId, representatives, undone);
            }
            if (!bUndone)
            {
                continue;
            }
            for (int& nId : corners)
            {
                if (!isUndone(nId, representatives, undone))
                {
                    nId = representatives[std::size_t(nId)];
                    if (nId < 0 || meshIndex[std::size_t(nId)] < 0)
                    {
                        return false;
                    }
                }
            }
            if (corners[0] != corners[1] && corners[1] != corners[2] && corners[0] != corners[2])
            {
                result.faces.push_back(corners);
            }
        }
        result.windows.push_back(std::move(built));
    }
    return true;
}

// The vertices of the mesh round which the undone build does not join the
// faces kept as one surface: the decimation took them round undone ones,
// and without those they pinch the surface. Undoing them too mends that.
// Nothing when the undone build fits.
std::vector<int> pinchedVertices(const TriangleMesh& mesh, OpenMesh::VPropHandleT<int> hIds,
    const std::vector<int>& meshIndex, const std::vector<unsigned char>& undone, const Undone& built)
{
    TriangleMesh probe;
    std::unordered_map<int, VertexHandle> vertices;
    const auto vertexOf = [&](int nId) {
        const auto [it, bAdded] = vertices.emplace(nId, VertexHandle());
        if (bAdded)
        {
            it->second = probe.add_vertex(Point(0.0f, 0.0f, 0.0f));
        }
        return it->second;
    };
    std::vector<int> pinched;
    const auto add = [&](const std::array<int, 3>& corners) {
        const VertexHandle corner[3] = {vertexOf(corners[0]), vertexOf(corners[1]), vertexOf(corners[2])};
        if (!probe.add_face(corner, 3).is_valid())
        {
            for (const int nId : corners)
            {
                if (meshIndex[std::size_t(nId)] >= 0 && !undone[std::size_t(nId)])
                {
                    pinched.push_back(nId);
                }
            }
        }
    };
    // OpenMesh reports every face it refuses; here that is the answer.
    omerr().disable();
    for (const std::array<int, 3>& corners : built.faces)
    {
        add(corners);
    }
    // Round every kept vertex of the undone build, the faces kept.
    std::vector<unsigned char> seen(mesh.n_faces(), 0);
    for (const std::array<int, 3>& corners : built.faces)
    {
        for (const int nId : corners)
        {
            if (undone[std::size_t(nId)] || meshIndex[std::size_t(nId)] < 0)
            {
                continue;
            }
            for (auto it = mesh.cvf_iter(VertexHandle(meshIndex[std::size_t(nId)])); it.is_valid(); ++it)
            {
                std::array<int, 3> kept{};
                int i = 0;
                bool bUndone = false;
                for (auto itCorner = mesh.cfv_iter(*it); itCorner.is_valid(); ++itCorner, ++i)
                {
                    kept[std::size_t(i)] = mesh.property(hIds, *itCorner);
                    bUndone = bUndone || undone[std::size_t(kept[std::size_t(i)])];
                }
                if (!bUndone && !seen[std::size_t(it->idx())])
                {
                    seen[std::size_t(it->idx())] = 1;
                    add(kept);
                }
            }
        }
    }
    omerr().enable();
    std::sort(pinched.begin(), pinched.end());
    pinched.erase(std::unique(pinched.begin(), pinched.end()), pinched.end());
    return pinched;
}

// Smooths each window, keeping facets apart over pArea, and keeps the points
// of the undone vertices.
void smoothUndone(const std::vector<int>& representatives, const std::vector<unsigned char>& undone,
    const std::shared_ptr<const MeshCrossings::Area>& pArea, const MeshRework::Source& source, Undone& built)
{
    for (Undone::Built& window : built.windows)
    {
        TriangleMesh& mesh = *window.pMesh;
        MeshGenerator::computeNormals(mesh);
        MeshGenerator::smooth(
            mesh, source.parameters.NumberOfSmoothingSteps, MeshCrossings::Guard{source.dGap, pArea});
        for (const auto vh : mesh.vertices())
        {
            const int nId = mesh.property(window.hIds, vh);
            if (isUndone(nId, representatives, undone))
            {
                built.points.emplace(nId, mesh.point(vh));
            }
        }
        window.pMesh.reset();
    }
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

    // The vertices undone: over the area, and where the ids asked for went.
    auto pArea = std::make_shared<MeshCrossings::Area>(nWidth, nHeight);
    pArea->mark(boxes, dGrow);
    std::vector<int> meshIndex(nIds, -1);
    std::vector<unsigned char> undone(nIds, 0);
    std::size_t nUndone = 0;
    const auto markUndone = [&](int nId) {
        if (nId >= 0 && std::size_t(nId) < nIds && meshIndex[std::size_t(nId)] >= 0 && !undone[std::size_t(nId)])
        {
            undone[std::size_t(nId)] = 1;
            ++nUndone;
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
            markUndone(mesh.property(hIds, vh));
        }
    }
    for (const int nId : undo)
    {
        if (nId >= 0 && std::size_t(nId) < nIds)
        {
            markUndone(representatives[std::size_t(nId)]);
        }
    }
    if (nUndone == 0)
    {
        return nullptr;
    }

    // The build round every vertex that stood for an undone one, far enough
    // from the windows' edges to be the whole build's, and smoothed there as
    // the whole build is but for a change far below the gap: the smoothing
    // of n steps reaches about as far as the square root of n, however many
    // edges it could reach.
    const unsigned nSteps = source.parameters.NumberOfSmoothingSteps;
    const unsigned nMargin
        = std::min(nSteps, unsigned(std::ceil(SMOOTHING_REACH * std::sqrt(double(nSteps))))) + source.nMargin + 2;
    Undone built;
    for (int nAttempt = 0;; ++nAttempt)
    {
        std::vector<int> members;
        for (std::size_t nId = 0; nId < nIds; ++nId)
        {
            if (isUndone(int(nId), representatives, undone))
            {
                members.push_back(int(nId));
            }
        }
        if (!buildUndone(windowsRound(members, nMargin, nWidth, nHeight), representatives, undone, meshIndex,
                source, built))
        {
            return nullptr;
        }
        const std::vector<int> pinched = pinchedVertices(mesh, hIds, meshIndex, undone, built);
        if (pinched.empty())
        {
            break;
        }
        if (nAttempt + 1 >= PINCH_ATTEMPTS)
        {
            return nullptr;
        }
        for (const int nId : pinched)
        {
            markUndone(nId);
        }
    }
    smoothUndone(representatives, undone, pArea, source, built);

    // The part worked again: the undone build, and round it every face of the
    // mesh that its faces may come near, which stay where they are.
    const auto pointOf = [&](int nId) {
        const auto it = built.points.find(nId);
        return it != built.points.end() ? it->second : mesh.point(VertexHandle(meshIndex[std::size_t(nId)]));
    };
    MeshCrossings::Area near(nWidth, nHeight);
    {
        std::vector<MeshCrossings::Box> reach;
        reach.reserve(built.faces.size());
        for (const std::array<int, 3>& corners : built.faces)
        {
            const Point points[3] = {pointOf(corners[0]), pointOf(corners[1]), pointOf(corners[2])};
            MeshCrossings::Triangle triangle{corners, {}};
            for (std::size_t i = 0; i < 3; ++i)
            {
                triangle.points[i] = OpenMesh::vector_cast<MeshCrossings::Vec>(points[i]);
            }
            reach.push_back(MeshCrossings::boxOf(triangle, source.dGap));
        }
        near.mark(reach, 1.0);
    }
    TriangleMesh part;
    part.request_face_normals();
    part.request_vertex_status();
    OpenMesh::VPropHandleT<int> hPartIds;
    part.add_property(hPartIds);
    OpenMesh::FPropHandleT<bool> hNew;
    part.add_property(hNew);
    std::unordered_map<int, VertexHandle> partVertex;
    std::size_t nUndoneInPart = 0;
    const auto vertexOf = [&](int nId) {
        const auto [it, bAdded] = partVertex.emplace(nId, VertexHandle());
        if (bAdded)
        {
            it->second = part.add_vertex(pointOf(nId));
            part.property(hPartIds, it->second) = nId;
            const bool bUndone = built.points.count(nId) > 0;
            part.status(it->second).set_locked(!bUndone);
            nUndoneInPart += bUndone ? 1 : 0;
        }
        return it->second;
    };
    const auto addFace = [&](const std::array<int, 3>& corners, bool bNew) {
        const VertexHandle vertices[3] = {vertexOf(corners[0]), vertexOf(corners[1]), vertexOf(corners[2])};
        const auto fh = part.add_face(vertices, 3);
        if (fh.is_valid())
        {
            part.property(hNew, fh) = bNew;
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
    const auto hasUndoneCorner = [&](TriangleMesh::FaceHandle fh) {
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it)
        {
            if (undone[std::size_t(mesh.property(hIds, *it))])
            {
                return true;
            }
        }
        return false;
    };
    for (const auto fh : mesh.faces())
    {
        if (!hasUndoneCorner(fh) && near.touches(MeshCrossings::boxOf(MeshCrossings::triangleOf(mesh, fh), 0.0)))
        {
            std::array<int, 3> corners{};
            int i = 0;
            for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it, ++i)
            {
                corners[std::size_t(i)] = mesh.property(hIds, *it);
            }
            if (!addFace(corners, false))
            {
                return nullptr;
            }
        }
    }
    part.update_face_normals();
    {
        MeshDecimater decimater(part, hNew);
        decimater.setCrossingGuard(MeshCrossings::Guard{source.dGap, nullptr});
        if (nUndoneInPart > nUndone)
        {
            decimater.decimate(nUndoneInPart - nUndone);
        }
        // While the decimater holds the status flags.
        part.garbage_collection();
    }

    // The mesh again: every vertex and face it keeps, in its order, then the
    // part's own.
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
    for (const auto vh : mesh.vertices())
    {
        const int nId = mesh.property(hIds, vh);
        if (!undone[std::size_t(nId)])
        {
            addVertex(nId, mesh.point(vh));
        }
    }
    for (const auto vh : part.vertices())
    {
        if (!part.status(vh).locked())
        {
            addVertex(part.property(hPartIds, vh), part.point(vh));
        }
    }
    const auto addResultFace = [&](auto cornerIds) {
        VertexHandle vertices[3];
        for (std::size_t i = 0; i < 3; ++i)
        {
            vertices[i] = resultVertex.at(cornerIds[i]);
        }
        return result.add_face(vertices, 3).is_valid();
    };
    for (const auto fh : mesh.faces())
    {
        if (hasUndoneCorner(fh))
        {
            continue;
        }
        std::array<int, 3> corners{};
        int i = 0;
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            corners[std::size_t(i)] = mesh.property(hIds, *it);
        }
        if (!addResultFace(corners))
        {
            return nullptr;
        }
    }
    for (const auto fh : part.faces())
    {
        if (!part.property(hNew, fh))
        {
            continue;
        }
        std::array<int, 3> corners{};
        int i = 0;
        for (auto it = part.cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            corners[std::size_t(i)] = part.property(hPartIds, *it);
        }
        if (!addResultFace(corners))
        {
            return nullptr;
        }
    }
    MeshGenerator::computeNormals(result);
    return pResult;
}
