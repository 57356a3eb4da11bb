#pragma once

#include "MeshCrossings.h"
#include "TriangleMesh.h"

#include <memory>
#include <vector>

// Keeps a decimater's collapses from carrying faces through each other: the
// faces a guard looks after, in a grid by their boxes, and the test of a
// collapse's new faces against the faces near them. The mesh's points never
// move (a collapse only removes one), so the grid's frame holds throughout.
class MeshCollapseGuard
{
public:
    // Enters the faces of the mesh the guard looks after (it must be on).
    MeshCollapseGuard(const TriangleMesh& mesh, const MeshCrossings::Guard& guard);

    // Whether a face the collapse of v0 onto v1 leaves would meet a face it
    // does not change, or another face it leaves, where the guard looks.
    // Where none of the new faces is looked after, nothing is tested.
    bool wouldMeet(TriangleMesh::VertexHandle v0, TriangleMesh::VertexHandle v1,
        TriangleMesh::FaceHandle fl, TriangleMesh::FaceHandle fr);

    // Around a collapse of v0: takes its faces out before, enters what is
    // left of them after.
    void beforeCollapse(TriangleMesh::VertexHandle v0);
    void afterCollapse();

private:
    // A grid whose cells suit the faces as they are now, all looked-after
    // faces entered.
    void makeGrid();
    MeshCrossings::Box boxOf(TriangleMesh::FaceHandle fh) const;
    MeshCrossings::Box boxOf(const MeshCrossings::Triangle& triangle) const;
    void enter(int nFace);

    const TriangleMesh& m_mesh;
    MeshCrossings::Guard m_guard;
    std::unique_ptr<MeshCrossings::TriangleGrid> m_pGrid;
    // Per face: its box grown by half the gap, whether it is in the grid,
    // and the last visit that met it.
    std::vector<MeshCrossings::Box> m_boxes;
    std::vector<unsigned char> m_entered;
    std::vector<unsigned> m_visits;
    unsigned m_nVisit = 0;
    std::size_t m_nEntered = 0;
    // The faces round v0 of the collapse at hand, and the new faces.
    std::vector<TriangleMesh::FaceHandle> m_changed;
    std::vector<MeshCrossings::Triangle> m_new;
};
