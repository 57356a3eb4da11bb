#pragma once

#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"
#include "TriangleMesh.h"

#include <memory>
#include <vector>

// Working a generated mesh again where its facets meet, and only there.
//
// Each vertex of a decimated mesh stands for the vertices of the build that
// the decimation collapsed into it, and each of its faces is a face of the
// build with its corners so replaced. Undoing that for a few vertices gives
// the build back round them, with the rest of the mesh as it is: there the
// build is smoothed and decimated again with facets kept apart, the rest
// locked, and put back in place of the faces it replaces. The work grows
// with the part worked again, not with the mesh.
namespace MeshRework
{
// For every id of a build (see MeshBuilder::vertexId), the id of the vertex
// the decimation left in its place: itself where it was not collapsed, else
// where its collapses ended; from the table the decimation wrote (see
// MeshGenerator::DecimationSetup::pCollapsedInto).
std::vector<int> representatives(const std::vector<int>& collapsedInto);

// What the mesh was made from.
struct Source
{
    const MeshGenerator::Image& front;
    const MeshGenerator::Image& back;
    MeshGenerator::Parameters parameters;
    // The build reaches this many pixels beyond the smoothing steps into a
    // window before its faces are the whole build's.
    unsigned nMargin = 12;
    // How far facets keep apart.
    double dGap = 0.0;
};

// The mesh (with the ids of its build in MeshBuilder::VERTEX_IDS, decimated
// as representatives says) worked again round the given boxes: its vertices
// over the boxes grown by dGrow, and those that the ids in undo were
// collapsed into, are undone. The build round them is smoothed anew with
// facets kept apart there, then decimated with facets kept apart
// everywhere, every other vertex locked, until the mesh has as many
// vertices as before or nothing more may go. Every face without an undone
// corner stays as it was. Nothing when that does not fit: the mesh has no
// ids, or the undone part does not join the rest as a closed surface.
std::unique_ptr<TriangleMesh> rework(const TriangleMesh& mesh, const std::vector<int>& representatives,
    const std::vector<MeshCrossings::Box>& boxes, double dGrow, const std::vector<int>& undo, const Source& source);
} // namespace MeshRework
