#include "MeshGenerator.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <vector>

namespace
{
// A shell must enclose more than its area times this many single-precision
// steps of the mesh's largest coordinate. Its points were smoothed and
// decimated in single precision at that magnitude, and the normalisation, the
// turn and the export's scaling move them by about a step each: below the
// bound the sign of the volume is rounding noise. Shells that smoothing
// pulled to a point or decimation flattened come out at zero, below it or
// within about a step; a speck of three pixels one unit high as built lies
// hundreds of steps above it even in a raster 4096 pixels wide, a body far
// more.
constexpr double VOLUME_STEPS = 8.0;

struct Shell
{
    // Volumes and areas are summed about a point of the shell itself, so a
    // small shell far from the origin loses nothing to cancellation.
    OpenMesh::Vec3d origin;
    double dVolume = 0.0;
    double dArea = 0.0;
    bool bClosed = true;
};

// Fills the shell of each face and measures each shell: faces that share an
// edge share a shell. Pieces that touch at a vertex only stay apart, so each
// is judged on its own and one left out never takes the other with it.
std::vector<Shell> findShells(const TriangleMesh& mesh, std::vector<int>& shellOf)
{
    std::vector<Shell> shells;
    shellOf.assign(mesh.n_faces(), -1);
    std::vector<TriangleMesh::FaceHandle> pending;
    for (const auto fh : mesh.faces())
    {
        if (shellOf[std::size_t(fh.idx())] >= 0)
        {
            continue;
        }
        const int nShell = int(shells.size());
        shells.emplace_back();
        Shell& shell = shells.back();
        shell.origin = OpenMesh::vector_cast<OpenMesh::Vec3d>(mesh.point(*mesh.cfv_iter(fh)));
        shellOf[std::size_t(fh.idx())] = nShell;
        pending.push_back(fh);
        while (!pending.empty())
        {
            const TriangleMesh::FaceHandle current = pending.back();
            pending.pop_back();
            OpenMesh::Vec3d p[3];
            TriangleMesh::HalfedgeHandle heh = mesh.halfedge_handle(current);
            for (int i = 0; i < 3; ++i, heh = mesh.next_halfedge_handle(heh))
            {
                p[i] = OpenMesh::vector_cast<OpenMesh::Vec3d>(mesh.point(mesh.to_vertex_handle(heh))) - shell.origin;
                const TriangleMesh::FaceHandle neighbour = mesh.opposite_face_handle(heh);
                if (!neighbour.is_valid())
                {
                    shell.bClosed = false;
                }
                else if (shellOf[std::size_t(neighbour.idx())] < 0)
                {
                    shellOf[std::size_t(neighbour.idx())] = nShell;
                    pending.push_back(neighbour);
                }
            }
            shell.dVolume += OpenMesh::dot(p[0], OpenMesh::cross(p[1], p[2])) / 6.0;
            shell.dArea += OpenMesh::cross(p[1] - p[0], p[2] - p[0]).norm() / 2.0;
        }
    }
    return shells;
}
} // namespace

unsigned MeshGenerator::removeShellsWithoutVolume(TriangleMesh& mesh)
{
    std::vector<int> shellOf;
    const std::vector<Shell> shells = findShells(mesh, shellOf);

    double dLargest = 0.0;
    for (const auto vh : mesh.vertices())
    {
        const TriangleMesh::Point& point = mesh.point(vh);
        dLargest = std::max({dLargest, std::abs(double(point[0])), std::abs(double(point[1])),
            std::abs(double(point[2]))});
    }
    const double dStep = FLT_EPSILON * dLargest;
    std::vector<unsigned char> leftOut(shells.size(), 0);
    unsigned nLeftOut = 0;
    for (std::size_t k = 0; k < shells.size(); ++k)
    {
        // An open shell encloses nothing to measure; where a wall could not
        // be closed it stays as built. A NaN volume is not above the bound.
        const Shell& shell = shells[k];
        if (shell.bClosed && !(shell.dVolume > VOLUME_STEPS * dStep * shell.dArea))
        {
            leftOut[k] = 1;
            ++nLeftOut;
        }
    }
    if (nLeftOut == 0)
    {
        return 0;
    }

    // A vertex goes with the last of its faces, so one that a kept piece
    // touches stays.
    mesh.deleteAndCompact([&] {
        for (const auto fh : mesh.faces())
        {
            if (leftOut[std::size_t(shellOf[std::size_t(fh.idx())])])
            {
                mesh.delete_face(fh, true);
            }
        }
    });
    return nLeftOut;
}
