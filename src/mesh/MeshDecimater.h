#pragma once

#include "CrossingGuard/MeshCrossings.h"
#include "TriangleMesh.h"

#include <OpenMesh/Core/Geometry/QuadricT.hh>

#include <cfloat>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// Edge-collapse decimation of our own over OpenMesh's mesh and its
// decimation modules, ordered by quadric error alone.
//
// Every vertex that may move waits in one heap under the quadric error of its
// cheapest collapse (among equal errors the shortest edge, then the lowest
// vertex number, so the result depends on nothing but the mesh). Only the
// collapse taken from the heap is asked whether it is allowed: OpenMesh's
// collapse test, its aspect-ratio module (minimum 5.0; a triangle of exactly
// the limit passes), its normal-flipping module (90 degrees) and, where asked
// for, the guard of locked vertices and the test that the collapse's new
// faces meet no other face. A refused collapse is marked and its
// vertex goes back with its next cheapest one; after a collapse the vertices
// around it are weighed again and their marks cleared. The heap lives as long
// as the decimater, so decimation may go on in steps under growing error
// bounds without weighing every vertex again.
//
// Locked vertices never move but may receive collapses. One thread at a time.
class MeshDecimater
{
public:
    using Quadric = OpenMesh::Geometry::Quadricd;

    // Requests the status flags for its lifetime. The mesh's face normals
    // must be requested and current; the decimater keeps those of the faces
    // it changes current. Each vertex's quadric sums the area-weighted planes
    // of its faces, of those marked in hCountedFaces only where that handle is
    // valid. The mesh must not be compacted while the decimater lives, except
    // through decimateTo.
    explicit MeshDecimater(
        TriangleMesh& mesh, OpenMesh::FPropHandleT<bool> hCountedFaces = OpenMesh::FPropHandleT<bool>());
    ~MeshDecimater();
    MeshDecimater(const MeshDecimater&) = delete;
    MeshDecimater& operator=(const MeshDecimater&) = delete;

    // A collapse into a locked vertex may not join it by a new edge to
    // another locked vertex. Parts of a mesh decimated apart, their shared
    // vertices locked, would otherwise each make that edge on their side and
    // no longer fit together.
    void setGuardLocked(bool bGuard);

    // Refuses every collapse whose new faces would meet a face of the mesh
    // (MeshCrossings::meet with the guard's gap) where the guard looks, so
    // that a surface that does not pass through itself there never comes
    // to. Set before the first count or decimation. The faces there are then
    // kept in a grid, which costs about as much again as their collapses.
    void setCrossingGuard(const MeshCrossings::Guard& guard);

    // The vertices (by index) none of whose collapses are allowed, and not
    // for a locked vertex or the fence: the shape and normal vetoes and the
    // mesh's own test refused every one since their triangles last changed
    // (1), or, where a fence is set, these and the crossing guard for faces
    // near them (2). As long as their triangles stay as they are, and the
    // faces near them, in this mesh or in another (tiles joined, each fenced
    // in), the refusals hold; 0 for the others.
    std::vector<unsigned char> wornOut() const;
    // Such vertices of the mesh, from an earlier decimater: they wait, all
    // their collapses refused, until a collapse next to them changes their
    // triangles, or for those refused for faces near them (with the
    // crossing guard on), one comes near them. Set before the first count
    // or decimation.
    void setWornOut(std::vector<unsigned char> wornOut);

    // Collapses the crossing guard looks at keep to the fence in the x-y
    // plane where they move the surface (see MeshCollapseGuard::setFence):
    // fence(box) tells whether a box lies inside it. May be set at any time;
    // needs the crossing guard on.
    void setFence(std::function<bool(const MeshCrossings::Box&)> fence);

    // Writes down where each collapse goes, as (*pInto)[id of the vertex
    // collapsed] = id of the vertex it went into, with the ids of the mesh's
    // vertex property hIds. A vertex is collapsed at most once, so the
    // decimaters of parts that share no movable vertex may share one table.
    void recordCollapses(OpenMesh::VPropHandleT<int> hIds, std::vector<int>* pInto);

    // A vertex's quadric, about the vertex's own point (which a collapse
    // never moves, so it carries over to a copy of the vertex in another
    // mesh); it may be changed until the first count or decimation.
    Quadric& quadric(TriangleMesh::VertexHandle vh);

    // Vertices whose cheapest collapse costs less than dError, vetoes not
    // asked.
    std::size_t countBelow(double dError);

    // Collapses up to nCollapses edges, cheapest first, while the cheapest
    // costs less than dMaxError. Returns how many it made.
    std::size_t decimate(std::size_t nCollapses, double dMaxError = DBL_MAX);

    // Decimates the mesh to nVertices vertices, or as far as the vetoes
    // allow, and compacts it; with pInto, writes down the collapses by the
    // ids of hIds (see recordCollapses).
    static void decimateTo(TriangleMesh& mesh, std::size_t nVertices, const MeshCrossings::Guard& crossingGuard = {},
        OpenMesh::VPropHandleT<int> hIds = OpenMesh::VPropHandleT<int>(), std::vector<int>* pInto = nullptr);

    // The same with OpenMesh's own decimater and the same modules, which
    // weighs every candidate with every module: for comparisons.
    static void decimateWithLibrary(TriangleMesh& mesh, std::size_t nVertices);

private:
    class Impl;
    std::unique_ptr<Impl> m_pImpl;
};
