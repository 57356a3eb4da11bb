#include "MeshCollapseGuard.h"

#include <algorithm>

MeshCollapseGuard::MeshCollapseGuard(const TriangleMesh& mesh, const MeshCrossings::Guard& guard)
    : m_mesh(mesh)
    , m_guard(guard)
    , m_boxes(mesh.n_faces())
    , m_entered(mesh.n_faces(), 0)
    , m_visits(mesh.n_faces(), 0)
{
    for (const auto fh : mesh.faces())
    {
        m_boxes[std::size_t(fh.idx())] = boxOf(fh);
    }
    makeGrid();
}

void MeshCollapseGuard::makeGrid()
{
    std::vector<int> faces;
    faces.reserve(m_mesh.n_faces());
    for (const auto fh : m_mesh.faces())
    {
        faces.push_back(fh.idx());
    }
    m_pGrid = std::make_unique<MeshCrossings::TriangleGrid>(MeshCrossings::TriangleGrid::over(m_boxes, faces));
    std::fill(m_entered.begin(), m_entered.end(), 0);
    m_nEntered = 0;
    for (const int nFace : faces)
    {
        enter(nFace);
    }
}

MeshCrossings::Box MeshCollapseGuard::boxOf(const MeshCrossings::Triangle& triangle) const
{
    return MeshCrossings::boxOf(triangle, 0.5 * m_guard.dGap);
}

MeshCrossings::Box MeshCollapseGuard::boxOf(TriangleMesh::FaceHandle fh) const
{
    return boxOf(MeshCrossings::triangleOf(m_mesh, fh));
}

void MeshCollapseGuard::enter(int nFace)
{
    const MeshCrossings::Box& box = m_boxes[std::size_t(nFace)];
    if (m_guard.covers(box))
    {
        m_pGrid->insert(nFace, box);
        m_entered[std::size_t(nFace)] = 1;
        ++m_nEntered;
    }
}

bool MeshCollapseGuard::wouldMeet(TriangleMesh::VertexHandle v0, TriangleMesh::VertexHandle v1,
    TriangleMesh::FaceHandle fl, TriangleMesh::FaceHandle fr)
{
    // Where each face keeps its plane (on flat ground, or along a straight
    // crease), the faces the collapse leaves cover what its faces covered,
    // as long as none turns over, which the decimater's vetoes see to: they
    // meet nothing the faces before did not.
    const MeshCrossings::Vec p0 = OpenMesh::vector_cast<MeshCrossings::Vec>(m_mesh.point(v0));
    const MeshCrossings::Vec p1 = OpenMesh::vector_cast<MeshCrossings::Vec>(m_mesh.point(v1));
    const double dFlat = 1e-3 * m_guard.dGap;
    bool bFlat = true;
    for (auto it = m_mesh.cvf_iter(v0); it.is_valid() && bFlat; ++it)
    {
        const MeshCrossings::Vec normal = OpenMesh::vector_cast<MeshCrossings::Vec>(m_mesh.calc_face_normal(*it));
        bFlat = std::abs(OpenMesh::dot(normal, p1 - p0)) <= dFlat;
    }
    if (bFlat)
    {
        return false;
    }
    m_changed.clear();
    m_new.clear();
    for (auto it = m_mesh.cvf_iter(v0); it.is_valid(); ++it)
    {
        m_changed.push_back(*it);
        if (*it == fl || *it == fr)
        {
            continue;
        }
        MeshCrossings::Triangle triangle = MeshCrossings::triangleOf(m_mesh, *it);
        for (std::size_t i = 0; i < 3; ++i)
        {
            if (triangle.corners[i] == v0.idx())
            {
                triangle.corners[i] = v1.idx();
                triangle.points[i] = p1;
            }
        }
        m_new.push_back(triangle);
    }
    if (m_guard.pArea && std::none_of(m_new.begin(), m_new.end(), [&](const MeshCrossings::Triangle& triangle) {
            return m_guard.covers(boxOf(triangle));
        }))
    {
        return false;
    }
    for (std::size_t i = 0; i < m_new.size(); ++i)
    {
        const MeshCrossings::Triangle& triangle = m_new[i];
        for (std::size_t j = 0; j < i; ++j)
        {
            if (MeshCrossings::meet(triangle, m_new[j], m_guard.dGap))
            {
                return true;
            }
        }
        const MeshCrossings::Box box = boxOf(triangle);
        const unsigned nVisit = ++m_nVisit;
        bool bMeets = false;
        m_pGrid->forEachNear(box, [&](int nFace) {
            unsigned& nVisited = m_visits[std::size_t(nFace)];
            if (bMeets || nVisited == nVisit)
            {
                return;
            }
            nVisited = nVisit;
            const TriangleMesh::FaceHandle fh(nFace);
            bMeets = std::find(m_changed.begin(), m_changed.end(), fh) == m_changed.end()
                && box.overlaps(m_boxes[std::size_t(nFace)])
                && MeshCrossings::meet(triangle, MeshCrossings::triangleOf(m_mesh, fh), m_guard.dGap);
        });
        if (bMeets)
        {
            return true;
        }
    }
    return false;
}

void MeshCollapseGuard::beforeCollapse(TriangleMesh::VertexHandle v0)
{
    m_changed.clear();
    for (auto it = m_mesh.cvf_iter(v0); it.is_valid(); ++it)
    {
        m_changed.push_back(*it);
        const std::size_t f = std::size_t(it->idx());
        if (m_entered[f])
        {
            m_pGrid->remove(it->idx(), m_boxes[f]);
            m_entered[f] = 0;
            --m_nEntered;
        }
    }
}

void MeshCollapseGuard::afterCollapse()
{
    for (const TriangleMesh::FaceHandle fh : m_changed)
    {
        if (!m_mesh.status(fh).deleted())
        {
            m_boxes[std::size_t(fh.idx())] = boxOf(fh);
            enter(fh.idx());
        }
    }
    // Faces grow as they are collapsed into, each into ever more cells, and
    // every look round a face visits them all: with cells too small for
    // the faces, the grid is made anew.
    if (m_pGrid->entries() > 16 * std::max<std::size_t>(m_nEntered, 64))
    {
        makeGrid();
    }
}
