#pragma once

#include "MeshGenerator.h"
#include "TriangleMesh.h"

#include <cstddef>
#include <vector>

// The raster-to-mesh build: the front and back surfaces of two height rasters
// of equal size and the walls where a surface ends, one vertex per pixel and
// side.
namespace MeshBuilder
{
// Heights that are not greater than 0 (negative, NaN) are no material: every
// test of the build uses this one rule, so a pixel is either on both the
// surface and the wall tests or on neither, and the mesh stays closed.
inline bool isMaterial(float fHeight)
{
    return fHeight > 0.0f;
}

// The vertex of pixel (x, y) on the front (z < 0 as built) or the back: twice
// the pixel's index y * nWidth + x, plus one on the back. Generation knows its
// vertices by these numbers through smoothing and decimation, in tiles as in
// one piece, in the vertex property of this name.
inline int vertexId(const TriangleMesh::Point& built, unsigned nWidth)
{
    const std::size_t nPixel = std::size_t(built[1]) * nWidth + std::size_t(built[0]);
    return int(nPixel * 2 + (built[2] > 0.0f ? 1 : 0));
}
inline constexpr const char* VERTEX_IDS = "vertex ids";

// Numbers the vertices of a mesh just built from rasters nWidth wide (see
// vertexId) in the property VERTEX_IDS, which it adds.
void numberVertices(TriangleMesh& mesh, unsigned nWidth);

// The surfaces and walls of the rasters, added to mesh; face and vertex
// normals are requested, not computed. With pFaceCells, the pixel (y * width
// + x) of the cell that made each face is recorded, face by face.
void build(const MeshGenerator::Image& imageFront, const MeshGenerator::Image& imageBack,
    std::vector<unsigned>* pFaceCells, TriangleMesh& mesh);
} // namespace MeshBuilder
