#include "MeshPointShares.h"

#include <algorithm>
#include <cmath>

namespace MeshPointShares
{
quint64 workBudget(quint64 nFacets)
{
    const double dPerFacet = 24.0 * double(nFacets);
    const double dForPoles = 3e10 / std::sqrt(double(std::max<quint64>(nFacets, 1)));
    return quint64(std::max(dPerFacet, dForPoles));
}

QString Tally::refusal() const
{
    if (m_nLargestShare > MAXIMUM_FACETS_PER_POINT)
    {
        return QString("a point is shared by more than %1 facets").arg(MAXIMUM_FACETS_PER_POINT);
    }
    if (m_nWork > workBudget(m_nFacets))
    {
        return QString("its points are shared by so many facets that joining them would take too long");
    }
    return QString();
}

QuickStlShares::QuickStlShares(qint64 nFileBytes)
{
    while (m_nBits < 22 && (qint64(1) << m_nBits) < nFileBytes / 16)
    {
        ++m_nBits;
    }
    m_vCounts.assign(std::size_t(1) << m_nBits, 0);
}

Tally QuickStlShares::tally() const
{
    Tally tally;
    tally.addFacets(m_nFacets);
    quint16 nLargest = 0;
    quint64 nWork = 0;
    for (const quint16 nCount : m_vCounts)
    {
        nLargest = std::max(nLargest, nCount);
        nWork += quint64(nCount) * nCount;
    }
    tally.addFigures(nLargest, nWork);
    return tally;
}

void ExactStlShares::addFacet(const quint32 coordinates[9])
{
    StlPointKey keys[3];
    if (!stlFacetKeys(coordinates, keys))
    {
        return;
    }
    ++m_nFacets;
    m_vKeys.insert(m_vKeys.end(), keys, keys + 3);
}

Tally ExactStlShares::tally()
{
    std::sort(m_vKeys.begin(), m_vKeys.end());
    Tally tally;
    tally.addFacets(m_nFacets);
    for (auto it = m_vKeys.begin(); it != m_vKeys.end();)
    {
        const auto itEnd = std::upper_bound(it, m_vKeys.end(), *it);
        tally.addShares(0, quint64(itEnd - it));
        it = itEnd;
    }
    return tally;
}

void ObjShares::addFace(const std::vector<quint32>& vCorners)
{
    ++m_nFaces;
    m_vFace.clear();
    for (quint32 nIndex : vCorners)
    {
        if (m_vVertices[nIndex].nLastFace != m_nFaces)
        {
            m_vVertices[nIndex].nLastFace = m_nFaces;
            m_vFace.push_back(nIndex);
        }
    }
    const std::size_t nCorners = m_vFace.size();
    if (nCorners < 3)
    {
        return;
    }
    // A fan from the first corner: the second and the last corner are in one
    // triangle of it, the others in two.
    m_tally.addFacets(nCorners - 2);
    for (std::size_t i = 0; i < nCorners; ++i)
    {
        const quint32 nAdded = i == 0 ? quint32(nCorners - 2) : i == 1 || i + 1 == nCorners ? 1 : 2;
        quint32& nShare = m_vVertices[m_vFace[i]].nShare;
        m_tally.addShares(nShare, nAdded);
        nShare += nAdded;
    }
}
} // namespace MeshPointShares
