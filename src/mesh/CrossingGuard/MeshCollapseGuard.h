#pragma once

#include "CrossingGuard/MeshCrossings.h"
#include "TriangleMesh.h"

#include <array>
#include <functional>
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
    // Whether the last collapse wouldMeet refused was refused by the fence.
    bool refusedByFence() const { return m_bFenceRefused; }

    // Whether a box in the x-y plane (its heights aside) lies inside a fence.
    using Fence = std::function<bool(const MeshCrossings::Box&)>;
    // From now on, refuses every collapse looked at that moves the surface
    // (v1 not in the planes of v0's faces) where the box round the points
    // round v0 does not lie inside the fence: the faces such a collapse makes
    // lie inside that box. Parts of a mesh decimated side by side, each
    // fenced in away from the others, so make no faces that could meet each
    // other's.
    void setFence(Fence fence);

    // Around a collapse of v0: takes its faces out before, enters what is
    // left of them after.
    void beforeCollapse(TriangleMesh::VertexHandle v0);
    void afterCollapse();

    // Whether a collapse since the last forgetChanges came near enough to
    // the faces round vh to change what this test says of collapsing vh
    // (or what the decimater's other vetoes and costs say, which look no
    // further than the faces round both ends): where none did, a collapse
    // of vh refused then is refused still.
    bool changedNear(TriangleMesh::VertexHandle vh) const;
    void forgetChanges();

private:
    // A grid whose cells suit the looked-after faces as they are now, all of
    // them entered: the first from the mesh's faces, later ones from those
    // entered since.
    void makeGrid();
    MeshCrossings::Box boxOf(TriangleMesh::FaceHandle fh) const;
    MeshCrossings::Box boxOf(const MeshCrossings::Triangle& triangle) const;
    // A face as it stands, from its corners as last read.
    MeshCrossings::Triangle triangleOf(int nFace) const;
    void enter(int nFace);

    // Whether the box over the points round v0, grown by the gap, touches
    // where the guard looks: where it does not, no face a collapse of v0
    // changes or makes is looked after. The answer for the last vertex asked
    // about is kept until the collapse of it.
    bool ringLookedAfter(TriangleMesh::VertexHandle v0);

    // The corners of the new faces (m_new, with m_changed the faces they
    // replace) whose fans after the collapse are apart, into m_apartCorners.
    void findApartCorners();

    // Cells of the x-y plane under the points round a vertex, grown by the
    // gap: false where none lies in the frame.
    bool changeCellsRound(TriangleMesh::VertexHandle vh, int& x0, int& y0, int& x1, int& y1) const;

    // Whether the points round v0 lie inside the fence.
    bool ringInsideFence(TriangleMesh::VertexHandle v0) const;

    const TriangleMesh& m_mesh;
    MeshCrossings::Guard m_guard;
    bool m_bFenceRefused = false;
    Fence m_fence;
    // None until a collapse first needs it.
    std::unique_ptr<MeshCrossings::TriangleGrid> m_pGrid;
    // Per face: its corners, its box grown by half the gap, whether it is in
    // the grid, and the last visit that met it.
    std::vector<std::array<int, 3>> m_corners;
    std::vector<MeshCrossings::Box> m_boxes;
    std::vector<unsigned char> m_entered;
    // The faces entered since the grid was made (some since taken out), and
    // the collapses since.
    std::vector<int> m_everEntered;
    std::size_t m_nCollapsesSinceGrid = 0;
    std::vector<unsigned> m_visits;
    unsigned m_nVisit = 0;
    // Per vertex: the face that last refused a collapse of it, or -1.
    std::vector<int> m_blockers;
    // Where collapses changed faces since changes were last forgotten:
    // cells of the x-y plane over the mesh, and those marked.
    double m_dChangeX0 = 0.0;
    double m_dChangeY0 = 0.0;
    double m_dChangeCell = 1.0;
    int m_nChangeColumns = 1;
    int m_nChangeRows = 1;
    std::vector<unsigned char> m_changeMarks;
    std::vector<int> m_changedCells;
    std::size_t m_nEntered = 0;
    // The vertex last asked about by ringLookedAfter, and the answer; for
    // the collapse at hand, that answer.
    TriangleMesh::VertexHandle m_lastRing;
    bool m_bLastRingLookedAfter = true;
    bool m_bRingLookedAfter = true;
    // The faces round v0 of the collapse at hand, and the new faces.
    std::vector<TriangleMesh::FaceHandle> m_changed;
    std::vector<MeshCrossings::Triangle> m_new;
    // The corners of the new faces whose fans after the collapse are apart
    // (see MeshCrossings::fanApart), and room to find them.
    std::vector<int> m_apartCorners;
    std::vector<int> m_fanCorners;
    std::vector<MeshCrossings::Triangle> m_fan;
};
