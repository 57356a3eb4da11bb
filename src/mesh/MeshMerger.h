#pragma once

#include <QString>
#include <QStringList>

class MeshObject;

// Places hooks around the generated mesh and builds the merged mesh from the
// generated mesh and its hooks. GUI thread only. Missing objects are
// programming errors and throw SimpleException.
class MeshMerger
{
public:
    // Where hook nIndex goes around a generated mesh whose y extent is dSize:
    // scale dSize / 6 (for a hook normalised to a largest side of 1.0), placed
    // on the circle of radius dSize / 2 about the origin in the x-y plane,
    // 36 degrees per index from +y towards +x (index 10 is back at index 0).
    // Always true.
    static bool calculateHookPlacement(double dSize, unsigned int nIndex, double& dScale, double& dX, double& dY,
                                       double& dZ);

    // Copies every face of pSource's mesh into pTarget's mesh as a separate
    // shell (the vertices of the faces with their normals, in winding order).
    // Vertices of no face are not copied. Both must hold a mesh and differ.
    static void appendMesh(MeshObject* pTarget, MeshObject* pSource);

    // Builds a new MeshObject sNameMerged (type 3) from the mesh object
    // sNameArtifact and the hooks in slNameHooks order, scales it by dScale
    // about its centre and puts it into the object tree (announced), replacing
    // an object of that name already there.
    static void merge(const QString& sNameMerged, const QString& sNameArtifact, const QStringList& slNameHooks,
                      const double& dScale);
};
