#include "MeshDecimater.h"

#include <OpenMesh/Tools/Decimater/DecimaterT.hh>
#include <OpenMesh/Tools/Decimater/ModAspectRatioT.hh>
#include <OpenMesh/Tools/Decimater/ModNormalFlippingT.hh>
#include <OpenMesh/Tools/Decimater/ModQuadricT.hh>

#include <stdexcept>

// OpenMesh's own decimater with the modules ours stands in for, for
// comparisons.

void MeshDecimater::decimateWithLibrary(TriangleMesh& mesh, std::size_t nVertices)
{
    // The mesh seen as OpenMesh's own type: the decimater then also asks the
    // library's collapse queries.
    using Mesh = TriangleMesh::Base;
    OpenMesh::Decimater::DecimaterT<Mesh> decimater(mesh);
    OpenMesh::Decimater::ModNormalFlippingT<Mesh>::Handle hNormalFlipping;
    OpenMesh::Decimater::ModQuadricT<Mesh>::Handle hQuadric;
    OpenMesh::Decimater::ModAspectRatioT<Mesh>::Handle hAspectRatio;
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
