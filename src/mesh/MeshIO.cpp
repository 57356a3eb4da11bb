#include "MeshIO.h"

#include <OpenMesh/Core/System/omstream.hh>

#include <mutex>

#include "Logger.h"
#include "MeshFacetOrder.h"
#include "MeshGenerator.h"
#include "MeshIOChecks.h"
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

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <streambuf>
#include <string>

// Q_INIT_RESOURCE declares a function at namespace scope: it must be expanded
// outside any namespace.
static void initHookBundle()
{
    Q_INIT_RESOURCE(hooks);
}

namespace
{

// The largest mesh file read: far above any hook, and small enough that the
// file, its check and OpenMesh's mesh stay well inside memory.
constexpr qint64 MAXIMUM_FILE_BYTES = 64 * 1024 * 1024;

// Reads the whole file through Qt, so that resources, directories, devices
// and unreadable paths are all refused here before any parser sees the
// bytes; sRefusal says why. A file above the size limit is refused too.
bool readWholeFile(const QString& sFileName, QByteArray& content, QString& sRefusal)
{
    const QFileInfo info(sFileName);
    if (info.isDir())
    {
        sRefusal = QString("it is a folder");
        return false;
    }
    if (!info.exists())
    {
        sRefusal = QString("it does not exist");
        return false;
    }
    QFile file(sFileName);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
    {
        sRefusal = file.isOpen() ? QString("it is no file of fixed size") : QString("it cannot be opened");
        return false;
    }
    // The size is asked before reading and checked again after it, in case
    // the file grew meanwhile. Qt reserves as many bytes as a read asks for:
    // asking for the limit would make a small hook hold 64 MiB while it is
    // parsed, so the file's own size is asked for, and the limit only when
    // the file turns out to have grown.
    qint64 nSize = file.size();
    if (nSize <= MAXIMUM_FILE_BYTES)
    {
        content = file.read(nSize + 1);
        if (content.size() > nSize)
        {
            content += file.read(MAXIMUM_FILE_BYTES + 1 - content.size());
        }
        nSize = std::max(nSize, qint64(content.size()));
    }
    if (nSize > MAXIMUM_FILE_BYTES)
    {
        content.clear();
        sRefusal = QString("it is too large (%1 bytes); the largest mesh file read has %2 bytes")
                       .arg(nSize)
                       .arg(MAXIMUM_FILE_BYTES);
        return false;
    }
    if (file.error() != QFileDevice::NoError)
    {
        sRefusal = QString("it cannot be read: %1").arg(file.errorString());
        return false;
    }
    return true;
}

// A read-only stream over bytes held elsewhere: OpenMesh parses the checked
// bytes themselves, without a copy. The OBJ reader reads twice and seeks back.
class ByteStreamBuffer : public std::streambuf
{
public:
    explicit ByteStreamBuffer(const QByteArray& bytes)
    {
        char* pBegin = const_cast<char*>(bytes.constData());
        setg(pBegin, pBegin, pBegin + bytes.size());
    }

protected:
    pos_type seekoff(off_type nOffset, std::ios_base::seekdir direction, std::ios_base::openmode mode) override
    {
        if (!(mode & std::ios_base::in))
        {
            return pos_type(off_type(-1));
        }
        const off_type nBase = direction == std::ios_base::beg   ? 0
                               : direction == std::ios_base::cur ? off_type(gptr() - eback())
                                                                 : off_type(egptr() - eback());
        const off_type nTarget = nBase + nOffset;
        if (nTarget < 0 || nTarget > off_type(egptr() - eback()))
        {
            return pos_type(off_type(-1));
        }
        setg(eback(), eback() + nTarget, egptr());
        return pos_type(nTarget);
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode mode) override
    {
        return seekoff(off_type(position), std::ios_base::beg, mode);
    }

    // The binary STL reader asks for each value on its own, four bytes at a
    // time: one copy of what is there, without the general loop's checks.
    std::streamsize xsgetn(char* pOut, std::streamsize nCount) override
    {
        const std::streamsize nRead = std::max<std::streamsize>(0, std::min(nCount, std::streamsize(egptr() - gptr())));
        std::memcpy(pOut, gptr(), std::size_t(nRead));
        setg(eback(), gptr() + nRead, egptr());
        return nRead;
    }
};

// Parses checked bytes with the reader of their format. Every format goes
// through a stream: given a file name, OpenMesh would open the file again
// (and an OBJ's material library beside it).
bool parse(const QByteArray& content, MeshIOChecks::Format format, TriangleMesh& mesh)
{
    ByteStreamBuffer buffer(content);
    std::istream stream(&buffer);
    OpenMesh::IO::Options options;
    if (format == MeshIOChecks::Format::BinaryStl)
    {
        options += OpenMesh::IO::Options::Binary;
    }
    const std::string sExtension = format == MeshIOChecks::Format::Obj ? ".obj" : ".stl";
    return OpenMesh::IO::read_mesh(mesh, stream, sExtension, options);
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

// OpenMesh's readers and writers announce every file on the console; the log
// says what matters.
void quietOpenMesh()
{
    static std::once_flag s_quiet;
    std::call_once(s_quiet, [] {
        omlog().disable();
        omout().disable();
    });
}

// Why a read mesh cannot be placed: all its points at one place, or out of
// reach of unit size.
QString whyNotNormalised(const TriangleMesh& mesh)
{
    const TriangleMesh::Point first = mesh.point(*mesh.vertices_begin());
    for (const auto vh : mesh.vertices())
    {
        if (mesh.point(vh) != first)
        {
            return QString("it cannot be brought to unit size");
        }
    }
    return QString("all its points lie at one place");
}

// The reading itself; may throw. On false, sRefusal says why.
bool readCheckedMesh(MeshObject* pMeshObject, const QString& sFileName, const MeshIO::ImportParameters& parameters,
                     QString& sRefusal)
{
    MeshIO::registerHookResources();
    QByteArray content;
    if (!readWholeFile(sFileName, content, sRefusal))
    {
        return false;
    }
    MeshIOChecks::Faces faces;
    const MeshIOChecks::Format format =
        MeshIOChecks::checkContent(content, QFileInfo(sFileName).suffix().toLower(), sRefusal, faces);
    if (format == MeshIOChecks::Format::Invalid || !MeshFacetOrder::putInOrder(content, format, faces, sRefusal))
    {
        return false;
    }
    faces = MeshIOChecks::Faces();
    std::unique_ptr<TriangleMesh> pMesh(new TriangleMesh);
    if (!parse(content, format, *pMesh))
    {
        sRefusal = QString("the mesh library cannot read it");
        return false;
    }
    content.clear();
    MOLDENA_ASSERT(pMesh);
    // Modelling programs often leave vertices behind that no face uses: one
    // far away would shrink the visible mesh to nothing in the normalisation.
    MeshGenerator::removeIsolatedVertices(*pMesh);
    // OpenMesh leaves out facets with two corners at one point.
    if (pMesh->n_faces() == 0)
    {
        sRefusal = QString("none of its facets has three corners at different points");
        return false;
    }
    // Normalised before the object takes the mesh, so a refusal leaves it as it was.
    if (!MeshObject::normalizePoints(*pMesh))
    {
        sRefusal = whyNotNormalised(*pMesh);
        return false;
    }
    // Scaled about its centre, which normalising put at the origin, then moved.
    // Neither changes a normal, so they are computed once, after both: each
    // pass over a large mesh read in a scattered order costs about a second.
    const float fScale = float(parameters.dScale);
    const TriangleMesh::Point offset{float(parameters.dTranslateX), float(parameters.dTranslateY),
        float(parameters.dTranslateZ)};
    for (const auto vh : pMesh->vertices())
    {
        pMesh->point(vh) = pMesh->point(vh) * fScale + offset;
    }
    pMesh->request_face_normals();
    pMesh->request_vertex_normals();
    pMesh->update_face_normals();
    pMesh->update_vertex_normals();

    pMeshObject->setMesh(pMesh.release());
    pMeshObject->setType(parameters.nType);
    pMeshObject->update();
    return true;
}

} // namespace

MeshIO::MeshIO()
{
    registerHookResources();
}

void MeshIO::registerHookResources()
{
    initHookBundle();
    quietOpenMesh();
}

bool MeshIO::writeMesh(MeshObject* pMeshObject, const QString& sFileName)
{
    quietOpenMesh();
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

bool MeshIO::readMesh(MeshObject* pMeshObject, const QString& sFileName, ImportParameters parameters,
                      QString* psRefusal)
{
    if (!pMeshObject)
    {
        return false;
    }
    // Nothing may leave the reader: a file that exhausts memory, or a reader
    // that throws, is a refused file.
    QString sRefusal;
    try
    {
        if (readCheckedMesh(pMeshObject, sFileName, parameters, sRefusal))
        {
            return true;
        }
    }
    catch (const std::exception& e)
    {
        sRefusal = QString("reading it failed: %1").arg(QString::fromLocal8Bit(e.what()));
    }
    catch (...)
    {
        sRefusal = QString("reading it failed");
    }
    LOG_ERROR(QString("Mesh file %1 is refused: %2").arg(sFileName, sRefusal));
    if (psRefusal)
    {
        *psRefusal = sRefusal;
    }
    return false;
}

bool MeshIO::importMeshObject(const QString& sObjectName, const QString& sFileName, ImportParameters parameters,
                              QString* psRefusal)
{
    std::unique_ptr<MeshObject> pMeshObject(new MeshObject(sObjectName));
    if (!readMesh(pMeshObject.get(), sFileName, parameters, psRefusal))
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
