#pragma once

#include "MeshGenerator.h"
#include "TriangleMesh.h"

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

// The surfaces and walls of the rasters, added to mesh; face and vertex
// normals are requested, not computed. With pFaceCells, the pixel (y * width
// + x) of the cell that made each face is recorded, face by face.
void build(const MeshGenerator::Image& imageFront, const MeshGenerator::Image& imageBack,
    std::vector<unsigned>* pFaceCells, TriangleMesh& mesh);
} // namespace MeshBuilder
