#include "CrossingGuard/MeshCollapseGuard.h"

#include <algorithm>
#include <cmath>
#include <limits>

MeshCollapseGuard::MeshCollapseGuard(const TriangleMesh& mesh, const MeshCrossings::Guard& guard)
    : m_mesh(mesh)
    , m_guard(guard)
    , m_corners(MeshCrossings::cornersOf(mesh))
    , m_boxes(mesh.n_faces())
    , m_entered(mesh.n_faces(), 0)
    , m_visits(mesh.n_faces(), 0)
    , m_blockers(mesh.n_vertices(), -1)
{
    for (const auto fh : mesh.faces())
    {
        m_boxes[std::size_t(fh.idx())] = boxOf(fh);
    }
    // The grid is made when a collapse is first looked at closely: the
    // collapses that cost nothing, which a tile takes first, are flat and
    // never look at it, and keeping it up to date under them cost more than
    // the rest of the guard.
    // About two vertices to a cell: a collapse marks a few cells.
    double dX0 = std::numeric_limits<double>::max();
    double dY0 = dX0;
    double dX1 = -dX0;
    double dY1 = -dX0;
    for (const auto vh : mesh.vertices())
    {
        const TriangleMesh::Point& point = mesh.point(vh);
        dX0 = std::min(dX0, double(point[0]));
        dY0 = std::min(dY0, double(point[1]));
        dX1 = std::max(dX1, double(point[0]));
        dY1 = std::max(dY1, double(point[1]));
    }
    if (dX0 <= dX1 && dY0 <= dY1)
    {
        const double dArea = std::max((dX1 - dX0) * (dY1 - dY0), 1e-300);
        m_dChangeCell = std::max({std::sqrt(2.0 * dArea / double(mesh.n_vertices())), (dX1 - dX0) / 4096.0,
            (dY1 - dY0) / 4096.0, 1e-300});
        m_dChangeX0 = dX0;
        m_dChangeY0 = dY0;
        m_nChangeColumns = int((dX1 - dX0) / m_dChangeCell) + 1;
        m_nChangeRows = int((dY1 - dY0) / m_dChangeCell) + 1;
    }
    m_changeMarks.assign(std::size_t(m_nChangeColumns) * std::size_t(m_nChangeRows), 0);
}

void MeshCollapseGuard::makeGrid()
{
    // The faces in the grid, each once: at the start those the guard looks
    // after, later those of the faces ever entered that are in it now.
    std::vector<int> faces;
    if (!m_pGrid)
    {
        for (const auto fh : m_mesh.faces())
        {
            if (m_guard.covers(m_boxes[std::size_t(fh.idx())]))
            {
                faces.push_back(fh.idx());
            }
        }
    }
    else
    {
        for (const int nFace : m_everEntered)
        {
            if (m_entered[std::size_t(nFace)] == 1)
            {
                m_entered[std::size_t(nFace)] = 2;
                faces.push_back(nFace);
            }
        }
    }
    // Cells that suit the faces in the grid, not the mesh round them.
    m_pGrid = std::make_unique<MeshCrossings::TriangleGrid>(MeshCrossings::TriangleGrid::over(m_boxes, faces));
    for (const int nFace : faces)
    {
        m_entered[std::size_t(nFace)] = 0;
    }
    m_everEntered.clear();
    m_nEntered = 0;
    for (const int nFace : faces)
    {
        enter(nFace);
    }
    m_nCollapsesSinceGrid = 0;
}

MeshCrossings::Box MeshCollapseGuard::boxOf(const MeshCrossings::Triangle& triangle) const
{
    return MeshCrossings::boxOf(triangle, 0.5 * m_guard.dGap);
}

MeshCrossings::Box MeshCollapseGuard::boxOf(TriangleMesh::FaceHandle fh) const
{
    return boxOf(triangleOf(fh.idx()));
}

MeshCrossings::Triangle MeshCollapseGuard::triangleOf(int nFace) const
{
    return MeshCrossings::triangleOf(m_corners[std::size_t(nFace)], m_mesh.points());
}

void MeshCollapseGuard::enter(int nFace)
{
    const MeshCrossings::Box& box = m_boxes[std::size_t(nFace)];
    if (m_pGrid && m_guard.covers(box))
    {
        m_pGrid->insert(nFace, box);
        m_entered[std::size_t(nFace)] = 1;
        m_everEntered.push_back(nFace);
        ++m_nEntered;
    }
}

bool MeshCollapseGuard::wouldMeet(TriangleMesh::VertexHandle v0, TriangleMesh::VertexHandle v1,
    TriangleMesh::FaceHandle fl, TriangleMesh::FaceHandle fr)
{
    const MeshCrossings::Vec p0 = OpenMesh::vector_cast<MeshCrossings::Vec>(m_mesh.point(v0));
    const MeshCrossings::Vec p1 = OpenMesh::vector_cast<MeshCrossings::Vec>(m_mesh.point(v1));
    if (!ringLookedAfter(v0))
    {
        return false;
    }
    // The faces round v0 as they are and as the collapse leaves them. Where
    // each keeps its plane (on flat ground, or along a straight crease), the
    // faces the collapse leaves cover what its faces covered, as long as none
    // turns over, which the decimater's vetoes see to: they meet nothing the
    // faces before did not.
    m_changed.clear();
    m_new.clear();
    const MeshCrossings::Vec move = p1 - p0;
    const double dFlat2 = 1e-6 * m_guard.dGap * m_guard.dGap;
    bool bFlat = true;
    for (auto it = m_mesh.cvf_iter(v0); it.is_valid(); ++it)
    {
        m_changed.push_back(*it);
        MeshCrossings::Triangle triangle = triangleOf(it->idx());
        if (bFlat)
        {
            const MeshCrossings::Vec normal = OpenMesh::cross(
                triangle.points[1] - triangle.points[0], triangle.points[2] - triangle.points[0]);
            const double dAlong = OpenMesh::dot(normal, move);
            bFlat = dAlong * dAlong <= dFlat2 * normal.sqrnorm();
        }
        if (*it == fl || *it == fr)
        {
            continue;
        }
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
    if (bFlat)
    {
        return false;
    }
    m_bFenceRefused = m_fence && !ringInsideFence(v0);
    if (m_bFenceRefused)
    {
        return true;
    }
    if (m_guard.pArea && std::none_of(m_new.begin(), m_new.end(), [&](const MeshCrossings::Triangle& triangle) {
            return m_guard.covers(boxOf(triangle));
        }))
    {
        return false;
    }
    if (!m_pGrid)
    {
        makeGrid();
    }
    findApartCorners();
    // Two faces on one corner whose fan is apart do not meet.
    const auto meetsOnCorner = [&](const MeshCrossings::Triangle& a, const MeshCrossings::Triangle& b) {
        const MeshCrossings::SharedCorners shared = MeshCrossings::sharedCorners(a, b);
        return !(shared.nShared == 1
                   && std::find(m_apartCorners.begin(), m_apartCorners.end(),
                          a.corners[std::size_t(shared.sharedA[0])])
                       != m_apartCorners.end())
            && MeshCrossings::meet(a, b, m_guard.dGap);
    };
    // Whether a new face meets a face the collapse does not change.
    const auto meetsFace = [&](const MeshCrossings::Triangle& triangle, const MeshCrossings::Box& box, int nFace) {
        const TriangleMesh::FaceHandle fh(nFace);
        return box.overlaps(m_boxes[std::size_t(nFace)])
            && std::find(m_changed.begin(), m_changed.end(), fh) == m_changed.end()
            && meetsOnCorner(triangle, triangleOf(nFace));
    };
    // Where thin parts lie close, a vertex is refused for one face far more
    // often than not, whichever way it goes: that face is tried first. It
    // is one the search below would find.
    int& nBlocker = m_blockers[std::size_t(v0.idx())];
    if (nBlocker >= 0 && m_entered[std::size_t(nBlocker)]
        && std::any_of(m_new.begin(), m_new.end(), [&](const MeshCrossings::Triangle& triangle) {
               return meetsFace(triangle, boxOf(triangle), nBlocker);
           }))
    {
        return true;
    }
    for (std::size_t i = 0; i < m_new.size(); ++i)
    {
        const MeshCrossings::Triangle& triangle = m_new[i];
        for (std::size_t j = 0; j < i; ++j)
        {
            if (meetsOnCorner(triangle, m_new[j]))
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
            bMeets = meetsFace(triangle, box, nFace);
            if (bMeets)
            {
                nBlocker = nFace;
            }
        });
        if (bMeets)
        {
            return true;
        }
    }
    return false;
}

void MeshCollapseGuard::setFence(Fence fence)
{
    m_fence = std::move(fence);
}

bool MeshCollapseGuard::ringInsideFence(TriangleMesh::VertexHandle v0) const
{
    TriangleMesh::Point low = m_mesh.point(v0);
    TriangleMesh::Point high = low;
    for (auto it = m_mesh.cvv_iter(v0); it.is_valid(); ++it)
    {
        low.minimize(m_mesh.point(*it));
        high.maximize(m_mesh.point(*it));
    }
    return m_fence(MeshCrossings::Box{
        OpenMesh::vector_cast<MeshCrossings::Vec>(low), OpenMesh::vector_cast<MeshCrossings::Vec>(high)});
}

bool MeshCollapseGuard::ringLookedAfter(TriangleMesh::VertexHandle v0)
{
    if (!m_guard.pArea)
    {
        return true;
    }
    if (v0 == m_lastRing)
    {
        return m_bLastRingLookedAfter;
    }
    TriangleMesh::Point low = m_mesh.point(v0);
    TriangleMesh::Point high = low;
    for (auto it = m_mesh.cvv_iter(v0); it.is_valid(); ++it)
    {
        low.minimize(m_mesh.point(*it));
        high.maximize(m_mesh.point(*it));
    }
    const MeshCrossings::Vec gap(m_guard.dGap);
    m_lastRing = v0;
    m_bLastRingLookedAfter = m_guard.covers(MeshCrossings::Box{
        OpenMesh::vector_cast<MeshCrossings::Vec>(low) - gap, OpenMesh::vector_cast<MeshCrossings::Vec>(high) + gap});
    return m_bLastRingLookedAfter;
}

void MeshCollapseGuard::findApartCorners()
{
    // Round each corner of the new faces, the faces the collapse keeps and
    // the new ones on it.
    m_apartCorners.clear();
    m_fan.clear();
    std::vector<int>& corners = m_fanCorners;
    corners.clear();
    for (const MeshCrossings::Triangle& triangle : m_new)
    {
        corners.insert(corners.end(), triangle.corners.begin(), triangle.corners.end());
    }
    std::sort(corners.begin(), corners.end());
    corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    for (const int nCorner : corners)
    {
        m_fan.clear();
        for (auto it = m_mesh.cvf_iter(TriangleMesh::VertexHandle(nCorner)); it.is_valid(); ++it)
        {
            if (std::find(m_changed.begin(), m_changed.end(), *it) == m_changed.end())
            {
                m_fan.push_back(triangleOf(it->idx()));
            }
        }
        for (const MeshCrossings::Triangle& triangle : m_new)
        {
            if (std::find(triangle.corners.begin(), triangle.corners.end(), nCorner) != triangle.corners.end())
            {
                m_fan.push_back(triangle);
            }
        }
        const bool bApart = MeshCrossings::fanApart(
            int(m_fan.size()),
            [&](int n, MeshCrossings::Vec& a, MeshCrossings::Vec& b, int& nA, int& nB) {
                const MeshCrossings::Triangle& triangle = m_fan[std::size_t(n)];
                const std::size_t i = triangle.corners[0] == nCorner ? 0 : triangle.corners[1] == nCorner ? 1 : 2;
                nA = triangle.corners[(i + 1) % 3];
                nB = triangle.corners[(i + 2) % 3];
                a = triangle.points[(i + 1) % 3] - triangle.points[i];
                b = triangle.points[(i + 2) % 3] - triangle.points[i];
            },
            m_guard.dGap);
        if (bApart)
        {
            m_apartCorners.push_back(nCorner);
        }
    }
}

bool MeshCollapseGuard::changeCellsRound(TriangleMesh::VertexHandle vh, int& x0, int& y0, int& x1, int& y1) const
{
    TriangleMesh::Point low = m_mesh.point(vh);
    TriangleMesh::Point high = low;
    for (auto it = m_mesh.cvv_iter(vh); it.is_valid(); ++it)
    {
        low.minimize(m_mesh.point(*it));
        high.maximize(m_mesh.point(*it));
    }
    const auto cell = [&](double d, double dOrigin, int nCount) {
        return int(std::clamp(std::floor((d - dOrigin) / m_dChangeCell), -1.0, double(nCount)));
    };
    x0 = std::max(0, cell(double(low[0]) - m_guard.dGap, m_dChangeX0, m_nChangeColumns));
    y0 = std::max(0, cell(double(low[1]) - m_guard.dGap, m_dChangeY0, m_nChangeRows));
    x1 = std::min(m_nChangeColumns - 1, cell(double(high[0]) + m_guard.dGap, m_dChangeX0, m_nChangeColumns));
    y1 = std::min(m_nChangeRows - 1, cell(double(high[1]) + m_guard.dGap, m_dChangeY0, m_nChangeRows));
    return x0 <= x1 && y0 <= y1;
}

bool MeshCollapseGuard::changedNear(TriangleMesh::VertexHandle vh) const
{
    int x0, y0, x1, y1;
    if (!changeCellsRound(vh, x0, y0, x1, y1))
    {
        return false;
    }
    for (int y = y0; y <= y1; ++y)
    {
        for (int x = x0; x <= x1; ++x)
        {
            if (m_changeMarks[std::size_t(y) * std::size_t(m_nChangeColumns) + std::size_t(x)])
            {
                return true;
            }
        }
    }
    return false;
}

void MeshCollapseGuard::forgetChanges()
{
    for (const int nCell : m_changedCells)
    {
        m_changeMarks[std::size_t(nCell)] = 0;
    }
    m_changedCells.clear();
}

void MeshCollapseGuard::beforeCollapse(TriangleMesh::VertexHandle v0)
{
    // A collapse whose faces lie away from the area neither takes faces out
    // of the grid nor puts any in, nor changes what the guard said of a
    // collapse that it refused: it costs nothing here.
    m_changed.clear();
    m_bRingLookedAfter = ringLookedAfter(v0);
    m_lastRing = TriangleMesh::VertexHandle();
    if (!m_bRingLookedAfter)
    {
        return;
    }
    // The faces the collapse changes, and those it makes, lie over the
    // points round v0.
    int x0, y0, x1, y1;
    if (changeCellsRound(v0, x0, y0, x1, y1))
    {
        for (int y = y0; y <= y1; ++y)
        {
            for (int x = x0; x <= x1; ++x)
            {
                const int nCell = y * m_nChangeColumns + x;
                if (!m_changeMarks[std::size_t(nCell)])
                {
                    m_changeMarks[std::size_t(nCell)] = 1;
                    m_changedCells.push_back(nCell);
                }
            }
        }
    }
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
            m_corners[std::size_t(fh.idx())] = MeshCrossings::cornersOf(m_mesh, fh);
            m_boxes[std::size_t(fh.idx())] = boxOf(fh);
            enter(fh.idx());
        }
    }
    // Faces grow as they are collapsed into, each into ever more cells, and
    // every look round a face visits them all: with cells too small for
    // the faces, the grid is made anew. Where a few long faces fill many
    // cells whatever their size, a new grid would not help: it waits for
    // collapses in proportion to the faces it holds, so that making grids
    // costs no more than a few entries a collapse.
    if (!m_bRingLookedAfter || !m_pGrid)
    {
        return;
    }
    ++m_nCollapsesSinceGrid;
    if (m_pGrid->entries() > 4 * std::max<std::size_t>(m_nEntered, 64) && 8 * m_nCollapsesSinceGrid >= m_nEntered)
    {
        makeGrid();
    }
}
