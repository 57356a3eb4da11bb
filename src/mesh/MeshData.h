#pragma once

#include <QColor>

// Flat render buffers of one mesh, filled by MeshObject::updateMeshData and
// read by the preview on the GUI thread.
//
// Vertex array: six floats per vertex (x, y, z, nx, ny, nz). Face array: three
// pointers per face, each the address of one corner's six-float record in the
// vertex array, in the face's winding order. Both arrays are owned.
class MeshData
{
public:
    MeshData();
    virtual ~MeshData();

    MeshData(const MeshData&) = delete;
    MeshData& operator=(const MeshData&) = delete;

    // Sizes the buffers. Either count 0: false, nothing changes. Both counts
    // equal to the current ones: true, contents kept. Otherwise fresh zeroed
    // buffers. A failed allocation is logged, leaves no buffers (counts 0) and
    // gives false.
    bool allocate(unsigned nVertices, unsigned nFaces);

    unsigned getNumberOfVertices() const { return m_nVertices; }
    unsigned getNumberOfFaces() const { return m_nFaces; }
    float* getVertices() const { return m_pVertices; }
    float** getFaces() const { return m_ppFaces; }

    void getExtents(double& dX, double& dY, double& dZ) const;
    void setExtents(double dX, double dY, double dZ);
    double getVolume() const { return m_dVolume; }
    void setVolume(double dVolume) { m_dVolume = dVolume; }
    QColor getColor() const { return m_color; }
    void setColor(QColor color) { m_color = color; }

private:
    void release();

    unsigned m_nVertices = 0;
    unsigned m_nFaces = 0;
    float* m_pVertices = nullptr;
    float** m_ppFaces = nullptr;
    QColor m_color = QColor(255, 255, 255, 255);
    double m_dExtentX = 0.0;
    double m_dExtentY = 0.0;
    double m_dExtentZ = 0.0;
    double m_dVolume = 0.0;
};
