#include "MeshIOChecks.h"

#include <QSysInfo>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

namespace
{
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
bool isCoordinate(std::string_view word)
{
    word = withoutPlus(word);
    double dValue = 0.0;
    const char* pEnd = word.data() + word.size();
    const auto result = std::from_chars(word.data(), pEnd, dValue);
    return result.ec == std::errc() && result.ptr == pEnd && std::isfinite(dValue) &&
           std::fabs(dValue) <= double(std::numeric_limits<float>::max());
}

// The next three words are coordinates and nothing follows them.
bool readsThreeCoordinatesOnly(Words& words)
{
    for (int k = 0; k < 3; ++k)
    {
        std::string_view word;
        if (!words.next(word) || !isCoordinate(word))
        {
            return false;
        }
    }
    return words.atEnd();
}

// Binary STL: an 80-byte header, a little-endian triangle count and 50 bytes
// per triangle (normal, three corners, attribute). The size must match the
// count exactly and every corner coordinate must be finite.
bool isValidBinaryStl(const QByteArray& content)
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
    for (quint32 t = 0; t < nTriangles; ++t)
    {
        const unsigned char* pCorners = pBytes + 84 + 50 * qint64(t) + 12;
        for (int k = 0; k < 9; ++k)
        {
            unsigned char bytes[4] = {pCorners[4 * k], pCorners[4 * k + 1], pCorners[4 * k + 2], pCorners[4 * k + 3]};
            if (QSysInfo::ByteOrder == QSysInfo::BigEndian)
            {
                std::swap(bytes[0], bytes[3]);
                std::swap(bytes[1], bytes[2]);
            }
            float fValue = 0.0f;
            std::memcpy(&fValue, bytes, sizeof(float));
            if (!std::isfinite(fValue))
            {
                return false;
            }
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
// other line may mention a loop.
bool isValidAsciiStl(const QByteArray& content)
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
                return equalsIgnoringCase(keyword, "endloop") && words.atEnd();
            }
            ++nVertices;
            return equalsIgnoringCase(keyword, "vertex") && readsThreeCoordinatesOnly(words) && !bMentionsLoop;
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
// normal, where given) indices name elements defined before the face. Lines
// are taken as the reader takes them: trimmed of blanks, tabs and line
// breaks, and skipped when they then start with '#' or another blank
// character; everything from a '#' on is a comment.
bool isValidObj(QByteArray& content)
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
            ++nFaces;
        }
        return true;
    });
    return bLinesOk && nFaces > 0;
}
} // namespace

namespace MeshIOChecks
{
Format checkContent(QByteArray& content, const QString& sSuffixLower)
{
    if (content.isEmpty())
    {
        return Format::Invalid;
    }
    if (sSuffixLower == QLatin1String("stl"))
    {
        if (isValidBinaryStl(content))
        {
            return Format::BinaryStl;
        }
        return isValidAsciiStl(content) ? Format::AsciiStl : Format::Invalid;
    }
    if (sSuffixLower == QLatin1String("obj"))
    {
        return isValidObj(content) ? Format::Obj : Format::Invalid;
    }
    return Format::Invalid;
}
} // namespace MeshIOChecks
