#include "MeshGenerator.h"

#include "Logger.h"
#include "MeshObject.h"
#include "SimpleException.h"

#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModAspectRatioT.hh>
#include <OpenMesh/Tools/Decimater/ModNormalFlippingT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <vector>

namespace
{
using VertexHandle = TriangleMesh::VertexHandle;

// Heights that are not greater than 0 (negative, NaN) are no material: every
// test of the build uses this one rule, so a pixel is either on both the
// surface and the wall tests or on neither, and the mesh stays closed.
inline bool isMaterial(float fHeight)
{
    return fHeight > 0.0f;
}

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

// The normal-flipping module's limit is its default, 90 degrees.
using Decimater = OpenMesh::Decimater::DecimaterT<TriangleMesh>;
using ModNormalFlipping = OpenMesh::Decimater::ModNormalFlippingT<TriangleMesh>;
using ModQuadric = OpenMesh::Decimater::ModQuadricT<TriangleMesh>;
using ModAspectRatio = OpenMesh::Decimater::ModAspectRatioT<TriangleMesh>;
} // namespace

MeshGenerator::Image::Image(const Image& other)
{
    *this = other;
}

MeshGenerator::Image& MeshGenerator::Image::operator=(const Image& other)
{
    if (this == &other)
    {
        return *this;
    }
    if (bOwnsData)
    {
        delete[] pData;
    }
    nWidth = other.nWidth;
    nHeight = other.nHeight;
    bOwnsData = other.bOwnsData;
    if (other.bOwnsData && other.pData)
    {
        const std::size_t nSize = std::size_t(nWidth) * nHeight;
        pData = new float[nSize];
        std::copy(other.pData, other.pData + nSize, pData);
    }
    else
    {
        pData = other.pData;
    }
    return *this;
}

MeshGenerator::Image::~Image()
{
    if (bOwnsData)
    {
        delete[] pData;
    }
}

float MeshGenerator::Image::getValue(unsigned x, unsigned y) const
{
    const std::size_t nIndex = std::size_t(y) * nWidth + x;
    MOLDENA_ASSERT(nIndex < nWidth * nHeight);
    return pData[nIndex];
}

TriangleMesh* MeshGenerator::createMesh(const Image& imageFront, const Image& imageBack)
{
    MOLDENA_ASSERT(imageBack.nWidth == imageFront.nWidth);
    MOLDENA_ASSERT(imageBack.nHeight == imageFront.nHeight);
    const unsigned nWidth = imageFront.nWidth;
    const unsigned nHeight = imageFront.nHeight;

    auto pMesh = std::make_unique<TriangleMesh>();
    TriangleMesh& mesh = *pMesh;
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
        }
    }
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
    // Status flags are needed to delete; a caller (the decimater) may hold
    // them already, so they are requested and released in pairs.
    mesh.request_vertex_status();
    mesh.request_edge_status();
    mesh.request_face_status();
    for (const auto vh : mesh.vertices())
    {
        if (mesh.is_isolated(vh))
        {
            mesh.delete_vertex(vh, false);
        }
    }
    mesh.garbage_collection();
    mesh.release_face_status();
    mesh.release_edge_status();
    mesh.release_vertex_status();
    return nIsolated;
}

void MeshGenerator::smooth(TriangleMesh& mesh, unsigned nSteps)
{
    if (!mesh.has_face_normals())
    {
        mesh.request_face_normals();
    }
    if (!mesh.has_vertex_normals())
    {
        mesh.request_vertex_normals();
    }
    mesh.update_face_normals();
    mesh.update_vertex_normals();
    if (nSteps == 0)
    {
        return;
    }
    {
        OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh> smoother(mesh);
        smoother.initialize(OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>::Tangential_and_Normal,
            OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>::C0);
        smoother.smooth(nSteps);
    }
    // The smoother moves points but leaves the face normals of the unsmoothed
    // surface; the normal-flipping test of the decimation must compare
    // against the surface as it now is.
    mesh.update_face_normals();
    mesh.update_vertex_normals();
}

void MeshGenerator::decimate(TriangleMesh& mesh, unsigned nVertices)
{
    // The decimater owns the status flags: garbage collection must run while
    // it is alive, or it silently does nothing.
    Decimater decimater(mesh);
    ModNormalFlipping::Handle hNormalFlipping;
    ModQuadric::Handle hQuadric;
    ModAspectRatio::Handle hAspectRatio;
    decimater.add(hNormalFlipping);
    decimater.add(hQuadric);
    decimater.add(hAspectRatio);
    decimater.module(hAspectRatio).set_aspect_ratio(5.0f);
    decimater.module(hAspectRatio).set_binary(true);
    if (!decimater.initialize())
    {
        throw std::logic_error("decimation failed");
    }
    if (mesh.n_vertices() > nVertices)
    {
        decimater.decimate_to(nVertices);
    }
    mesh.garbage_collection();
}

bool MeshGenerator::generate(const Image& imageFront, const Image& imageBack, const Parameters& parameters,
    MeshObject* pMeshObject)
{
    if (!imageFront.pData || !imageBack.pData || imageFront.nWidth == 0 || imageFront.nHeight == 0
        || imageBack.nWidth == 0 || imageBack.nHeight == 0 || imageFront.nWidth != imageBack.nWidth
        || imageFront.nHeight != imageBack.nHeight || !pMeshObject)
    {
        return false;
    }

    std::unique_ptr<TriangleMesh> pMesh;
    try
    {
        pMesh.reset(createMesh(imageFront, imageBack));
        // Vertices left over by refused triangles would count against the
        // vertex budget and widen the box that normalising uses.
        removeIsolatedVertices(*pMesh);
        smooth(*pMesh, parameters.NumberOfSmoothingSteps);
        decimate(*pMesh, parameters.NumberOfVertices);
        if (pMesh->n_vertices() == 0 || pMesh->n_faces() == 0)
        {
            throw std::logic_error("invalid mesh");
        }
    }
    catch (...)
    {
        return false;
    }

    try
    {
        pMeshObject->setMesh(pMesh.release());
        pMeshObject->setType(MeshObject::TYPE_GENERATED);
        pMeshObject->update();
        pMeshObject->normalize();
        // Maps (x, y, z) to (x, -y, -z): the front, built at negative z, ends
        // on the +z side, and the image's downward rows run upwards.
        pMeshObject->rotate(180.0, 0);
    }
    catch (...)
    {
        return false;
    }
    return true;
}
