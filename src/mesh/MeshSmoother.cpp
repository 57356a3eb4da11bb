#include "MeshGenerator.h"

#include "CrossingGuard/MeshCrossings.h"
#include "CrossingGuard/MeshNearPairs.h"
#include "Parallel.h"

#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <numeric>
#include <vector>

namespace
{
// How far a facet may shrink, as a share of its area before smoothing. Thin
// parts (teeth, hatching, strokes a pixel or two wide) are pulled towards
// their middle line step after step until their facets would collapse; there
// they stay instead.
constexpr float SMALLEST_AREA_SHARE = 1.0f / 256.0f;

// OpenMesh's Jacobi-Laplace smoother with its C0 step spread over the cores,
// and guarded: a step never turns a facet over, nor shrinks it below its
// smallest area, and with a gap it never carries a facet through another or
// within the gap of it. Each vertex's new position depends only on the old
// positions, so the vertices are independent and, where no facet is
// endangered, the result is the same as OpenMesh's own.
class GuardedJacobiLaplaceSmoother : public OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>
{
public:
    using Base = OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>;

    GuardedJacobiLaplaceSmoother(TriangleMesh& mesh, const MeshCrossings::Guard& crossingGuard)
        : Base(mesh)
        , m_vTriangles(mesh.n_faces())
        , m_vSmallestArea(mesh.n_faces())
        , m_vAfter(mesh.n_vertices())
    {
        // By face index; a deleted face keeps its place as a triangle without
        // area, which is never endangered.
        Parallel::forRange(m_vTriangles.size(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t t = nBegin; t < nEnd; ++t)
            {
                const TriangleMesh::FaceHandle fh{int(t)};
                if (mesh.has_face_status() && mesh.status(fh).deleted())
                {
                    continue;
                }
                TriangleMesh::HalfedgeHandle heh = mesh.halfedge_handle(fh);
                for (int& nCorner : m_vTriangles[t])
                {
                    nCorner = mesh.to_vertex_handle(heh).idx();
                    heh = mesh.next_halfedge_handle(heh);
                }
                m_vSmallestArea[t] = SMALLEST_AREA_SHARE * doubleArea(t, mesh.points()).norm();
            }
        });
        if (crossingGuard.isOn())
        {
            m_pNearPairs = std::make_unique<MeshNearPairs>(m_vTriangles, crossingGuard);
        }
    }

    // nSteps steps. With a guard, they go in blocks: a block is taken with
    // facets kept upright only, then checked once for facets that came to
    // meet. Where any did, the steps are taken again from its start, and
    // the step where facets first meet is searched by halves: a block that
    // passes moves the start on, one that fails narrows where that step
    // lies. Once two steps or fewer are left where it can lie, they are
    // taken guarded (kept apart), without more checks: a guarded step costs
    // what a check does, and one that keeps nothing apart is the same as
    // the step unguarded, so what is known of the steps after it still
    // holds. After a step that kept facets apart the next is guarded
    // straight away, whose own check says whether the one after may try a
    // block again. Blocks grow while they pass, so checks cost little where
    // nothing comes near, and where facets come near step after step (thin
    // parts all over) no step is taken twice.
    void run(unsigned nSteps)
    {
        // OpenMesh's loop for no steps marks the vertices that move.
        Base::smooth(0);
        if (m_vNeighboursFrom.empty())
        {
            findNeighbours();
        }
        if (!m_pNearPairs)
        {
            for (unsigned n = 0; n < nSteps; ++n)
            {
                step(false);
            }
            return;
        }
        TriangleMesh& mesh = this->mesh_;
        unsigned nBlock = FIRST_BLOCK;
        // Where above nDone: the steps from nDone up to here, taken
        // unguarded, bring facets to meet.
        unsigned nMeetBy = 0;
        bool bGuardNext = false;
        std::vector<Point> start;
        for (unsigned nDone = 0; nDone < nSteps;)
        {
            if (bGuardNext || (nMeetBy > nDone && nMeetBy - nDone <= 2))
            {
                ++nDone;
                bGuardNext = step(true);
                if (bGuardNext)
                {
                    nMeetBy = 0;
                }
                nBlock = 2;
                continue;
            }
            unsigned n = std::min(nBlock, nSteps - nDone);
            if (nMeetBy > nDone)
            {
                n = std::min(n, (nMeetBy - nDone) / 2);
            }
            start.assign(mesh.points(), mesh.points() + mesh.n_vertices());
            for (unsigned i = 0; i < n; ++i)
            {
                step(false);
            }
            const bool bPass = m_pNearPairs->newlyMeetingOnce(start.data(), mesh.points()).empty();
            if (bPass)
            {
                nDone += n;
                nBlock = std::min(2 * nBlock, LAST_BLOCK);
                continue;
            }
            Parallel::forRange(start.size(), [&](std::size_t nBegin, std::size_t nEnd) {
                for (std::size_t i = nBegin; i < nEnd; ++i)
                {
                    mesh.point(TriangleMesh::VertexHandle(int(i))) = start[i];
                }
            });
            nMeetBy = nDone + n;
        }
    }

private:
    using Point = TriangleMesh::Point;

    // A guarded run starts with blocks of this many steps and lets them grow
    // to the last.
    static constexpr unsigned FIRST_BLOCK = 4;
    static constexpr unsigned LAST_BLOCK = 16;
    // A round of keeping corners in place where one triangle in this many
    // or more is endangered goes over all vertices and triangles at once.
    static constexpr std::size_t MANY_ENDANGERED = 16;

    // Tangential and normal smoothing weighs every edge alike (1), so a
    // vertex's new position sums its neighbours as they are, in the order
    // OpenMesh goes round them: the same arithmetic as OpenMesh's own step.
    // A vertex kept in place for good stays.
    void computeNewPositions()
    {
        const Point* pPoints = this->mesh_.points();
        Parallel::forRange(this->mesh_.n_vertices(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                m_vAfter[i] = pPoints[i];
                if (m_vNeighboursFrom[i] == m_vNeighboursFrom[i + 1] || (!m_vHeld.empty() && m_vHeld[i]))
                {
                    continue;
                }
                const TriangleMesh::VertexHandle vh{static_cast<int>(i)};
                TriangleMesh::Normal u(0, 0, 0);
                for (int n = m_vNeighboursFrom[i]; n < m_vNeighboursFrom[i + 1]; ++n)
                {
                    u += pPoints[m_vNeighbours[std::size_t(n)]];
                }
                u *= this->weight(vh);
                u -= pPoints[i];
                u *= 0.5f;
                TriangleMesh::Normal p = pPoints[i];
                p += u;
                this->set_new_position(vh, p);
                m_vAfter[i] = p;
            }
        });
    }

    // One step: new positions, facets kept upright (and apart with
    // bGuarded), the points moved. True where facets were kept apart.
    bool step(bool bGuarded)
    {
        computeNewPositions();
        const bool bKeptApart = keepFacetsUpright(bGuarded);
        TriangleMesh& mesh = this->mesh_;
        Parallel::forRange(mesh.n_vertices(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                if (m_vNeighboursFrom[i] != m_vNeighboursFrom[i + 1])
                {
                    mesh.point(TriangleMesh::VertexHandle(int(i))) = m_vAfter[i];
                }
            }
        });
        return bKeptApart;
    }

    // The triangle's normal scaled to twice its area, with its corners at the
    // given positions.
    Point doubleArea(std::size_t t, const Point* pPositions) const
    {
        const std::array<int, 3>& corners = m_vTriangles[t];
        const Point& a = pPositions[corners[0]];
        return OpenMesh::cross(pPositions[corners[1]] - a, pPositions[corners[2]] - a);
    }

    // The step would shrink the triangle below its smallest area, or turn it
    // over.
    bool isEndangered(std::size_t t) const
    {
        const Point before = doubleArea(t, this->mesh_.points());
        const Point after = doubleArea(t, m_vAfter.data());
        const float fBefore = before.sqrnorm();
        const float fAfter = after.sqrnorm();
        if (fAfter < fBefore && fAfter < m_vSmallestArea[t] * m_vSmallestArea[t])
        {
            return true;
        }
        return fBefore > 0.0f && OpenMesh::dot(before, after) <= 0.0f && facesAwayFromSurface(t, after);
    }

    // Whether a normal faces away from the surface round the triangle before
    // the step: the triangle and its neighbours across its edges, each
    // counted alike. A triangle can turn by more than a right angle without
    // turning over: on a sawtooth of heights, or a ridge a pixel wide, the
    // step lays it towards the surface it belongs to.
    bool facesAwayFromSurface(std::size_t t, const Point& normal) const
    {
        const TriangleMesh& mesh = this->mesh_;
        const auto unitNormal = [&](std::size_t nFace) {
            const Point n = doubleArea(nFace, mesh.points());
            const float fLength = n.norm();
            return fLength > 0.0f ? n / fLength : n;
        };
        Point surface(0.0f, 0.0f, 0.0f);
        for (auto it = mesh.cff_iter(TriangleMesh::FaceHandle{int(t)}); it.is_valid(); ++it)
        {
            surface += unitNormal(std::size_t(it->idx()));
        }
        return OpenMesh::dot(normal, surface) <= 0.0f;
    }

    // The corners of every endangered triangle keep their place for this
    // step, all at once; then the triangles round the corners kept in place
    // are looked at again, since their shapes changed with them, until none
    // is endangered. With bApart, the same follows for the triangles of
    // every pair that would meet, until none would, and their corners stay
    // where they are from then on: held against another part of the
    // surface, smoothing would only press them on. A triangle whose corners
    // all stay is as it was, and a corner stays at most once, so this ends.
    // Which corners stay does not depend on how the work is spread over the
    // cores.
    // True where facets were kept apart.
    bool keepFacetsUpright(bool bApart)
    {
        const std::uint32_t nStep = ++m_nStep;
        std::vector<int> vEndangered
            = Parallel::collect<int>(m_vTriangles.size(), [&](std::size_t t, std::vector<int>& vOut) {
                  if (isEndangered(t))
                  {
                      vOut.push_back(int(t));
                  }
              });
        keepInPlace(vEndangered, nStep);
        if (!bApart)
        {
            return false;
        }
        const Point* pBefore = this->mesh_.points();
        std::vector<int> vChanged;
        bool bKeptApart = false;
        for (bool bFirst = true;; bFirst = false)
        {
            vEndangered.clear();
            const std::vector<int>* pChanged = bFirst ? nullptr : &vChanged;
            for (const auto& [a, b] : m_pNearPairs->newlyMeeting(pBefore, m_vAfter.data(), pChanged))
            {
                vEndangered.push_back(a);
                vEndangered.push_back(b);
            }
            if (vEndangered.empty())
            {
                break;
            }
            bKeptApart = true;
            if (m_vHeld.empty())
            {
                m_vHeld.assign(m_vAfter.size(), 0);
            }
            for (const int t : vEndangered)
            {
                for (const int nCorner : m_vTriangles[std::size_t(t)])
                {
                    m_vHeld[std::size_t(nCorner)] = 1;
                }
            }
            vChanged = keepInPlace(vEndangered, nStep);
        }
        return bKeptApart;
    }

    // Keeps the corners of the given triangles where they are before the
    // step, then of every triangle that is left endangered by that. Returns
    // the triangles whose shapes changed.
    std::vector<int> keepInPlace(std::vector<int>& vEndangered, std::uint32_t nStep)
    {
        const TriangleMesh& mesh = this->mesh_;
        if (!vEndangered.empty() && m_vFacesFrom.empty())
        {
            prepareToKeepInPlace();
        }
        std::vector<int> vAllChanged;
        while (!vEndangered.empty())
        {
            if (vEndangered.size() * MANY_ENDANGERED >= m_vTriangles.size())
            {
                keepManyInPlace(vEndangered, vAllChanged);
                continue;
            }
            const std::uint32_t nRound = ++m_nRound;
            const auto putBack = [&](std::size_t i, std::vector<int>& vOut) {
                for (const int nCorner : m_vTriangles[std::size_t(vEndangered[i])])
                {
                    const TriangleMesh::VertexHandle vh(nCorner);
                    // The one thread that claims a corner first moves it back.
                    if (!claim(m_pVertexStep[std::size_t(nCorner)], nStep)
                        || m_vAfter[std::size_t(nCorner)] == mesh.point(vh))
                    {
                        continue;
                    }
                    m_vAfter[std::size_t(nCorner)] = mesh.point(vh);
                    this->set_new_position(vh, mesh.point(vh));
                    for (int n = m_vFacesFrom[std::size_t(nCorner)]; n < m_vFacesFrom[std::size_t(nCorner) + 1]; ++n)
                    {
                        if (claim(m_pFaceRound[std::size_t(m_vFaces[std::size_t(n)])], nRound))
                        {
                            vOut.push_back(m_vFaces[std::size_t(n)]);
                        }
                    }
                }
            };
            const std::vector<int> vChanged = Parallel::collect<int>(vEndangered.size(), putBack);
            vEndangered = Parallel::collect<int>(vChanged.size(), [&](std::size_t i, std::vector<int>& vOut) {
                if (isEndangered(std::size_t(vChanged[i])))
                {
                    vOut.push_back(vChanged[i]);
                }
            });
            vAllChanged.insert(vAllChanged.end(), vChanged.begin(), vChanged.end());
        }
        return vAllChanged;
    }

    // One round of keepInPlace where many triangles are endangered: the
    // vertices and then the triangles are gone over once each, in place of
    // claiming every corner and every triangle round it, which costs a
    // locked exchange each on all cores. The same corners go back, and the
    // triangles whose shapes changed are added to vAllChanged; those left
    // endangered by that are the next round's.
    void keepManyInPlace(std::vector<int>& vEndangered, std::vector<int>& vAllChanged)
    {
        const TriangleMesh& mesh = this->mesh_;
        if (!m_pEndangered)
        {
            m_pEndangered.reset(new std::atomic<unsigned char>[m_vTriangles.size()]());
            m_vPutBack.assign(m_vAfter.size(), 0);
        }
        // A triangle may be listed more than once.
        Parallel::forRange(vEndangered.size(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                m_pEndangered[std::size_t(vEndangered[i])].store(1, std::memory_order_relaxed);
            }
        });
        Parallel::forRange(m_vAfter.size(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t v = nBegin; v < nEnd; ++v)
            {
                const TriangleMesh::VertexHandle vh(static_cast<int>(v));
                m_vPutBack[v] = 0;
                if (m_vAfter[v] == mesh.point(vh))
                {
                    continue;
                }
                for (int n = m_vFacesFrom[v]; n < m_vFacesFrom[v + 1]; ++n)
                {
                    if (m_pEndangered[std::size_t(m_vFaces[std::size_t(n)])].load(std::memory_order_relaxed))
                    {
                        m_vAfter[v] = mesh.point(vh);
                        this->set_new_position(vh, mesh.point(vh));
                        m_vPutBack[v] = 1;
                        break;
                    }
                }
            }
        });
        Parallel::forRange(vEndangered.size(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                m_pEndangered[std::size_t(vEndangered[i])].store(0, std::memory_order_relaxed);
            }
        });
        const std::vector<int> vChanged
            = Parallel::collect<int>(m_vTriangles.size(), [&](std::size_t t, std::vector<int>& vOut) {
                  const std::array<int, 3>& corners = m_vTriangles[t];
                  if (MeshCrossings::hasThreeCorners(corners)
                      && (m_vPutBack[std::size_t(corners[0])] || m_vPutBack[std::size_t(corners[1])]
                          || m_vPutBack[std::size_t(corners[2])]))
                  {
                      vOut.push_back(int(t));
                  }
              });
        vEndangered = Parallel::collect<int>(vChanged.size(), [&](std::size_t i, std::vector<int>& vOut) {
            if (isEndangered(std::size_t(vChanged[i])))
            {
                vOut.push_back(vChanged[i]);
            }
        });
        vAllChanged.insert(vAllChanged.end(), vChanged.begin(), vChanged.end());
    }

    // The neighbours of every vertex that moves, in the order OpenMesh goes
    // round them; none for a deleted vertex or one the smoother leaves
    // (on a border).
    void findNeighbours()
    {
        const TriangleMesh& mesh = this->mesh_;
        const std::size_t nVertices = mesh.n_vertices();
        m_vNeighboursFrom.assign(nVertices + 1, 0);
        const auto moves = [&](TriangleMesh::VertexHandle vh) {
            return !(mesh.has_vertex_status() && mesh.status(vh).deleted()) && this->is_active(vh);
        };
        Parallel::forRange(nVertices, [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                const TriangleMesh::VertexHandle vh{static_cast<int>(i)};
                m_vNeighboursFrom[i + 1] = moves(vh) ? int(mesh.valence(vh)) : 0;
            }
        });
        std::partial_sum(m_vNeighboursFrom.begin(), m_vNeighboursFrom.end(), m_vNeighboursFrom.begin());
        m_vNeighbours.resize(std::size_t(m_vNeighboursFrom.back()));
        Parallel::forRange(nVertices, [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                int n = m_vNeighboursFrom[i];
                if (n == m_vNeighboursFrom[i + 1])
                {
                    continue;
                }
                for (auto it = mesh.cvoh_iter(TriangleMesh::VertexHandle{static_cast<int>(i)}); it.is_valid(); ++it)
                {
                    m_vNeighbours[std::size_t(n++)] = mesh.to_vertex_handle(*it).idx();
                }
            }
        });
    }

    // What keeping vertices in place needs, made when first needed: the
    // marks of claimed vertices and faces, and the faces round each vertex,
    // for going back from a vertex kept in place to the faces it shapes.
    void prepareToKeepInPlace()
    {
        // Value-initialised: every mark starts at 0, before the first step.
        m_pVertexStep.reset(new std::atomic<std::uint32_t>[m_vAfter.size()]());
        m_pFaceRound.reset(new std::atomic<std::uint32_t>[m_vTriangles.size()]());
        MeshCrossings::trianglesRound(m_vTriangles, m_vAfter.size(), m_vFacesFrom, m_vFaces);
    }

    // True for the one caller that marks the element first in this step or
    // round; the plain look first spares the locked exchange most of the time.
    static bool claim(std::atomic<std::uint32_t>& nMark, std::uint32_t nNow)
    {
        return nMark.load(std::memory_order_relaxed) != nNow && nMark.exchange(nNow) != nNow;
    }

    // The corners of each face, by face index.
    std::vector<std::array<int, 3>> m_vTriangles;
    // With a guard, the pairs of facets that may come to meet.
    std::unique_ptr<MeshNearPairs> m_pNearPairs;
    // Twice the smallest area each face may shrink to.
    std::vector<float> m_vSmallestArea;
    // The neighbours of vertex v are m_vNeighbours[m_vNeighboursFrom[v]] up
    // to m_vNeighbours[m_vNeighboursFrom[v + 1]].
    std::vector<int> m_vNeighboursFrom;
    std::vector<int> m_vNeighbours;
    // The faces round vertex v are m_vFaces[m_vFacesFrom[v]] up to
    // m_vFaces[m_vFacesFrom[v + 1]].
    std::vector<int> m_vFacesFrom;
    std::vector<int> m_vFaces;
    // Where each vertex is after the step.
    std::vector<Point> m_vAfter;
    // Per vertex, once a step has kept facets apart: whether it stays where
    // it is for good.
    std::vector<unsigned char> m_vHeld;
    // The last step in which a vertex was claimed, the last round in which a
    // face was.
    std::unique_ptr<std::atomic<std::uint32_t>[]> m_pVertexStep;
    // For rounds with many endangered triangles: those of the round, and
    // per vertex whether it went back in it.
    std::unique_ptr<std::atomic<unsigned char>[]> m_pEndangered;
    std::vector<unsigned char> m_vPutBack;
    std::unique_ptr<std::atomic<std::uint32_t>[]> m_pFaceRound;
    std::uint32_t m_nStep = 0;
    std::uint32_t m_nRound = 0;
};
} // namespace

void MeshGenerator::computeNormals(TriangleMesh& mesh)
{
    if (!mesh.has_face_normals())
    {
        mesh.request_face_normals();
    }
    if (!mesh.has_vertex_normals())
    {
        mesh.request_vertex_normals();
    }
    mesh.update_face_normals();
    mesh.update_vertex_normals();
}

namespace
{
void smoothSteps(TriangleMesh& mesh, unsigned nSteps, const MeshCrossings::Guard& crossingGuard)
{
    GuardedJacobiLaplaceSmoother smoother(mesh, crossingGuard);
    smoother.initialize(GuardedJacobiLaplaceSmoother::Tangential_and_Normal, GuardedJacobiLaplaceSmoother::C0);
    smoother.run(nSteps);
}
} // namespace

void MeshGenerator::smooth(TriangleMesh& mesh, unsigned nSteps, const MeshCrossings::Guard& crossingGuard)
{
    if (nSteps == 0)
    {
        return;
    }
    smoothSteps(mesh, nSteps, crossingGuard);
    // The smoother moves points but leaves the face normals of the unsmoothed
    // surface; the normal-flipping test of the decimation must compare
    // against the surface as it now is.
    mesh.update_face_normals();
    mesh.update_vertex_normals();
}
