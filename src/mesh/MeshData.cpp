#include "MeshData.h"

#include "Logger.h"

#include <cstddef>
#include <new>

MeshData::MeshData() = default;

MeshData::~MeshData()
{
    release();
}

void MeshData::release()
{
    delete[] m_pVertices;
    delete[] m_ppFaces;
    m_pVertices = nullptr;
    m_ppFaces = nullptr;
    m_nVertices = 0;
    m_nFaces = 0;
}

bool MeshData::allocate(unsigned nVertices, unsigned nFaces)
{
    if (nVertices == 0 || nFaces == 0)
    {
        return false;
    }
    if (nVertices == m_nVertices && nFaces == m_nFaces)
    {
        return true;
    }
    release();
    try
    {
        // Sizes in size_t: six floats per vertex would overflow unsigned.
        m_pVertices = new float[std::size_t(nVertices) * 6]();
        m_ppFaces = new float*[std::size_t(nFaces) * 3]();
        m_nVertices = nVertices;
        m_nFaces = nFaces;
    }
    catch (...)
    {
        LOG_ERROR(QString("failed to create mesh data with %1 vertices and %2 faces").arg(nVertices).arg(nFaces));
        release();
        return false;
    }
    return true;
}

void MeshData::getExtents(double& dX, double& dY, double& dZ) const
{
    dX = m_dExtentX;
    dY = m_dExtentY;
    dZ = m_dExtentZ;
}

void MeshData::setExtents(double dX, double dY, double dZ)
{
    m_dExtentX = dX;
    m_dExtentY = dY;
    m_dExtentZ = dZ;
}
