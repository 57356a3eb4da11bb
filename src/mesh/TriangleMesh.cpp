#include "TriangleMesh.h"

#include "Parallel.h"

#include <cstddef>

void TriangleMesh::update_face_normals()
{
    const bool bStatus = has_face_status();
    Parallel::forRange(n_faces(), [this, bStatus](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t i = nBegin; i < nEnd; ++i)
        {
            const FaceHandle fh(static_cast<int>(i));
            if (bStatus && (status(fh).deleted() || status(fh).hidden()))
            {
                continue;
            }
            set_normal(fh, calc_face_normal(fh));
        }
    });
}

void TriangleMesh::update_vertex_normals()
{
    Parallel::forRange(n_vertices(), [this](std::size_t nBegin, std::size_t nEnd) {
        for (std::size_t i = nBegin; i < nEnd; ++i)
        {
            const VertexHandle vh(static_cast<int>(i));
            set_normal(vh, calc_vertex_normal(vh));
        }
    });
}

void TriangleMesh::update_normals()
{
    if (!has_face_normals())
    {
        return;
    }
    update_face_normals();
    if (has_vertex_normals())
    {
        update_vertex_normals();
    }
    if (has_halfedge_normals())
    {
        update_halfedge_normals();
    }
}
