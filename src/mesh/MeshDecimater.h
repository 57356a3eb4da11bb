#pragma once

#include "TriangleMesh.h"

#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModAspectRatioT.hh>
#include <OpenMesh/Tools/Decimater/ModNormalFlippingT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>

#include <cfloat>
#include <cstddef>
#include <stdexcept>

// The decimation modules: OpenMesh's normal-flipping, quadric and
// aspect-ratio modules with the additions the tiles need, one decimater run
// over a whole mesh, and the decimater a tile keeps between its rounds.
namespace MeshDecimater
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
} // namespace MeshDecimater
