#pragma once

#include "CrossingGuard/MeshCrossings.h"
#include "TriangleMesh.h"

#include <optional>
#include <vector>

class MeshObject;

// Turns a front and a back height raster of equal size into one closed
// triangle mesh (front surface, back surface and side walls where a surface
// ends), smooths it, decimates it to a vertex budget and hands it to a
// MeshObject at unit size centred on the origin, front side towards +z.
//
// A height that is not greater than 0 (zero, negative or NaN) means no
// material at that pixel. One pixel is one length unit; heights are in the
// rasters' own unit. Stateless; may run on any thread. Smoothing and
// decimation spread over the cores the process may use, on threads of their
// own that are joined before the call returns.
class MeshGenerator
{
public:
    // Row-major heights, element (x, y) at pData[y * nWidth + x].
    struct Image
    {
        Image() = default;
        // Copies own a copy of the heights when the source owns its heights,
        // and share them otherwise.
        Image(const Image& other);
        Image& operator=(const Image& other);
        // Frees pData (allocated with new[]) when bOwnsData is set.
        ~Image();

        // Throws SimpleException "nIndex < nWidth * nHeight" outside the raster.
        float getValue(unsigned x, unsigned y) const;

        // A record that owns a copy of the heights, whoever owns the source's.
        static Image ownedCopy(const Image& source);

        float* pData = nullptr;
        unsigned nWidth = 0;
        unsigned nHeight = 0;
        bool bOwnsData = false;
    };

    struct Parameters
    {
        // Decimation target.
        unsigned NumberOfVertices = 128000;
        // Laplace smoothing iterations; 0 = no smoothing.
        unsigned NumberOfSmoothingSteps = 3;

        bool operator!=(const Parameters& other) const
        {
            return NumberOfVertices != other.NumberOfVertices || NumberOfSmoothingSteps != other.NumberOfSmoothingSteps;
        }
        bool operator==(const Parameters& other) const { return !(*this != other); }
    };

    // True: pMeshObject owns the finished mesh, has type 1 and is updated.
    // False: nothing was handed over and pMeshObject is unchanged, unless the
    // final update, normalisation or turn failed, in which case it keeps the
    // mesh as it then stands. Never throws.
    static bool generate(const Image& imageFront, const Image& imageBack, const Parameters& parameters,
        MeshObject* pMeshObject);

    // The steps of generate, for measuring and checking them one by one. Each
    // may throw (SimpleException, std::logic_error, std::bad_alloc).

    // Surfaces and walls, before any clean-up: a front vertex at pixel (x, y)
    // sits at (x, y, -front), a back vertex at (x, y, +back). Vertices left
    // without a face by a refused triangle are still in it. The caller owns
    // the result; face and vertex normals are requested but not computed.
    static TriangleMesh* createMesh(const Image& imageFront, const Image& imageBack);
    // Deletes vertices without a face and compacts the mesh; returns how many.
    static unsigned removeIsolatedVertices(TriangleMesh& mesh);
    // Removes every closed shell (faces joined across edges) that does not
    // enclose a clearly positive volume: specks that smoothing pulled to a
    // point, or that decimation flattened or turned inside out. Open shells
    // stay. Vertices go with the last of their faces; the mesh is compacted
    // when anything is removed. Returns how many shells it removed.
    static unsigned removeShellsWithoutVolume(TriangleMesh& mesh);
    // Requests face and vertex normals when missing and computes them.
    static void computeNormals(TriangleMesh& mesh);
    // nSteps Jacobi-Laplace steps (tangential and normal, C0), then the face
    // and vertex normals of the smoothed surface; 0 steps leave the mesh as it
    // is. Needs computed normals. A step never turns a facet over against the
    // surface round it, nor shrinks one below a 256th of its area before
    // smoothing: a vertex whose move would is kept in place for that step.
    // So thin parts (teeth, strokes a pixel or two wide) stay whole at any
    // number of steps. With a guard, no facet it looks after comes through
    // another nor within the gap of it (the opposite walls of a thin part
    // meet no more than its facets turn over): the steps go in blocks, each
    // checked once and taken again step by step, every step checked, where
    // facets came to meet; a vertex held there stays for the remaining
    // steps. Where nothing is endangered, the result is OpenMesh's.
    static void smooth(TriangleMesh& mesh, unsigned nSteps, const MeshCrossings::Guard& guard = {});
    // How decimate and generateMesh work; every setting leaves a closed mesh
    // closed.
    struct DecimationSetup
    {
        // OpenMesh's own decimater with the same modules in one pass over the
        // whole mesh, instead of ours: for comparisons.
        bool bLibraryDecimater = false;
        // Tiles worked on, as many at a time as there are cores, before one
        // pass over the joined mesh: 0 = chosen from the size of the mesh
        // (about 100000 vertices a tile, at least 8), 1 = a single pass.
        // generateMesh builds, smooths and decimates each tile on its own;
        // decimate cuts tiles out of the mesh it is given. The result does
        // not depend on the number of cores.
        unsigned nParts = 0;
        // The tiles go on until together they keep this multiple of the
        // vertex budget; the final pass over the joined mesh takes the rest.
        double dPartReserve = 1.25;
        // generateMesh builds each tile this many pixels beyond its own
        // cells, on top of one pixel per smoothing step.
        unsigned nTileMargin = 12;
        // Meshes with fewer vertices than this are decimated in one pass.
        unsigned nMinimumVerticesForParts = 200000;
        // Smoothing holds every move, and decimation refuses every collapse,
        // that would carry a facet the guard looks after through another or
        // within its gap, so the surface does not pass through itself
        // there; slower. Unless it is given, generateMesh smooths the thin
        // parts the rasters show so, where they are many, and decimates so
        // everywhere (with the gap of MeshCrossings::gapFor the rasters'
        // size), and works its result again where facets still meet;
        // decimate uses it as given. OpenMesh's decimater does not keep
        // facets apart.
        MeshCrossings::Guard crossingGuard;
        // Where set, smoothing keeps facets apart as this says instead.
        std::optional<MeshCrossings::Guard> smoothingGuard;
        // Where set (to 2 entries per pixel of the rasters, all -1), each
        // collapse of our decimater is written down by the ids of the build
        // (MeshBuilder::VERTEX_IDS): the entry of the vertex collapsed gets
        // the id of the vertex it went into. decimate does so for a mesh
        // that has the ids.
        std::vector<int>* pCollapsedInto = nullptr;
    };

    // Wall-clock seconds of the phases of generateMesh. Where tiles go
    // through the phases at the same time, each phase gets its share of the
    // time they took together. And how often the mesh was made: 1 where the
    // first came out with no facets meeting.
    struct Timings
    {
        double dBuild = 0.0;
        double dNormals = 0.0;
        double dSmoothing = 0.0;
        // With the removal of the shells without volume.
        double dDecimation = 0.0;
        // Whole generations, and parts worked again where facets met.
        unsigned nGenerations = 0;
        unsigned nReworks = 0;
    };

    // Build, normals, smoothing and decimation, then the shells without
    // volume left out (one WARNING with their number): the mesh generate
    // hands over, before it is normalised and turned; the caller owns it.
    // Where the rasters show many thin parts, smoothing keeps facets apart
    // there from the start, and decimation everywhere. Where facets of the
    // result still meet (thin parts smoothed or decimated through each
    // other), it is worked again round them alone (see MeshRework), every
    // other face kept; where that does not fit, it is made again keeping
    // facets apart round them, then everywhere: a WARNING says where they
    // still meet once keeping them apart everywhere in one piece has not
    // helped (a build whose facets meet already).
    // Large rasters are worked on in tiles (see DecimationSetup), each tile
    // on its own core from its build on; the result is the same kind of
    // mesh, within the same errors. May throw.
    static TriangleMesh* generateMesh(const Image& imageFront, const Image& imageBack, const Parameters& parameters,
        const DecimationSetup& setup, Timings* pTimings = nullptr);

    // Collapses edges until the mesh has nVertices vertices or no collapse is
    // allowed, and compacts it. The face normals must be those of the current
    // surface. Throws std::logic_error "decimation failed" when OpenMesh's
    // decimater, where asked for, cannot start.
    static void decimate(TriangleMesh& mesh, unsigned nVertices, const DecimationSetup& setup);
    static void decimate(TriangleMesh& mesh, unsigned nVertices);
};
