#include "MeshBuilder.h"

#include "Logger.h"
#include "SimpleException.h"

#include <cstddef>
#include <memory>

namespace
{
using VertexHandle = TriangleMesh::VertexHandle;
using MeshBuilder::isMaterial;

// The per-pixel working tables of one build.
class Tables
{
public:
    Tables(unsigned nWidth, unsigned nHeight)
        : m_nWidth(nWidth)
        , m_front(std::size_t(nWidth) * nHeight)
        , m_back(std::size_t(nWidth) * nHeight)
        , m_lower(std::size_t(nWidth) * nHeight, 0)
        , m_upper(std::size_t(nWidth) * nHeight, 0)
    {
    }

    VertexHandle& front(unsigned x, unsigned y) { return m_front[index(x, y)]; }
    VertexHandle& back(unsigned x, unsigned y) { return m_back[index(x, y)]; }
    unsigned char& lower(unsigned x, unsigned y) { return m_lower[index(x, y)]; }
    unsigned char& upper(unsigned x, unsigned y) { return m_upper[index(x, y)]; }

private:
    std::size_t index(unsigned x, unsigned y) const { return std::size_t(y) * m_nWidth + x; }

    unsigned m_nWidth;
    // A default VertexHandle is invalid: the empty marker.
    std::vector<VertexHandle> m_front;
    std::vector<VertexHandle> m_back;
    std::vector<unsigned char> m_lower;
    std::vector<unsigned char> m_upper;
};

struct Corner
{
    unsigned x;
    unsigned y;
    float z;
};

// One surface triangle with its vertices. A vertex whose fan is already
// closed never receives another face: that keeps the mesh manifold.
bool addFace(VertexHandle& (Tables::*table)(unsigned, unsigned), Tables& tables, TriangleMesh& mesh,
    const Corner (&corners)[3])
{
    VertexHandle vertices[3];
    for (int i = 0; i < 3; ++i)
    {
        VertexHandle& vh = (tables.*table)(corners[i].x, corners[i].y);
        if (!vh.is_valid())
        {
            vh = mesh.add_vertex(TriangleMesh::Point(float(corners[i].x), float(corners[i].y), corners[i].z));
        }
        else
        {
            const auto heh = mesh.halfedge_handle(vh);
            if (heh.is_valid() && mesh.face_handle(heh).is_valid())
            {
                return false;
            }
        }
        vertices[i] = vh;
    }
    return mesh.add_face(vertices[0], vertices[1], vertices[2]).is_valid();
}

void addWallFace(TriangleMesh& mesh, VertexHandle a, VertexHandle b, VertexHandle c, const QString& sLocation)
{
    if (!mesh.add_face(a, b, c).is_valid())
    {
        Logger::getInstance()->log(sLocation, "invalid face handle", Logger::LEVEL_WARNING);
    }
}
} // namespace

void MeshBuilder::build(const MeshGenerator::Image& imageFront, const MeshGenerator::Image& imageBack,
    std::vector<unsigned>* pFaceCells, TriangleMesh& mesh)
{
    MOLDENA_ASSERT(imageBack.nWidth == imageFront.nWidth);
    MOLDENA_ASSERT(imageBack.nHeight == imageFront.nHeight);
    const unsigned nWidth = imageFront.nWidth;
    const unsigned nHeight = imageFront.nHeight;

    mesh.request_face_normals();
    mesh.request_vertex_normals();
    Tables tables(nWidth, nHeight);

    // Heights without bounds checks; the loops stay inside the raster.
    const float* pFront = imageFront.pData;
    const float* pBack = imageBack.pData;
    auto f = [&](unsigned x, unsigned y) { return pFront[std::size_t(y) * nWidth + x]; };
    auto b = [&](unsigned x, unsigned y) { return pBack[std::size_t(y) * nWidth + x]; };
    auto solid = [&](unsigned x, unsigned y) { return isMaterial(f(x, y)) && isMaterial(b(x, y)); };
    auto F = [&](unsigned x, unsigned y) { return tables.front(x, y); };
    auto B = [&](unsigned x, unsigned y) { return tables.back(x, y); };

    // Room for every element up front: growing the arrays of a mesh of
    // millions of elements step by step copies them again and again and, at
    // each doubling, holds both copies. Each solid pixel gives a front and a
    // back vertex and at most two triangles on either surface; a solid pixel
    // at the edge of the material carries at most four wall triangles.
    std::size_t nSolid = 0;
    std::size_t nRim = 0;
    for (unsigned y = 0; y < nHeight; ++y)
    {
        for (unsigned x = 0; x < nWidth; ++x)
        {
            if (!solid(x, y))
            {
                continue;
            }
            ++nSolid;
            if (x == 0 || y == 0 || x + 1 == nWidth || y + 1 == nHeight || !solid(x - 1, y) || !solid(x + 1, y)
                || !solid(x, y - 1) || !solid(x, y + 1))
            {
                ++nRim;
            }
        }
    }
    mesh.reserve(2 * nSolid, 6 * nSolid + 6 * nRim, 4 * nSolid + 4 * nRim);

    for (unsigned y = 1; y < nHeight; ++y)
    {
        for (unsigned x = 1; x < nWidth; ++x)
        {
            if (!solid(x, y))
            {
                continue;
            }
            bool bLower = false;
            if (solid(x - 1, y) && solid(x - 1, y - 1))
            {
                const bool bFront = addFace(&Tables::front, tables, mesh,
                    {{x, y, -f(x, y)}, {x - 1, y - 1, -f(x - 1, y - 1)}, {x - 1, y, -f(x - 1, y)}});
                const bool bBack = addFace(&Tables::back, tables, mesh,
                    {{x, y, b(x, y)}, {x - 1, y, b(x - 1, y)}, {x - 1, y - 1, b(x - 1, y - 1)}});
                bLower = bFront && bBack;
            }
            bool bUpper = false;
            if (solid(x - 1, y - 1) && solid(x, y - 1))
            {
                const bool bFront = addFace(&Tables::front, tables, mesh,
                    {{x, y, -f(x, y)}, {x, y - 1, -f(x, y - 1)}, {x - 1, y - 1, -f(x - 1, y - 1)}});
                const bool bBack = addFace(&Tables::back, tables, mesh,
                    {{x, y, b(x, y)}, {x - 1, y - 1, b(x - 1, y - 1)}, {x, y - 1, b(x, y - 1)}});
                bUpper = bFront && bBack;
            }
            tables.lower(x, y) = bLower;
            tables.upper(x, y) = bUpper;

            // Walls close the open edges of this cell's halves; each wall face
            // uses the edge's half-edge opposite to the surface triangle's.
            if (bLower && (x == 1 || !tables.upper(x - 1, y)))
            {
                addWallFace(mesh, F(x - 1, y), F(x - 1, y - 1), B(x - 1, y - 1), LOG_LOCATION);
                addWallFace(mesh, F(x - 1, y), B(x - 1, y - 1), B(x - 1, y), LOG_LOCATION);
            }
            if (bUpper && (x + 1 == nWidth || !solid(x + 1, y)))
            {
                addWallFace(mesh, F(x, y), B(x, y), B(x, y - 1), LOG_LOCATION);
                addWallFace(mesh, F(x, y), B(x, y - 1), F(x, y - 1), LOG_LOCATION);
            }
            if (bUpper && (y == 1 || !tables.lower(x, y - 1)))
            {
                addWallFace(mesh, F(x, y - 1), B(x, y - 1), F(x - 1, y - 1), LOG_LOCATION);
                addWallFace(mesh, B(x, y - 1), B(x - 1, y - 1), F(x - 1, y - 1), LOG_LOCATION);
            }
            if (bLower && (y + 1 == nHeight || !solid(x, y + 1)))
            {
                addWallFace(mesh, F(x, y), F(x - 1, y), B(x, y), LOG_LOCATION);
                addWallFace(mesh, B(x, y), F(x - 1, y), B(x - 1, y), LOG_LOCATION);
            }
            if (bLower && !bUpper)
            {
                addWallFace(mesh, F(x, y), B(x, y), F(x - 1, y - 1), LOG_LOCATION);
                addWallFace(mesh, B(x, y), B(x - 1, y - 1), F(x - 1, y - 1), LOG_LOCATION);
            }
            if (bUpper && !bLower)
            {
                addWallFace(mesh, F(x, y), F(x - 1, y - 1), B(x - 1, y - 1), LOG_LOCATION);
                addWallFace(mesh, F(x, y), B(x - 1, y - 1), B(x, y), LOG_LOCATION);
            }
            if (pFaceCells)
            {
                pFaceCells->resize(mesh.n_faces(), unsigned(y * nWidth + x));
            }
        }
    }
}

TriangleMesh* MeshGenerator::createMesh(const Image& imageFront, const Image& imageBack)
{
    auto pMesh = std::make_unique<TriangleMesh>();
    MeshBuilder::build(imageFront, imageBack, nullptr, *pMesh);
    return pMesh.release();
}

unsigned MeshGenerator::removeIsolatedVertices(TriangleMesh& mesh)
{
    unsigned nIsolated = 0;
    for (const auto vh : mesh.vertices())
    {
        nIsolated += mesh.is_isolated(vh) ? 1 : 0;
    }
    if (nIsolated == 0)
    {
        return 0;
    }
    mesh.deleteAndCompact([&mesh] {
        for (const auto vh : mesh.vertices())
        {
            if (mesh.is_isolated(vh))
            {
                mesh.delete_vertex(vh, false);
            }
        }
    });
    return nIsolated;
}

void MeshBuilder::numberVertices(TriangleMesh& mesh, unsigned nWidth)
{
    OpenMesh::VPropHandleT<int> hIds;
    mesh.add_property(hIds, VERTEX_IDS);
    for (const auto vh : mesh.all_vertices())
    {
        mesh.property(hIds, vh) = vertexId(mesh.point(vh), nWidth);
    }
}
