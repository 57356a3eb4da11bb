#include "MeshIOChecks.h"

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

// The most facets of an STL that may share one point. The mesh library walks
// round a point's facets for each facet it adds there, so its time grows with
// the square of a point's facets: a cone of 8192 facets round its tip reads
// in a fraction of a second, one of 16384 takes seconds, and 100 000 facets
// round one point most of a minute. A pole or a cone's tip of a real model
// has a few hundred facets, a few thousand at the finest export settings.
constexpr int MAXIMUM_FACETS_PER_POINT = 8192;

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

// Counts the facets that use each point of an STL, for the bound above, as
// the reader joins corners into points. The reader takes coordinates within
// the smallest normal float (2^-126) of each other as one value; above 2^-100
// neighbouring floats lie farther apart than that, so every value below it
// counts as zero here, and the others by their bits. A facet with two corners
// at one point is skipped, as the reader skips it. Points are counted in a
// table of slots chosen by a hash of their coordinates, so that the check
// stays one quick pass: points that share a slot are counted together, and a
// count is never below the true one. The table has a slot for every 512 bytes
// of the file: an ordinary point's slot holds a few dozen counts.
class FacetsPerPoint
{
public:
    explicit FacetsPerPoint(qint64 nFileBytes)
    {
        while (m_nBits < 26 && (qint64(1) << m_nBits) < nFileBytes / 512)
        {
            ++m_nBits;
        }
        m_vCounts.assign(std::size_t(1) << m_nBits, 0);
    }

    // The facet's nine coordinates as the bits of their floats. False when a
    // point of the facet is now used by more facets than allowed.
    bool addFacet(const quint32 coordinates[9])
    {
        quint32 keys[9];
        for (int i = 0; i < 9; ++i)
        {
            keys[i] = (coordinates[i] & 0x7FFFFFFFu) < TINY ? 0u : coordinates[i];
        }
        const auto same = [&keys](int a, int b) {
            return keys[a] == keys[b] && keys[a + 1] == keys[b + 1] && keys[a + 2] == keys[b + 2];
        };
        if (same(0, 3) || same(3, 6) || same(0, 6))
        {
            return true;
        }
        for (int i = 0; i < 9; i += 3)
        {
            const quint64 nFirstTwo = (quint64(keys[i]) << 32 | keys[i + 1]) * 0x9E3779B97F4A7C15ull;
            const quint64 nHash = (nFirstTwo ^ keys[i + 2]) * 0xC2B2AE3D27D4EB4Full;
            if (++m_vCounts[std::size_t(nHash >> (64 - m_nBits))] > MAXIMUM_FACETS_PER_POINT)
            {
                return false;
            }
        }
        return true;
    }

private:
    // The bits of 2^-100.
    static constexpr quint32 TINY = quint32(127 - 100) << 23;

    int m_nBits = 8;
    std::vector<quint16> m_vCounts;
};

QString tooManyFacetsPerPoint()
{
    return QString("a point is shared by more than %1 facets").arg(MAXIMUM_FACETS_PER_POINT);
}

// Binary STL: an 80-byte header, a little-endian triangle count and 50 bytes
// per triangle (normal, three corners, attribute). The size must match the
// count exactly, every corner coordinate must be finite and no point may be
// shared by too many facets (sRefusal says so).
bool isValidBinaryStl(const QByteArray& content, QString& sRefusal)
{
    const qint64 nSize = content.size();
    if (nSize < 84)
    {
        return false;
    }
    const auto* pBytes = reinterpret_cast<const unsigned char*>(content.constData());
    const quint32 nTriangles = quint32(pBytes[80]) | (quint32(pBytes[81]) << 8) | (quint32(pBytes[82]) << 16) |
                               (quint32(pBytes[83]) << 24);
    if (nTriangles == 0 || nSize != 84 + 50 * qint64(nTriangles))
    {
        return false;
    }
    FacetsPerPoint facetsPerPoint(nSize);
    for (quint32 t = 0; t < nTriangles; ++t)
    {
        const unsigned char* pCorners = pBytes + 84 + 50 * qint64(t) + 12;
        quint32 corners[9];
        for (int k = 0; k < 9; ++k)
        {
            corners[k] = qFromLittleEndian<quint32>(pCorners + 4 * k);
            // All exponent bits set: infinite or not a number.
            if ((corners[k] & 0x7F800000u) == 0x7F800000u)
            {
                return false;
            }
        }
        if (!facetsPerPoint.addFacet(corners))
        {
            sRefusal = tooManyFacetsPerPoint();
            return false;
        }
    }
    return true;
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
// other line may mention a loop, and no point may be shared by too many
// facets (sRefusal says so).
bool isValidAsciiStl(const QByteArray& content, QString& sRefusal)
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
    quint32 corners[9];
    FacetsPerPoint facetsPerPoint(content.size());
    const bool bLinesOk = forEachLine(content.constData(), std::size_t(content.size()), [&](const char* pBegin,
                                                                                             const char* pEnd) {
        if (hasControlCharacter(pBegin, pEnd))
        {
            return false;
        }
        const bool bMentionsLoop = mentionsLoop(pBegin, pEnd);
        Words words(pBegin, pEnd);
        std::string_view keyword;
        if (!words.next(keyword))
        {
            return state == BEFORE_SOLID || state == IN_SOLID || state == AFTER_SOLID ||
                   (state == IN_LOOP && nVertices == 3);
        }
        std::string_view second;
        switch (state)
        {
        case BEFORE_SOLID:
        case AFTER_SOLID:
            state = IN_SOLID;
            return equalsIgnoringCase(keyword, "solid") && !bMentionsLoop;
        case IN_SOLID:
            if (equalsIgnoringCase(keyword, "endsolid"))
            {
                state = AFTER_SOLID;
                return !bMentionsLoop;
            }
            state = IN_FACET;
            if (!equalsIgnoringCase(keyword, "facet") || !words.next(second) || !equalsIgnoringCase(second, "normal") ||
                bMentionsLoop)
            {
                return false;
            }
            // The facet's normal is recomputed; its three values are not read.
            for (int k = 0; k < 3; ++k)
            {
                if (!words.next(second))
                {
                    return false;
                }
            }
            return words.atEnd();
        case IN_FACET:
            state = IN_LOOP;
            nVertices = 0;
            return equalsIgnoringCase(keyword, "outer") && words.next(second) && equalsIgnoringCase(second, "loop") &&
                   words.atEnd() && bMentionsLoop;
        case IN_LOOP:
            if (nVertices == 3)
            {
                state = AFTER_LOOP;
                if (!facetsPerPoint.addFacet(corners))
                {
                    sRefusal = tooManyFacetsPerPoint();
                    return false;
                }
                return equalsIgnoringCase(keyword, "endloop") && words.atEnd();
            }
            ++nVertices;
            return equalsIgnoringCase(keyword, "vertex") &&
                   readsThreeCoordinatesOnly(words, corners + 3 * (nVertices - 1)) && !bMentionsLoop;
        case AFTER_LOOP:
            state = IN_SOLID;
            ++nFacets;
            return equalsIgnoringCase(keyword, "endfacet") && words.atEnd();
        }
        return false;
    });
    return bLinesOk && (state == IN_SOLID || state == AFTER_SOLID) && nFacets > 0;
}

// One index of an OBJ face corner: an integer, 1-based, or negative counting
// back from the last element defined so far; it must name an existing
// element. A negative index is compared as it is: the smallest one has no
// negation.
bool isValidObjIndex(std::string_view word, long long nDefined)
{
    word = withoutPlus(word);
    long long nIndex = 0;
    const char* pEnd = word.data() + word.size();
    const auto result = std::from_chars(word.data(), pEnd, nIndex);
    if (result.ec != std::errc() || result.ptr != pEnd || nIndex == 0)
    {
        return false;
    }
    return nIndex > 0 ? nIndex <= nDefined : nIndex >= -nDefined;
}

// One face corner: vertex[/[texture][/[normal]]].
bool isValidObjCorner(std::string_view corner, long long nVertices, long long nTexCoords, long long nNormals)
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
        // Only the vertex index is required.
        if ((nPart == 0 || !part.empty()) && !isValidObjIndex(part, nDefined[nPart]))
        {
            return false;
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
// normal, where given) indices name elements defined before the face, and
// no face with more corners than allowed (sRefusal says so). Lines are taken
// as the reader takes them: trimmed of blanks, tabs and line breaks, and
// skipped when they then start with '#' or another blank character;
// everything from a '#' on is a comment.
bool isValidObj(QByteArray& content, QString& sRefusal)
{
    long long nVertices = 0;
    long long nTexCoords = 0;
    long long nNormals = 0;
    long long nFaces = 0;
    const bool bLinesOk = forEachLine(content.data(), std::size_t(content.size()), [&](char* pBegin, char* pEnd) {
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
                    return false;
                }
            }
            ++nVertices;
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
            int nCorners = 0;
            std::string_view corner;
            while (words.next(corner))
            {
                if (!isValidObjCorner(corner, nVertices, nTexCoords, nNormals))
                {
                    return false;
                }
                ++nCorners;
            }
            if (nCorners < 3)
            {
                return false;
            }
            if (nCorners > MAXIMUM_FACE_CORNERS)
            {
                sRefusal = QString("a face has %1 corners; the most accepted are %2")
                               .arg(nCorners)
                               .arg(MAXIMUM_FACE_CORNERS);
                return false;
            }
            ++nFaces;
        }
        return true;
    });
    return bLinesOk && nFaces > 0;
}
} // namespace

namespace MeshIOChecks
{
Format checkContent(QByteArray& content, const QString& sSuffixLower, QString& sRefusal)
{
    sRefusal.clear();
    if (content.isEmpty())
    {
        return Format::Invalid;
    }
    if (sSuffixLower == QLatin1String("stl"))
    {
        if (isValidBinaryStl(content, sRefusal))
        {
            return Format::BinaryStl;
        }
        return sRefusal.isEmpty() && isValidAsciiStl(content, sRefusal) ? Format::AsciiStl : Format::Invalid;
    }
    if (sSuffixLower == QLatin1String("obj"))
    {
        return isValidObj(content, sRefusal) ? Format::Obj : Format::Invalid;
    }
    return Format::Invalid;
}
} // namespace MeshIOChecks
