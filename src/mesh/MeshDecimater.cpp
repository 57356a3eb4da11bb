#include "MeshDecimater.h"

#include "CrossingGuard/MeshCollapseGuard.h"
#include "MeshCollapseHeap.h"

#include <OpenMesh/Tools/Decimater/CollapseInfoT.hh>
#include <OpenMesh/Tools/Decimater/ModAspectRatioT.hh>
#include <OpenMesh/Tools/Decimater/ModNormalFlippingT.hh>

#include <algorithm>
#include <limits>
#include <vector>

namespace
{
using VertexHandle = TriangleMesh::VertexHandle;
using HalfedgeHandle = TriangleMesh::HalfedgeHandle;
using CollapseInfo = OpenMesh::Decimater::CollapseInfoT<TriangleMesh>;

// Marks of MeshDecimater::wornOut.
constexpr unsigned char WORN_OUT = 1;
constexpr unsigned char WORN_OUT_NEAR = 2;

// The plane of a face, weighted by its area as in OpenMesh's quadric
// module, as the quadric of each corner about the corner's own point.
// Quadrics are kept about their vertex's point: a collapse only ever weighs
// a quadric a few edges from there, so the error of a plane through the
// vertex does not drown in rounding as it would far from the origin.
void addPlaneQuadrics(
    const TriangleMesh& mesh, TriangleMesh::FaceHandle fh, std::vector<MeshDecimater::Quadric>& quadrics)
{
    auto it = mesh.cfv_iter(fh);
    const VertexHandle corners[3] = {*it, *++it, *++it};
    OpenMesh::Vec3d points[3];
    for (int i = 0; i < 3; ++i)
    {
        points[i] = OpenMesh::vector_cast<OpenMesh::Vec3d>(mesh.point(corners[i]));
    }
    OpenMesh::Vec3d n = (points[1] - points[0]) % (points[2] - points[0]);
    double dArea = n.norm();
    if (dArea > FLT_MIN)
    {
        n /= dArea;
        dArea *= 0.5;
    }
    for (int i = 0; i < 3; ++i)
    {
        MeshDecimater::Quadric q(n[0], n[1], n[2], n | (points[i] - points[0]));
        q *= dArea;
        quadrics[std::size_t(corners[i].idx())] += q;
    }
}

// The quadric q (about some point) about the point t further on.
MeshDecimater::Quadric shifted(const MeshDecimater::Quadric& q, const OpenMesh::Vec3d& t)
{
    return MeshDecimater::Quadric(q.a(), q.b(), q.c(), q.d() + q.a() * t[0] + q.b() * t[1] + q.c() * t[2], q.e(), q.f(),
        q.g() + q.b() * t[0] + q.e() * t[1] + q.f() * t[2], q.h(), q.i() + q.c() * t[0] + q.f() * t[1] + q.h() * t[2],
        q(t));
}

OpenMesh::Vec3d difference(const TriangleMesh::Point& to, const TriangleMesh::Point& from)
{
    return OpenMesh::vector_cast<OpenMesh::Vec3d>(to) - OpenMesh::vector_cast<OpenMesh::Vec3d>(from);
}
} // namespace

class MeshDecimater::Impl
{
public:
    Impl(TriangleMesh& mesh, OpenMesh::FPropHandleT<bool> hCountedFaces)
        : m_mesh(mesh)
    {
        m_mesh.request_vertex_status();
        m_mesh.request_edge_status();
        m_mesh.request_face_status();
        // On the regular grid of the build every collapse gives a triangle of
        // exactly the limit, which the module's strict comparison refuses: a
        // flat region would stall until something uneven around it let a
        // front of collapses in. Such a triangle is let through.
        m_pAspectRatio = std::make_unique<OpenMesh::Decimater::ModAspectRatioT<TriangleMesh>>(m_mesh, 5.0001f, true);
        m_pNormalFlipping = std::make_unique<OpenMesh::Decimater::ModNormalFlippingT<TriangleMesh>>(m_mesh);
        m_pAspectRatio->initialize();

        m_quadrics.assign(m_mesh.n_vertices(), Quadric());
        const bool bCounted = hCountedFaces.is_valid();
        for (const auto fh : m_mesh.faces())
        {
            if (!bCounted || m_mesh.property(hCountedFaces, fh))
            {
                addPlaneQuadrics(m_mesh, fh, m_quadrics);
            }
        }
    }

    ~Impl()
    {
        m_pNormalFlipping.reset();
        m_pAspectRatio.reset();
        m_mesh.release_face_status();
        m_mesh.release_edge_status();
        m_mesh.release_vertex_status();
    }

    Quadric& quadric(VertexHandle vh) { return m_quadrics[std::size_t(vh.idx())]; }

    void setGuardLocked(bool bGuard) { m_bGuardLocked = bGuard; }

    void setWornOut(std::vector<unsigned char> wornOut) { m_wornOut = std::move(wornOut); }

    std::vector<unsigned char> wornOut() const
    {
        std::vector<unsigned char> wornOut(m_mesh.n_vertices(), 0);
        if (!m_bHeapBuilt)
        {
            return wornOut;
        }
        for (const auto vh : m_mesh.vertices())
        {
            const std::size_t v = std::size_t(vh.idx());
            if (!m_mesh.status(vh).locked() && !m_heap.contains(v) && !m_refusedElsewise[v])
            {
                // Unfenced, faces of other parts may since have come near or
                // gone: a refusal for faces near it may not hold.
                wornOut[v] = !m_refusedByGuard[v] ? WORN_OUT : m_fence ? WORN_OUT_NEAR : 0;
            }
        }
        return wornOut;
    }

    void setCrossingGuard(const MeshCrossings::Guard& guard) { m_guard = guard; }

    void setFence(MeshCollapseGuard::Fence fence)
    {
        m_fence = std::move(fence);
        if (m_pCollapseGuard)
        {
            m_pCollapseGuard->setFence(m_fence);
        }
    }

    void recordCollapses(OpenMesh::VPropHandleT<int> hIds, std::vector<int>* pInto)
    {
        m_hIds = hIds;
        m_pInto = pInto;
    }

    std::size_t countBelow(double dError)
    {
        buildHeap();
        std::size_t nBelow = 0;
        for (const Entry& entry : m_heap.entries())
        {
            nBelow += entry.fCost < dError ? 1 : 0;
        }
        return nBelow;
    }

    std::size_t decimate(std::size_t nCollapses, double dMaxError)
    {
        buildHeap();
        std::size_t nDone = 0;
        while (nDone < nCollapses)
        {
            if (m_heap.empty() && !m_guardRefused.empty()
                && m_nSinceRetry >= std::max<std::size_t>(1, m_heap.range() / 1000))
            {
                retryRefused();
            }
            if (m_heap.empty() || m_heap.top().fCost >= dMaxError)
            {
                break;
            }
            const VertexHandle v0(m_heap.top().nVertex);
            const HalfedgeHandle v0v1(m_target[std::size_t(v0.idx())]);
            // A collapse into the target since this vertex was weighed made
            // this one dearer: weigh it again.
            if (costOf(v0, m_mesh.to_vertex_handle(v0v1)) != m_cost[std::size_t(v0v1.idx())])
            {
                weighAll(v0);
                continue;
            }
            const CollapseInfo ci(m_mesh, v0v1);
            if (!isAllowed(ci))
            {
                m_refused[std::size_t(v0v1.idx())] = 1;
                place(v0);
                continue;
            }
            collapse(ci);
            ++nDone;
            ++m_nSinceRetry;
        }
        return nDone;
    }

private:
    using Entry = MeshCollapseHeap::Entry;

    // The error of moving v0 onto v1: both quadrics at v1's point. Rounding
    // can make an exact fit slightly negative.
    float costOf(VertexHandle v0, VertexHandle v1) const
    {
        const double dError = m_quadrics[std::size_t(v0.idx())](difference(m_mesh.point(v1), m_mesh.point(v0)))
            + m_quadrics[std::size_t(v1.idx())].j();
        return dError > 0.0 ? float(dError) : 0.0f;
    }

    template <typename Visit>
    void forEachOutgoing(VertexHandle vh, Visit visit) const
    {
        const HalfedgeHandle hStart = m_mesh.halfedge_handle(vh);
        if (!hStart.is_valid())
        {
            return;
        }
        HalfedgeHandle h = hStart;
        do
        {
            visit(h);
            h = m_mesh.cw_rotated_halfedge_handle(h);
        } while (h != hStart);
    }

    void buildHeap()
    {
        if (m_bHeapBuilt)
        {
            return;
        }
        m_bHeapBuilt = true;
        if (m_guard.isOn())
        {
            m_pCollapseGuard = std::make_unique<MeshCollapseGuard>(m_mesh, m_guard);
            if (m_fence)
            {
                m_pCollapseGuard->setFence(m_fence);
            }
        }
        const std::size_t nVertices = m_mesh.n_vertices();
        m_target.assign(nVertices, -1);
        m_heap.reset(nVertices);
        m_cost.assign(m_mesh.n_halfedges(), 0.0f);
        m_refused.assign(m_mesh.n_halfedges(), 0);
        m_refusedElsewise.assign(nVertices, 0);
        m_refusedByGuard.assign(nVertices, 0);
        for (const auto vh : m_mesh.vertices())
        {
            if (m_mesh.status(vh).locked())
            {
                continue;
            }
            // Refused for faces near, a vertex is worn out only where faces
            // are still kept apart.
            const unsigned char nWornOut = m_wornOut.empty() ? 0 : m_wornOut[std::size_t(vh.idx())];
            const bool bWornOut = nWornOut == WORN_OUT || (nWornOut == WORN_OUT_NEAR && m_pCollapseGuard);
            forEachOutgoing(vh, [&](HalfedgeHandle h) {
                m_cost[std::size_t(h.idx())] = costOf(vh, m_mesh.to_vertex_handle(h));
                m_refused[std::size_t(h.idx())] = bWornOut ? 1 : 0;
            });
            if (bWornOut)
            {
                m_target[std::size_t(vh.idx())] = -1;
                // Refused for faces near: tried again once a collapse comes
                // near it.
                if (nWornOut == WORN_OUT_NEAR)
                {
                    m_guardRefused.push_back(vh);
                    m_refusedByGuard[std::size_t(vh.idx())] = 1;
                }
                continue;
            }
            Entry entry;
            if (pickCandidate(vh, entry))
            {
                m_heap.add(entry);
            }
        }
        m_heap.order();
    }

    // The vertex's cheapest collapse not refused; false when there is none.
    bool pickCandidate(VertexHandle vh, Entry& best)
    {
        best = Entry{0.0f, 0.0f, vh.idx()};
        int nTarget = -1;
        const TriangleMesh::Point& p0 = m_mesh.point(vh);
        forEachOutgoing(vh, [&](HalfedgeHandle h) {
            const std::size_t i = std::size_t(h.idx());
            if (m_refused[i] || (nTarget >= 0 && m_cost[i] > best.fCost))
            {
                return;
            }
            const float fLength = (m_mesh.point(m_mesh.to_vertex_handle(h)) - p0).sqrnorm();
            if (nTarget < 0 || m_cost[i] < best.fCost || fLength < best.fLength)
            {
                best.fCost = m_cost[i];
                best.fLength = fLength;
                nTarget = h.idx();
            }
        });
        m_target[std::size_t(vh.idx())] = nTarget;
        return nTarget >= 0;
    }

    // Weighs every collapse of the vertex afresh and places it.
    void weighAll(VertexHandle vh)
    {
        forEachOutgoing(vh, [&](HalfedgeHandle h) {
            m_cost[std::size_t(h.idx())] = costOf(vh, m_mesh.to_vertex_handle(h));
            m_refused[std::size_t(h.idx())] = 0;
        });
        m_refusedElsewise[std::size_t(vh.idx())] = 0;
        m_refusedByGuard[std::size_t(vh.idx())] = 0;
        place(vh);
    }

    // Moves the vertex in the heap to its cheapest collapse, or out of it
    // when it has none left.
    void place(VertexHandle vh)
    {
        Entry entry;
        if (pickCandidate(vh, entry))
        {
            m_heap.set(entry);
        }
        else
        {
            m_heap.remove(std::size_t(vh.idx()));
        }
    }

    // OpenMesh's decimater's legality test (without feature edges, which
    // are not used here), then the guard of locked vertices and the vetoes.
    bool isAllowed(const CollapseInfo& ci)
    {
        const TriangleMesh& mesh = m_mesh;
        if (mesh.status(ci.v0).locked())
        {
            return false;
        }
        if (m_bGuardLocked && mesh.status(ci.v1).locked())
        {
            bool bJoinsLocked = false;
            forEachOutgoing(ci.v0, [&](HalfedgeHandle h) {
                const VertexHandle v = mesh.to_vertex_handle(h);
                bJoinsLocked = bJoinsLocked || (v != ci.v1 && v != ci.vl && v != ci.vr && mesh.status(v).locked());
            });
            if (bJoinsLocked)
            {
                m_refusedElsewise[std::size_t(ci.v0.idx())] = 1;
                return false;
            }
        }
        // Most collapses taken from the heap are refused for the shape of
        // their triangles (on the grid of a build, and round thin parts):
        // that cheap test goes before the walk round both rings.
        if (mesh.status(mesh.edge_handle(ci.v0v1)).deleted() || m_pAspectRatio->collapse_priority(ci) < 0.0f)
        {
            return false;
        }
        if (!m_mesh.is_collapse_ok(ci.v0v1))
        {
            return false;
        }
        if (ci.vl.is_valid() && ci.vr.is_valid() && mesh.find_halfedge(ci.vl, ci.vr).is_valid()
            && mesh.valence(ci.vl) == 3 && mesh.valence(ci.vr) == 3)
        {
            return false;
        }
        if (mesh.is_boundary(ci.v0) && (!mesh.is_boundary(ci.v1) || (ci.vl.is_valid() && ci.vr.is_valid())))
        {
            return false;
        }
        // At least two faces at v0.
        if (mesh.cw_rotated_halfedge_handle(mesh.cw_rotated_halfedge_handle(ci.v0v1)) == ci.v0v1)
        {
            return false;
        }
        if (m_pNormalFlipping->collapse_priority(ci) < 0.0f)
        {
            return false;
        }
        if (m_pCollapseGuard && m_pCollapseGuard->wouldMeet(ci.v0, ci.v1, ci.fl, ci.fr))
        {
            m_guardRefused.push_back(ci.v0);
            (m_pCollapseGuard->refusedByFence() ? m_refusedElsewise : m_refusedByGuard)[std::size_t(ci.v0.idx())] = 1;
            return false;
        }
        return true;
    }

    // A collapse refused because its faces would meet faces further off may
    // be allowed once those have changed, which does not clear its mark:
    // when nothing is left to take, the vertices of such refusals near
    // which something changed since are weighed again with nothing refused.
    void retryRefused()
    {
        m_nSinceRetry = 0;
        std::sort(m_guardRefused.begin(), m_guardRefused.end());
        m_guardRefused.erase(std::unique(m_guardRefused.begin(), m_guardRefused.end()), m_guardRefused.end());
        std::vector<VertexHandle> refused;
        refused.swap(m_guardRefused);
        for (const VertexHandle vh : refused)
        {
            if (m_mesh.status(vh).deleted())
            {
                continue;
            }
            // Nothing near it changed: it waits for the next time.
            if (m_pCollapseGuard->changedNear(vh))
            {
                weighAll(vh);
            }
            else
            {
                m_guardRefused.push_back(vh);
            }
        }
        m_pCollapseGuard->forgetChanges();
    }

    void collapse(const CollapseInfo& ci)
    {
        m_heap.remove(std::size_t(ci.v0.idx()));
        m_support.clear();
        forEachOutgoing(ci.v0, [&](HalfedgeHandle h) { m_support.push_back(m_mesh.to_vertex_handle(h)); });
        if (m_pCollapseGuard)
        {
            m_pCollapseGuard->beforeCollapse(ci.v0);
        }
        m_mesh.collapse(ci.v0v1);
        if (m_pInto)
        {
            (*m_pInto)[std::size_t(m_mesh.property(m_hIds, ci.v0))] = m_mesh.property(m_hIds, ci.v1);
        }
        if (m_pCollapseGuard)
        {
            m_pCollapseGuard->afterCollapse();
        }
        for (auto it = m_mesh.vf_iter(ci.v1); it.is_valid(); ++it)
        {
            m_mesh.set_normal(*it, m_mesh.calc_face_normal(*it));
        }
        // The aspect-ratio module compares a collapse's triangles with the
        // ones it remembers; it remembers the triangles around a vertex that
        // is about to move, as they were before. Here it is shown the faces
        // around the vertex that stays, as they now are, so that what it
        // remembers is always the mesh as it stands.
        CollapseInfo around(m_mesh, m_mesh.halfedge_handle(ci.v1));
        around.fl = around.fr = TriangleMesh::FaceHandle();
        m_pAspectRatio->preprocess_collapse(around);
        m_quadrics[std::size_t(ci.v1.idx())] += shifted(m_quadrics[std::size_t(ci.v0.idx())], difference(ci.p1, ci.p0));
        // Around the collapse the triangles changed, so refusals no longer
        // hold. Only the collapses into v1 cost otherwise, except v1's own,
        // whose quadric grew.
        for (const VertexHandle vh : m_support)
        {
            if (m_mesh.status(vh).locked())
            {
                continue;
            }
            if (vh == ci.v1)
            {
                weighAll(vh);
                continue;
            }
            forEachOutgoing(vh, [&](HalfedgeHandle h) {
                m_refused[std::size_t(h.idx())] = 0;
                if (m_mesh.to_vertex_handle(h) == ci.v1)
                {
                    m_cost[std::size_t(h.idx())] = costOf(vh, ci.v1);
                }
            });
            m_refusedElsewise[std::size_t(vh.idx())] = 0;
            m_refusedByGuard[std::size_t(vh.idx())] = 0;
            place(vh);
        }
    }

    TriangleMesh& m_mesh;
    std::unique_ptr<OpenMesh::Decimater::ModAspectRatioT<TriangleMesh>> m_pAspectRatio;
    std::unique_ptr<OpenMesh::Decimater::ModNormalFlippingT<TriangleMesh>> m_pNormalFlipping;
    bool m_bGuardLocked = false;
    bool m_bHeapBuilt = false;
    // Where and how far faces are kept apart, and from the first count or
    // decimation on the test of collapses that does so.
    MeshCrossings::Guard m_guard;
    std::unique_ptr<MeshCollapseGuard> m_pCollapseGuard;
    MeshCollapseGuard::Fence m_fence;
    // Where the collapses are written down.
    OpenMesh::VPropHandleT<int> m_hIds;
    std::vector<int>* m_pInto = nullptr;
    // Collapses since refusals were last cleared.
    std::size_t m_nSinceRetry = 0;
    // The vertices whose collapses that test refused since.
    std::vector<VertexHandle> m_guardRefused;
    // Per vertex: the quadric (about its point) and the half-edge of its
    // cheapest collapse.
    std::vector<Quadric> m_quadrics;
    std::vector<int> m_target;
    // Per half-edge: the cost of its collapse, and whether it was refused
    // since the triangles around its vertex last changed.
    std::vector<float> m_cost;
    std::vector<unsigned char> m_refused;
    // Per vertex, since its refusals were last cleared: whether a collapse
    // of it was refused for a locked vertex or the fence, and whether one was
    // refused for faces near it that it would meet. And, for the heap to be
    // built, the vertices worn out (see wornOut).
    std::vector<unsigned char> m_refusedElsewise;
    std::vector<unsigned char> m_refusedByGuard;
    std::vector<unsigned char> m_wornOut;
    // The vertices waiting, by their cheapest collapse.
    MeshCollapseHeap m_heap;
    std::vector<VertexHandle> m_support;
};

MeshDecimater::MeshDecimater(TriangleMesh& mesh, OpenMesh::FPropHandleT<bool> hCountedFaces)
    : m_pImpl(std::make_unique<Impl>(mesh, hCountedFaces))
{
}

MeshDecimater::~MeshDecimater() = default;

void MeshDecimater::setGuardLocked(bool bGuard)
{
    m_pImpl->setGuardLocked(bGuard);
}

void MeshDecimater::setCrossingGuard(const MeshCrossings::Guard& guard)
{
    m_pImpl->setCrossingGuard(guard);
}

void MeshDecimater::setWornOut(std::vector<unsigned char> wornOut)
{
    m_pImpl->setWornOut(std::move(wornOut));
}

std::vector<unsigned char> MeshDecimater::wornOut() const
{
    return m_pImpl->wornOut();
}

void MeshDecimater::setFence(std::function<bool(const MeshCrossings::Box&)> fence)
{
    m_pImpl->setFence(std::move(fence));
}

void MeshDecimater::recordCollapses(OpenMesh::VPropHandleT<int> hIds, std::vector<int>* pInto)
{
    m_pImpl->recordCollapses(hIds, pInto);
}

MeshDecimater::Quadric& MeshDecimater::quadric(TriangleMesh::VertexHandle vh)
{
    return m_pImpl->quadric(vh);
}

std::size_t MeshDecimater::countBelow(double dError)
{
    return m_pImpl->countBelow(dError);
}

std::size_t MeshDecimater::decimate(std::size_t nCollapses, double dMaxError)
{
    return m_pImpl->decimate(nCollapses, dMaxError);
}

void MeshDecimater::decimateTo(TriangleMesh& mesh, std::size_t nVertices, const MeshCrossings::Guard& crossingGuard,
    OpenMesh::VPropHandleT<int> hIds, std::vector<int>* pInto)
{
    if (mesh.n_vertices() <= nVertices)
    {
        return;
    }
    MeshDecimater decimater(mesh);
    decimater.setCrossingGuard(crossingGuard);
    if (pInto)
    {
        decimater.recordCollapses(hIds, pInto);
    }
    decimater.decimate(mesh.n_vertices() - nVertices);
    // While the decimater holds the status flags: without them garbage
    // collection silently does nothing.
    mesh.garbage_collection();
}
