#include "MeshObject.h"

#include "SimpleException.h"

#include <cmath>
#include <limits>
#include <vector>

MeshObject::MeshObject(const QString& sName)
    : ObjectBase(sName)
{
    m_MeshData.setColor(MESH_COLOR_UNSELECTED);
}

MeshObject::~MeshObject() = default;

void MeshObject::setMesh(TriangleMesh* pMesh)
{
    if (pMesh != m_pMesh.get())
    {
        m_pMesh.reset(pMesh);
    }
}

void MeshObject::setSelected(bool bSelected)
{
    m_bSelected = bSelected;
    m_MeshData.setColor(bSelected ? MESH_COLOR_SELECTED : MESH_COLOR_UNSELECTED);
}

void MeshObject::getBoundingBox(double& dMinX, double& dMaxX, double& dMinY, double& dMaxY, double& dMinZ,
    double& dMaxZ) const
{
    const TriangleMesh* pMesh = m_pMesh.get();
    MOLDENA_ASSERT(pMesh);
    const double dLargest = std::numeric_limits<double>::max();
    dMinX = dMinY = dMinZ = dLargest;
    dMaxX = dMaxY = dMaxZ = -dLargest;
    for (const auto vh : pMesh->vertices())
    {
        const TriangleMesh::Point& p = pMesh->point(vh);
        dMinX = std::min(dMinX, double(p[0]));
        dMaxX = std::max(dMaxX, double(p[0]));
        dMinY = std::min(dMinY, double(p[1]));
        dMaxY = std::max(dMaxY, double(p[1]));
        dMinZ = std::min(dMinZ, double(p[2]));
        dMaxZ = std::max(dMaxZ, double(p[2]));
    }
}

void MeshObject::getCenter(double& dX, double& dY, double& dZ) const
{
    const TriangleMesh* pMesh = m_pMesh.get();
    MOLDENA_ASSERT(pMesh);
    double dMinX, dMaxX, dMinY, dMaxY, dMinZ, dMaxZ;
    getBoundingBox(dMinX, dMaxX, dMinY, dMaxY, dMinZ, dMaxZ);
    dX = dMinX + (dMaxX - dMinX) * 0.5;
    dY = dMinY + (dMaxY - dMinY) * 0.5;
    dZ = dMinZ + (dMaxZ - dMinZ) * 0.5;
}

bool MeshObject::isClosed() const
{
    const TriangleMesh* pMesh = m_pMesh.get();
    if (!pMesh)
    {
        return false;
    }
    for (const auto eh : pMesh->edges())
    {
        if (pMesh->is_boundary(pMesh->halfedge_handle(eh, 0)) || pMesh->is_boundary(pMesh->halfedge_handle(eh, 1)))
        {
            return false;
        }
    }
    return true;
}

void MeshObject::calculateVolume()
{
    if (!isClosed())
    {
        m_MeshData.setVolume(0.0);
        return;
    }
    const TriangleMesh* pMesh = m_pMesh.get();
    // Summed in double: single-precision sums over a million faces lose the
    // small terms.
    double dSum = 0.0;
    for (const auto fh : pMesh->faces())
    {
        const auto h0 = pMesh->halfedge_handle(fh);
        const auto h1 = pMesh->next_halfedge_handle(h0);
        const TriangleMesh::Point& a = pMesh->point(pMesh->from_vertex_handle(h0));
        const TriangleMesh::Point& b = pMesh->point(pMesh->to_vertex_handle(h0));
        const TriangleMesh::Point& c = pMesh->point(pMesh->to_vertex_handle(h1));
        const double bxcX = double(b[1]) * c[2] - double(b[2]) * c[1];
        const double bxcY = double(b[2]) * c[0] - double(b[0]) * c[2];
        const double bxcZ = double(b[0]) * c[1] - double(b[1]) * c[0];
        dSum += a[0] * bxcX + a[1] * bxcY + a[2] * bxcZ;
    }
    m_MeshData.setVolume(dSum / 6.0);
}

bool MeshObject::updateMeshData()
{
    const TriangleMesh* pMesh = m_pMesh.get();
    if (!pMesh)
    {
        return false;
    }
    if (!m_MeshData.allocate(unsigned(pMesh->n_vertices()), unsigned(pMesh->n_faces())))
    {
        return false;
    }

    // Record address by vertex index; null where a vertex has no record.
    std::vector<float*> mapVertexHandles(pMesh->n_vertices(), nullptr);
    unsigned nCount = 0;
    float* pVertices = m_MeshData.getVertices();
    const bool bNormals = pMesh->has_vertex_normals();
    for (const auto vh : pMesh->vertices())
    {
        MOLDENA_ASSERT(nCount < m_MeshData.getNumberOfVertices());
        float* pRecord = pVertices + std::size_t(nCount) * 6;
        const TriangleMesh::Point& p = pMesh->point(vh);
        const TriangleMesh::Normal n = bNormals ? pMesh->normal(vh) : TriangleMesh::Normal(0.0f, 0.0f, 0.0f);
        for (int i = 0; i < 3; ++i)
        {
            pRecord[i] = p[i];
            pRecord[3 + i] = n[i];
        }
        mapVertexHandles[std::size_t(vh.idx())] = pRecord;
        ++nCount;
    }

    nCount = 0;
    float** ppFaces = m_MeshData.getFaces();
    for (const auto fh : pMesh->faces())
    {
        MOLDENA_ASSERT(nCount < m_MeshData.getNumberOfFaces());
        auto h = pMesh->halfedge_handle(fh);
        for (int i = 0; i < 3; ++i)
        {
            const std::size_t nVertex = std::size_t(pMesh->to_vertex_handle(h).idx());
            const auto itMapVertexHandles = (nVertex < mapVertexHandles.size() && mapVertexHandles[nVertex])
                ? mapVertexHandles.begin() + std::ptrdiff_t(nVertex)
                : mapVertexHandles.end();
            MOLDENA_ASSERT(itMapVertexHandles != mapVertexHandles.end());
            ppFaces[std::size_t(nCount) * 3 + i] = *itMapVertexHandles;
            h = pMesh->next_halfedge_handle(h);
        }
        ++nCount;
    }
    return true;
}

void MeshObject::update()
{
    updateMeshData();
    double dMinX, dMaxX, dMinY, dMaxY, dMinZ, dMaxZ;
    getBoundingBox(dMinX, dMaxX, dMinY, dMaxY, dMinZ, dMaxZ);
    m_MeshData.setExtents(dMaxX - dMinX, dMaxY - dMinY, dMaxZ - dMinZ);
    calculateVolume();
    emit signalMeshObjectChanged(objectName());
}

void MeshObject::updateNormals()
{
    TriangleMesh* pMesh = m_pMesh.get();
    MOLDENA_ASSERT(pMesh->has_face_normals());
    MOLDENA_ASSERT(pMesh->has_vertex_normals());
    pMesh->update_face_normals();
    pMesh->update_vertex_normals();
}

void MeshObject::translate(double dX, double dY, double dZ, bool bNoUpdate)
{
    TriangleMesh* pMesh = m_pMesh.get();
    MOLDENA_ASSERT(pMesh);
    const TriangleMesh::Point offset{static_cast<float>(dX), static_cast<float>(dY), static_cast<float>(dZ)};
    for (const auto vh : pMesh->vertices())
    {
        pMesh->point(vh) += offset;
    }
    updateNormals();
    if (!bNoUpdate)
    {
        update();
    }
}

void MeshObject::rotate(double dAngle, int nAxis, bool bNoUpdate)
{
    MOLDENA_ASSERT(nAxis >= 0 && nAxis <= 2);
    const double dRadians = dAngle * 3.1415926535 / 180.0;
    const float c = float(std::cos(dRadians));
    const float s = float(std::sin(dRadians));
    float m[3][3];
    if (nAxis == 0)
    {
        const float r[3][3] = {{1, 0, 0}, {0, c, -s}, {0, s, c}};
        std::copy(&r[0][0], &r[0][0] + 9, &m[0][0]);
    }
    else if (nAxis == 1)
    {
        const float r[3][3] = {{c, 0, s}, {0, 1, 0}, {-s, 0, c}};
        std::copy(&r[0][0], &r[0][0] + 9, &m[0][0]);
    }
    else
    {
        const float r[3][3] = {{c, -s, 0}, {s, c, 0}, {0, 0, 1}};
        std::copy(&r[0][0], &r[0][0] + 9, &m[0][0]);
    }

    TriangleMesh* pMesh = m_pMesh.get();
    MOLDENA_ASSERT(pMesh);
    double dX, dY, dZ;
    getCenter(dX, dY, dZ);
    translate(-dX, -dY, -dZ, true);
    for (const auto vh : pMesh->vertices())
    {
        TriangleMesh::Point& p = pMesh->point(vh);
        const TriangleMesh::Point q = p;
        for (int i = 0; i < 3; ++i)
        {
            p[i] = m[i][0] * q[0] + m[i][1] * q[1] + m[i][2] * q[2];
        }
    }
    translate(dX, dY, dZ, true);
    updateNormals();
    if (!bNoUpdate)
    {
        update();
    }
}

void MeshObject::scale(double dFactor, bool bNoUpdate)
{
    TriangleMesh* pMesh = m_pMesh.get();
    MOLDENA_ASSERT(pMesh);
    double dX, dY, dZ;
    getCenter(dX, dY, dZ);
    translate(-dX, -dY, -dZ, true);
    const float fFactor = float(dFactor);
    for (const auto vh : pMesh->vertices())
    {
        pMesh->point(vh) *= fFactor;
    }
    translate(dX, dY, dZ, true);
    updateNormals();
    if (!bNoUpdate)
    {
        update();
    }
}

namespace
{
// The bounding box in double; false when a point is not finite or there is none.
bool measureBox(const TriangleMesh& mesh, double dMin[3], double dMax[3])
{
    for (int k = 0; k < 3; ++k)
    {
        dMin[k] = std::numeric_limits<double>::infinity();
        dMax[k] = -std::numeric_limits<double>::infinity();
    }
    for (const auto vh : mesh.vertices())
    {
        const TriangleMesh::Point& point = mesh.point(vh);
        for (int k = 0; k < 3; ++k)
        {
            if (!std::isfinite(point[k]))
            {
                return false;
            }
            dMin[k] = std::min(dMin[k], double(point[k]));
            dMax[k] = std::max(dMax[k], double(point[k]));
        }
    }
    return mesh.n_vertices() > 0;
}

double largestSide(const double dMin[3], const double dMax[3])
{
    return std::max({dMax[0] - dMin[0], dMax[1] - dMin[1], dMax[2] - dMin[2]});
}

// Every point moved by -centre and scaled by dFactor, in double precision.
void centreAndScale(TriangleMesh& mesh, const double dMin[3], const double dMax[3], double dFactor)
{
    const double dCentre[3] = {0.5 * (dMin[0] + dMax[0]), 0.5 * (dMin[1] + dMax[1]), 0.5 * (dMin[2] + dMax[2])};
    for (const auto vh : mesh.vertices())
    {
        TriangleMesh::Point& point = mesh.point(vh);
        for (int k = 0; k < 3; ++k)
        {
            point[k] = static_cast<float>((double(point[k]) - dCentre[k]) * dFactor);
        }
    }
}
} // namespace

bool MeshObject::normalizePoints(TriangleMesh& mesh)
{
    double dMin[3];
    double dMax[3];
    if (!measureBox(mesh, dMin, dMax))
    {
        return false;
    }
    const double dLargest = largestSide(dMin, dMax);
    if (!std::isfinite(dLargest) || dLargest <= 0.0)
    {
        return false;
    }
    centreAndScale(mesh, dMin, dMax, 1.0 / dLargest);
    return measureBox(mesh, dMin, dMax) && std::fabs(largestSide(dMin, dMax) - 1.0) <= 1e-6;
}

void MeshObject::normalize()
{
    TriangleMesh* pMesh = m_pMesh.get();
    MOLDENA_ASSERT(pMesh);
    double dMin[3];
    double dMax[3];
    if (measureBox(*pMesh, dMin, dMax))
    {
        // A box without extent cannot be brought to size 1 (1 / 0 would turn
        // every point into NaN): it is only centred.
        const double dLargest = largestSide(dMin, dMax);
        centreAndScale(*pMesh, dMin, dMax, dLargest > 0.0 && std::isfinite(dLargest) ? 1.0 / dLargest : 1.0);
    }
    updateNormals();
    update();
}
