#include "MeshNearPairs.h"

#include "Parallel.h"

#include <algorithm>
#include <cmath>
#include <numeric>

using MeshCrossings::hasThreeCorners;

MeshNearPairs::MeshNearPairs(const std::vector<std::array<int, 3>>& triangles, const MeshCrossings::Guard& guard)
    : m_triangles(triangles)
    , m_guard(guard)
    , m_lookedAfter(triangles.size(), 0)
    , m_moves(triangles.size(), 0.0f)
{
    for (const std::array<int, 3>& corners : triangles)
    {
        if (hasThreeCorners(corners))
        {
            m_nPoints = std::max(m_nPoints, std::size_t(*std::max_element(corners.begin(), corners.end())) + 1);
        }
    }
}

float MeshNearPairs::clearanceOf(int a, int b, const Point* pPoints) const
{
    return float(MeshCrossings::clearance(triangle(a, pPoints), triangle(b, pPoints), m_dSkin));
}

MeshCrossings::Box MeshNearPairs::reach(int t, const Point* pBefore, const Point* pAfter) const
{
    MeshCrossings::Box box = MeshCrossings::boxOf(triangle(t, pBefore), 0.0);
    const MeshCrossings::Box after = MeshCrossings::boxOf(triangle(t, pAfter), 0.0);
    box.min.minimize(after.min);
    box.max.maximize(after.max);
    return box;
}

void MeshNearPairs::makeList(const Point* pBefore, const Point* pAfter)
{
    std::vector<int> taking;
    taking.reserve(m_triangles.size());
    for (std::size_t t = 0; t < m_triangles.size(); ++t)
    {
        if (hasThreeCorners(m_triangles[t]))
        {
            taking.push_back(int(t));
        }
    }
    if (taking.size() < 2)
    {
        return;
    }
    // The triangles whose pairs are found anew: all the first time, then
    // those with a corner that goes too far in this step, and those that
    // the guard comes to look after or leaves. Their corners are listed
    // where the step takes them; while it lasts, each corner may stand
    // before or after it, so they are looked for over both.
    const bool bFirst = m_listed.empty();
    if (bFirst)
    {
        m_dSkin = skinFor(taking, pBefore);
        m_listed.assign(pAfter, pAfter + m_nPoints);
    }
    std::vector<unsigned char> far(m_nPoints, bFirst ? 1 : 0);
    for (const int v : m_far)
    {
        far[std::size_t(v)] = 1;
        m_listed[std::size_t(v)] = pAfter[v];
    }
    m_far.clear();
    std::vector<unsigned char> renewed(m_triangles.size(), 0);
    std::vector<MeshCrossings::Box> reaches(m_triangles.size());
    double dWidest = 0.0;
    for (const int t : taking)
    {
        for (const int nCorner : m_triangles[std::size_t(t)])
        {
            renewed[std::size_t(t)] |= far[std::size_t(nCorner)];
        }
        const MeshCrossings::Box& box = reaches[std::size_t(t)] = reach(t, pBefore, pAfter);
        dWidest = std::max({dWidest, box.max[0] - box.min[0], box.max[1] - box.min[1]});
    }
    // Looked after: a triangle whose box touches the area. A pair can meet
    // within the area only where a triangle of it reaches, so its other
    // triangle lies within the widest triangle of the area; the skin
    // covers what either moves before this is found again.
    const MeshCrossings::Vec near(dWidest + 2.0 * m_dSkin + m_guard.dGap);
    std::vector<MeshCrossings::Box> boxes(m_triangles.size());
    std::vector<int> inScope;
    std::vector<int> searching;
    for (const int t : taking)
    {
        const std::size_t i = std::size_t(t);
        const MeshCrossings::Box& box = reaches[i];
        const unsigned char lookedAfter = m_guard.covers(box) ? 1 : 0;
        renewed[i] |= lookedAfter != m_lookedAfter[i] ? 1 : 0;
        m_lookedAfter[i] = lookedAfter;
        if (!lookedAfter && !m_guard.covers(MeshCrossings::Box{box.min - near, box.max + near}))
        {
            continue;
        }
        boxes[i] = renewed[i] ? box : MeshCrossings::boxOf(triangle(t, m_listed.data()), 0.0);
        const MeshCrossings::Vec grow(0.5 * (m_guard.dGap + m_dSkin));
        boxes[i].min -= grow;
        boxes[i].max += grow;
        inScope.push_back(t);
        if (renewed[i])
        {
            searching.push_back(t);
        }
    }
    std::vector<unsigned char> inScopeMark(m_triangles.size(), 0);
    for (const int t : inScope)
    {
        inScopeMark[std::size_t(t)] = 1;
    }
    // Listed pairs of renewed triangles stay, with the clearance each step
    // has kept up to date, where their boxes still overlap.
    m_pairs.erase(std::remove_if(m_pairs.begin(), m_pairs.end(),
                      [&](const Pair& pair) {
                          const std::size_t a = std::size_t(pair.a);
                          const std::size_t b = std::size_t(pair.b);
                          return (renewed[a] || renewed[b])
                              && !(inScopeMark[a] && inScopeMark[b] && (m_lookedAfter[a] || m_lookedAfter[b])
                                  && boxes[a].overlaps(boxes[b]));
                      }),
        m_pairs.end());
    indexPairs();
    MeshCrossings::TriangleGrid grid = MeshCrossings::TriangleGrid::over(boxes, inScope);
    for (const int t : inScope)
    {
        grid.insert(t, boxes[std::size_t(t)]);
    }
    const auto search = [&](std::size_t i, std::vector<Pair>& out) {
        const int t = searching[i];
        const MeshCrossings::Box& box = boxes[std::size_t(t)];
        std::vector<int> near;
        grid.forEachNear(box, [&](int u) {
            // A pair of two renewed triangles is found from the lower one.
            if (u != t && !(renewed[std::size_t(u)] && u < t)
                && (m_lookedAfter[std::size_t(t)] || m_lookedAfter[std::size_t(u)])
                && box.overlaps(boxes[std::size_t(u)]))
            {
                near.push_back(u);
            }
        });
        std::sort(near.begin(), near.end());
        near.erase(std::unique(near.begin(), near.end()), near.end());
        for (const int u : near)
        {
            if (!isListed(t, u))
            {
                const int a = std::min(t, u);
                const int b = std::max(t, u);
                out.push_back(Pair{a, b, clearanceOf(a, b, pBefore)});
            }
        }
    };
    const std::vector<Pair> found = Parallel::collect<Pair>(searching.size(), search);
    m_pairs.insert(m_pairs.end(), found.begin(), found.end());
    indexPairs();
}

void MeshNearPairs::findFar(const Point* pBefore, const Point* pAfter)
{
    const float fHalfSkin = float(0.5 * m_dSkin);
    m_far = Parallel::collect<int>(m_listed.size(), [&](std::size_t v, std::vector<int>& out) {
        if ((pBefore[v] - m_listed[v]).norm() > fHalfSkin || (pAfter[v] - m_listed[v]).norm() > fHalfSkin)
        {
            out.push_back(int(v));
        }
    });
}

void MeshNearPairs::indexPairs()
{
    m_pairsFrom.assign(m_triangles.size() + 1, 0);
    for (const Pair& pair : m_pairs)
    {
        ++m_pairsFrom[std::size_t(pair.a) + 1];
        ++m_pairsFrom[std::size_t(pair.b) + 1];
    }
    std::partial_sum(m_pairsFrom.begin(), m_pairsFrom.end(), m_pairsFrom.begin());
    m_pairsOf.resize(std::size_t(m_pairsFrom.back()));
    std::vector<int> next(m_pairsFrom.begin(), m_pairsFrom.end() - 1);
    for (std::size_t i = 0; i < m_pairs.size(); ++i)
    {
        m_pairsOf[std::size_t(next[std::size_t(m_pairs[i].a)]++)] = int(i);
        m_pairsOf[std::size_t(next[std::size_t(m_pairs[i].b)]++)] = int(i);
    }
}

bool MeshNearPairs::isListed(int t, int u) const
{
    for (int n = m_pairsFrom[std::size_t(t)]; n < m_pairsFrom[std::size_t(t) + 1]; ++n)
    {
        const Pair& pair = m_pairs[std::size_t(m_pairsOf[std::size_t(n)])];
        if (pair.a == u || pair.b == u)
        {
            return true;
        }
    }
    return false;
}

double MeshNearPairs::skinFor(const std::vector<int>& triangles, const Point* pPoints) const
{
    // Half a middling triangle across the x-y plane (walls stand tall over
    // little of it): the list holds the triangles round each one and the
    // next ring, and a point may go a quarter of a triangle's size before
    // its pairs are found anew.
    std::vector<double> extents;
    extents.reserve(triangles.size());
    for (const int t : triangles)
    {
        const MeshCrossings::Box box = MeshCrossings::boxOf(triangle(t, pPoints), 0.0);
        extents.push_back(std::max(box.max[0] - box.min[0], box.max[1] - box.min[1]));
    }
    double dSkin = 0.0;
    if (!extents.empty())
    {
        std::nth_element(extents.begin(), extents.begin() + std::ptrdiff_t(extents.size() / 2), extents.end());
        dSkin = 0.5 * extents[extents.size() / 2];
    }
    return std::max(dSkin, 4.0 * m_guard.dGap);
}

void MeshNearPairs::measureMoves(const Point* pBefore, const Point* pAfter, const std::vector<int>* pOnly)
{
    const auto measure = [&](std::size_t t) {
        float fMove = 0.0f;
        if (hasThreeCorners(m_triangles[t]))
        {
            for (const int nCorner : m_triangles[t])
            {
                fMove = std::max(fMove, (pAfter[nCorner] - pBefore[nCorner]).norm());
            }
        }
        m_moves[t] = fMove;
    };
    if (pOnly)
    {
        for (const int t : *pOnly)
        {
            measure(std::size_t(t));
        }
        return;
    }
    Parallel::forRange(m_triangles.size(), [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t t = nBegin; t < nEnd; ++t)
        {
            measure(t);
        }
    });
}

std::vector<std::pair<int, int>> MeshNearPairs::newlyMeeting(
    const Point* pBefore, const Point* pAfter, const std::vector<int>* pChanged)
{
    if (!pChanged)
    {
        if (!m_listed.empty())
        {
            findFar(pBefore, pAfter);
        }
        if (m_listed.empty() || !m_far.empty())
        {
            makeList(pBefore, pAfter);
        }
    }
    measureMoves(pBefore, pAfter, pChanged);
    const auto test = [&](const Pair& pair, std::vector<std::pair<int, int>>& out) {
        const double dMoves = double(m_moves[std::size_t(pair.a)]) + double(m_moves[std::size_t(pair.b)]);
        // Pairs on an edge have no clearance and are tested whenever they
        // move.
        if (dMoves == 0.0 || (!std::isinf(pair.fClearance) && double(pair.fClearance) - dMoves > m_guard.dGap))
        {
            return;
        }
        // A clearance above the gap says the pair was apart before; a pair
        // on an edge has none.
        const bool bApartBefore = std::isinf(pair.fClearance)
            ? !MeshCrossings::meet(triangle(pair.a, pBefore), triangle(pair.b, pBefore), m_guard.dGap)
            : double(pair.fClearance) > 1.001 * m_guard.dGap
                || !MeshCrossings::meet(triangle(pair.a, pBefore), triangle(pair.b, pBefore), m_guard.dGap);
        if (bApartBefore && MeshCrossings::meet(triangle(pair.a, pAfter), triangle(pair.b, pAfter), m_guard.dGap))
        {
            out.emplace_back(pair.a, pair.b);
        }
    };
    if (!pChanged)
    {
        return Parallel::collect<std::pair<int, int>>(
            m_pairs.size(), [&](std::size_t i, std::vector<std::pair<int, int>>& out) { test(m_pairs[i], out); });
    }
    // Each pair once, though both its triangles changed.
    ++m_nRound;
    m_pairRounds.resize(m_pairs.size(), 0);
    std::vector<std::pair<int, int>> meeting;
    for (const int t : *pChanged)
    {
        for (int n = m_pairsFrom[std::size_t(t)]; n < m_pairsFrom[std::size_t(t) + 1]; ++n)
        {
            const std::size_t i = std::size_t(m_pairsOf[std::size_t(n)]);
            if (m_pairRounds[i] != m_nRound)
            {
                m_pairRounds[i] = m_nRound;
                test(m_pairs[i], meeting);
            }
        }
    }
    std::sort(meeting.begin(), meeting.end());
    return meeting;
}

void MeshNearPairs::moved(const Point* pBefore, const Point* pAfter)
{
    if (m_listed.empty())
    {
        return;
    }
    measureMoves(pBefore, pAfter, nullptr);
    Parallel::forRange(m_pairs.size(), [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t i = nBegin; i < nEnd; ++i)
        {
            Pair& pair = m_pairs[i];
            const double dMoves = double(m_moves[std::size_t(pair.a)]) + double(m_moves[std::size_t(pair.b)]);
            if (dMoves == 0.0 || std::isinf(pair.fClearance))
            {
                continue;
            }
            // Measured again once it comes near the gap, so that a pair that
            // stays close is not tested in every step.
            const double dLeft = double(pair.fClearance) - dMoves;
            pair.fClearance = dLeft > 4.0 * m_guard.dGap ? float(dLeft) : clearanceOf(pair.a, pair.b, pAfter);
        }
    });
}
