#pragma once

#include "MeshData.h"
#include "ObjectBase.h"
#include "TriangleMesh.h"

#include <QColor>
#include <QString>

#include <memory>

// Highlight colours of the preview.
inline const QColor MESH_COLOR_UNSELECTED = QColor(255, 255, 0, 255);
inline const QColor MESH_COLOR_SELECTED = QColor(0, 255, 0, 255);

// A triangle mesh in the object tree with its render buffers.
//
// Threads: built and changed on the mesh generation thread only while it is out
// of the tree; once in the tree, GUI thread only. Nothing is locked.
// Every operation that needs the mesh throws SimpleException "pMesh" when there
// is none, except isClosed, calculateVolume and updateMeshData.
class MeshObject : public ObjectBase
{
    Q_OBJECT

public:
    // Type codes.
    enum
    {
        TYPE_NONE = 0,
        TYPE_GENERATED = 1,
        TYPE_HOOK = 2,
        TYPE_MERGED = 3
    };

    explicit MeshObject(const QString& sName);
    ~MeshObject() override;

    // The owned mesh, or null.
    TriangleMesh* getMesh() const { return m_pMesh.get(); }
    // Takes ownership of pMesh; the mesh held before is deleted unless it is
    // the same one.
    void setMesh(TriangleMesh* pMesh);

    MeshData* getMeshData() { return &m_MeshData; }
    const MeshData* getMeshData() const { return &m_MeshData; }

    int getType() const { return m_nType; }
    void setType(int nType) { m_nType = nType; }

    bool isSelected() const { return m_bSelected; }
    // Sets the flag and the highlight colour; emits nothing.
    void setSelected(bool bSelected);

    // Axis-aligned bounding box. An empty mesh leaves the start values (the
    // largest finite double as minima and its negative as maxima).
    void getBoundingBox(double& dMinX, double& dMaxX, double& dMinY, double& dMaxY, double& dMinZ,
        double& dMaxZ) const;
    void getCenter(double& dX, double& dY, double& dZ) const;

    // True when no edge is a boundary edge (an empty mesh is closed); false
    // without a mesh.
    bool isClosed() const;
    // Signed enclosed volume (cube of the coordinate unit) into the render
    // buffers; 0.0 when the mesh is absent or not closed. Counter-clockwise
    // faces seen from outside give a positive volume.
    void calculateVolume();
    // Refills the render buffers from the mesh; false without a mesh or when
    // the buffers cannot be allocated.
    bool updateMeshData();
    // Render buffers, extents and volume from the mesh, then
    // signalMeshObjectChanged.
    void update();

    // Moves every point; recomputes the normals.
    void translate(double dX, double dY, double dZ, bool bNoUpdate = false);
    // Turns by dAngle degrees about axis nAxis (0 = x, 1 = y, 2 = z) through the
    // bounding-box centre.
    void rotate(double dAngle, int nAxis, bool bNoUpdate = false);
    // Scales by dFactor about the bounding-box centre.
    void scale(double dFactor, bool bNoUpdate = false);
    // Centres the bounding box on the origin and makes its largest side 1.0. A
    // mesh whose box has no extent is only centred.
    void normalize();
    // The points of pMesh brought to unit size at the origin (largest side
    // 1.0), computed in double precision: in single precision a tiny mesh is
    // scaled by an infinite factor and a far point swallows the others. False,
    // with the points possibly changed, when a point is not finite, the mesh has
    // no extent, or it does not come out finite at unit size.
    static bool normalizePoints(TriangleMesh& mesh);

signals:
    void signalMeshObjectChanged(QString sName);

private:
    void updateNormals();

    std::unique_ptr<TriangleMesh> m_pMesh;
    MeshData m_MeshData;
    int m_nType = TYPE_NONE;
    bool m_bSelected = false;
};
