#pragma once

// Mesh files that the reader must refuse or must read soundly, made by code
// and small: malformed ones as a fuzzer finds them and hostile ones a user may
// pick. Header only, shared by the test suites.

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace MalformedMeshFiles
{
using Corpus = std::vector<std::pair<QString, QByteArray>>;

// A binary STL of n triangles: header, count and 50 bytes per triangle, the
// corners taken from the given floats (nine per triangle).
inline QByteArray binaryStl(quint32 nCount, const std::vector<float>& corners)
{
    QByteArray bytes(80, ' ');
    for (int k = 0; k < 4; ++k)
    {
        bytes.append(static_cast<char>((nCount >> (8 * k)) & 0xFF));
    }
    for (size_t t = 0; t < corners.size() / 9; ++t)
    {
        QByteArray record(50, '\0');
        std::memcpy(record.data() + 12, &corners[9 * t], 9 * sizeof(float));
        bytes.append(record);
    }
    return bytes;
}

inline const std::vector<float>& twoTriangles()
{
    static const std::vector<float> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1};
    return corners;
}

// An ASCII STL facet with the given lines between "outer loop" and "endloop".
inline QByteArray asciiFacet(const QByteArray& loop)
{
    return "facet normal 0 0 1\n outer loop\n" + loop + " endloop\nendfacet\n";
}

inline QByteArray asciiStl(const QByteArray& facets, const QByteArray& name = "part")
{
    return "solid " + name + "\n" + facets + "endsolid " + name + "\n";
}

inline const QByteArray& triangleLoop()
{
    static const QByteArray loop = "  vertex 0 0 0\n  vertex 1 0 0\n  vertex 0 1 0\n";
    return loop;
}

// An OBJ that names a material library: the reader must not open it.
inline QByteArray objWithMaterialLibrary(const QByteArray& library)
{
    return "mtllib " + library + "\nusemtl shiny\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
}

// Files whose every byte is read before anything is refused: a triangle after
// a flood of empty lines.
inline QByteArray objAfterEmptyLines(int nLines)
{
    return QByteArray(nLines, '\n') + "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
}

// One face of nCorners corners, the points of a zigzag.
inline QByteArray objFaceWithCorners(int nCorners)
{
    QByteArray vertices;
    QByteArray face("f");
    for (int i = 1; i <= nCorners; ++i)
    {
        vertices += "v " + QByteArray::number(i) + (i % 2 ? " 1 0\n" : " 0 0\n");
        face += ' ' + QByteArray::number(i);
    }
    return vertices + face + '\n';
}

// Points and the triangles over them, by index from 0, in the order they
// are written; stlOf and objOf write them in either format.
struct IndexedMesh
{
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<int, 3>> triangles;
};

inline QByteArray stlOf(const IndexedMesh& mesh, bool bAscii)
{
    std::vector<float> corners;
    QByteArray facets;
    for (const auto& triangle : mesh.triangles)
    {
        QByteArray loop;
        for (int i : triangle)
        {
            const auto& point = mesh.points[size_t(i)];
            if (bAscii)
            {
                loop += "vertex " + QByteArray::number(point[0]) + ' ' + QByteArray::number(point[1]) + ' ' +
                        QByteArray::number(point[2]) + '\n';
            }
            corners.insert(corners.end(), point.begin(), point.end());
        }
        if (bAscii)
        {
            facets += asciiFacet(loop);
        }
    }
    return bAscii ? asciiStl(facets) : binaryStl(quint32(mesh.triangles.size()), corners);
}

// How objOf writes faces: as triangles, or a triangle and the next one that
// shares its first and last corner as one quad (as the torus's are); with
// indices from the first vertex, or counted back from the last vertex
// written, each face then written as soon as its vertices are.
struct ObjStyle
{
    bool bQuads = false;
    bool bNegative = false;
};

inline QByteArray objOf(const IndexedMesh& mesh, ObjStyle style = {})
{
    std::vector<std::vector<int>> faces;
    for (size_t t = 0; t < mesh.triangles.size(); ++t)
    {
        const auto& triangle = mesh.triangles[t];
        faces.push_back({triangle[0], triangle[1], triangle[2]});
        if (style.bQuads && t + 1 < mesh.triangles.size() && mesh.triangles[t + 1][0] == triangle[0] &&
            mesh.triangles[t + 1][1] == triangle[2])
        {
            faces.back().push_back(mesh.triangles[++t][2]);
        }
    }
    // A face is written once its last vertex is.
    std::vector<std::vector<size_t>> after(mesh.points.size());
    for (size_t f = 0; f < faces.size(); ++f)
    {
        int nLast = 0;
        for (int i : faces[f])
        {
            nLast = std::max(nLast, i);
        }
        after[style.bNegative ? size_t(nLast) : mesh.points.size() - 1].push_back(f);
    }
    QByteArray bytes;
    for (size_t v = 0; v < mesh.points.size(); ++v)
    {
        const auto& point = mesh.points[v];
        bytes += "v " + QByteArray::number(point[0]) + ' ' + QByteArray::number(point[1]) + ' ' +
                 QByteArray::number(point[2]) + '\n';
        for (size_t f : after[v])
        {
            bytes += 'f';
            for (int i : faces[f])
            {
                bytes += ' ' + QByteArray::number(style.bNegative ? i - int(v) - 1 : i + 1);
            }
            bytes += '\n';
        }
    }
    return bytes;
}

// A closed torus of nAround x nTube quads, two facets each, written row
// after row as an exporter does.
inline IndexedMesh torus(int nAround, int nTube)
{
    IndexedMesh mesh;
    for (int i = 0; i < nAround; ++i)
    {
        for (int j = 0; j < nTube; ++j)
        {
            const double dU = 2.0 * M_PI * i / nAround;
            const double dV = 2.0 * M_PI * j / nTube;
            const double dRadius = 3.0 + std::cos(dV);
            mesh.points.push_back({float(dRadius * std::cos(dU)), float(dRadius * std::sin(dU)), float(std::sin(dV))});
        }
    }
    const auto index = [nAround, nTube](int i, int j) { return (i % nAround) * nTube + j % nTube; };
    for (int i = 0; i < nAround; ++i)
    {
        for (int j = 0; j < nTube; ++j)
        {
            const int quad[4] = {index(i, j), index(i + 1, j), index(i + 1, j + 1), index(i, j + 1)};
            mesh.triangles.push_back({quad[0], quad[1], quad[2]});
            mesh.triangles.push_back({quad[0], quad[2], quad[3]});
        }
    }
    return mesh;
}

// nFacets facets that all share the tip (0, 0, 1) and take two of nRim points
// on the unit circle: a cone's side when nRim equals nFacets, facets over few
// points when nRim is small. A closed cone has a base as well: as many facets
// again round the base centre (0, 0, 0), one under each facet of the side.
inline IndexedMesh fan(int nFacets, int nRim, bool bClosed = false)
{
    IndexedMesh mesh;
    mesh.points.push_back({0.0f, 0.0f, 1.0f});
    for (int i = 0; i < nRim; ++i)
    {
        mesh.points.push_back({float(std::cos(2 * M_PI * i / nRim)), float(std::sin(2 * M_PI * i / nRim)), 0.0f});
    }
    const int nCentre = int(mesh.points.size());
    if (bClosed)
    {
        mesh.points.push_back({0.0f, 0.0f, 0.0f});
    }
    for (int k = 0; k < nFacets; ++k)
    {
        const int a = 1 + k % nRim, b = 1 + (k % nRim + 1 + k / nRim) % nRim;
        mesh.triangles.push_back({0, a, b});
        if (bClosed)
        {
            mesh.triangles.push_back({nCentre, b, a});
        }
    }
    return mesh;
}

inline QByteArray fanStl(int nFacets, int nRim, bool bAscii)
{
    return stlOf(fan(nFacets, nRim), bAscii);
}

// nFacets facets over nPoints points, each facet taking the next of all the
// triples of points in turn: when nFacets is a multiple of the number of
// triples, every point is shared by 3 * nFacets / nPoints facets.
inline IndexedMesh fewPoints(int nFacets, int nPoints)
{
    IndexedMesh mesh;
    for (int i = 0; i < nPoints; ++i)
    {
        mesh.points.push_back({float(std::cos(2 * M_PI * i / nPoints)), float(std::sin(2 * M_PI * i / nPoints)),
                               float(i % 2)});
    }
    std::vector<std::array<int, 3>> triples;
    for (int a = 0; a < nPoints; ++a)
    {
        for (int b = a + 1; b < nPoints; ++b)
        {
            for (int c = b + 1; c < nPoints; ++c)
            {
                triples.push_back({a, b, c});
            }
        }
    }
    for (int k = 0; k < nFacets; ++k)
    {
        mesh.triangles.push_back(triples[size_t(k) % triples.size()]);
    }
    return mesh;
}

// nFacets facets whose corners are drawn at random from nPoints points on
// the unit sphere, three different ones each. With nShare, the points are as
// many as make every one a corner of exactly nShare faces (the points of
// nFacets triangles each in 8 facets are at the work allowed per facet); with
// bQuads, the facets come in pairs, each a quad of four random corners split
// along its diagonal.
inline IndexedMesh scatteredCorners(int nFacets, int nPoints, int nShare = 0, bool bQuads = false)
{
    const int nPerFace = bQuads ? 4 : 3;
    const int nFaces = bQuads ? nFacets / 2 : nFacets;
    const size_t nCorners = size_t(nFaces) * size_t(nPerFace);
    if (nShare > 0)
    {
        nPoints = int(nCorners / size_t(nShare));
    }
    IndexedMesh mesh;
    for (int i = 0; i < nPoints; ++i)
    {
        const double dZ = -1.0 + 2.0 * (i + 0.5) / nPoints;
        const double dRadius = std::sqrt(1.0 - dZ * dZ);
        const double dAngle = 2.399963229728653 * i;
        mesh.points.push_back({float(dRadius * std::cos(dAngle)), float(dRadius * std::sin(dAngle)), float(dZ)});
    }
    std::mt19937 random(1);
    std::uniform_int_distribution<int> point(0, nPoints - 1);
    std::vector<int> corners(nCorners);
    for (size_t i = 0; i < nCorners; ++i)
    {
        corners[i] = nShare > 0 ? int(i % size_t(nPoints)) : point(random);
    }
    if (nShare > 0)
    {
        std::shuffle(corners.begin(), corners.end(), random);
    }
    for (size_t k = 0; k < nCorners; k += size_t(nPerFace))
    {
        // A corner that repeats one before it in its face is drawn again, or
        // with every point's count fixed, swapped with a corner of a face
        // further on (of one before at the last face).
        for (size_t c = k + 1; c < k + size_t(nPerFace); ++c)
        {
            while (std::find(corners.begin() + long(k), corners.begin() + long(c), corners[c]) !=
                   corners.begin() + long(c))
            {
                if (nShare == 0)
                {
                    corners[c] = point(random);
                    continue;
                }
                const size_t nRest = nCorners - k - size_t(nPerFace);
                const size_t nOther = std::uniform_int_distribution<size_t>(0, (nRest ? nRest : k) - 1)(random);
                std::swap(corners[c], corners[nRest ? k + size_t(nPerFace) + nOther : nOther]);
            }
        }
        const int* p = &corners[k];
        mesh.triangles.push_back({p[0], p[1], p[2]});
        if (bQuads)
        {
            mesh.triangles.push_back({p[0], p[2], p[3]});
        }
    }
    return mesh;
}

// The mesh with its triangles in a random order, in groups of nGroup that
// keep theirs (2: a quad's two facets stay together).
inline IndexedMesh shuffled(IndexedMesh mesh, unsigned nSeed, size_t nGroup = 1)
{
    std::vector<size_t> groups(mesh.triangles.size() / nGroup);
    for (size_t g = 0; g < groups.size(); ++g)
    {
        groups[g] = g;
    }
    std::mt19937 random(nSeed);
    std::shuffle(groups.begin(), groups.end(), random);
    std::vector<std::array<int, 3>> triangles;
    for (size_t g : groups)
    {
        triangles.insert(triangles.end(), mesh.triangles.begin() + long(g * nGroup),
                         mesh.triangles.begin() + long((g + 1) * nGroup));
    }
    mesh.triangles = triangles;
    return mesh;
}

// Every triangle written twice in a row.
inline IndexedMesh doubled(IndexedMesh mesh)
{
    std::vector<std::array<int, 3>> triangles;
    for (const auto& triangle : mesh.triangles)
    {
        triangles.insert(triangles.end(), {triangle, triangle});
    }
    mesh.triangles = triangles;
    return mesh;
}

// The mesh with its points moved to whole numbers, each point to its own
// place of a cube of 128^3, in order: short lines in an OBJ.
inline IndexedMesh onGrid(IndexedMesh mesh)
{
    for (size_t i = 0; i < mesh.points.size(); ++i)
    {
        mesh.points[i] = {float(i % 128), float(i / 128 % 128), float(i / 16384)};
    }
    return mesh;
}

// The mesh with every point moved to x = 0 (distinct points of the unit
// sphere stay distinct, as their z differ).
inline IndexedMesh flattened(IndexedMesh mesh)
{
    for (auto& point : mesh.points)
    {
        point[0] = 0.0f;
    }
    return mesh;
}

// Well-formed meshes of extreme extent: all must come out finite at unit size.
inline Corpus extremeExtents()
{
    return {
        // Scaled by 1e40 in single precision every point became infinite.
        {"tiny.obj", "v 0 0 0\nv 1e-40 0 0\nv 0 1e-40 0\nf 1 2 3\n"},
        // An extent beyond the largest float.
        {"wide.obj", "v -3e38 0 0\nv 3e38 0 0\nv 0 1 0\nf 1 2 3\n"},
        // One point far away.
        {"far.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1e14 1e14 1e14\nf 1 2 3\nf 1 2 4\n"},
    };
}

// Malformed files, each to be refused with one error line saying why.
inline Corpus refused()
{
    QByteArray truncated = binaryStl(2, twoTriangles());
    truncated.chop(7);
    std::vector<float> nanCorner = twoTriangles();
    nanCorner[4] = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> infCorner = twoTriangles();
    infCorner[17] = std::numeric_limits<float>::infinity();
    const QByteArray loop = triangleLoop();

    return {
        {"empty.stl", QByteArray()},
        {"empty.obj", QByteArray()},
        {"header-only.stl", binaryStl(0, {})},
        {"truncated.stl", truncated},
        {"count-too-large.stl", binaryStl(5, twoTriangles())},
        {"count-too-small.stl", binaryStl(1, twoTriangles())},
        // Every facet with two corners at one point, or all three.
        {"two-equal-corners.stl", binaryStl(2, {0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0})},
        {"one-place.stl", binaryStl(2, std::vector<float>(18, 2.0f))},
        {"nan.stl", binaryStl(2, nanCorner)},
        {"inf.stl", binaryStl(2, infCorner)},
        {"nan-ascii.stl", asciiStl(asciiFacet("vertex 0 0 0\nvertex nan 0 0\nvertex 0 1 0\n"))},
        {"no-facets.stl", "solid x\nendsolid x\n"},
        // The reader takes the three lines after "outer loop" as corners,
        // whatever they hold: a blank one left a corner unset.
        {"blank-in-loop.stl", asciiStl(asciiFacet("  vertex 0 0 0\n\n  vertex 1 0 0\n  vertex 0 1 0\n"))},
        {"two-corners.stl", asciiStl(asciiFacet("  vertex 0 0 0\n  vertex 1 0 0\n"))},
        {"four-corners.stl", asciiStl(asciiFacet(loop + "  vertex 1 1 0\n"))},
        {"no-endloop.stl", "solid x\nfacet normal 0 0 1\nouter loop\n" + loop + "endfacet\nendsolid x\n"},
        {"word-for-vertex.stl", asciiStl(asciiFacet("  vertex 0 0 0\n  normal 1 0 0\n  vertex 0 1 0\n"))},
        {"short-corner.stl", asciiStl(asciiFacet("  vertex 0 0 0\n  vertex 1 0\n  vertex 0 1 0\n"))},
        {"float-overflow.stl", asciiStl(asciiFacet("  vertex 0 0 0\n  vertex 1e39 0 0\n  vertex 0 1 0\n"))},
        // Any line mentioning "outer" starts a loop in the reader.
        {"outer-in-name.stl", asciiStl(asciiFacet(loop), "outer_shell")},
        {"blank-before-loop.stl", "solid x\nfacet normal 0 0 1\n\nouter loop\n" + loop + "endloop\nendfacet\n"},
        {"text-after-end.stl", asciiStl(asciiFacet(loop)) + "garbage\n"},
        {"control-character.stl", asciiStl(asciiFacet("  vertex 0 0 0\n  vertex 1 0 \x01\n  vertex 0 1 0\n"))},
        {"index-too-large.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n"},
        {"index-zero.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n"},
        {"index-negative.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n"},
        {"index-forward.obj", "v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n"},
        // Negating the smallest index overflowed.
        {"index-minimum.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 -9223372036854775808\n"},
        {"index-fraction.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 2.5\n"},
        {"texcoord-out-of-range.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/2 3/3\n"},
        {"four-part-corner.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/// 2 3\n"},
        {"two-corners.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n"},
        {"no-faces.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n"},
        {"nan.obj", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"inf.obj", "v 0 0 0\nv 1 inf 0\nv 0 1 0\nf 1 2 3\n"},
        // Finite as a double, infinite as the float the reader makes of it.
        {"huge.obj", "v 0 0 0\nv 1e300 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"float-overflow.obj", "v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"hex.obj", "v 0 0 0\nv 0x10 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"short-vertex.obj", "v 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"single-point.obj", "v 2 2 2\nv 2 2 2\nv 2 2 2\nf 1 2 3\n"},
        {"only-empty-lines.obj", QByteArray(100000, '\n')},
        {"garbage.stl", QByteArray(300, '\x7f')},
        // Other formats are not read at all.
        {"tetrahedron.off", "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n"},
        {"triangle.obj.txt", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
    };
}
} // namespace MalformedMeshFiles
