#pragma once

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <vector>

// How many facets share each point of a mesh file, counted before OpenMesh
// reads it, and the bounds on those counts that keep the reading short.
//
// OpenMesh joins the facets into a mesh one by one, and for each it walks
// round each corner's point through the facets already there: a point shared
// by n facets costs up to about n^2 steps, and the reading's work is
// W = sum over points of n^2, with n counted in triangles as OpenMesh makes
// them (an OBJ face of k corners is a fan of k - 2 from its first corner).
// What a step costs depends on where it lands. Measured with OpenMesh's
// reading alone, wall clock on one core:
//   - facets in a fan's order find their neighbour at once: 8192 round one
//     point read in 5 ms, 100 000 in 0.08 s (W = 10^10);
//   - shuffled, they walk round a point whose facets stay in the processor's
//     caches, 3 to 25 ns per unit of W: 8192 round one point in 0.2 s, a
//     closed cone of 8192 round its tip and as many round its base centre in
//     0.4 s, 16 384 round one point in 1.1 s, 100 000 in 97 s;
//   - corners drawn at random from many points walk all over the mesh and
//     miss the caches, the more so the larger the mesh: 19 ns per unit of W
//     at 16 000 facets, 57 ns at 128 000, 96 ns at 512 000, 120 to 180 ns at
//     1 to 1.34 million. 1.34 million facets over 100 000 points
//     (W = 1.7 * 10^8) read in 30 s, over 1 500 points (W = 1.1 * 10^10) in
//     166 s, and an OBJ of 400 000 triangles over 1 500 vertices
//     (W = 10^9) in 22 s;
//   - below that lies OpenMesh's own time per facet, which no count of
//     shared points tells apart: the 60 MB torus of the reading benchmark
//     (1.2 million facets, W = 2.2 * 10^7) reads in 1.2 s in an exporter's
//     order and in 8.5 s with its facets shuffled, and 1.34 million facets
//     with random corners, about six to a point (W = 2.8 * 10^7), in 13.5 s.
// The reader puts facets that come in a scattered order in order first, and
// refuses those whose corners no order brings near each other
// (MeshFacetOrder.h): that bounds the time per facet.
namespace MeshPointShares
{
// The most facets that may share one point: a pole or a cone's tip of a real
// model has a few hundred, a few thousand at the finest export settings.
constexpr quint64 MAXIMUM_FACETS_PER_POINT = 8192;

// The most work W for a mesh of nFacets triangles, the larger of
//   - 24 per facet: an ordinary closed mesh has 18 (six facets at each of its
//     points, which are half as many as its facets), irregular ones a little
//     more;
//   - 3 * 10^10 / sqrt(nFacets), for points shared by thousands of facets in
//     a smaller mesh, as the cost of a step grows about as the root of the
//     mesh's size: a closed cone of 8192 facets round its tip and 8192 round
//     its base centre (W = 1.34 * 10^8) may have 2.3 * 10^8, a cylinder of
//     8192 sides with both caps (W = 1.35 * 10^8) 1.66 * 10^8.
// Random corners just within it took, through MeshIO on one core, 0.3 s at
// 64 000 facets, 2.0 s at 128 000, 2.8 s at 256 000, 4.3 s at 512 000,
// 6.8 s at a million and 9.4 to 10.8 s at 64 MiB (1.34 million), where the
// time per facet above is most of it; an OBJ of 1.8 million triangles over
// 800 000 vertices, at the size limit, 10.6 to 10.9 s. From a few tens of
// thousands of facets on, such files are now refused for their far corners.
quint64 workBudget(quint64 nFacets);

// The figures of a mesh's points: its facets, the most facets one point has
// and the work W; and what they allow.
class Tally
{
public:
    void addFacets(quint64 nFacets) { m_nFacets += nFacets; }
    quint64 facets() const { return m_nFacets; }

    // A point shared by nShare facets so far is shared by nAdded more.
    void addShares(quint64 nShare, quint64 nAdded)
    {
        addFigures(nShare + nAdded, (2 * nShare + nAdded) * nAdded);
    }

    // Points summed elsewhere: the most facets one of them has, and the work
    // they add.
    void addFigures(quint64 nLargestShare, quint64 nWork)
    {
        m_nLargestShare = std::max(m_nLargestShare, nLargestShare);
        m_nWork += nWork;
    }

    // Why the mesh is refused, one line for the user; empty when it is within
    // both bounds.
    QString refusal() const;

private:
    quint64 m_nFacets = 0;
    quint64 m_nLargestShare = 0;
    quint64 m_nWork = 0;
};

// The corners of an STL facet as OpenMesh's reader joins them into points:
// it takes coordinates within the smallest normal float (2^-126) of each
// other as one value; above 2^-100 neighbouring floats lie farther apart than
// that, so every value below it counts as zero here, and the others by their
// bits. Three keys of three values; false for a facet with two corners at
// one point, which the reader skips.
using StlPointKey = std::array<quint32, 3>;
inline bool stlFacetKeys(const quint32 coordinates[9], StlPointKey keys[3])
{
    // The bits of 2^-100.
    constexpr quint32 TINY = quint32(127 - 100) << 23;
    for (int k = 0; k < 3; ++k)
    {
        for (int i = 0; i < 3; ++i)
        {
            const quint32 nBits = coordinates[3 * k + i];
            keys[k][i] = (nBits & 0x7FFFFFFFu) < TINY ? 0u : nBits;
        }
    }
    const auto same = [keys](int a, int b) {
        return keys[a][0] == keys[b][0] && keys[a][1] == keys[b][1] && keys[a][2] == keys[b][2];
    };
    return !same(0, 1) && !same(1, 2) && !same(0, 2);
}

// A key mixed into 64 bits whose high ones choose a slot of a table.
inline quint64 hashOf(const std::array<quint32, 3>& key)
{
    const quint64 nFirstTwo = (quint64(key[0]) << 32 | key[1]) * 0x9E3779B97F4A7C15ull;
    return (nFirstTwo ^ key[2]) * 0xC2B2AE3D27D4EB4Full;
}

// The points of an STL counted quickly: in a table of slots chosen by a hash
// of their keys, so that points sharing a slot are counted together and
// every figure is at least the true one. A slot for every 16 bytes of the
// file keeps an ordinary mesh's work within a seventh of the truth.
class QuickStlShares
{
public:
    explicit QuickStlShares(qint64 nFileBytes);

    void addFacet(const quint32 coordinates[9])
    {
        StlPointKey keys[3];
        if (!stlFacetKeys(coordinates, keys))
        {
            return;
        }
        ++m_nFacets;
        for (const StlPointKey& key : keys)
        {
            quint16& nCount = m_vCounts[std::size_t(hashOf(key) >> (64 - m_nBits))];
            // A count that stops at its largest value is beyond the bound.
            if (nCount != 0xFFFF)
            {
                ++nCount;
            }
        }
    }

    // Its facets are all but those with two corners at one point. The slots
    // are summed up once at the end: a pass over the table costs less than
    // keeping the figures at every corner.
    Tally tally() const;

private:
    int m_nBits = 8;
    quint64 m_nFacets = 0;
    std::vector<quint16> m_vCounts;
};

// The points of an STL counted exactly: their keys sorted, with no hash an
// attacker could make collide. At most 4 million keys: a third of a second.
class ExactStlShares
{
public:
    // Room for the keys of nFacets facets.
    explicit ExactStlShares(quint64 nFacets) { m_vKeys.reserve(3 * nFacets); }
    void addFacet(const quint32 coordinates[9]);
    Tally tally();

private:
    quint64 m_nFacets = 0;
    std::vector<StlPointKey> m_vKeys;
};

// The vertices of an OBJ counted exactly by index, as faces arrive. A face's
// corners repeated in it count once, as the reader drops them.
class ObjShares
{
public:
    void addVertex() { m_vVertices.push_back({0, 0}); }
    // The face's vertices by index from 0, each one defined.
    void addFace(const std::vector<quint32>& vCorners);
    const Tally& tally() const { return m_tally; }

private:
    struct Vertex
    {
        quint32 nShare;
        quint32 nLastFace; // the last face that used it, from 1
    };
    std::vector<Vertex> m_vVertices;
    std::vector<quint32> m_vFace;
    quint32 m_nFaces = 0;
    Tally m_tally;
};
} // namespace MeshPointShares
