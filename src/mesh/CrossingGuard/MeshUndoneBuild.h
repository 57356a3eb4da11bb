#pragma once

#include "CrossingGuard/MeshCrossings.h"
#include "CrossingGuard/MeshRework.h"
#include "TriangleMesh.h"

#include <algorithm>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

// The build round the vertices of a decimated mesh that are worked again
// (see MeshRework): which windows of the rasters hold it, the windows built
// and smoothed, and whether it joins the faces the mesh keeps.
namespace MeshUndoneBuild
{
// A window of the rasters, [nX0, nX1) x [nY0, nY1).
struct Window
{
    unsigned nX0, nY0, nX1, nY1;

    bool overlaps(const Window& other) const
    {
        return nX0 < other.nX1 && other.nX0 < nX1 && nY0 < other.nY1 && other.nY0 < nY1;
    }
};

// Windows that hold the given pixels of the build (by id) with nMargin
// pixels round each, one per group of pixels whose margins meet, clipped to
// the rasters.
std::vector<Window> windowsRound(const std::vector<int>& ids, unsigned nMargin, unsigned nWidth, unsigned nHeight);

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
    std::unordered_map<int, TriangleMesh::Point> points;
    std::vector<std::array<int, 3>> faces;
};

// The ids of a face's corners.
inline std::array<int, 3> idsOf(const TriangleMesh& mesh, OpenMesh::VPropHandleT<int> hIds, TriangleMesh::FaceHandle fh)
{
    std::array<int, 3> ids{};
    std::size_t i = 0;
    for (auto it = mesh.cfv_iter(fh); it.is_valid() && i < 3; ++it, ++i)
    {
        ids[i] = mesh.property(hIds, *it);
    }
    return ids;
}

// The mesh worked again with its vertices by id: meshIndex gives the vertex
// of an id (-1 for none), undone whether an id of the mesh is undone.
struct Kept
{
    const TriangleMesh& mesh;
    OpenMesh::VPropHandleT<int> hIds;
    const std::vector<int>& meshIndex;
    const std::vector<unsigned char>& undone;

    std::array<int, 3> cornersOf(TriangleMesh::FaceHandle fh) const { return idsOf(mesh, hIds, fh); }
    bool hasUndoneCorner(TriangleMesh::FaceHandle fh) const
    {
        const std::array<int, 3> corners = cornersOf(fh);
        return std::any_of(corners.begin(), corners.end(), [&](int nId) { return undone[std::size_t(nId)] != 0; });
    }
    TriangleMesh::Point pointOf(int nId) const
    {
        return mesh.point(TriangleMesh::VertexHandle(meshIndex[std::size_t(nId)]));
    }
};

// Whether the vertex of the build with this id was collapsed into an undone
// vertex of the mesh.
inline bool isUndone(int nId, const std::vector<int>& representatives, const std::vector<unsigned char>& undone)
{
    const int nRepresentative = representatives[std::size_t(nId)];
    return nRepresentative >= 0 && undone[std::size_t(nRepresentative)];
}

// Builds each window and gathers the faces of the undone build. False when a
// face of the build reaches a vertex that the mesh does not have.
bool buildUndone(const std::vector<Window>& windows, const std::vector<int>& representatives,
    const std::vector<unsigned char>& undone, const std::vector<int>& meshIndex, const MeshRework::Source& source,
    Undone& result);

// The vertices of the mesh round which the undone build does not join the
// faces kept as one surface: what the decimation collapsed into them meets
// the undone part in more than one place, and without it they pinch the
// surface. Nothing when the undone build fits.
std::vector<int> pinchedVertices(const Kept& kept, const Undone& built);

// Smooths each window, keeping facets apart over pArea, keeps the points of
// the undone vertices and lets the windows go.
void smoothUndone(const std::vector<int>& representatives, const std::vector<unsigned char>& undone,
    const std::shared_ptr<const MeshCrossings::Area>& pArea, const MeshRework::Source& source, Undone& built);
} // namespace MeshUndoneBuild
