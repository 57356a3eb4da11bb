#pragma once

#include "MeshIOChecks.h"

#include <QByteArray>
#include <QString>

// The order in which OpenMesh joins a mesh file's facets, and whether it can
// be made quick.
//
// OpenMesh joins the facets one by one; for each corner it looks the point up
// (an STL's in a tree of the points so far, sorted by x, then y, then z; an
// OBJ's by index) and walks round the facets already there. While each
// corner's point was met shortly before, or lies where the facets to come
// will soon be, all of this stays in the processor's caches; a corner far
// from both costs 2 to 5 us at the 64 MiB limit. Measured with OpenMesh's
// reading alone, on one core, 1.2 to 1.34 million binary STL facets:
//   - the torus of the reading benchmark in an exporter's order, 0.8 s;
//     shuffled, 11 s; shuffled and then sorted by the smallest corner of
//     each facet (by x, then y, then z), 0.8 s;
//   - corners drawn at random from 580 000 points, about two far corners a
//     facet in any order: 7 s as written, 5.8 s sorted; with every point at
//     one x, which an order along x alone leaves as written, 8.3 s;
//   - every facet written twice in a row, 4 s; strips whose every facet
//     shares an edge with the one before and takes its third corner at
//     random, 3.3 s; random corners each at a point of its own, 8.5 s.
// An OBJ of 2.5 million triangles with random corners took 9 s, one of 1.7
// million random quads 8.5 s.
//
// So a file is read in its own order while at most 2 corners in 3 facets
// meet a point not met within the last 4096 faces (an exporter's closed mesh
// meets a new point at one corner in two facets and its other corners at
// points met shortly before). Any other file is put in the order of its
// faces' smallest corners, which brings a scattered exporter's mesh back to
// its speed, and refused when even then more than one corner in 8 facets,
// besides 32 768, lies far: not met within the last 4096 faces and beyond
// the smallest corner of the face 4096 ahead. Such a mesh is a cloud of
// facets spanning the object, no model; an ordinary mesh in that order has a
// few far corners in a hundred facets. The slowest files found that are
// read, at the limit, take up to 3 times as long as the torus in an
// exporter's order (MeshIOBench): the torus with one facet in six taking a
// random corner, and the torus shuffled with one facet in 25 of random
// corners, as OBJ 2.2 and 2.5 s against the torus's 0.86 to 0.94 s; files
// of random corners are refused in 0.4 to 1.3 s.
namespace MeshFacetOrder
{
// Whether the content, checked as format with its faces, can be read quickly:
// true when it is in order or was put in order in place (an OBJ is then
// written anew: its vertices numbered as the faces first use them, without
// texture coordinates and normals, which the reader is not asked for); false
// with the reason, one line, when it cannot.
bool putInOrder(QByteArray& content, MeshIOChecks::Format format, const MeshIOChecks::Faces& faces,
                QString& sRefusal);
} // namespace MeshFacetOrder
