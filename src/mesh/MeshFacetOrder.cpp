#include "MeshFacetOrder.h"

#include "MeshPointShares.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <numeric>
#include <tuple>
#include <vector>

namespace
{
using MeshIOChecks::Faces;
using Key = std::array<quint32, 3>;

// How many faces back a point counts as met shortly before: what OpenMesh
// keeps of them, about 100 bytes a facet, stays within the second-level cache.
constexpr quint32 WINDOW = 4096;

quint32 ordered(quint32 nBits)
{
    return (nBits & 0x80000000u) ? ~nBits : nBits | 0x80000000u;
}

// A point's place: the bits of its x, y and z as integers in the floats'
// order, so that places compare as OpenMesh's STL reader sorts its points.
Key placeOf(const Key& bits)
{
    return {ordered(bits[0]), ordered(bits[1]), ordered(bits[2])};
}

// The corners of an STL facet from the bits of its nine coordinates, each as
// the point OpenMesh joins it into and the bits of its coordinates, to visit.
template <typename Visit>
void visitStlCorners(const quint32 coordinates[9], Visit visit)
{
    MeshPointShares::StlPointKey keys[3];
    MeshPointShares::stlFacetKeys(coordinates, keys);
    for (const MeshPointShares::StlPointKey& key : keys)
    {
        visit(key, key);
    }
}

// The faces of each form: how many, and the corners of one, each as the
// point OpenMesh makes of it and the bits of its coordinates.
class BinaryStlFaces
{
public:
    explicit BinaryStlFaces(const QByteArray& content)
        : m_pFacets(content.constData() + MeshIOChecks::BINARY_STL_HEADER_BYTES)
        , m_nFacets(std::size_t((content.size() - MeshIOChecks::BINARY_STL_HEADER_BYTES) /
                                MeshIOChecks::BINARY_STL_FACET_BYTES))
    {
    }
    std::size_t size() const { return m_nFacets; }
    quint64 triangles() const { return m_nFacets; }
    template <typename Visit>
    void visitCorners(std::size_t nFace, Visit visit) const
    {
        const char* pCorners = m_pFacets + nFace * MeshIOChecks::BINARY_STL_FACET_BYTES + 12;
        quint32 coordinates[9];
        for (int k = 0; k < 9; ++k)
        {
            coordinates[k] = qFromLittleEndian<quint32>(pCorners + 4 * k);
        }
        visitStlCorners(coordinates, visit);
    }

private:
    const char* m_pFacets;
    std::size_t m_nFacets;
};

class AsciiStlFaces
{
public:
    explicit AsciiStlFaces(const Faces& faces) : m_faces(faces) {}
    std::size_t size() const { return m_faces.vSpans.size(); }
    quint64 triangles() const { return size(); }
    template <typename Visit>
    void visitCorners(std::size_t nFace, Visit visit) const
    {
        quint32 coordinates[9];
        for (int k = 0; k < 3; ++k)
        {
            std::copy_n(m_faces.vPoints[3 * nFace + k].begin(), 3, coordinates + 3 * k);
        }
        visitStlCorners(coordinates, visit);
    }

private:
    const Faces& m_faces;
};

class ObjFaces
{
public:
    explicit ObjFaces(const Faces& faces) : m_faces(faces) {}
    std::size_t size() const { return m_faces.vFaceEnds.size(); }
    // A face of n corners is a fan of n - 2.
    quint64 triangles() const { return m_faces.vCorners.size() - 2 * size(); }
    template <typename Visit>
    void visitCorners(std::size_t nFace, Visit visit) const
    {
        for (quint32 i = nFace == 0 ? 0 : m_faces.vFaceEnds[nFace - 1]; i < m_faces.vFaceEnds[nFace]; ++i)
        {
            const quint32 nVertex = m_faces.vCorners[i];
            visit(Key{nVertex, 0, 0}, m_faces.vPoints[nVertex]);
        }
    }

private:
    const Faces& m_faces;
};

// The points met within the window before a face, in a table of half a
// megabyte: four entries in each slot, the oldest making room. A point
// pushed out too soon only counts as not met.
class RecentPoints
{
public:
    // Whether the point was a corner of one of the WINDOW faces before face
    // nFace (from 1); from now on it is one of nFace's.
    bool metRecently(const Key& point, quint32 nFace)
    {
        Entry* pWays = m_vSlots[std::size_t(MeshPointShares::hashOf(point) >> (64 - SLOT_BITS))].entries;
        Entry* pOldest = pWays;
        for (Entry* pEntry = pWays; pEntry != pWays + WAYS; ++pEntry)
        {
            if (pEntry->point == point && pEntry->nFace != 0)
            {
                const bool bRecent = nFace - pEntry->nFace <= WINDOW;
                pEntry->nFace = nFace;
                return bRecent;
            }
            pOldest = pEntry->nFace < pOldest->nFace ? pEntry : pOldest;
        }
        *pOldest = {point, nFace};
        return false;
    }

private:
    static constexpr int SLOT_BITS = 13;
    static constexpr int WAYS = 4;
    struct Entry
    {
        Key point;
        quint32 nFace; // 0 for none
    };
    struct alignas(64) Slot
    {
        Entry entries[WAYS];
    };
    std::vector<Slot> m_vSlots = std::vector<Slot>(std::size_t(1) << SLOT_BITS, Slot{});
};

// Whether at most nMost corners, in the faces' order, meet a point not met
// within the window before (every point's first corner among them).
template <typename FaceList>
bool fewCornersNotMetRecently(const FaceList& faces, quint64 nMost)
{
    RecentPoints recent;
    quint64 nNotMet = 0;
    for (std::size_t f = 0; f < faces.size() && nNotMet <= nMost; ++f)
    {
        faces.visitCorners(f, [&](const Key& point, const Key&) {
            nNotMet += recent.metRecently(point, quint32(f + 1)) ? 0 : 1;
        });
    }
    return nNotMet <= nMost;
}

// The faces in the order of their smallest corners' places (ties in the
// faces' order); the smallest place of the face at each position of that
// order goes to vSmallest.
template <typename FaceList>
std::vector<quint32> orderBySmallestCorner(const FaceList& faces, std::vector<Key>& vSmallest)
{
    const std::size_t nFaces = faces.size();
    std::vector<Key> vByFace(nFaces);
    // Sorted by x first: each face's smallest x above its index, two
    // counting passes over 16 bits each.
    std::vector<quint64> vKeys(nFaces);
    for (std::size_t f = 0; f < nFaces; ++f)
    {
        Key smallest{~0u, ~0u, ~0u};
        faces.visitCorners(f, [&smallest](const Key&, const Key& bits) {
            smallest = std::min(smallest, placeOf(bits));
        });
        vByFace[f] = smallest;
        vKeys[f] = quint64(smallest[0]) << 32 | quint64(f);
    }
    std::vector<quint64> vSorted(nFaces);
    for (const int nShift : {32, 48})
    {
        std::vector<quint32> vStarts(65537, 0);
        for (const quint64 nKey : vKeys)
        {
            ++vStarts[((nKey >> nShift) & 0xFFFF) + 1];
        }
        std::partial_sum(vStarts.begin(), vStarts.end(), vStarts.begin());
        for (const quint64 nKey : vKeys)
        {
            vSorted[vStarts[(nKey >> nShift) & 0xFFFF]++] = nKey;
        }
        vKeys.swap(vSorted);
    }
    std::vector<quint32> order(nFaces);
    for (std::size_t i = 0; i < nFaces; ++i)
    {
        order[i] = quint32(vKeys[i]);
    }
    // Then by y and z where more than a few faces have the same x (a few stay
    // in the faces' order: they are a few streams through the file at most).
    for (std::size_t i = 0, j = 0; i < nFaces; i = j)
    {
        for (j = i + 1; j < nFaces && vKeys[j] >> 32 == vKeys[i] >> 32; ++j)
        {
        }
        if (j - i > 8)
        {
            std::sort(order.begin() + long(i), order.begin() + long(j), [&vByFace](quint32 a, quint32 b) {
                return std::tie(vByFace[a], a) < std::tie(vByFace[b], b);
            });
        }
    }
    vSmallest.resize(nFaces);
    for (std::size_t i = 0; i < nFaces; ++i)
    {
        vSmallest[i] = vByFace[order[i]];
    }
    return order;
}

// The corners of faces in order that lie far: beyond the smallest corner of
// the face the window ahead, so that the order reaches their point only
// later, and not met within the window before. As that reach only grows, a
// point's corners up to where it is reached are all that need noting.
template <typename FaceList>
quint64 farCorners(const FaceList& faces, const std::vector<Key>& vSmallest)
{
    RecentPoints recent;
    quint64 nFar = 0;
    for (std::size_t f = 0; f < faces.size(); ++f)
    {
        const Key& reach = vSmallest[std::min<std::size_t>(f + WINDOW, faces.size() - 1)];
        faces.visitCorners(f, [&](const Key& point, const Key& bits) {
            nFar += reach < placeOf(bits) && !recent.metRecently(point, quint32(f + 1)) ? 1 : 0;
        });
    }
    return nFar;
}

QByteArray binaryStlInOrder(const QByteArray& content, const std::vector<quint32>& order)
{
    constexpr qint64 HEADER = MeshIOChecks::BINARY_STL_HEADER_BYTES;
    constexpr qint64 FACET = MeshIOChecks::BINARY_STL_FACET_BYTES;
    QByteArray ordered(content.size(), Qt::Uninitialized);
    const char* pFacets = content.constData() + HEADER;
    std::memcpy(ordered.data(), content.constData(), HEADER);
    char* pOut = ordered.data() + HEADER;
    for (const quint32 f : order)
    {
        std::memcpy(pOut, pFacets + qint64(f) * FACET, FACET);
        pOut += FACET;
    }
    return ordered;
}

// An ASCII STL's facets, their corners and lines, in the order given.
Faces asciiStlFacesInOrder(const Faces& faces, const std::vector<quint32>& order)
{
    Faces ordered;
    ordered.vPoints.reserve(faces.vPoints.size());
    ordered.vSpans.reserve(faces.vSpans.size());
    for (const quint32 f : order)
    {
        ordered.vPoints.insert(ordered.vPoints.end(), faces.vPoints.begin() + 3 * long(f),
                               faces.vPoints.begin() + 3 * long(f + 1));
        ordered.vSpans.push_back(faces.vSpans[f]);
    }
    return ordered;
}

// One solid of the facets' lines.
QByteArray asciiStlText(const QByteArray& content, const Faces& facets)
{
    QByteArray text("solid\n");
    text.reserve(content.size() + 32);
    for (const std::array<quint32, 2>& span : facets.vSpans)
    {
        text.append(content.constData() + span[0], span[1] - span[0]);
        if (!text.endsWith('\n'))
        {
            text.append('\n');
        }
    }
    return text.append("endsolid\n");
}

// An OBJ's faces in the order given, their vertices numbered as the faces
// first use them. Vertices no face uses are left out.
Faces objFacesInOrder(const Faces& faces, const std::vector<quint32>& order)
{
    constexpr quint32 NONE = ~0u;
    std::vector<quint32> vNewIndex(faces.vPoints.size(), NONE);
    Faces ordered;
    ordered.vCorners.reserve(faces.vCorners.size());
    ordered.vFaceEnds.reserve(faces.vFaceEnds.size());
    for (const quint32 f : order)
    {
        for (quint32 i = f == 0 ? 0 : faces.vFaceEnds[f - 1]; i < faces.vFaceEnds[f]; ++i)
        {
            const quint32 v = faces.vCorners[i];
            if (vNewIndex[v] == NONE)
            {
                vNewIndex[v] = quint32(ordered.vPoints.size());
                ordered.vPoints.push_back(faces.vPoints[v]);
                ordered.vSpans.push_back(faces.vSpans[v]);
            }
            ordered.vCorners.push_back(vNewIndex[v]);
        }
        ordered.vFaceEnds.push_back(quint32(ordered.vCorners.size()));
    }
    return ordered;
}

// The vertices' lines as they were, then the faces by their vertices' indices
// alone: texture coordinates and normals, which the reader is not asked for,
// are left out.
QByteArray objText(const QByteArray& content, const Faces& faces)
{
    qint64 nBytes = 0;
    for (const std::array<quint32, 2>& span : faces.vSpans)
    {
        nBytes += span[1] - span[0] + 1;
    }
    // "f" and a line break a face, a blank and at most ten digits a corner.
    nBytes += 2 * qint64(faces.vFaceEnds.size()) + 11 * qint64(faces.vCorners.size());
    QByteArray text(nBytes, Qt::Uninitialized);
    char* p = text.data();
    char* const pEnd = p + nBytes;
    for (const std::array<quint32, 2>& span : faces.vSpans)
    {
        std::memcpy(p, content.constData() + span[0], span[1] - span[0]);
        p += span[1] - span[0];
        *p++ = '\n';
    }
    quint32 i = 0;
    for (const quint32 nEnd : faces.vFaceEnds)
    {
        *p++ = 'f';
        for (; i < nEnd; ++i)
        {
            *p++ = ' ';
            p = std::to_chars(p, pEnd, faces.vCorners[i] + 1).ptr;
        }
        *p++ = '\n';
    }
    text.resize(p - text.data());
    return text;
}

// Reads the faces as they come when they are in order. Otherwise puts them
// in order (reorder gives them in a form makeView lists), and writes them
// (write) unless too many corners still lie far.
template <typename FaceList, typename Reorder, typename MakeView, typename Write>
bool putFacesInOrder(const FaceList& faces, Reorder reorder, MakeView makeView, Write write, QString& sRefusal)
{
    // An ordinary closed mesh in an exporter's order meets a new point at
    // one corner in every two facets, and its other corners at points met
    // shortly before.
    const quint64 nTriangles = faces.triangles();
    if (fewCornersNotMetRecently(faces, nTriangles * 2 / 3))
    {
        return true;
    }
    std::vector<Key> vSmallest;
    const auto ordered = reorder(orderBySmallestCorner(faces, vSmallest));
    // In that order an ordinary mesh has a few far corners in a hundred
    // facets, more round points shared by thousands of facets; random
    // corners have two in each facet.
    if (farCorners(makeView(ordered), vSmallest) > nTriangles / 8 + 32768)
    {
        sRefusal = QString("its facets join points so far apart that reading it would take too long");
        return false;
    }
    write(ordered);
    return true;
}
} // namespace

namespace MeshFacetOrder
{
bool putInOrder(QByteArray& content, MeshIOChecks::Format format, const MeshIOChecks::Faces& faces,
                QString& sRefusal)
{
    using Order = std::vector<quint32>;
    switch (format)
    {
    case MeshIOChecks::Format::BinaryStl:
        return putFacesInOrder(
            BinaryStlFaces(content), [&content](const Order& order) { return binaryStlInOrder(content, order); },
            [](const QByteArray& ordered) { return BinaryStlFaces(ordered); },
            [&content](const QByteArray& ordered) { content = ordered; }, sRefusal);
    case MeshIOChecks::Format::AsciiStl:
        return putFacesInOrder(
            AsciiStlFaces(faces), [&faces](const Order& order) { return asciiStlFacesInOrder(faces, order); },
            [](const Faces& ordered) { return AsciiStlFaces(ordered); },
            [&content](const Faces& ordered) { content = asciiStlText(content, ordered); }, sRefusal);
    case MeshIOChecks::Format::Obj:
        return putFacesInOrder(
            ObjFaces(faces), [&faces](const Order& order) { return objFacesInOrder(faces, order); },
            [](const Faces& ordered) { return ObjFaces(ordered); },
            [&content](const Faces& ordered) { content = objText(content, ordered); }, sRefusal);
    case MeshIOChecks::Format::Invalid:
        break;
    }
    return false;
}
} // namespace MeshFacetOrder
