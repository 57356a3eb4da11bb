#include "MeshGenerator.h"

#include "Parallel.h"

#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>

#include <cstddef>

namespace
{
// OpenMesh's Jacobi-Laplace smoother with its C0 step spread over the cores.
// Each vertex's new position depends only on the old positions, so the
// vertices are independent and the result is the same as OpenMesh's own.
class ParallelJacobiLaplaceSmoother : public OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>
{
public:
    using Base = OpenMesh::Smoother::JacobiLaplaceSmootherT<TriangleMesh>;
    using Base::Base;

protected:
    void compute_new_positions_C0() override
    {
        const TriangleMesh& mesh = this->mesh_;
        Parallel::forRange(mesh.n_vertices(), [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                const TriangleMesh::VertexHandle vh{static_cast<int>(i)};
                if ((mesh.has_vertex_status() && mesh.status(vh).deleted()) || !this->is_active(vh))
                {
                    continue;
                }
                TriangleMesh::Normal u(0, 0, 0);
                for (auto it = mesh.cvoh_iter(vh); it.is_valid(); ++it)
                {
                    const float w = this->weight(mesh.edge_handle(*it));
                    u += mesh.point(mesh.to_vertex_handle(*it)) * w;
                }
                u *= this->weight(vh);
                u -= mesh.point(vh);
                u *= 0.5f;
                TriangleMesh::Normal p = mesh.point(vh);
                p += u;
                this->set_new_position(vh, p);
            }
        });
    }
};
} // namespace

void MeshGenerator::computeNormals(TriangleMesh& mesh)
{
    if (!mesh.has_face_normals())
    {
        mesh.request_face_normals();
    }
    if (!mesh.has_vertex_normals())
    {
        mesh.request_vertex_normals();
    }
    mesh.update_face_normals();
    mesh.update_vertex_normals();
}

void MeshGenerator::smooth(TriangleMesh& mesh, unsigned nSteps)
{
    if (nSteps == 0)
    {
        return;
    }
    {
        ParallelJacobiLaplaceSmoother smoother(mesh);
        smoother.initialize(ParallelJacobiLaplaceSmoother::Tangential_and_Normal, ParallelJacobiLaplaceSmoother::C0);
        smoother.smooth(nSteps);
    }
    // The smoother moves points but leaves the face normals of the unsmoothed
    // surface; the normal-flipping test of the decimation must compare
    // against the surface as it now is.
    mesh.update_face_normals();
    mesh.update_vertex_normals();
}
