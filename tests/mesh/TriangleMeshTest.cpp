#include "MeshGenerator.h"
#include "TriangleMesh.h"
#include "support/MeshTestSupport.h"

#include <gtest/gtest.h>

#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace
{
TriangleMesh* buildFrom(std::vector<float>& front, std::vector<float>& back, unsigned n)
{
    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = imageFront.nHeight = n;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    return MeshGenerator::createMesh(imageFront, imageBack);
}

// An open, bumpy grid of n x n points: boundary edges and boundary vertices.
TriangleMesh* makeOpenGrid(unsigned n)
{
    std::vector<TriangleMesh::Point> points;
    std::vector<std::vector<int>> triangles;
    for (unsigned y = 0; y < n; ++y)
    {
        for (unsigned x = 0; x < n; ++x)
        {
            points.emplace_back(float(x), float(y), float((x * 7 + y * 3) % 5));
        }
    }
    for (unsigned y = 1; y < n; ++y)
    {
        for (unsigned x = 1; x < n; ++x)
        {
            const int a = int((y - 1) * n + x - 1), b = a + 1, c = int(y * n + x - 1), d = c + 1;
            triangles.push_back({a, b, d});
            triangles.push_back({a, d, c});
        }
    }
    return makeMesh(points, triangles);
}

// A disc fanned around a centre of valence n, plus one flap over three rim
// points: rim 0 and rim 2 become neighbours of each other as well as of the
// centre, so collapsing rim 0 into the centre must be refused. Valences above
// any small fixed list size.
TriangleMesh* makeFanWithFlap(int n)
{
    std::vector<TriangleMesh::Point> points{{0.0f, 0.0f, 1.0f}};
    std::vector<std::vector<int>> triangles;
    for (int i = 0; i < n; ++i)
    {
        const float fAngle = 6.2831853f * float(i) / float(n);
        points.emplace_back(std::cos(fAngle), std::sin(fAngle), 0.0f);
        triangles.push_back({0, 1 + i, 1 + (i + 1) % n});
    }
    triangles.push_back({2, 1, 3});
    return makeMesh(points, triangles);
}

// Compares the mesh type's own answers with OpenMesh's on every half-edge and
// vertex. Both may write tagged flags; those are scratch for either.
void expectSameAnswers(TriangleMesh& mesh, int& nLegal, int& nIllegal)
{
    TriangleMesh::Base& library = mesh;
    for (int i = 0; i < int(mesh.n_halfedges()); ++i)
    {
        const TriangleMesh::HalfedgeHandle h(i);
        const bool bOurs = mesh.is_collapse_ok(h);
        const bool bLibrary = library.is_collapse_ok(h);
        EXPECT_EQ(bOurs, bLibrary) << "half-edge " << i;
        (bLibrary ? nLegal : nIllegal)++;
    }

    for (int i = 0; i < int(mesh.n_vertices()); ++i)
    {
        const TriangleMesh::VertexHandle v(i);
        EXPECT_EQ(mesh.valence(v), library.valence(v)) << "vertex " << i;
        // Neighbours and a few vertices that are no neighbours.
        for (int j : {i + 1, i + 2, i + 17, i - 1})
        {
            if (j >= 0 && j < int(mesh.n_vertices()))
            {
                const TriangleMesh::VertexHandle w(j);
                EXPECT_EQ(mesh.find_halfedge(v, w), library.find_halfedge(v, w));
            }
        }
        for (auto it = mesh.cvv_iter(v); it.is_valid(); ++it)
        {
            EXPECT_EQ(mesh.find_halfedge(v, *it), library.find_halfedge(v, *it));
        }
    }
}
} // namespace

TEST(TriangleMesh, CollapseQueriesMatchOpenMeshOnClosedAndOpenMeshes)
{
    const unsigned n = 24;
    std::vector<float> front = makeDiscRelief(n, 10.0f, 5.0f, 3.0f, 3, 2.0f);
    std::vector<float> back(front.size());
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 2.0f : 0.0f;
    }
    std::vector<std::unique_ptr<TriangleMesh>> meshes;
    meshes.emplace_back(buildFrom(front, back, n));
    meshes.emplace_back(makeOpenGrid(6));
    meshes.emplace_back(makeTetrahedron());
    meshes.emplace_back(makeOctahedron());
    meshes.emplace_back(makeFanWithFlap(40));

    // Holes everywhere: walls, refused triangles, vertices without faces.
    std::mt19937 random(3);
    std::vector<float> holes(n * n);
    std::vector<float> holesBack(n * n);
    for (std::size_t i = 0; i < holes.size(); ++i)
    {
        holes[i] = (random() % 4 == 0) ? 0.0f : 1.0f + float(random() % 3);
        holesBack[i] = (random() % 5 == 0) ? 0.0f : 1.0f;
    }
    meshes.emplace_back(buildFrom(holes, holesBack, n));

    int nLegal = 0;
    int nIllegal = 0;
    for (auto& pMesh : meshes)
    {
        pMesh->request_vertex_status();
        pMesh->request_edge_status();
        pMesh->request_face_status();
        expectSameAnswers(*pMesh, nLegal, nIllegal);
    }
    // Both answers occur, so the comparison covers both ways.
    EXPECT_GT(nLegal, 100);
    EXPECT_GT(nIllegal, 100);
}

TEST(TriangleMesh, CollapseIntoAVertexOfHighValenceMatchesOpenMesh)
{
    std::unique_ptr<TriangleMesh> pFan(makeFanWithFlap(40));
    pFan->request_vertex_status();
    pFan->request_edge_status();
    pFan->request_face_status();
    const TriangleMesh::VertexHandle centre(0);
    ASSERT_EQ(pFan->valence(centre), 40u);
    // Rim 0 (vertex 1) into the centre: rim 2 (vertex 3) is a third common
    // neighbour.
    const auto h = pFan->find_halfedge(TriangleMesh::VertexHandle(1), centre);
    ASSERT_TRUE(h.is_valid());
    EXPECT_FALSE(pFan->is_collapse_ok(h));
    EXPECT_FALSE(static_cast<TriangleMesh::Base&>(*pFan).is_collapse_ok(h));
    // Rim 10 into the centre has only its two side vertices in common.
    const auto hFree = pFan->find_halfedge(TriangleMesh::VertexHandle(11), centre);
    EXPECT_TRUE(pFan->is_collapse_ok(hFree));
    int nLegal = 0;
    int nIllegal = 0;
    expectSameAnswers(*pFan, nLegal, nIllegal);
    EXPECT_GT(nLegal, 0);
    EXPECT_GT(nIllegal, 0);
}

TEST(TriangleMesh, CollapseQueriesMatchOpenMeshOnAPartlyDecimatedMesh)
{
    // After collapses the mesh holds deleted elements, valence-3 vertices and
    // irregular fans.
    const unsigned n = 24;
    std::vector<float> front = makeDiscRelief(n, 11.0f, 5.0f, 3.0f, 2, 2.0f);
    std::vector<float> back(front.size());
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 3.0f : 0.0f;
    }
    std::unique_ptr<TriangleMesh> pMesh(buildFrom(front, back, n));
    std::unique_ptr<TriangleMesh> pGrid(makeOpenGrid(9));
    for (TriangleMesh* pTarget : {pMesh.get(), pGrid.get()})
    {
        OpenMesh::Decimater::DecimaterT<TriangleMesh> decimater(*pTarget);
        OpenMesh::Decimater::ModQuadricT<TriangleMesh>::Handle hQuadric;
        decimater.add(hQuadric);
        ASSERT_TRUE(decimater.initialize());
        const std::size_t nDone = decimater.decimate_to(pTarget->n_vertices() * 2 / 3);
        ASSERT_GT(nDone, 10u);
        int nLegal = 0;
        int nIllegal = 0;
        expectSameAnswers(*pTarget, nLegal, nIllegal);
        EXPECT_GT(nLegal, 10);
        EXPECT_GT(nIllegal, 10);
    }
}

TEST(TriangleMesh, NormalUpdatesMatchOpenMeshBitForBit)
{
    // Large enough to be split over several threads; partly decimated so that
    // deleted faces must keep whatever normal they had.
    const unsigned n = 96;
    std::vector<float> front = makeDiscRelief(n, 45.0f, 6.0f, 9.0f, 5, 2.0f);
    std::vector<float> back(front.size());
    for (std::size_t i = 0; i < back.size(); ++i)
    {
        back[i] = front[i] > 0.0f ? 2.0f + 0.01f * float(i % 13) : 0.0f;
    }
    std::unique_ptr<TriangleMesh> pOurs(buildFrom(front, back, n));
    ASSERT_GT(pOurs->n_faces(), 20000u);
    OpenMesh::Decimater::DecimaterT<TriangleMesh> decimater(*pOurs);
    OpenMesh::Decimater::ModQuadricT<TriangleMesh>::Handle hQuadric;
    decimater.add(hQuadric);
    ASSERT_TRUE(decimater.initialize());
    ASSERT_GT(decimater.decimate_to(pOurs->n_vertices() / 2), 1000u);

    // Deleted faces get a marker normal neither update may touch.
    const TriangleMesh::Normal marker(7.0f, 7.0f, 7.0f);
    std::size_t nDeleted = 0;
    for (std::size_t i = 0; i < pOurs->n_faces(); ++i)
    {
        const TriangleMesh::FaceHandle fh(static_cast<int>(i));
        if (pOurs->status(fh).deleted())
        {
            pOurs->set_normal(fh, marker);
            ++nDeleted;
        }
    }
    ASSERT_GT(nDeleted, 0u);
    TriangleMesh library(*pOurs);

    pOurs->update_normals();
    static_cast<TriangleMesh::Base&>(library).update_normals();

    for (std::size_t i = 0; i < pOurs->n_faces(); ++i)
    {
        const TriangleMesh::FaceHandle fh(static_cast<int>(i));
        ASSERT_EQ(pOurs->normal(fh), library.normal(fh)) << "face " << i;
        if (pOurs->status(fh).deleted())
        {
            ASSERT_EQ(pOurs->normal(fh), marker) << "face " << i;
        }
    }
    for (std::size_t i = 0; i < pOurs->n_vertices(); ++i)
    {
        const TriangleMesh::VertexHandle vh(static_cast<int>(i));
        ASSERT_EQ(pOurs->normal(vh), library.normal(vh)) << "vertex " << i;
    }
}
