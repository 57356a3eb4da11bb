#include "MeshIO.h"

#include "MeshLookup.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "TriangleMesh.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

// Q_INIT_RESOURCE declares a function at namespace scope: it must be expanded
// outside any namespace.
static void initHookBundle()
{
    Q_INIT_RESOURCE(hooks);
}

namespace
{

// Whole-file read through Qt, so that resources, directories and unreadable
// paths are all refused here before any parser sees the bytes.
bool readWholeFile(const QString& sFileName, QByteArray& content)
{
    const QFileInfo info(sFileName);
    if (info.isDir())
    {
        return false;
    }
    QFile file(sFileName);
    if (!file.open(QIODevice::ReadOnly))
    {
        return false;
    }
    content = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool parseFinite(const QByteArray& token, double& dValue)
{
    bool bOk = false;
    dValue = token.toDouble(&bOk);
    return bOk && std::isfinite(dValue);
}

// Binary STL: an 80-byte header, a little-endian triangle count and 50 bytes
// per triangle (normal, three corners, attribute). The size must match the
// count exactly and every corner coordinate must be finite.
bool isValidBinaryStl(const QByteArray& content)
{
    const qint64 nSize = content.size();
    if (nSize < 84)
    {
        return false;
    }
    const auto* pBytes = reinterpret_cast<const unsigned char*>(content.constData());
    const quint32 nTriangles = quint32(pBytes[80]) | (quint32(pBytes[81]) << 8) | (quint32(pBytes[82]) << 16) |
                               (quint32(pBytes[83]) << 24);
    if (nTriangles == 0 || nSize != 84 + 50 * qint64(nTriangles))
    {
        return false;
    }
    for (quint32 t = 0; t < nTriangles; ++t)
    {
        const unsigned char* pCorners = pBytes + 84 + 50 * qint64(t) + 12;
        for (int k = 0; k < 9; ++k)
        {
            unsigned char bytes[4] = {pCorners[4 * k], pCorners[4 * k + 1], pCorners[4 * k + 2], pCorners[4 * k + 3]};
            if (QSysInfo::ByteOrder == QSysInfo::BigEndian)
            {
                std::swap(bytes[0], bytes[3]);
                std::swap(bytes[1], bytes[2]);
            }
            float fValue = 0.0f;
            std::memcpy(&fValue, bytes, sizeof(float));
            if (!std::isfinite(fValue))
            {
                return false;
            }
        }
    }
    return true;
}

bool isText(const QByteArray& content)
{
    for (const char c : content)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f' && u != '\v')
        {
            return false;
        }
    }
    return true;
}

// ASCII STL: text starting with "solid", at least one facet, every corner
// given by three finite numbers.
bool isValidAsciiStl(const QByteArray& content)
{
    if (!isText(content) || !content.trimmed().startsWith("solid"))
    {
        return false;
    }
    int nFacets = 0;
    for (const QByteArray& line : content.split('\n'))
    {
        const QList<QByteArray> tokens = line.simplified().split(' ');
        if (tokens.first() == "facet")
        {
            ++nFacets;
        }
        else if (tokens.first() == "vertex")
        {
            double dValue = 0.0;
            if (tokens.size() < 4 || !parseFinite(tokens[1], dValue) || !parseFinite(tokens[2], dValue) ||
                !parseFinite(tokens[3], dValue))
            {
                return false;
            }
        }
    }
    return nFacets > 0;
}

// One index of an OBJ face corner: 1-based, or negative counting back from the
// last element defined so far; it must name an existing element.
bool isValidObjIndex(const QByteArray& token, int nDefined)
{
    bool bOk = false;
    const long long nIndex = token.toLongLong(&bOk);
    if (!bOk || nIndex == 0)
    {
        return false;
    }
    return nIndex > 0 ? nIndex <= nDefined : -nIndex <= nDefined;
}

// OBJ: finite vertex coordinates, at least one face, every face with three or
// more corners whose vertex (and texture and normal, where given) indices
// name elements defined before the face.
bool isValidObj(const QByteArray& content)
{
    int nVertices = 0;
    int nTexCoords = 0;
    int nNormals = 0;
    int nFaces = 0;
    for (QByteArray line : content.split('\n'))
    {
        const int nComment = line.indexOf('#');
        if (nComment >= 0)
        {
            line.truncate(nComment);
        }
        const QList<QByteArray> tokens = line.simplified().split(' ');
        const QByteArray& keyword = tokens.first();
        if (keyword == "v")
        {
            double dValue = 0.0;
            if (tokens.size() < 4 || !parseFinite(tokens[1], dValue) || !parseFinite(tokens[2], dValue) ||
                !parseFinite(tokens[3], dValue))
            {
                return false;
            }
            ++nVertices;
        }
        else if (keyword == "vt")
        {
            ++nTexCoords;
        }
        else if (keyword == "vn")
        {
            ++nNormals;
        }
        else if (keyword == "f")
        {
            if (tokens.size() < 4)
            {
                return false;
            }
            for (int i = 1; i < tokens.size(); ++i)
            {
                const QList<QByteArray> parts = tokens[i].split('/');
                if (parts.size() > 3 || !isValidObjIndex(parts[0], nVertices))
                {
                    return false;
                }
                if (parts.size() > 1 && !parts[1].isEmpty() && !isValidObjIndex(parts[1], nTexCoords))
                {
                    return false;
                }
                if (parts.size() > 2 && !parts[2].isEmpty() && !isValidObjIndex(parts[2], nNormals))
                {
                    return false;
                }
            }
            ++nFaces;
        }
    }
    return nFaces > 0;
}

// Checks the raw bytes of the formats the system offers (STL and OBJ) before
// OpenMesh parses them: its readers trust counts and indices. Other formats
// are left to OpenMesh and to the checks on the mesh it returns.
bool isWellFormed(const QByteArray& content, const QString& sSuffixLower)
{
    if (content.isEmpty())
    {
        return false;
    }
    if (sSuffixLower == QLatin1String("stl"))
    {
        return isValidBinaryStl(content) || isValidAsciiStl(content);
    }
    if (sSuffixLower == QLatin1String("obj"))
    {
        return isValidObj(content);
    }
    return true;
}

// Every point finite and a bounding box that is not a single point: the
// normalisation divides by the largest side.
bool hasUsableGeometry(const TriangleMesh& mesh)
{
    float fMin[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                     std::numeric_limits<float>::max()};
    float fMax[3] = {-fMin[0], -fMin[1], -fMin[2]};
    for (auto vh : mesh.vertices())
    {
        const auto& point = mesh.point(vh);
        for (int k = 0; k < 3; ++k)
        {
            if (!std::isfinite(point[k]))
            {
                return false;
            }
            fMin[k] = std::min(fMin[k], static_cast<float>(point[k]));
            fMax[k] = std::max(fMax[k], static_cast<float>(point[k]));
        }
    }
    const float fLargest = std::max({fMax[0] - fMin[0], fMax[1] - fMin[1], fMax[2] - fMin[2]});
    return std::isfinite(fLargest) && fLargest > 0.0f;
}

// A free name beside sFileName with the same suffix (the writer is chosen by
// the extension), hidden and marked as ours.
QString temporaryNameBeside(const QFileInfo& info)
{
    const QString sDir = info.absolutePath();
    for (int n = 0;; ++n)
    {
        const QString sCandidate = QStringLiteral("%1/.%2.writing-%3-%4.%5")
                                       .arg(sDir, info.completeBaseName())
                                       .arg(QCoreApplication::applicationPid())
                                       .arg(n)
                                       .arg(info.suffix());
        if (!QFileInfo::exists(sCandidate))
        {
            return sCandidate;
        }
    }
}

} // namespace

MeshIO::MeshIO()
{
    registerHookResources();
}

void MeshIO::registerHookResources()
{
    initHookBundle();
}

bool MeshIO::writeMesh(MeshObject* pMeshObject, const QString& sFileName)
{
    if (!pMeshObject || !pMeshObject->getMesh())
    {
        return false;
    }
    const QFileInfo info(sFileName);
    if (sFileName.isEmpty() || info.isDir())
    {
        return false;
    }
    OpenMesh::IO::Options options;
    if (info.suffix().contains(QLatin1String("stl")))
    {
        options += OpenMesh::IO::Options::Binary;
    }

    const QString sTemporary = temporaryNameBeside(info);
    bool bWriteOk = false;
    try
    {
        bWriteOk = OpenMesh::IO::write_mesh(*pMeshObject->getMesh(), QFile::encodeName(sTemporary).toStdString(),
                                            options);
    }
    catch (...)
    {
        bWriteOk = false;
    }
    // rename() replaces the target in one step: readers see the old file or
    // the complete new one, never a partial write.
    if (!bWriteOk ||
        std::rename(QFile::encodeName(sTemporary).constData(), QFile::encodeName(sFileName).constData()) != 0)
    {
        QFile::remove(sTemporary);
        return false;
    }
    return true;
}

bool MeshIO::exportMeshObject(const QString& sObjectName, const QString& sFileName)
{
    MeshObject* pMeshObject = findMeshObject(sObjectName);
    if (!pMeshObject)
    {
        return false;
    }
    return writeMesh(pMeshObject, sFileName);
}

bool MeshIO::readMesh(MeshObject* pMeshObject, const QString& sFileName, ImportParameters parameters)
{
    if (!pMeshObject)
    {
        return false;
    }
    registerHookResources();
    const QString sSuffix = QFileInfo(sFileName).suffix();
    QByteArray content;
    if (!readWholeFile(sFileName, content) || !isWellFormed(content, sSuffix.toLower()))
    {
        return false;
    }

    std::unique_ptr<TriangleMesh> pMesh(new TriangleMesh);
    bool bReadOk = false;
    try
    {
        if (sFileName.startsWith(QLatin1Char(':')))
        {
            // An embedded resource has no path OpenMesh could open: parse the
            // bytes already read, the format given by the extension.
            std::istringstream stream(std::string(content.constData(), static_cast<size_t>(content.size())));
            OpenMesh::IO::Options options;
            bReadOk = OpenMesh::IO::read_mesh(*pMesh, stream, QStringLiteral(".%1").arg(sSuffix).toStdString(),
                                              options);
        }
        else
        {
            OpenMesh::IO::Options options;
            if (sSuffix.contains(QLatin1String("stl")))
            {
                options += OpenMesh::IO::Options::Binary;
            }
            bReadOk = OpenMesh::IO::read_mesh(*pMesh, QFile::encodeName(sFileName).toStdString(), options);
        }
    }
    catch (...)
    {
        bReadOk = false;
    }
    if (!bReadOk)
    {
        return false;
    }
    MOLDENA_ASSERT(pMesh);
    if (pMesh->n_vertices() == 0 || pMesh->n_faces() == 0 || !hasUsableGeometry(*pMesh))
    {
        return false;
    }
    if (!pMesh->has_face_normals())
    {
        pMesh->request_face_normals();
    }
    if (!pMesh->has_vertex_normals())
    {
        pMesh->request_vertex_normals();
    }
    pMesh->update_face_normals();
    pMesh->update_vertex_normals();

    pMeshObject->setMesh(pMesh.release());
    pMeshObject->setType(parameters.nType);
    pMeshObject->update();
    pMeshObject->normalize();
    pMeshObject->scale(parameters.dScale, false);
    pMeshObject->translate(parameters.dTranslateX, parameters.dTranslateY, parameters.dTranslateZ, false);
    return true;
}

bool MeshIO::importMeshObject(const QString& sObjectName, const QString& sFileName, ImportParameters parameters)
{
    std::unique_ptr<MeshObject> pMeshObject(new MeshObject(sObjectName));
    if (!readMesh(pMeshObject.get(), sFileName, parameters))
    {
        return false;
    }
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    if (ObjectBase* pOld = pRoot->removeChildByName(sObjectName, false))
    {
        delete pOld;
    }
    const bool bAddOk = pRoot->addChild(pMeshObject.get(), false);
    MOLDENA_ASSERT(bAddOk);
    pMeshObject.release(); // the tree owns it now
    return true;
}
