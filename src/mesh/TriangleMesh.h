#pragma once

// The IO headers must come before the mesh headers so that the readers and
// writers know the mesh's attributes.
#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>

#include <algorithm>

// The triangle mesh of the system: OpenMesh's triangle mesh with its default
// traits (single-precision points and normals). Coordinates are in the unit of
// the source (pixels for a generated mesh, millimetres after merging).
//
// Normals are recomputed on all cores: the mesh's own code, the smoother and
// the decimater reach the updates below through the mesh type. Each face and
// vertex gets exactly the value OpenMesh's serial loop would give it.
//
// The decimater asks its collapse-legality questions through the mesh type.
// OpenMesh's own answers live in its shared library, which is built with its
// internal consistency checks on and spends most of the decimation time in
// them; the answers below are the same, computed inline. Everything else is
// OpenMesh's.
class TriangleMesh : public OpenMesh::TriMesh_ArrayKernelT<>
{
public:
    using Base = OpenMesh::TriMesh_ArrayKernelT<>;
    using Base::Base;
    using Base::valence;

    // Face normals of all faces that are neither deleted nor hidden.
    void update_face_normals();
    // Vertex normals of all vertices: the normalised sum of their faces'
    // normals.
    void update_vertex_normals();
    // Face normals, then the vertex and half-edge normals the mesh has.
    void update_normals();

    // Runs deleteElements, which deletes vertices, edges or faces, with the
    // status flags that deleting needs, then compacts the mesh. A caller (a
    // decimater) may hold the flags already, so they are requested and
    // released in pairs.
    template <typename DeleteElements>
    void deleteAndCompact(DeleteElements deleteElements)
    {
        request_vertex_status();
        request_edge_status();
        request_face_status();
        deleteElements();
        garbage_collection();
        release_face_status();
        release_edge_status();
        release_vertex_status();
    }

    // The half-edge from vStart to vEnd, or an invalid handle.
    OpenMesh::SmartHalfedgeHandle find_halfedge(VertexHandle vStart, VertexHandle vEnd) const
    {
        const HalfedgeHandle hStart = halfedge_handle(vStart);
        if (hStart.is_valid())
        {
            HalfedgeHandle h = hStart;
            do
            {
                if (to_vertex_handle(h) == vEnd)
                {
                    return OpenMesh::make_smart(h, this);
                }
                h = cw_rotated_halfedge_handle(h);
            } while (h != hStart);
        }
        return OpenMesh::make_smart(HalfedgeHandle(), this);
    }

    // Number of edges at the vertex.
    unsigned int valence(VertexHandle vh) const
    {
        const HalfedgeHandle hStart = halfedge_handle(vh);
        unsigned int nValence = 0;
        if (hStart.is_valid())
        {
            HalfedgeHandle h = hStart;
            do
            {
                ++nValence;
                h = cw_rotated_halfedge_handle(h);
            } while (h != hStart);
        }
        return nValence;
    }

    // Whether collapsing the half-edge's start vertex into its end vertex
    // keeps the mesh a manifold triangle mesh. Needs the status attributes.
    // Like OpenMesh's, it may use the vertices' tagged flags as scratch.
    bool is_collapse_ok(HalfedgeHandle v0v1)
    {
        if (status(edge_handle(v0v1)).deleted())
        {
            return false;
        }
        const HalfedgeHandle v1v0 = opposite_halfedge_handle(v0v1);
        const VertexHandle v0 = to_vertex_handle(v1v0);
        const VertexHandle v1 = to_vertex_handle(v0v1);
        if (status(v0).deleted() || status(v1).deleted())
        {
            return false;
        }

        // A side triangle whose two other edges are both on the boundary
        // would be left dangling.
        VertexHandle vl;
        VertexHandle vr;
        if (!is_boundary(v0v1))
        {
            const HalfedgeHandle h1 = next_halfedge_handle(v0v1);
            const HalfedgeHandle h2 = next_halfedge_handle(h1);
            vl = to_vertex_handle(h1);
            if (is_boundary(opposite_halfedge_handle(h1)) && is_boundary(opposite_halfedge_handle(h2)))
            {
                return false;
            }
        }
        if (!is_boundary(v1v0))
        {
            const HalfedgeHandle h1 = next_halfedge_handle(v1v0);
            const HalfedgeHandle h2 = next_halfedge_handle(h1);
            vr = to_vertex_handle(h1);
            if (is_boundary(opposite_halfedge_handle(h1)) && is_boundary(opposite_halfedge_handle(h2)))
            {
                return false;
            }
        }
        // Both sides the same vertex, or no side at all.
        if (vl == vr)
        {
            return false;
        }
        // An inner edge between two boundary vertices would pinch the surface.
        if (is_boundary(v0) && is_boundary(v1) && !is_boundary(v0v1) && !is_boundary(v1v0))
        {
            return false;
        }

        // The two one-rings may share only vl and vr. Usual valences fit a
        // list on the stack, which spares a walk and the writes to the
        // vertices' flags.
        constexpr int nMaxRing = 32;
        VertexHandle ring1[nMaxRing];
        int nRing1 = 0;
        {
            const HalfedgeHandle hStart = halfedge_handle(v1);
            if (hStart.is_valid())
            {
                HalfedgeHandle h = hStart;
                do
                {
                    if (nRing1 == nMaxRing)
                    {
                        nRing1 = -1;
                        break;
                    }
                    ring1[nRing1++] = to_vertex_handle(h);
                    h = cw_rotated_halfedge_handle(h);
                } while (h != hStart);
            }
        }
        if (nRing1 >= 0)
        {
            const HalfedgeHandle hStart = halfedge_handle(v0);
            if (hStart.is_valid())
            {
                HalfedgeHandle h = hStart;
                do
                {
                    const VertexHandle v = to_vertex_handle(h);
                    if (v != vl && v != vr && std::find(ring1, ring1 + nRing1, v) != ring1 + nRing1)
                    {
                        return false;
                    }
                    h = cw_rotated_halfedge_handle(h);
                } while (h != hStart);
            }
            return true;
        }
        forEachNeighbour(v0, [this](VertexHandle v) { status(v).set_tagged(false); });
        forEachNeighbour(v1, [this](VertexHandle v) { status(v).set_tagged(true); });
        bool bShared = false;
        forEachNeighbour(v0, [&](VertexHandle v) {
            if (status(v).tagged() && v != vl && v != vr)
            {
                bShared = true;
            }
        });
        return !bShared;
    }

private:
    template <typename Visit>
    void forEachNeighbour(VertexHandle vh, Visit visit)
    {
        const HalfedgeHandle hStart = halfedge_handle(vh);
        if (!hStart.is_valid())
        {
            return;
        }
        HalfedgeHandle h = hStart;
        do
        {
            visit(to_vertex_handle(h));
            h = cw_rotated_halfedge_handle(h);
        } while (h != hStart);
    }
};
