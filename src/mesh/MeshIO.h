#pragma once

#include <QString>

class MeshObject;

// Reads mesh files (STL, binary or ASCII, and OBJ; from disk or from the
// embedded hook library under ":/hooks/") into mesh objects, and writes mesh
// objects to STL or OBJ files. The format follows the file name's extension.
// Mesh files are user input: anything malformed (empty, truncated, inconsistent
// sizes, indices out of range, lines outside the format's grammar, no faces,
// non-finite coordinates, no extent) and every other format is refused with
// false and never reaches the object tree. Reading opens the chosen file and
// no other (an OBJ's material library is ignored). Files above 64 MiB are
// refused, and so are meshes over which OpenMesh would hold the thread for
// many seconds or minutes (an OBJ face of more than 4096 corners, a point
// shared by more than 8192 facets, points shared by so many facets in all
// that joining them would take too long, facets whose corners lie so far
// apart that no order of them reads quickly). Facets in a scattered order
// are put in order before OpenMesh joins them. Every refusal is one error
// line in the log naming the file and the reason, which the caller may have
// as well. Vertices that no face uses are left out. GUI thread only.
//
// The functions need no instance; constructing one registers the hook bundle
// (the reading functions do so themselves as well).
class MeshIO
{
public:
    // How an imported mesh is placed: it is first brought to unit size at the
    // origin (largest side 1.0), then scaled by dScale about its centre, then
    // moved by the offset.
    struct ImportParameters
    {
        int nType = 0; // type code of the imported object (2 for hooks)
        double dScale = 1.0;
        double dTranslateX = 0.0;
        double dTranslateY = 0.0;
        double dTranslateZ = 0.0;
    };

    MeshIO();

    // Writes the object's mesh; binary when the file suffix contains "stl"
    // (case-sensitive: "part.STL" is written as text). The file is written
    // beside the target under a temporary name and renamed into place only
    // after a successful write, so a failure leaves an existing file intact.
    // False for null, an object without a mesh, or a failed write.
    static bool writeMesh(MeshObject* pMeshObject, const QString& sFileName);

    // Writes the MeshObject of that name found anywhere in the object tree;
    // false when there is none.
    static bool exportMeshObject(const QString& sObjectName, const QString& sFileName);

    // Reads the file into a new mesh handed to pMeshObject, which then gets
    // parameters.nType, is updated, normalised, scaled and moved. The
    // normalisation is computed in double precision; a mesh that does not
    // come out finite and at unit size is refused. On false the object is
    // unchanged, and for a refused file the reason, one line for the user,
    // goes to *psRefusal when given. Throws nothing: an exception inside
    // (memory exhausted) refuses the file.
    static bool readMesh(MeshObject* pMeshObject, const QString& sFileName, ImportParameters parameters,
                         QString* psRefusal = nullptr);

    // Reads the file into a new MeshObject named sObjectName and puts it into
    // the object tree (announced), replacing an object of that name already
    // there. On false the tree is unchanged; the reason as for readMesh.
    static bool importMeshObject(const QString& sObjectName, const QString& sFileName,
                                 ImportParameters parameters, QString* psRefusal = nullptr);

    // Registers the embedded hook bundle; repeated calls have no effect.
    static void registerHookResources();
};
