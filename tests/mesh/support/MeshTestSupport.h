#pragma once

// Small known meshes for the mesh tests.

#include "SelfCrossings.h"
#include "TriangleMesh.h"

#include <array>
#include <cstdint>
#include <set>
#include <vector>

// A mesh with face and vertex normals requested, built from points and
// triangles (indices into the points). Normals are computed.
TriangleMesh* makeMesh(const std::vector<TriangleMesh::Point>& points, const std::vector<std::vector<int>>& triangles);

// The tetrahedron (0,0,0), (1,0,0), (0,1,0), (0,0,1) with outward
// counter-clockwise faces; volume 1/6.
TriangleMesh* makeTetrahedron();

// The octahedron with corners at +-1 on each axis (vertex 0 at (1,0,0),
// 1 at (-1,0,0), 2 at (0,1,0), 3 at (0,-1,0), 4 at (0,0,1), 5 at (0,0,-1)),
// shifted by (dX, dY, dZ) and stretched per axis before the shift.
TriangleMesh* makeOctahedron(float fScaleX = 1.0f, float fScaleY = 1.0f, float fScaleZ = 1.0f, float fX = 0.0f,
    float fY = 0.0f, float fZ = 0.0f);

// Every edge has a face on both sides, every vertex has a face, and the faces
// around each vertex form one single fan (one ring through all its edges).
bool isClosedTwoManifold(const TriangleMesh& mesh);

// A relief: a disc of the given radius centred in a square raster, with a
// rounded bevel rising from 1 to fTop over nBevel pixels from the rim, and
// nGrooves straight grooves carved fDepth deep into it. Outside the disc 0.
std::vector<float> makeDiscRelief(unsigned nSize, float fRadius, float fTop, float fBevel, unsigned nGrooves,
    float fDepth);

// A slab over the upper half of a square raster and below it a comb of
// teeth nTooth pixels wide and as far apart, all of the given height, inside
// an empty border of nSize / 32 pixels: the thinnest parts a shape has, as in
// hatching, grass or thin lettering.
std::vector<float> makeCombHeights(unsigned nSize, float fHeight, unsigned nTooth = 2);

// A slab of the given height inside an empty border of nSize / 32 pixels,
// cut by slots one and two pixels wide across its middle three quarters,
// every eight pixels.
std::vector<float> makeSlotHeights(unsigned nSize, float fHeight);

// Strokes one to three pixels wide on nothing, as thin lettering has: in
// each cell of 32 x 32 pixels a ring and a diagonal through it.
std::vector<float> makeStrokeHeights(unsigned nSize, float fHeight);

// Same points in the same order and the same faces on the same corners.
bool identicalMeshes(const TriangleMesh& a, const TriangleMesh& b);

// A point to the last bit, for comparing meshes exactly.
using PointBits = std::array<std::uint32_t, 3>;
PointBits bitsOf(const TriangleMesh::Point& point);
// The points of every vertex of the mesh.
std::set<PointBits> pointsOf(const TriangleMesh& mesh);

// The enclosed volume as a mesh object computes it (0 when not closed).
double volumeOf(const TriangleMesh& mesh);

// Facets of one shell of the mesh that pass through each other, counted
// exactly.
SelfCrossings selfCrossingsOf(const TriangleMesh& mesh);
