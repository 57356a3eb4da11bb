#include "MeshGenerator.h"

#include "Logger.h"
#include "MeshObject.h"
#include "SimpleException.h"

#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModAspectRatioT.hh>
#include <OpenMesh/Tools/Decimater/ModNormalFlippingT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>

#include <QThread>

#include <algorithm>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
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

unsigned availableCores()
{
    // Honours the process's CPU affinity (taskset, containers).
    return unsigned(std::max(1, QThread::idealThreadCount()));
}

// Runs work(begin, end) over [0, nCount) in contiguous chunks, one per core.
template <typename Work>
void parallelFor(std::size_t nCount, Work work)
{
    const std::size_t nThreads = std::min<std::size_t>(availableCores(), std::max<std::size_t>(1, nCount / 1024));
    if (nThreads <= 1)
    {
        work(std::size_t(0), nCount);
        return;
    }
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < nThreads; ++t)
    {
        threads.emplace_back(work, nCount * t / nThreads, nCount * (t + 1) / nThreads);
    }
    work(std::size_t(0), nCount / nThreads);
    for (std::thread& thread : threads)
    {
        thread.join();
    }
}

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
        parallelFor(mesh.n_vertices(), [&](std::size_t nBegin, std::size_t nEnd) {
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
// One decimater run: the normal-flipping veto (its default limit of 90
// degrees), the quadric priority (no maximum error) and the aspect-ratio veto
// (minimum 5.0). Vertices flagged in pLocked are never removed. Compacts the
// mesh while the decimater, which owns the status flags, is still alive:
// without them garbage collection silently does nothing.
template <typename MeshT>
void runDecimater(MeshT& mesh, unsigned nVertices, bool bAspectRatioFirst, const std::vector<unsigned char>* pLocked)
{
    using DecimaterT = OpenMesh::Decimater::DecimaterT<MeshT>;
    typename OpenMesh::Decimater::ModNormalFlippingT<MeshT>::Handle hNormalFlipping;
    typename OpenMesh::Decimater::ModQuadricT<MeshT>::Handle hQuadric;
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
    if (!decimater.initialize())
    {
        throw std::logic_error("decimation failed");
    }
    if (pLocked)
    {
        for (const auto vh : mesh.vertices())
        {
            if ((*pLocked)[vh.idx()])
            {
                mesh.status(vh).set_locked(true);
            }
        }
    }
    if (mesh.n_vertices() > nVertices)
    {
        decimater.decimate_to(nVertices);
    }
    mesh.garbage_collection();
}


// One strip of the mesh, cut out as a mesh of its own. Vertices it shares
// with other strips are locked, so its cut stays exactly where it was and the
// strips fit together again.
struct Part
{
    std::vector<int> faces;
    TriangleMesh mesh;
    OpenMesh::VPropHandleT<int> hGlobalIndex;
    unsigned nTarget = 0;
    std::exception_ptr pError;
};

void decimatePart(const TriangleMesh& mesh, const std::vector<unsigned char>& border, Part& part,
    bool bAspectRatioFirst)
{
    try
    {
        TriangleMesh& sub = part.mesh;
        sub.request_face_normals();
        sub.add_property(part.hGlobalIndex);
        std::vector<int> localIndex(mesh.n_vertices(), -1);
        std::vector<unsigned char> locked;
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
                    locked.push_back(border[it->idx()]);
                    nLocal = vh.idx();
                }
                corners[i] = TriangleMesh::VertexHandle(nLocal);
            }
            const auto fhSub = sub.add_face(corners, 3);
            if (!fhSub.is_valid())
            {
                throw std::logic_error("decimation failed");
            }
            sub.set_normal(fhSub, mesh.normal(fh));
        }
        runDecimater(sub, part.nTarget, bAspectRatioFirst, &locked);
    }
    catch (...)
    {
        part.pError = std::current_exception();
    }
}

// Decimates strips of the mesh in parallel, fits them together and returns
// the joined mesh (face normals current), or nothing when the mesh is not
// worth cutting or the strips do not fit.
std::unique_ptr<TriangleMesh> decimateInParts(const TriangleMesh& mesh, unsigned nVertices, unsigned nParts,
    const MeshGenerator::DecimationSetup& setup)
{
    const std::size_t nMeshVertices = mesh.n_vertices();
    const double dReserve = std::max(1.0, setup.dPartReserve) * nVertices;
    if (nParts < 2 || nMeshVertices < setup.nMinimumVerticesForParts || double(nMeshVertices) <= dReserve * 1.2)
    {
        return nullptr;
    }

    // Strips of equal vertex count along x.
    std::vector<float> xs;
    xs.reserve(nMeshVertices);
    for (const auto vh : mesh.vertices())
    {
        xs.push_back(mesh.point(vh)[0]);
    }
    std::vector<float> cuts;
    for (unsigned k = 1; k < nParts; ++k)
    {
        auto it = xs.begin() + std::ptrdiff_t(nMeshVertices * k / nParts);
        std::nth_element(xs.begin(), it, xs.end());
        cuts.push_back(*it);
    }
    std::sort(cuts.begin(), cuts.end());
    xs.clear();
    xs.shrink_to_fit();

    std::vector<Part> parts(nParts);
    std::vector<int> vertexPart(nMeshVertices, -1);
    std::vector<unsigned char> border(nMeshVertices, 0);
    for (const auto fh : mesh.faces())
    {
        float fX = 0.0f;
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it)
        {
            fX += mesh.point(*it)[0];
        }
        const int nPart = int(std::upper_bound(cuts.begin(), cuts.end(), fX / 3.0f) - cuts.begin());
        parts[nPart].faces.push_back(fh.idx());
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it)
        {
            int& nVertexPart = vertexPart[it->idx()];
            if (nVertexPart < 0)
            {
                nVertexPart = nPart;
            }
            else if (nVertexPart != nPart)
            {
                border[it->idx()] = 1;
            }
        }
    }

    // Each strip keeps its border and a share of the remaining budget in
    // proportion to its inner vertices.
    std::vector<std::size_t> inner(nParts, 0);
    std::vector<std::size_t> shared(nParts, 0);
    std::size_t nBorder = 0;
    for (std::size_t v = 0; v < nMeshVertices; ++v)
    {
        if (vertexPart[v] < 0)
        {
            continue;
        }
        if (border[v])
        {
            ++nBorder;
        }
        else
        {
            ++inner[std::size_t(vertexPart[v])];
        }
    }
    {
        // Border vertices counted once per strip that holds them.
        std::vector<int> lastPart(nMeshVertices, -1);
        for (unsigned k = 0; k < nParts; ++k)
        {
            for (const int nFace : parts[k].faces)
            {
                for (auto it = mesh.cfv_iter(TriangleMesh::FaceHandle(nFace)); it.is_valid(); ++it)
                {
                    if (border[it->idx()] && lastPart[it->idx()] != int(k))
                    {
                        lastPart[it->idx()] = int(k);
                        ++shared[k];
                    }
                }
            }
        }
    }
    const std::size_t nInner = nMeshVertices - nBorder;
    if (dReserve <= double(nBorder) * 1.5 || nInner == 0)
    {
        return nullptr;
    }
    const double dInnerShare = (dReserve - double(nBorder)) / double(nInner);
    for (unsigned k = 0; k < nParts; ++k)
    {
        parts[k].nTarget = unsigned(shared[k] + std::size_t(double(inner[k]) * dInnerShare + 0.5));
    }
    vertexPart.clear();
    vertexPart.shrink_to_fit();

    std::vector<std::thread> threads;
    for (unsigned k = 0; k < nParts; ++k)
    {
        if (parts[k].faces.empty())
        {
            continue;
        }
        threads.emplace_back(decimatePart, std::cref(mesh), std::cref(border), std::ref(parts[k]),
            setup.bAspectRatioFirst);
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    for (Part& part : parts)
    {
        if (part.pError)
        {
            std::rethrow_exception(part.pError);
        }
    }

    // Join the strips: shared vertices once, faces strip by strip.
    auto pJoined = std::make_unique<TriangleMesh>();
    TriangleMesh& joined = *pJoined;
    joined.request_face_normals();
    joined.request_vertex_normals();
    std::vector<int> joinedIndex(nMeshVertices, -1);
    for (Part& part : parts)
    {
        TriangleMesh& sub = part.mesh;
        std::vector<TriangleMesh::VertexHandle> subToJoined(sub.n_vertices());
        for (const auto vh : sub.vertices())
        {
            const int nGlobal = sub.property(part.hGlobalIndex, vh);
            int& nJoined = joinedIndex[std::size_t(nGlobal)];
            if (nJoined < 0)
            {
                nJoined = joined.add_vertex(sub.point(vh)).idx();
            }
            subToJoined[std::size_t(vh.idx())] = TriangleMesh::VertexHandle(nJoined);
        }
        for (const auto fh : sub.faces())
        {
            TriangleMesh::VertexHandle corners[3];
            int i = 0;
            for (auto it = sub.cfv_iter(fh); it.is_valid(); ++it, ++i)
            {
                corners[i] = subToJoined[std::size_t(it->idx())];
            }
            if (!joined.add_face(corners, 3).is_valid())
            {
                return nullptr;
            }
        }
        sub.clear();
    }
    joined.update_face_normals();
    return pJoined;
}
} // namespace

void MeshGenerator::decimate(TriangleMesh& mesh, unsigned nVertices)
{
    decimate(mesh, nVertices, DecimationSetup());
}

void MeshGenerator::decimate(TriangleMesh& mesh, unsigned nVertices, const DecimationSetup& setup)
{
    const unsigned nParts = setup.nParts == 0 ? availableCores() : setup.nParts;
    std::unique_ptr<TriangleMesh> pJoined;
    if (!setup.bLibraryQueries && mesh.n_vertices() > nVertices)
    {
        pJoined = decimateInParts(mesh, nVertices, nParts, setup);
    }
    if (pJoined)
    {
        runDecimater(*pJoined, nVertices, setup.bAspectRatioFirst, nullptr);
        mesh = *pJoined;
    }
    else if (setup.bLibraryQueries)
    {
        // The same mesh seen as OpenMesh's own type: the decimater then asks
        // the library's collapse-legality queries.
        runDecimater<TriangleMesh::Base>(mesh, nVertices, setup.bAspectRatioFirst, nullptr);
    }
    else
    {
        runDecimater(mesh, nVertices, setup.bAspectRatioFirst, nullptr);
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
        pMesh.reset(createMesh(imageFront, imageBack));
        // Vertices left over by refused triangles would count against the
        // vertex budget and widen the box that normalising uses.
        removeIsolatedVertices(*pMesh);
        computeNormals(*pMesh);
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
