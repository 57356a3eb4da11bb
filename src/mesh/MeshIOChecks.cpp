#include "MeshIOChecks.h"

#include "MeshPointShares.h"

#include <QtEndian>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace
{
// The most corners of one OBJ face. The mesh library's face import takes time
// growing with the square of a face's corners, on the interface thread (one
// face of 50 000 corners takes a second, four times as many sixteen times
// as long); a hook's faces have a few corners, the cap of a finely divided
// cylinder a few hundred, rarely a few thousand.
constexpr int MAXIMUM_FACE_CORNERS = 4096;

// The characters the readers' streams skip between words.
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The whitespace-separated words of one line, read where they lie.
class Words
{
public:
    Words(const char* pBegin, const char* pEnd) : m_p(pBegin), m_pEnd(pEnd) {}

    bool next(std::string_view& word)
    {
        while (m_p != m_pEnd && isSpace(*m_p))
        {
            ++m_p;
        }
        if (m_p == m_pEnd)
        {
            return false;
        }
        const char* pStart = m_p;
        while (m_p != m_pEnd && !isSpace(*m_p))
        {
            ++m_p;
        }
        word = std::string_view(pStart, std::size_t(m_p - pStart));
        return true;
    }

    bool atEnd()
    {
        std::string_view rest;
        Words copy = *this;
        return !copy.next(rest);
    }

private:
    const char* m_p;
    const char* m_pEnd;
};

// Calls visit(begin, end) for each line (without its '\n') until it returns
// false; true when every line was accepted.
template <typename Char, typename Visit>
bool forEachLine(Char* pData, std::size_t nSize, Visit visit)
{
    Char* pLine = pData;
    Char* const pEnd = pData + nSize;
    while (pLine < pEnd)
    {
        Char* pBreak = static_cast<Char*>(std::memchr(pLine, '\n', std::size_t(pEnd - pLine)));
        Char* pLineEnd = pBreak ? pBreak : pEnd;
        if (!visit(pLine, pLineEnd))
        {
            return false;
        }
        pLine = pLineEnd + 1;
    }
    return true;
}

bool equalsIgnoringCase(std::string_view word, std::string_view keyword)
{
    if (word.size() != keyword.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i)
    {
        const char c = word[i] >= 'A' && word[i] <= 'Z' ? char(word[i] - 'A' + 'a') : word[i];
        if (c != keyword[i])
        {
            return false;
        }
    }
    return true;
}

// Drops one leading '+', which the readers' streams accept and from_chars
// does not; "+-1" stays unreadable.
std::string_view withoutPlus(std::string_view word)
{
    if (word.size() > 1 && word[0] == '+' && word[1] != '-')
    {
        word.remove_prefix(1);
    }
    return word;
}

// A whole word that the readers take as a single-precision coordinate: a
// finite decimal number no larger than the largest float (a larger one makes
// the stream fail and leaves the value unset).
bool readCoordinate(std::string_view word, double& dValue)
{
    word = withoutPlus(word);
    const char* pEnd = word.data() + word.size();
    const auto result = std::from_chars(word.data(), pEnd, dValue);
    return result.ec == std::errc() && result.ptr == pEnd && std::isfinite(dValue) &&
           std::fabs(dValue) <= double(std::numeric_limits<float>::max());
}

bool isCoordinate(std::string_view word)
{
    double dValue = 0.0;
    return readCoordinate(word, dValue);
}

// The next three words are coordinates and nothing follows them; the bits
// of their floats go to pPoint.
bool readsThreeCoordinatesOnly(Words& words, quint32 pPoint[3])
{
    for (int k = 0; k < 3; ++k)
    {
        std::string_view word;
        double dValue = 0.0;
        if (!words.next(word) || !readCoordinate(word, dValue))
        {
            return false;
        }
        const float fValue = float(dValue);
        std::memcpy(&pPoint[k], &fValue, sizeof(fValue));
    }
    return words.atEnd();
}

// Binary STL: an 80-byte header, a little-endian triangle count and 50 bytes
// per triangle (normal, three corners, attribute). The size must match the
// count exactly and every corner coordinate must be finite. Each facet's
// nine coordinates, as the bits of their floats, go to addFacet. Returns why
// the bytes are no binary STL, or nothing.
template <typename AddFacet>
QString readBinaryStl(const QByteArray& content, AddFacet addFacet)
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
// of their floats, go to addFacet. Returns why the bytes are no ASCII STL,
// or nothing.
template <typename AddFacet>
QString readAsciiStl(const QByteArray& content, AddFacet addFacet)
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
bool isValidStl(const QByteArray& content, ReadStl readStl, QString& sRefusal, bool& bWellFormed)
{
    MeshPointShares::QuickStlShares quick(content.size());
    sRefusal = readStl(content, [&quick](const quint32 coordinates[9]) { quick.addFacet(coordinates); });
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
    readStl(content, [&exact](const quint32 coordinates[9]) { exact.addFacet(coordinates); });
    sRefusal = exact.tally().refusal();
    return sRefusal.isEmpty();
}

// One index of an OBJ face corner: an integer, 1-based, or negative counting
// back from the last element defined so far; it must name an existing
// element, whose index from 0 goes to nElement. A negative index is compared
// as it is: the smallest one has no negation.
bool readObjIndex(std::string_view word, long long nDefined, long long& nElement)
{
    word = withoutPlus(word);
    long long nIndex = 0;
    const char* pEnd = word.data() + word.size();
    const auto result = std::from_chars(word.data(), pEnd, nIndex);
    if (result.ec != std::errc() || result.ptr != pEnd || nIndex == 0 ||
        !(nIndex > 0 ? nIndex <= nDefined : nIndex >= -nDefined))
    {
        return false;
    }
    nElement = nIndex > 0 ? nIndex - 1 : nDefined + nIndex;
    return true;
}

// One face corner: vertex[/[texture][/[normal]]]; its vertex's index from 0
// goes to nVertex.
bool readObjCorner(std::string_view corner, long long nVertices, long long nTexCoords, long long nNormals,
                   long long& nVertex)
{
    const long long nDefined[3] = {nVertices, nTexCoords, nNormals};
    for (int nPart = 0;; ++nPart)
    {
        if (nPart == 3)
        {
            return false;
        }
        const std::size_t nSlash = corner.find('/');
        const std::string_view part = corner.substr(0, nSlash);
        long long nElement = 0;
        // Only the vertex index is required.
        if ((nPart == 0 || !part.empty()) && !readObjIndex(part, nDefined[nPart], nElement))
        {
            return false;
        }
        if (nPart == 0)
        {
            nVertex = nElement;
        }
        if (nSlash == std::string_view::npos)
        {
            return true;
        }
        corner.remove_prefix(nSlash + 1);
    }
}

// OBJ: three finite coordinates on every vertex line, at least one face,
// every face with three or more corners whose vertex (and texture and
// normal, where given) indices name elements defined before the face, no
// face with more corners than allowed and the vertices within the bounds on
// their facets (sRefusal says so for either). Lines are taken as the reader
// takes them: trimmed of blanks, tabs and line breaks, and skipped when they
// then start with '#' or another blank character; everything from a '#' on
// is a comment.
bool isValidObj(QByteArray& content, QString& sRefusal)
{
    long long nVertices = 0;
    long long nTexCoords = 0;
    long long nNormals = 0;
    long long nFaces = 0;
    qint64 nLine = 0;
    MeshPointShares::ObjShares shares;
    std::vector<quint32> vCorners;
    const bool bLinesOk = forEachLine(content.data(), std::size_t(content.size()), [&](char* pBegin, char* pEnd) {
        ++nLine;
        while (pBegin != pEnd && (*pBegin == ' ' || *pBegin == '\t' || *pBegin == '\r'))
        {
            ++pBegin;
        }
        if (pBegin == pEnd || *pBegin == '#' || isSpace(*pBegin))
        {
            return true;
        }
        char* pComment = static_cast<char*>(std::memchr(pBegin, '#', std::size_t(pEnd - pBegin)));
        Words words(pBegin, pComment ? pComment : pEnd);
        std::string_view keyword;
        words.next(keyword);
        if (keyword == "mtllib")
        {
            // The reader would open the named file; a comment it skips.
            *pBegin = '#';
        }
        else if (keyword == "v")
        {
            for (int k = 0; k < 3; ++k)
            {
                std::string_view value;
                if (!words.next(value) || !isCoordinate(value))
                {
                    sRefusal = QString("line %1: a vertex needs three finite coordinates").arg(nLine);
                    return false;
                }
            }
            ++nVertices;
            shares.addVertex();
        }
        else if (keyword == "vt")
        {
            ++nTexCoords;
        }
        else if (keyword == "vn")
        {
            ++nNormals;
        }
        else if (keyword == "f")
        {
            vCorners.clear();
            long long nCorners = 0;
            std::string_view corner;
            while (words.next(corner))
            {
                long long nVertex = 0;
                if (!readObjCorner(corner, nVertices, nTexCoords, nNormals, nVertex))
                {
                    const int nShown = int(std::min<std::size_t>(corner.size(), 24));
                    sRefusal = QString("line %1: the face corner \"%2\" does not name what is defined before it")
                                   .arg(nLine)
                                   .arg(QString::fromLatin1(corner.data(), nShown));
                    return false;
                }
                if (++nCorners <= MAXIMUM_FACE_CORNERS)
                {
                    vCorners.push_back(quint32(nVertex));
                }
            }
            if (nCorners < 3)
            {
                sRefusal = QString("line %1: a face has fewer than three corners").arg(nLine);
                return false;
            }
            if (nCorners > MAXIMUM_FACE_CORNERS)
            {
                sRefusal = QString("a face has %1 corners; the most accepted are %2")
                               .arg(nCorners)
                               .arg(MAXIMUM_FACE_CORNERS);
                return false;
            }
            shares.addFace(vCorners);
            ++nFaces;
        }
        return true;
    });
    if (!bLinesOk)
    {
        return false;
    }
    sRefusal = nFaces == 0 ? QString("it has no face") : shares.tally().refusal();
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
Format checkContent(QByteArray& content, const QString& sSuffixLower, QString& sRefusal)
{
    sRefusal.clear();
    if (content.isEmpty())
    {
        sRefusal = QString("it is empty");
        return Format::Invalid;
    }
    if (sSuffixLower == QLatin1String("stl"))
    {
        const auto readBinary = [](const QByteArray& bytes, auto addFacet) { return readBinaryStl(bytes, addFacet); };
        const auto readAscii = [](const QByteArray& bytes, auto addFacet) { return readAsciiStl(bytes, addFacet); };
        bool bWellFormed = false;
        if (isValidStl(content, readBinary, sRefusal, bWellFormed))
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
        if (isValidStl(content, readAscii, sRefusal, bWellFormed))
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
        return isValidObj(content, sRefusal) ? Format::Obj : Format::Invalid;
    }
    sRefusal = QString("only STL and OBJ files are read");
    return Format::Invalid;
}
} // namespace MeshIOChecks
