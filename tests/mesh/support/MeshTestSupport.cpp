#include "MeshTestSupport.h"

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
