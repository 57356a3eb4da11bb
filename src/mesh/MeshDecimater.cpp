#include "MeshDecimater.h"

#include "MeshGenerator.h"
#include "MeshTiles.h"

#include <memory>

using MeshDecimater::runDecimater;

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
        pJoined = MeshTiles::decimateInParts(mesh, nVertices, nParts, setup);
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
