#pragma once

// The IO headers must come before the mesh headers so that the readers and
// writers know the mesh's attributes.
#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>

// The triangle mesh of the system: OpenMesh's triangle mesh with its default
// traits (single-precision points and normals). Coordinates are in the unit of
// the source (pixels for a generated mesh, millimetres after merging).
//
// It answers the collapse-legality queries that the decimater asks through the
// mesh type with its own implementation (same answers as OpenMesh's own);
// everything else is OpenMesh's.
class TriangleMesh : public OpenMesh::TriMesh_ArrayKernelT<>
{
public:
    using Base = OpenMesh::TriMesh_ArrayKernelT<>;
    using Base::Base;
};
