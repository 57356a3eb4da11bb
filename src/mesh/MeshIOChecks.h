#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

// Checks of a mesh file's bytes before OpenMesh parses them. OpenMesh's
// readers trust counts, indices and the layout of lines (an ASCII STL loop is
// read as the three lines after it, whatever they hold; an OBJ vertex that
// does not parse is skipped in one pass and counted in the other), so only
// what they read soundly is let through. Each check is one pass over the
// bytes, without copying them.
namespace MeshIOChecks
{
// A binary STL: an 80-byte header, a triangle count, then 50 bytes per facet
// (normal, three corners, attribute).
constexpr qint64 BINARY_STL_HEADER_BYTES = 84;
constexpr qint64 BINARY_STL_FACET_BYTES = 50;

// The faces of a checked ASCII STL or OBJ as the checks read them, for
// putting them in order (MeshFacetOrder.h); those of a binary STL are read
// from its bytes.
struct Faces
{
    // OBJ: each vertex; ASCII STL: the three corners of each facet. The bits
    // of the coordinates' floats.
    std::vector<std::array<quint32, 3>> vPoints;
    // Where in the bytes each vertex's line (OBJ, without its line break) or
    // each facet's lines (ASCII STL, from "facet" to "endfacet" and its line
    // break) begin and end.
    std::vector<std::array<quint32, 2>> vSpans;
    // OBJ: the corners of the faces, face after face, as vertex indices from
    // 0, and where each face's corners end among them.
    std::vector<quint32> vCorners;
    std::vector<quint32> vFaceEnds;
};

enum class Format
{
    Invalid,
    BinaryStl,
    AsciiStl,
    Obj
};

// The reader that may parse the content, chosen by the suffix (lower case,
// "stl" or "obj") and the bytes; Invalid for anything malformed and for every
// other suffix. For an OBJ, material-library lines are turned into comments
// in place: the reader would open the file they name.
// A well-formed mesh over which the reader would hold the interface thread
// for minutes is Invalid too: an OBJ face of more than 4096 corners, a point
// shared by more than 8192 facets, or points shared by so many facets in all
// that joining them would take too long (MeshPointShares.h has the bounds and
// their measurements). For Invalid, sRefusal says why in one line for the
// user (for a malformed file, the first line that breaks its format where
// there is one); for every other result it is empty. The faces of an ASCII
// STL or OBJ go to faces.
Format checkContent(QByteArray& content, const QString& sSuffixLower, QString& sRefusal, Faces& faces);

// The part of checkContent for OBJ: three finite coordinates on every vertex
// line, at least one face, every face with three or more corners whose
// vertex (and texture and normal, where given) indices name elements defined
// before the face, no face with more corners than allowed and the vertices
// within the bounds on their facets.
bool checkObj(QByteArray& content, QString& sRefusal, Faces& faces);
} // namespace MeshIOChecks
