#include "MeshTestSupport.h"

#include "ReliefShapes.h"

#include "MeshObject.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TriangleMesh* makeMesh(const std::vector<TriangleMesh::Point>& points, const std::vector<std::vector<int>>& triangles)
{
    TriangleMesh* pMesh = new TriangleMesh();
    pMesh->request_face_normals();
    pMesh->request_vertex_normals();
    std::vector<TriangleMesh::VertexHandle> vertices;
    for (const TriangleMesh::Point& p : points)
    {
        vertices.push_back(pMesh->add_vertex(p));
    }
    for (const std::vector<int>& t : triangles)
    {
        pMesh->add_face(vertices[t[0]], vertices[t[1]], vertices[t[2]]);
    }
    pMesh->update_face_normals();
    pMesh->update_vertex_normals();
    return pMesh;
}

TriangleMesh* makeTetrahedron()
{
    return makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}});
}

TriangleMesh* makeOctahedron(float fScaleX, float fScaleY, float fScaleZ, float fX, float fY, float fZ)
{
    std::vector<TriangleMesh::Point> points = {
        {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (TriangleMesh::Point& p : points)
    {
        p = TriangleMesh::Point(p[0] * fScaleX + fX, p[1] * fScaleY + fY, p[2] * fScaleZ + fZ);
    }
    // Outward counter-clockwise: around +z the order is +x, +y, -x, -y.
    return makeMesh(points, {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}});
}

bool isClosedTwoManifold(const TriangleMesh& mesh)
{
    std::vector<int> outgoing(mesh.n_vertices(), 0);
    for (const auto heh : mesh.halfedges())
    {
        if (mesh.is_boundary(heh))
        {
            return false;
        }
        ++outgoing[mesh.from_vertex_handle(heh).idx()];
    }
    for (const auto vh : mesh.vertices())
    {
        if (mesh.is_isolated(vh))
        {
            return false;
        }
        int nFan = 0;
        for (auto it = mesh.cvoh_iter(vh); it.is_valid(); ++it)
        {
            ++nFan;
        }
        if (nFan != outgoing[vh.idx()])
        {
            return false;
        }
    }
    return true;
}

std::vector<float> makeDiscRelief(unsigned nSize, float fRadius, float fTop, float fBevel, unsigned nGrooves,
    float fDepth)
{
    std::vector<float> heights(std::size_t(nSize) * nSize, 0.0f);
    const float fCentre = (nSize - 1) * 0.5f;
    for (unsigned y = 0; y < nSize; ++y)
    {
        for (unsigned x = 0; x < nSize; ++x)
        {
            const float dx = x - fCentre;
            const float dy = y - fCentre;
            const float r = std::sqrt(dx * dx + dy * dy);
            if (r > fRadius)
            {
                continue;
            }
            // Quarter circle from the rim inwards.
            const float t = std::min(1.0f, (fRadius - r) / fBevel);
            float h = 1.0f + (fTop - 1.0f) * std::sqrt(1.0f - (1.0f - t) * (1.0f - t));
            for (unsigned g = 0; g < nGrooves; ++g)
            {
                // Grooves along lines at different angles through the inner disc.
                const float fAngle = 0.7f * float(g) + 0.3f;
                const float fOffset = (float(g % 5) - 2.0f) * fRadius * 0.15f;
                const float d = std::abs(dx * std::cos(fAngle) + dy * std::sin(fAngle) - fOffset);
                if (d < 1.5f && r < fRadius - fBevel)
                {
                    h = std::max(0.5f, h - fDepth);
                }
            }
            heights[std::size_t(y) * nSize + x] = h;
        }
    }
    return heights;
}

std::vector<float> makeCombHeights(unsigned nSize, float fHeight, unsigned nTooth)
{
    return ReliefShapes::comb(nSize, fHeight, nTooth);
}

std::vector<float> makeSlotHeights(unsigned nSize, float fHeight)
{
    return ReliefShapes::slottedSlab(nSize, fHeight);
}

std::vector<float> makeStrokeHeights(unsigned nSize, float fHeight)
{
    return ReliefShapes::strokes(nSize, fHeight);
}

bool identicalMeshes(const TriangleMesh& a, const TriangleMesh& b)
{
    if (a.n_vertices() != b.n_vertices() || a.n_faces() != b.n_faces())
    {
        return false;
    }
    for (const auto vh : a.vertices())
    {
        if (a.point(vh) != b.point(vh))
        {
            return false;
        }
    }
    for (const auto fh : a.faces())
    {
        for (auto itA = a.cfv_iter(fh), itB = b.cfv_iter(fh); itA.is_valid() && itB.is_valid(); ++itA, ++itB)
        {
            if (*itA != *itB)
            {
                return false;
            }
        }
    }
    return true;
}

double volumeOf(const TriangleMesh& mesh)
{
    MeshObject object("V");
    object.setMesh(new TriangleMesh(mesh));
    object.calculateVolume();
    return object.getMeshData()->getVolume();
}

PointBits bitsOf(const TriangleMesh::Point& point)
{
    PointBits bits;
    std::memcpy(bits.data(), point.data(), sizeof(bits));
    return bits;
}

std::set<PointBits> pointsOf(const TriangleMesh& mesh)
{
    std::set<PointBits> points;
    for (const auto vh : mesh.vertices())
    {
        points.insert(bitsOf(mesh.point(vh)));
    }
    return points;
}

SelfCrossings selfCrossingsOf(const TriangleMesh& mesh)
{
    std::vector<std::array<float, 3>> points;
    points.reserve(mesh.n_vertices());
    for (const auto vh : mesh.vertices())
    {
        const TriangleMesh::Point& p = mesh.point(vh);
        points.push_back({p[0], p[1], p[2]});
    }
    std::vector<std::array<int, 3>> triangles;
    triangles.reserve(mesh.n_faces());
    for (const auto fh : mesh.faces())
    {
        auto it = mesh.cfv_iter(fh);
        const int a = it->idx();
        const int b = (++it)->idx();
        const int c = (++it)->idx();
        triangles.push_back({a, b, c});
    }
    return countSelfCrossings(points, triangles);
}
