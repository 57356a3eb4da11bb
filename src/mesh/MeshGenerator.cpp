#include "MeshGenerator.h"

#include "Logger.h"
#include "MeshObject.h"
#include "Parallel.h"
#include "SimpleException.h"

#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModAspectRatioT.hh>
#include <OpenMesh/Tools/Decimater/ModNormalFlippingT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
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

using Parallel::availableCores;

// OpenMesh's Jacobi-Laplace smoother with its C0 step spread over the cores.
// Each vertex's new position depends only on the old positions, so the
// vertices are independent and the result is the same as OpenMesh's own.
class ParallelJacobiLaplaceSmoother : public OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>
{
public:
    using Base = OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>;
    using Base::Base;

protected:
    void compute_new_positions_C0() override
    {
        const TriangleMesh& mesh = this->mesh_;
        Parallel::forRange(mesh.n_vertices(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                const TriangleMesh::VertexHandle vh{static_cast<int>(i)};
                if ((mesh.has_vertex_status() && mesh.status(vh).deleted()) || !this->is_active(vh))
                {
                    continue;
                }
                TriangleMesh::Normal u(0, 0, 0);
                for (auto it = mesh.cvoh_iter(vh); it.is_valid(); ++it)
                {
                    const float w = this->weight(mesh.edge_handle(*it));
                    u += mesh.point(mesh.to_vertex_handle(*it)) * w;
                }
                u *= this->weight(vh);
                u -= mesh.point(vh);
                u *= 0.5f;
                TriangleMesh::Normal p = mesh.point(vh);
                p += u;
                this->set_new_position(vh, p);
            }
        });
    }
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

MeshGenerator::Image MeshGenerator::Image::ownedCopy(const Image& source)
{
    Image copy;
    copy.nWidth = source.nWidth;
    copy.nHeight = source.nHeight;
    copy.bOwnsData = true;
    const std::size_t nSize = std::size_t(source.nWidth) * source.nHeight;
    copy.pData = new float[nSize > 0 ? nSize : 1];
    if (source.pData)
    {
        std::copy(source.pData, source.pData + nSize, copy.pData);
    }
    return copy;
}

float MeshGenerator::Image::getValue(unsigned x, unsigned y) const
{
    const std::size_t nIndex = std::size_t(y) * nWidth + x;
    MOLDENA_ASSERT(nIndex < nWidth * nHeight);
    return pData[nIndex];
}

namespace
{
// The surfaces and walls of the rasters. With pFaceQuads, the pixel (y *
// width + x) of the cell that made each face is recorded, face by face.
void buildMesh(const MeshGenerator::Image& imageFront, const MeshGenerator::Image& imageBack,
    std::vector<unsigned>* pFaceQuads, TriangleMesh& mesh)
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
            if (pFaceQuads)
            {
                pFaceQuads->resize(mesh.n_faces(), unsigned(y * nWidth + x));
            }
        }
    }
}
} // namespace

TriangleMesh* MeshGenerator::createMesh(const Image& imageFront, const Image& imageBack)
{
    auto pMesh = std::make_unique<TriangleMesh>();
    buildMesh(imageFront, imageBack, nullptr, *pMesh);
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

void MeshGenerator::computeNormals(TriangleMesh& mesh)
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
}

void MeshGenerator::smooth(TriangleMesh& mesh, unsigned nSteps)
{
    if (nSteps == 0)
    {
        return;
    }
    {
        ParallelJacobiLaplaceSmoother smoother(mesh);
        smoother.initialize(ParallelJacobiLaplaceSmoother::Tangential_and_Normal, ParallelJacobiLaplaceSmoother::C0);
        smoother.smooth(nSteps);
    }
    // The smoother moves points but leaves the face normals of the unsmoothed
    // surface; the normal-flipping test of the decimation must compare
    // against the surface as it now is.
    mesh.update_face_normals();
    mesh.update_vertex_normals();
}

namespace
{
// OpenMesh's quadric priority, with one change: collapses of exactly zero
// error (flat ground) all tie, and a heap left to break ties by itself takes
// them in an order that jumps all over the mesh, so that most checks miss the
// caches. Here such ties go by the index of the vertex that moves, so the
// decimater sweeps across flat ground row by row. No tied collapse is better
// than another; on the 1024 x 1024 relief the first round of the tiles needs
// about a quarter less time and the errors stay the same.
template <typename MeshT>
class ModQuadricInOrderT : public OpenMesh::Decimater::ModQuadricT<MeshT>
{
public:
    using Base = OpenMesh::Decimater::ModQuadricT<MeshT>;
    using Handle = OpenMesh::Decimater::ModHandleT<ModQuadricInOrderT>;
    using CollapseInfo = typename Base::CollapseInfo;
    using Base::Base;

    void setTiesInOrder(bool bInOrder) { m_bTiesInOrder = bInOrder; }

    float collapse_priority(const CollapseInfo& ci) override
    {
        const float fPriority = Base::collapse_priority(ci);
        // Far below any error a surface in pixels can show: about 1e-24 for
        // the last of millions of vertices.
        return m_bTiesInOrder && fPriority == 0.0f ? float(ci.v0.idx() + 1) * 1e-30f : fPriority;
    }

private:
    bool m_bTiesInOrder = true;
};

// One decimater run: the normal-flipping veto (its default limit of 90
// degrees), the quadric priority (no maximum error) and the aspect-ratio veto
// (minimum 5.0). Compacts the mesh while the decimater, which owns the status
// flags, is still alive: without them garbage collection silently does
// nothing.
template <typename MeshT>
void runDecimater(MeshT& mesh, unsigned nVertices, bool bAspectRatioFirst, bool bTiesInOrder)
{
    using DecimaterT = OpenMesh::Decimater::DecimaterT<MeshT>;
    typename OpenMesh::Decimater::ModNormalFlippingT<MeshT>::Handle hNormalFlipping;
    typename ModQuadricInOrderT<MeshT>::Handle hQuadric;
    typename OpenMesh::Decimater::ModAspectRatioT<MeshT>::Handle hAspectRatio;
    DecimaterT decimater(mesh);
    if (bAspectRatioFirst)
    {
        decimater.add(hAspectRatio);
        decimater.add(hNormalFlipping);
    }
    else
    {
        decimater.add(hNormalFlipping);
    }
    decimater.add(hQuadric);
    if (!bAspectRatioFirst)
    {
        decimater.add(hAspectRatio);
    }
    decimater.module(hAspectRatio).set_aspect_ratio(5.0f);
    decimater.module(hAspectRatio).set_binary(true);
    decimater.module(hQuadric).setTiesInOrder(bTiesInOrder);
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


// A veto that asks the quadric module first: a collapse whose quadric error
// is at or above the quadric's bound is refused whatever the other vetoes
// say, and the quadric error costs far less than the aspect-ratio and
// normal-flipping tests. Away from flat ground most candidates fail here
// while the tiles work under their growing bounds; the module
// only answers what the quadric module answers later, so the result stays
// the same.
class ModErrorBound : public OpenMesh::Decimater::ModBaseT<TriangleMesh>
{
public:
    using Handle = OpenMesh::Decimater::ModHandleT<ModErrorBound>;
    using Base = OpenMesh::Decimater::ModBaseT<TriangleMesh>;
    using CollapseInfo = Base::CollapseInfo;
    DECIMATER_MODNAME(ErrorBound)

    explicit ModErrorBound(TriangleMesh& mesh)
        : Base(mesh, true)
    {
    }

    void setQuadric(OpenMesh::Decimater::ModQuadricT<TriangleMesh>* pQuadric) { m_pQuadric = pQuadric; }

    float collapse_priority(const CollapseInfo& ci) override
    {
        if (!m_pQuadric || m_pQuadric->max_err() >= DBL_MAX)
        {
            return float(Base::LEGAL_COLLAPSE);
        }
        return m_pQuadric->collapse_priority(ci) < 0.0f ? float(Base::ILLEGAL_COLLAPSE) : float(Base::LEGAL_COLLAPSE);
    }

private:
    OpenMesh::Decimater::ModQuadricT<TriangleMesh>* m_pQuadric = nullptr;
};

// A veto for tiles: a collapse into a locked vertex (on a cut or in the
// margin) must not join it by a new edge to another locked vertex. Two tiles
// decimated apart could each make that edge on their side of the cut, and
// the tiles would then no longer fit together. Edges a tile makes from a
// vertex of its own stay its own.
class ModCutGuard : public OpenMesh::Decimater::ModBaseT<TriangleMesh>
{
public:
    using Handle = OpenMesh::Decimater::ModHandleT<ModCutGuard>;
    using Base = OpenMesh::Decimater::ModBaseT<TriangleMesh>;
    using CollapseInfo = Base::CollapseInfo;
    DECIMATER_MODNAME(CutGuard)

    explicit ModCutGuard(TriangleMesh& mesh)
        : Base(mesh, true)
    {
    }

    float collapse_priority(const CollapseInfo& ci) override
    {
        const TriangleMesh& mesh = Base::mesh();
        if (!mesh.status(ci.v1).locked())
        {
            return float(Base::LEGAL_COLLAPSE);
        }
        for (auto it = mesh.cvv_iter(ci.v0); it.is_valid(); ++it)
        {
            if (*it != ci.v1 && *it != ci.vl && *it != ci.vr && mesh.status(*it).locked())
            {
                return float(Base::ILLEGAL_COLLAPSE);
            }
        }
        return float(Base::LEGAL_COLLAPSE);
    }
};

// The three modules on one mesh, kept alive between rounds so that the
// quadrics gather over the rounds as they do in a single run, and the guard
// of the cuts.
class TileDecimater
{
public:
    TileDecimater(TriangleMesh& mesh, bool bAspectRatioFirst, bool bErrorBoundFirst, bool bTiesInOrder)
        : m_decimater(mesh)
    {
        m_decimater.add(m_hCutGuard);
        if (bErrorBoundFirst)
        {
            m_decimater.add(m_hErrorBound);
        }
        if (bAspectRatioFirst)
        {
            m_decimater.add(m_hAspectRatio);
            m_decimater.add(m_hNormalFlipping);
        }
        else
        {
            m_decimater.add(m_hNormalFlipping);
        }
        m_decimater.add(m_hQuadric);
        if (!bAspectRatioFirst)
        {
            m_decimater.add(m_hAspectRatio);
        }
        m_decimater.module(m_hAspectRatio).set_aspect_ratio(5.0f);
        m_decimater.module(m_hAspectRatio).set_binary(true);
        m_decimater.module(m_hQuadric).setTiesInOrder(bTiesInOrder);
        if (bErrorBoundFirst)
        {
            m_decimater.module(m_hErrorBound).setQuadric(&m_decimater.module(m_hQuadric));
        }
        if (!m_decimater.initialize())
        {
            throw std::logic_error("decimation failed");
        }
    }

    // Collapses at most nCollapses edges whose quadric error stays below
    // dMaxError; returns how many it made.
    std::size_t run(std::size_t nCollapses, double dMaxError)
    {
        if (nCollapses == 0)
        {
            return 0;
        }
        m_decimater.module(m_hQuadric).set_max_err(dMaxError, false);
        return m_decimater.decimate(nCollapses);
    }

private:
    OpenMesh::Decimater::DecimaterT<TriangleMesh> m_decimater;
    OpenMesh::Decimater::ModNormalFlippingT<TriangleMesh>::Handle m_hNormalFlipping;
    ModQuadricInOrderT<TriangleMesh>::Handle m_hQuadric;
    OpenMesh::Decimater::ModAspectRatioT<TriangleMesh>::Handle m_hAspectRatio;
    ModErrorBound::Handle m_hErrorBound;
    ModCutGuard::Handle m_hCutGuard;
};

// One tile of the mesh, cut out as a mesh of its own. Vertices it shares
// with other tiles are locked, so its cut stays exactly where it was and the
// tiles fit together again.
struct Tile
{
    std::vector<int> faces;
    TriangleMesh mesh;
    // Each vertex's number in the whole mesh.
    OpenMesh::VPropHandleT<int> hGlobalIndex;
    // A tile built with a margin around it holds faces of its neighbours
    // too; only those marked here are its own.
    bool bMargin = false;
    OpenMesh::FPropHandleT<bool> hOwnFace;
    std::unique_ptr<TileDecimater> pDecimater;
    // Its vertices on a cut (shared with other tiles) and inside it.
    std::size_t nShared = 0;
    std::size_t nInner = 0;
    // Vertices it keeps at least, and vertices it still has.
    std::size_t nFloor = 0;
    std::size_t nVertices = 0;
    // False when the tile could not be cut out as a mesh of its own.
    bool bFits = true;
    std::exception_ptr pError;
};

void cutOutTile(const TriangleMesh& mesh, const std::vector<unsigned char>& border, Tile& part,
    const MeshGenerator::DecimationSetup& setup)
{
    TriangleMesh& sub = part.mesh;
    sub.request_face_normals();
    sub.add_property(part.hGlobalIndex);
    // A patch of a closed surface has about half as many vertices and one
    // and a half times as many edges as faces, plus its rim.
    const std::size_t nFaces = part.faces.size();
    sub.reserve(nFaces / 2 + nFaces / 16 + 64, nFaces * 3 / 2 + nFaces / 16 + 64, nFaces);
    std::vector<int> localIndex(mesh.n_vertices(), -1);
    for (const int nFace : part.faces)
    {
        const TriangleMesh::FaceHandle fh(nFace);
        TriangleMesh::VertexHandle corners[3];
        int i = 0;
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            int& nLocal = localIndex[it->idx()];
            if (nLocal < 0)
            {
                const auto vh = sub.add_vertex(mesh.point(*it));
                sub.property(part.hGlobalIndex, vh) = it->idx();
                nLocal = vh.idx();
                ++(border[std::size_t(it->idx())] ? part.nShared : part.nInner);
            }
            corners[i] = TriangleMesh::VertexHandle(nLocal);
        }
        const auto fhSub = sub.add_face(corners, 3);
        if (!fhSub.is_valid())
        {
            part.bFits = false;
            return;
        }
        sub.set_normal(fhSub, mesh.normal(fh));
    }
    part.faces.clear();
    part.faces.shrink_to_fit();
    part.nVertices = sub.n_vertices();
    part.pDecimater = std::make_unique<TileDecimater>(
        sub, setup.bAspectRatioFirst, setup.bErrorBoundFirst, setup.bTiesInOrder);
    // The decimater has brought the status flags.
    for (const auto vh : sub.vertices())
    {
        if (border[std::size_t(sub.property(part.hGlobalIndex, vh))])
        {
            sub.status(vh).set_locked(true);
        }
    }
}

// Runs work(part) for every part on as many threads as there are cores; an
// exception is kept with its part.
template <typename Work>
void forEachTile(std::vector<Tile>& parts, Work work)
{
    std::atomic<std::size_t> nNext(0);
    auto worker = [&]() {
        // The tiles already keep every core busy.
        const Parallel::SerialScope serial;
        for (std::size_t k = nNext++; k < parts.size(); k = nNext++)
        {
            Tile& part = parts[k];
            if (part.pError || !part.bFits)
            {
                continue;
            }
            try
            {
                work(part);
            }
            catch (...)
            {
                part.pError = std::current_exception();
            }
        }
    };
    std::vector<std::thread> threads;
    const std::size_t nThreads = std::min<std::size_t>(parts.size(), availableCores());
    // Room first: a vector growing under running threads could fail and
    // leave them unjoined.
    threads.reserve(nThreads);
    for (std::size_t t = 1; t < nThreads; ++t)
    {
        try
        {
            threads.emplace_back(worker);
        }
        catch (const std::system_error&)
        {
            // Fewer threads: the ones there are take the remaining tiles.
            break;
        }
    }
    worker();
    for (std::thread& thread : threads)
    {
        thread.join();
    }
}

// Every round lets each tile collapse what costs less than a bound, and the
// bound grows until the tiles together are down to the reserve. So the tiles
// spend their vertices where the surface needs them, as one pass over the
// whole mesh would, whatever their share of flat ground. A tile never goes
// below its floor.
class TileRounds
{
public:
    static constexpr int ROUNDS = 30;

    void run(Tile& part, int nRound) const
    {
        if (!part.pDecimater)
        {
            return;
        }
        const std::size_t nCollapses = part.nVertices > part.nFloor ? part.nVertices - part.nFloor : 0;
        part.nVertices -= part.pDecimater->run(nCollapses, nRound == ROUNDS - 1 ? DBL_MAX : boundOf(nRound));
    }

    // Rounds nFirst and on, until the tiles together keep at most dReserve
    // vertices. nBorder: the vertices on cuts, each counted once.
    void runFrom(int nFirst, std::vector<Tile>& parts, std::size_t nBorder, double dReserve) const
    {
        for (int nRound = nFirst; nRound < ROUNDS; ++nRound)
        {
            // Border vertices are in several tiles and never go.
            std::size_t nTotal = nBorder;
            for (const Tile& part : parts)
            {
                // A tile that could not be made counts nothing; the join
                // gives up on it.
                nTotal += part.nVertices > part.nShared ? part.nVertices - part.nShared : 0;
            }
            if (double(nTotal) <= dReserve)
            {
                break;
            }
            forEachTile(parts, [&](Tile& part) { run(part, nRound); });
        }
    }

private:
    static double boundOf(int nRound) { return 1e-5 * std::pow(4.0, double(nRound)); }
};

// Fits the decimated tiles together: each vertex once, each tile's own faces
// in the order of the tiles. Rethrows a tile's exception; nothing when the
// tiles do not fit. nGlobalVertices: the range of the vertices' numbers.
std::unique_ptr<TriangleMesh> joinTiles(std::vector<Tile>& parts, std::size_t nGlobalVertices)
{
    // The tiles are read as they are, deleted elements skipped, so their
    // decimaters (which own the status flags) live until the join is done.
    for (Tile& part : parts)
    {
        if (part.pError)
        {
            std::rethrow_exception(part.pError);
        }
        if (!part.bFits)
        {
            return nullptr;
        }
    }
    auto pJoined = std::make_unique<TriangleMesh>();
    TriangleMesh& joined = *pJoined;
    joined.request_face_normals();
    joined.request_vertex_normals();
    {
        std::size_t nJoinedVertices = 0;
        std::size_t nJoinedEdges = 0;
        std::size_t nJoinedFaces = 0;
        for (const Tile& part : parts)
        {
            // A closed patch has about twice as many faces as vertices and
            // three times as many edges, plus its rim.
            nJoinedVertices += part.nVertices;
            nJoinedEdges += 3 * part.nVertices + part.nShared;
            nJoinedFaces += 2 * part.nVertices + part.nShared;
        }
        joined.reserve(nJoinedVertices, nJoinedEdges, nJoinedFaces);
    }
    std::vector<int> joinedIndex(nGlobalVertices, -1);
    for (Tile& part : parts)
    {
        TriangleMesh& sub = part.mesh;
        for (const auto fh : sub.faces())
        {
            if (part.bMargin && !sub.property(part.hOwnFace, fh))
            {
                continue;
            }
            TriangleMesh::VertexHandle corners[3];
            int i = 0;
            for (auto it = sub.cfv_iter(fh); it.is_valid(); ++it, ++i)
            {
                int& nJoined = joinedIndex[std::size_t(sub.property(part.hGlobalIndex, *it))];
                if (nJoined < 0)
                {
                    nJoined = joined.add_vertex(sub.point(*it)).idx();
                }
                corners[i] = TriangleMesh::VertexHandle(nJoined);
            }
            if (!joined.add_face(corners, 3).is_valid())
            {
                return nullptr;
            }
        }
        part.pDecimater.reset();
        sub.clear();
    }
    // Tiles built on their own must close up exactly where the whole mesh
    // would.
    bool bMargins = false;
    for (const Tile& part : parts)
    {
        bMargins = bMargins || part.bMargin;
    }
    if (bMargins)
    {
        for (const auto eh : joined.edges())
        {
            if (joined.is_boundary(eh))
            {
                return nullptr;
            }
        }
    }
    joined.update_face_normals();
    return pJoined;
}

// Decimates tiles of the mesh in parallel, fits them together and returns
// the joined mesh (face normals current), or nothing when the mesh is not
// worth cutting or the tiles do not fit.
std::unique_ptr<TriangleMesh> decimateInParts(const TriangleMesh& mesh, unsigned nVertices, unsigned nParts,
    const MeshGenerator::DecimationSetup& setup)
{
    const std::size_t nMeshVertices = mesh.n_vertices();
    const double dReserve = std::max(1.0, setup.dPartReserve) * nVertices;
    if (nParts < 2 || nMeshVertices < setup.nMinimumVerticesForParts || double(nMeshVertices) <= dReserve * 1.2)
    {
        return nullptr;
    }

    // Tiles in two rows (one when the number is odd), cut at quantiles of the
    // vertex coordinates so that the tiles hold about equal numbers of
    // vertices. Every tile then reaches the outside of the object: tiles that
    // lay wholly inside, their front and back patches ringed by locked seams,
    // were measured to end with errors as deep as the relief's grooves.
    const unsigned nRows = nParts % 2 == 0 ? 2 : 1;
    const unsigned nColumns = nParts / nRows;
    auto quantileCuts = [&](int nAxis, unsigned nCount) {
        std::vector<float> values;
        values.reserve(nMeshVertices);
        for (const auto vh : mesh.vertices())
        {
            values.push_back(mesh.point(vh)[nAxis]);
        }
        std::vector<float> cuts;
        for (unsigned k = 1; k < nCount; ++k)
        {
            auto it = values.begin() + std::ptrdiff_t(nMeshVertices * k / nCount);
            std::nth_element(values.begin(), it, values.end());
            cuts.push_back(*it);
        }
        std::sort(cuts.begin(), cuts.end());
        return cuts;
    };
    const std::vector<float> cutsX = quantileCuts(0, nColumns);
    const std::vector<float> cutsY = quantileCuts(1, nRows);

    // Each face goes to the tile that holds its centre; a vertex whose faces
    // lie in more than one tile is on a cut.
    const std::size_t nMeshFaces = mesh.n_faces();
    std::vector<unsigned short> facePart(nMeshFaces);
    Parallel::forRange(nMeshFaces, [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t f = nBegin; f < nEnd; ++f)
        {
            TriangleMesh::Point centre(0.0f, 0.0f, 0.0f);
            for (auto it = mesh.cfv_iter(TriangleMesh::FaceHandle(int(f))); it.is_valid(); ++it)
            {
                centre += mesh.point(*it);
            }
            centre /= 3.0f;
            const unsigned nColumn = unsigned(std::upper_bound(cutsX.begin(), cutsX.end(), centre[0]) - cutsX.begin());
            const unsigned nRow = unsigned(std::upper_bound(cutsY.begin(), cutsY.end(), centre[1]) - cutsY.begin());
            facePart[f] = static_cast<unsigned short>(nRow * nColumns + nColumn);
        }
    });
    std::vector<unsigned char> border(nMeshVertices, 0);
    Parallel::forRange(nMeshVertices, [&](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t v = nBegin; v < nEnd; ++v)
        {
            int nPart = -1;
            for (auto it = mesh.cvf_iter(TriangleMesh::VertexHandle(int(v))); it.is_valid(); ++it)
            {
                const int nFacePart = facePart[std::size_t(it->idx())];
                if (nPart >= 0 && nFacePart != nPart)
                {
                    border[v] = 1;
                    break;
                }
                nPart = nFacePart;
            }
        }
    });
    const std::size_t nBorder = std::size_t(std::count(border.begin(), border.end(), 1));
    if (dReserve <= double(nBorder) * 1.5 || nMeshVertices == nBorder || nVertices <= nBorder)
    {
        return nullptr;
    }
    // Each tile keeps at least its cut and a share of the budget in
    // proportion to its inner vertices, so the tiles together never fall
    // below the budget.
    const double dInnerShare = double(nVertices - nBorder) / double(nMeshVertices - nBorder);

    // A tile goes on to its first round as soon as it is cut out.
    TileRounds rounds;
    std::vector<Tile> parts(nParts);
    forEachTile(parts, [&](Tile& part) {
        const unsigned short nPart = static_cast<unsigned short>(&part - parts.data());
        for (std::size_t f = 0; f < nMeshFaces; ++f)
        {
            if (facePart[f] == nPart)
            {
                part.faces.push_back(int(f));
            }
        }
        if (part.faces.empty())
        {
            return;
        }
        cutOutTile(mesh, border, part, setup);
        part.nFloor = part.nShared + std::size_t(std::ceil(double(part.nInner) * dInnerShare));
        rounds.run(part, 0);
    });
    facePart.clear();
    facePart.shrink_to_fit();
    rounds.runFrom(1, parts, nBorder, dReserve);
    return joinTiles(parts, nMeshVertices);
}
} // namespace

namespace
{
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Positions where a range of pixels is cut into nCount pieces holding about
// equal numbers of solid pixels: cuts[0] = nFirst, cuts[nCount] = the end.
std::vector<unsigned> solidQuantileCuts(const std::vector<std::size_t>& counts, unsigned nFirst, unsigned nCount)
{
    std::size_t nTotal = 0;
    for (unsigned i = nFirst; i < counts.size(); ++i)
    {
        nTotal += counts[i];
    }
    std::vector<unsigned> cuts{nFirst};
    std::size_t nSum = 0;
    unsigned i = nFirst;
    for (unsigned k = 1; k < nCount; ++k)
    {
        const std::size_t nWanted = nTotal * k / nCount;
        while (i < counts.size() && nSum + counts[i] <= nWanted)
        {
            nSum += counts[i++];
        }
        cuts.push_back(std::max(i, cuts.back()));
    }
    cuts.push_back(unsigned(counts.size()));
    return cuts;
}

// Builds, smooths and decimates the mesh in tiles, each on its own core, so
// that no step but the join and the final pass works on the whole mesh.
// Each tile is built from its part of the rasters with a margin wider than
// smoothing reaches: its own vertices then get exactly the positions and
// normals a build of the whole would give them, and the margin, whose faces
// belong to the neighbours, stays locked. Nothing when the rasters are too
// small or too narrow for tiles or the tiles do not fit.
std::unique_ptr<TriangleMesh> generateInTiles(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings)
{
    const unsigned nWidth = imageFront.nWidth;
    const unsigned nHeight = imageFront.nHeight;
    const unsigned nParts = setup.nParts == 0 ? 8 : setup.nParts;
    const unsigned nVertices = parameters.NumberOfVertices;
    // Smoothing moves a vertex by its neighbours' positions: after n steps a
    // vertex has felt everything up to n edges away. The build decides about
    // a cell from the cells before it, so a window's edge can change the
    // build some cells further on where pixels touch only at corners (up to
    // 7 were seen on random rasters); the margin leaves room for both. As a
    // second line, the tiles that share a cut compare its edges and its
    // vertices' points and the whole mesh is built where they differ. That
    // catches most of what too narrow a margin changes, not all: with no
    // margin at all, a few points inside a tile were seen to differ with the
    // cuts agreeing. The join still checks that the mesh is closed.
    const unsigned nMargin = parameters.NumberOfSmoothingSteps + setup.nTileMargin;
    if (nParts < 2 || setup.bLibraryQueries || nWidth < 2 || nHeight < 2
        || std::size_t(nWidth) * nHeight * 2 >= std::size_t(std::numeric_limits<int>::max()))
    {
        return nullptr;
    }
    const Clock::time_point start = Clock::now();

    const float* pFront = imageFront.pData;
    const float* pBack = imageBack.pData;
    std::vector<std::size_t> columnSolid(nWidth, 0);
    std::vector<std::size_t> rowSolid(nHeight, 0);
    std::size_t nSolid = 0;
    for (unsigned y = 0; y < nHeight; ++y)
    {
        for (unsigned x = 0; x < nWidth; ++x)
        {
            const std::size_t i = std::size_t(y) * nWidth + x;
            if (isMaterial(pFront[i]) && isMaterial(pBack[i]))
            {
                ++columnSolid[x];
                ++rowSolid[y];
                ++nSolid;
            }
        }
    }
    const double dReserve = std::max(1.0, setup.dPartReserve) * nVertices;
    if (2 * nSolid < setup.nMinimumVerticesForParts || double(2 * nSolid) <= dReserve * 1.2)
    {
        return nullptr;
    }

    // Tiles in two rows (one when the number is odd) of cells (a cell makes
    // the faces between pixel x - 1, x and rows y - 1, y and is named by x, y
    // from 1), cut where the tiles get about equal numbers of solid pixels.
    // Every tile then reaches the outside of the object: tiles that lay
    // wholly inside, their front and back patches ringed by locked seams,
    // were measured to end with errors as deep as the relief's grooves.
    const unsigned nRows = nParts % 2 == 0 ? 2 : 1;
    const unsigned nColumns = nParts / nRows;
    const std::vector<unsigned> cutsX = solidQuantileCuts(columnSolid, 1, nColumns);
    const std::vector<unsigned> cutsY = solidQuantileCuts(rowSolid, 1, nRows);
    for (const std::vector<unsigned>* pCuts : {&cutsX, &cutsY})
    {
        for (std::size_t k = 1; k < pCuts->size(); ++k)
        {
            // Margins wider than the tiles would build most of the mesh twice.
            if ((*pCuts)[k] < (*pCuts)[k - 1] + 2 * nMargin)
            {
                return nullptr;
            }
        }
    }

    struct Window
    {
        // Own cells [nCellX0, nCellX1) x [nCellY0, nCellY1); pixels of the
        // window [nX0, nX1) x [nY0, nY1).
        unsigned nCellX0, nCellX1, nCellY0, nCellY1;
        unsigned nX0, nX1, nY0, nY1;
        std::vector<std::pair<int, TriangleMesh::Point>> borderVertices;
        // The edges where its own faces end, from one vertex number to the
        // next in the direction of its own face.
        std::vector<std::pair<int, int>> seams;
    };
    std::vector<Tile> parts(nParts);
    std::vector<Window> windows(nParts);
    for (unsigned nRow = 0; nRow < nRows; ++nRow)
    {
        for (unsigned nColumn = 0; nColumn < nColumns; ++nColumn)
        {
            Window& window = windows[nRow * nColumns + nColumn];
            window.nCellX0 = cutsX[nColumn];
            window.nCellX1 = cutsX[nColumn + 1];
            window.nCellY0 = cutsY[nRow];
            window.nCellY1 = cutsY[nRow + 1];
            window.nX0 = window.nCellX0 - 1 > nMargin ? window.nCellX0 - 1 - nMargin : 0;
            window.nY0 = window.nCellY0 - 1 > nMargin ? window.nCellY0 - 1 - nMargin : 0;
            window.nX1 = std::min(nWidth, window.nCellX1 + nMargin);
            window.nY1 = std::min(nHeight, window.nCellY1 + nMargin);
        }
    }

    // Build: each tile from a copy of its window, moved to where the window
    // lies before anything is computed from the points, so that every
    // number is the one the whole mesh would have.
    forEachTile(parts, [&](Tile& part) {
        Window& window = windows[std::size_t(&part - parts.data())];
        const unsigned nWindowWidth = window.nX1 - window.nX0;
        const unsigned nWindowHeight = window.nY1 - window.nY0;
        std::vector<float> front(std::size_t(nWindowWidth) * nWindowHeight);
        std::vector<float> back(front.size());
        for (unsigned y = 0; y < nWindowHeight; ++y)
        {
            const std::size_t nFrom = std::size_t(window.nY0 + y) * nWidth + window.nX0;
            std::copy(pFront + nFrom, pFront + nFrom + nWindowWidth, front.begin() + std::ptrdiff_t(y) * nWindowWidth);
            std::copy(pBack + nFrom, pBack + nFrom + nWindowWidth, back.begin() + std::ptrdiff_t(y) * nWindowWidth);
        }
        MeshGenerator::Image windowFront;
        windowFront.pData = front.data();
        windowFront.nWidth = nWindowWidth;
        windowFront.nHeight = nWindowHeight;
        MeshGenerator::Image windowBack = windowFront;
        windowBack.pData = back.data();
        std::vector<unsigned> faceCells;
        TriangleMesh& sub = part.mesh;
        buildMesh(windowFront, windowBack, &faceCells, sub);

        part.bMargin = true;
        sub.add_property(part.hOwnFace);
        sub.add_property(part.hGlobalIndex);
        for (const auto fh : sub.all_faces())
        {
            const unsigned nCell = faceCells[std::size_t(fh.idx())];
            const unsigned x = nCell % nWindowWidth + window.nX0;
            const unsigned y = nCell / nWindowWidth + window.nY0;
            sub.property(part.hOwnFace, fh)
                = x >= window.nCellX0 && x < window.nCellX1 && y >= window.nCellY0 && y < window.nCellY1;
        }
        const TriangleMesh::Point offset(float(window.nX0), float(window.nY0), 0.0f);
        for (const auto vh : sub.all_vertices())
        {
            TriangleMesh::Point& point = sub.point(vh);
            point += offset;
            // Front vertices lie below z = 0, back vertices above.
            const std::size_t nPixel = std::size_t(point[1]) * nWidth + std::size_t(point[0]);
            sub.property(part.hGlobalIndex, vh) = int(nPixel * 2 + (point[2] > 0.0f ? 1 : 0));
        }
        MeshGenerator::removeIsolatedVertices(sub);
    });
    timings.dBuild = secondsSince(start);

    Clock::time_point phase = Clock::now();
    forEachTile(parts, [&](Tile& part) { MeshGenerator::computeNormals(part.mesh); });
    timings.dNormals = secondsSince(phase);
    phase = Clock::now();
    forEachTile(parts, [&](Tile& part) { MeshGenerator::smooth(part.mesh, parameters.NumberOfSmoothingSteps); });
    timings.dSmoothing = secondsSince(phase);

    // A tile's own vertices lie only on its own faces; vertices on its own
    // and on other faces are on a cut, and the others lie in the margin.
    // Both of the latter stay where they are.
    phase = Clock::now();
    forEachTile(parts, [&](Tile& part) {
        Window& window = windows[std::size_t(&part - parts.data())];
        TriangleMesh& sub = part.mesh;
        part.pDecimater = std::make_unique<TileDecimater>(
            sub, setup.bAspectRatioFirst, setup.bErrorBoundFirst, setup.bTiesInOrder);
        for (const auto vh : sub.vertices())
        {
            bool bOwn = false;
            bool bOther = false;
            for (auto it = sub.cvf_iter(vh); it.is_valid(); ++it)
            {
                (sub.property(part.hOwnFace, *it) ? bOwn : bOther) = true;
            }
            if (bOwn && !bOther)
            {
                ++part.nInner;
                continue;
            }
            sub.status(vh).set_locked(true);
            if (bOwn)
            {
                ++part.nShared;
                window.borderVertices.emplace_back(sub.property(part.hGlobalIndex, vh), sub.point(vh));
            }
        }
        part.nVertices = part.nInner + part.nShared;
        for (const auto heh : sub.halfedges())
        {
            const auto fh = sub.face_handle(heh);
            const auto fhOpposite = sub.opposite_face_handle(heh);
            if (fh.is_valid() && sub.property(part.hOwnFace, fh)
                && !(fhOpposite.is_valid() && sub.property(part.hOwnFace, fhOpposite)))
            {
                window.seams.emplace_back(sub.property(part.hGlobalIndex, sub.from_vertex_handle(heh)),
                    sub.property(part.hGlobalIndex, sub.to_vertex_handle(heh)));
            }
        }
    });
    for (const Tile& part : parts)
    {
        if (part.pError)
        {
            std::rethrow_exception(part.pError);
        }
    }
    // The tiles fit together when every seam of one is the seam of another
    // run the other way and the tiles agree on where the vertices of the
    // cuts lie. Where the build of a window came out otherwise than the
    // whole mesh's would, they do not, and the whole mesh is built.
    {
        std::vector<std::pair<int, int>> seams;
        for (Window& window : windows)
        {
            seams.insert(seams.end(), window.seams.begin(), window.seams.end());
            window.seams.clear();
            window.seams.shrink_to_fit();
        }
        std::sort(seams.begin(), seams.end());
        if (std::adjacent_find(seams.begin(), seams.end()) != seams.end())
        {
            return nullptr;
        }
        for (const auto& seam : seams)
        {
            if (!std::binary_search(seams.begin(), seams.end(), std::make_pair(seam.second, seam.first)))
            {
                return nullptr;
            }
        }
    }
    const std::size_t nGlobalVertices = std::size_t(nWidth) * nHeight * 2;
    std::size_t nBorder = 0;
    std::size_t nMeshVertices = 0;
    {
        std::vector<std::pair<int, TriangleMesh::Point>> border;
        for (std::size_t k = 0; k < parts.size(); ++k)
        {
            border.insert(border.end(), windows[k].borderVertices.begin(), windows[k].borderVertices.end());
            nMeshVertices += parts[k].nInner;
        }
        std::sort(border.begin(), border.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < border.size(); ++i)
        {
            if (i == 0 || border[i].first != border[i - 1].first)
            {
                ++nBorder;
            }
            else if (!(border[i].second == border[i - 1].second))
            {
                return nullptr;
            }
        }
        nMeshVertices += nBorder;
    }
    if (dReserve <= double(nBorder) * 1.5 || nMeshVertices == nBorder || nVertices <= nBorder
        || double(nMeshVertices) <= dReserve * 1.2)
    {
        return nullptr;
    }
    const double dInnerShare = double(nVertices - nBorder) / double(nMeshVertices - nBorder);
    for (Tile& part : parts)
    {
        part.nFloor = part.nShared + std::size_t(std::ceil(double(part.nInner) * dInnerShare));
    }
    TileRounds().runFrom(0, parts, nBorder, dReserve);
    std::unique_ptr<TriangleMesh> pJoined = joinTiles(parts, nGlobalVertices);
    if (!pJoined)
    {
        return nullptr;
    }
    parts.clear();
    runDecimater(*pJoined, nVertices, setup.bAspectRatioFirst, setup.bTiesInOrder);
    pJoined->update_face_normals();
    pJoined->update_vertex_normals();
    timings.dDecimation = secondsSince(phase);
    return pJoined;
}
// The whole mesh in one piece: build, normals, smoothing, then decimation.
std::unique_ptr<TriangleMesh> generateWhole(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, const MeshGenerator::Parameters& parameters,
    const MeshGenerator::DecimationSetup& setup, MeshGenerator::Timings& timings)
{
    Clock::time_point start = Clock::now();
    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::createMesh(imageFront, imageBack));
    // Vertices left over by refused triangles would count against the vertex
    // budget and widen the box that normalising uses.
    MeshGenerator::removeIsolatedVertices(*pMesh);
    timings.dBuild = secondsSince(start);
    start = Clock::now();
    MeshGenerator::computeNormals(*pMesh);
    timings.dNormals = secondsSince(start);
    start = Clock::now();
    MeshGenerator::smooth(*pMesh, parameters.NumberOfSmoothingSteps);
    timings.dSmoothing = secondsSince(start);
    start = Clock::now();
    MeshGenerator::decimate(*pMesh, parameters.NumberOfVertices, setup);
    timings.dDecimation = secondsSince(start);
    return pMesh;
}

} // namespace

TriangleMesh* MeshGenerator::generateMesh(const Image& imageFront, const Image& imageBack,
    const Parameters& parameters, const DecimationSetup& setup, Timings* pTimings)
{
    MOLDENA_ASSERT(imageBack.nWidth == imageFront.nWidth);
    MOLDENA_ASSERT(imageBack.nHeight == imageFront.nHeight);
    Timings timings;
    std::unique_ptr<TriangleMesh> pMesh = generateInTiles(imageFront, imageBack, parameters, setup, timings);
    if (!pMesh)
    {
        pMesh = generateWhole(imageFront, imageBack, parameters, setup, timings);
    }
    if (pTimings)
    {
        *pTimings = timings;
    }
    return pMesh.release();
}

void MeshGenerator::decimate(TriangleMesh& mesh, unsigned nVertices)
{
    decimate(mesh, nVertices, DecimationSetup());
}

void MeshGenerator::decimate(TriangleMesh& mesh, unsigned nVertices, const DecimationSetup& setup)
{
    const unsigned nParts = setup.nParts == 0 ? 8 : setup.nParts;
    std::unique_ptr<TriangleMesh> pJoined;
    if (!setup.bLibraryQueries && mesh.n_vertices() > nVertices)
    {
        pJoined = decimateInParts(mesh, nVertices, nParts, setup);
    }
    if (pJoined)
    {
        runDecimater(*pJoined, nVertices, setup.bAspectRatioFirst, setup.bTiesInOrder);
        mesh = *pJoined;
    }
    else if (setup.bLibraryQueries)
    {
        // The same mesh seen as OpenMesh's own type: the decimater then asks
        // the library's collapse-legality queries.
        runDecimater<TriangleMesh::Base>(mesh, nVertices, setup.bAspectRatioFirst, setup.bTiesInOrder);
    }
    else
    {
        runDecimater(mesh, nVertices, setup.bAspectRatioFirst, setup.bTiesInOrder);
    }
    // The decimater keeps the face normals of the faces it changes, but not
    // the vertex normals.
    if (mesh.has_face_normals() && mesh.has_vertex_normals())
    {
        mesh.update_face_normals();
        mesh.update_vertex_normals();
    }
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
        pMesh.reset(generateMesh(imageFront, imageBack, parameters, DecimationSetup()));
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
