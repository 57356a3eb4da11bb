#include "MeshIOChecks.h"

#include "MeshFileText.h"
#include "MeshPointShares.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <string_view>

using namespace MeshFileText;

namespace
{
// The next three words are coordinates and nothing follows them; the bits
// of their floats go to pPoint.
bool readsThreeCoordinatesOnly(Words& words, quint32 pPoint[3])
{
    for (int k = 0; k < 3; ++k)
    {
        std::string_view word;
        if (!words.next(word) || !readCoordinate(word, pPoint[k]))
        {
            return false;
        }
    }
    return words.atEnd();
}

// Binary STL: an 80-byte header, a little-endian triangle count and 50 bytes
// per triangle (normal, three corners, attribute). The size must match the
// count exactly and every corner coordinate must be finite. Each facet's
// nine coordinates, as the bits of their floats, go to addFacet. Returns why
// the bytes are no binary STL, or nothing. (Its facets are read from its
// bytes when they are put in order.)
template <typename AddFacet>
QString readBinaryStl(const QByteArray& content, AddFacet addFacet, MeshIOChecks::Faces*)
{
    using MeshIOChecks::BINARY_STL_FACET_BYTES;
    using MeshIOChecks::BINARY_STL_HEADER_BYTES;
    const qint64 nSize = content.size();
    if (nSize < BINARY_STL_HEADER_BYTES)
    {
        return QString("it has %1 bytes, fewer than the %2 of a binary STL's header")
            .arg(nSize)
            .arg(BINARY_STL_HEADER_BYTES);
    }
    const auto* pBytes = reinterpret_cast<const unsigned char*>(content.constData());
    const quint32 nTriangles = quint32(pBytes[80]) | (quint32(pBytes[81]) << 8) | (quint32(pBytes[82]) << 16) |
                               (quint32(pBytes[83]) << 24);
    if (nTriangles == 0)
    {
        return QString("its header counts no facet");
    }
    if (nSize != BINARY_STL_HEADER_BYTES + BINARY_STL_FACET_BYTES * qint64(nTriangles))
    {
        return QString("the facet count in its header, %1, asks for %2 bytes, but it has %3")
            .arg(nTriangles)
            .arg(BINARY_STL_HEADER_BYTES + BINARY_STL_FACET_BYTES * qint64(nTriangles))
            .arg(nSize);
    }
    for (quint32 t = 0; t < nTriangles; ++t)
    {
        const unsigned char* pCorners = pBytes + BINARY_STL_HEADER_BYTES + BINARY_STL_FACET_BYTES * qint64(t) + 12;
        quint32 corners[9];
        for (int k = 0; k < 9; ++k)
        {
            corners[k] = qFromLittleEndian<quint32>(pCorners + 4 * k);
            // All exponent bits set: infinite or not a number.
            if ((corners[k] & 0x7F800000u) == 0x7F800000u)
            {
                return QString("facet %1 has a corner that is not a finite number").arg(t + 1);
            }
        }
        addFacet(corners);
    }
    return QString();
}

bool hasControlCharacter(const char* pBegin, const char* pEnd)
{
    for (const char* p = pBegin; p != pEnd; ++p)
    {
        const unsigned char u = static_cast<unsigned char>(*p);
        if (u < 0x20 && u != '\t' && u != '\r' && u != '\f' && u != '\v')
        {
            return true;
        }
    }
    return false;
}

// The reader starts a loop at any line that mentions "outer" or "OUTER".
bool mentionsLoop(const char* pBegin, const char* pEnd)
{
    const std::string_view line(pBegin, std::size_t(pEnd - pBegin));
    return line.find("outer") != std::string_view::npos || line.find("OUTER") != std::string_view::npos;
}

// ASCII STL, keywords in any case: "solid" with an optional name; facets of
// "facet normal" with three values, "outer loop", exactly three "vertex" lines
// of three coordinates each, "endloop", "endfacet"; "endsolid" (optional at
// the end, and another solid may follow). Blank lines only between facets
// and after a loop's third corner (where OpenMesh's own writer puts one). No
// other line may mention a loop. Each facet's nine coordinates, as the bits
// of their floats, go to addFacet, and with its lines to *pFaces when given.
// Returns why the bytes are no ASCII STL, or nothing.
template <typename AddFacet>
QString readAsciiStl(const QByteArray& content, AddFacet addFacet, MeshIOChecks::Faces* pFaces)
{
    enum State
    {
        BEFORE_SOLID,
        IN_SOLID,
        IN_FACET,
        IN_LOOP,
        AFTER_LOOP,
        AFTER_SOLID
    };
    State state = BEFORE_SOLID;
    int nVertices = 0;
    int nFacets = 0;
    qint64 nLine = 0;
    quint32 nFacetBegin = 0;
    quint32 corners[9];
    // What the line that broke the grammar should have been (%1 its number).
    const char* szWhy = nullptr;
    const auto fail = [&szWhy](const char* szExpected) {
        szWhy = szExpected;
        return false;
    };
    const bool bLinesOk = forEachLine(content.constData(), std::size_t(content.size()), [&](const char* pBegin,
                                                                                             const char* pEnd) {
        ++nLine;
        if (hasControlCharacter(pBegin, pEnd))
        {
            return fail("line %1 holds a control character");
        }
        const bool bMentionsLoop = mentionsLoop(pBegin, pEnd);
        Words words(pBegin, pEnd);
        std::string_view keyword;
        if (!words.next(keyword))
        {
            return state == BEFORE_SOLID || state == IN_SOLID || state == AFTER_SOLID ||
                   (state == IN_LOOP && nVertices == 3) || fail("line %1 is empty inside a facet");
        }
        if (bMentionsLoop && state != IN_FACET)
        {
            return fail("line %1 mentions \"outer\" outside a facet's \"outer loop\"");
        }
        std::string_view second;
        switch (state)
        {
        case BEFORE_SOLID:
        case AFTER_SOLID:
            state = IN_SOLID;
            return equalsIgnoringCase(keyword, "solid") || fail("line %1 is not \"solid\" with a name");
        case IN_SOLID:
            if (equalsIgnoringCase(keyword, "endsolid"))
            {
                state = AFTER_SOLID;
                return true;
            }
            state = IN_FACET;
            nFacetBegin = quint32(pBegin - content.constData());
            // The facet's normal is recomputed; its three values are not read.
            return (equalsIgnoringCase(keyword, "facet") && words.next(second) &&
                    equalsIgnoringCase(second, "normal") && words.next(second) && words.next(second) &&
                    words.next(second) && words.atEnd()) ||
                   fail("line %1 is neither \"facet normal\" with three values nor \"endsolid\"");
        case IN_FACET:
            state = IN_LOOP;
            nVertices = 0;
            return (equalsIgnoringCase(keyword, "outer") && words.next(second) &&
                    equalsIgnoringCase(second, "loop") && words.atEnd() && bMentionsLoop) ||
                   fail("line %1 is not \"outer loop\"");
        case IN_LOOP:
            if (nVertices == 3)
            {
                state = AFTER_LOOP;
                addFacet(corners);
                if (pFaces)
                {
                    for (int k = 0; k < 3; ++k)
                    {
                        pFaces->vPoints.push_back({corners[3 * k], corners[3 * k + 1], corners[3 * k + 2]});
                    }
                }
                return (equalsIgnoringCase(keyword, "endloop") && words.atEnd()) ||
                       fail(equalsIgnoringCase(keyword, "vertex") ? "line %1 gives a facet a fourth corner"
                                                                  : "line %1 is not \"endloop\"");
            }
            ++nVertices;
            return (equalsIgnoringCase(keyword, "vertex") &&
                    readsThreeCoordinatesOnly(words, corners + 3 * (nVertices - 1))) ||
                   fail("line %1 is not \"vertex\" with three finite coordinates");
        case AFTER_LOOP:
            state = IN_SOLID;
            ++nFacets;
            if (pFaces)
            {
                const auto nEnd = std::min<qsizetype>(pEnd - content.constData() + 1, content.size());
                pFaces->vSpans.push_back({nFacetBegin, quint32(nEnd)});
            }
            return (equalsIgnoringCase(keyword, "endfacet") && words.atEnd()) ||
                   fail("line %1 is not \"endfacet\"");
        }
        return false;
    });
    if (!bLinesOk)
    {
        return QString(szWhy).arg(nLine);
    }
    if (state != IN_SOLID && state != AFTER_SOLID)
    {
        return QString("it ends inside a facet");
    }
    return nFacets > 0 ? QString() : QString("it holds no facet");
}

// An STL that readStl (one of the two readers above) accepts and whose points
// are within the bounds on their facets; otherwise sRefusal says why not, and
// bWellFormed whether readStl accepted it. The quick count settles almost
// every file; only one it finds beyond a bound is read again and counted
// exactly, so that a refusal rests on true figures.
template <typename ReadStl>
bool isValidStl(const QByteArray& content, ReadStl readStl, QString& sRefusal, bool& bWellFormed,
                MeshIOChecks::Faces& faces)
{
    MeshPointShares::QuickStlShares quick(content.size());
    sRefusal = readStl(content, [&quick](const quint32 coordinates[9]) { quick.addFacet(coordinates); }, &faces);
    bWellFormed = sRefusal.isEmpty();
    if (!bWellFormed)
    {
        return false;
    }
    const MeshPointShares::Tally quickTally = quick.tally();
    if (quickTally.refusal().isEmpty())
    {
        return true;
    }
    MeshPointShares::ExactStlShares exact(quickTally.facets());
    readStl(content, [&exact](const quint32 coordinates[9]) { exact.addFacet(coordinates); }, nullptr);
    sRefusal = exact.tally().refusal();
    return sRefusal.isEmpty();
}

// Whether the bytes begin as an ASCII STL does, with "solid".
bool looksLikeText(const QByteArray& content)
{
    Words words(content.constData(), content.constData() + std::min<qsizetype>(content.size(), 64));
    std::string_view first;
    return words.next(first) && equalsIgnoringCase(first, "solid");
}
} // namespace

namespace MeshIOChecks
{
Format checkContent(QByteArray& content, const QString& sSuffixLower, QString& sRefusal, Faces& faces)
{
    sRefusal.clear();
    if (content.isEmpty())
    {
        sRefusal = QString("it is empty");
        return Format::Invalid;
    }
    if (sSuffixLower == QLatin1String("stl"))
    {
        const auto readBinary = [](const QByteArray& bytes, auto addFacet, Faces* pFaces) {
            return readBinaryStl(bytes, addFacet, pFaces);
        };
        const auto readAscii = [](const QByteArray& bytes, auto addFacet, Faces* pFaces) {
            return readAsciiStl(bytes, addFacet, pFaces);
        };
        bool bWellFormed = false;
        if (isValidStl(content, readBinary, sRefusal, bWellFormed, faces))
        {
            return Format::BinaryStl;
        }
        if (bWellFormed)
        {
            return Format::Invalid;
        }
        // Neither form: the reason is that of the form the file is laid out
        // in, its size matching its count as a binary STL's does, or its
        // text beginning as an ASCII STL's.
        const qint64 nCount =
            content.size() < BINARY_STL_HEADER_BYTES ? -1 : qFromLittleEndian<quint32>(content.constData() + 80);
        const bool bBinaryLayout = content.size() == BINARY_STL_HEADER_BYTES + BINARY_STL_FACET_BYTES * nCount;
        const QString sBinaryRefusal = sRefusal;
        if (isValidStl(content, readAscii, sRefusal, bWellFormed, faces))
        {
            return Format::AsciiStl;
        }
        if (!bWellFormed && (bBinaryLayout || !looksLikeText(content)))
        {
            sRefusal = sBinaryRefusal;
        }
        return Format::Invalid;
    }
    if (sSuffixLower == QLatin1String("obj"))
    {
        return checkObj(content, sRefusal, faces) ? Format::Obj : Format::Invalid;
    }
    sRefusal = QString("only STL and OBJ files are read");
    return Format::Invalid;
}
} // namespace MeshIOChecks
