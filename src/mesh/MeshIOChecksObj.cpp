#include "MeshIOChecks.h"

#include "MeshFileText.h"
#include "MeshPointShares.h"

#include <algorithm>
#include <vector>

using namespace MeshFileText;

namespace
{
// The most corners of one OBJ face. The mesh library's face import takes time
// growing with the square of a face's corners, on the interface thread (one
// face of 50 000 corners takes a second, four times as many sixteen times
// as long); a hook's faces have a few corners, the cap of a finely divided
// cylinder a few hundred, rarely a few thousand.
constexpr int MAXIMUM_FACE_CORNERS = 4096;

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

} // namespace

namespace MeshIOChecks
{
// Lines are taken as the reader takes them: trimmed of blanks, tabs and line
// breaks, and skipped when they then start with '#' or another blank
// character; everything from a '#' on is a comment.
bool checkObj(QByteArray& content, QString& sRefusal, Faces& faces)
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
            std::array<quint32, 3> point;
            for (quint32& nBits : point)
            {
                std::string_view value;
                if (!words.next(value) || !readCoordinate(value, nBits))
                {
                    sRefusal = QString("line %1: a vertex needs three finite coordinates").arg(nLine);
                    return false;
                }
            }
            ++nVertices;
            shares.addVertex();
            faces.vPoints.push_back(point);
            faces.vSpans.push_back({quint32(pBegin - content.data()), quint32(pEnd - content.data())});
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
            faces.vCorners.insert(faces.vCorners.end(), vCorners.begin(), vCorners.end());
            faces.vFaceEnds.push_back(quint32(faces.vCorners.size()));
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
} // namespace MeshIOChecks
