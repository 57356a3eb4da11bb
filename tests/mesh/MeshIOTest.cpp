#include "../malformed/MalformedMeshFiles.h"
#include "MeshIO.h"
#include "Parallel.h"
#include "MeshObject.h"
#include "MeshPointShares.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "support/MeshTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

class MeshIOTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ObjectRoot::getInstance()->clear();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }

    QString path(const QString& sName) const { return m_dir.filePath(sName); }

    void writeBytes(const QString& sName, const QByteArray& bytes) const
    {
        QFile file(path(sName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray readBytes(const QString& sFileName) const
    {
        QFile file(sFileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // An octahedron 2 wide in x, 4 in y and 1 in z, centred at (3, 0, 0).
    static MeshObject* makeOctahedronObject(const QString& sName)
    {
        auto* pObject = new MeshObject(sName);
        pObject->setMesh(makeOctahedron(1.0f, 2.0f, 0.5f, 3.0f));
        pObject->update();
        return pObject;
    }

    static double largestExtent(MeshObject& object)
    {
        double dX = 0, dY = 0, dZ = 0;
        object.getMeshData()->getExtents(dX, dY, dZ);
        return std::max({dX, dY, dZ});
    }

    QTemporaryDir m_dir;
};

using MalformedMeshFiles::binaryStl;
using MalformedMeshFiles::twoTriangles;

// An OBJ whose vertices all come before its faces, with a texture coordinate
// and a normal beside every vertex, and every face corner naming all three,
// counted back from the last one.
QByteArray withTexturesCountedBack(const QByteArray& obj)
{
    QByteArray result;
    const int nVertices = obj.count("v ");
    for (const QByteArray& line : obj.split('\n'))
    {
        if (line.startsWith("v "))
        {
            result += line + "\nvt 0 0\nvn 0 0 1\n";
        }
        else if (line.startsWith("f "))
        {
            result += 'f';
            for (const QByteArray& corner : line.mid(2).split(' '))
            {
                const QByteArray back = QByteArray::number(corner.toInt() - nVertices - 1);
                result += ' ' + back + '/' + back + '/' + back;
            }
            result += '\n';
        }
    }
    return result;
}

} // namespace

TEST_F(MeshIOTest, BinaryStlRoundTripKeepsFacesAndClosedness)
{
    std::unique_ptr<MeshObject> pSource(makeOctahedronObject("SOURCE"));
    ASSERT_TRUE(MeshIO::writeMesh(pSource.get(), path("part.stl")));
    const QByteArray bytes = readBytes(path("part.stl"));
    EXPECT_EQ(bytes.size(), 84 + 50 * 8) << "lower-case stl is written binary";

    MeshObject target("TARGET");
    MeshIO::ImportParameters parameters;
    parameters.nType = 2;
    ASSERT_TRUE(MeshIO::readMesh(&target, path("part.stl"), parameters));
    EXPECT_EQ(target.getMesh()->n_faces(), 8u);
    EXPECT_EQ(target.getMesh()->n_vertices(), 6u) << "corners shared by several facets are joined";
    EXPECT_TRUE(target.isClosed());
    EXPECT_EQ(target.getType(), 2);
    // Normalised: largest side 1 (y), the others in proportion.
    double dX = 0, dY = 0, dZ = 0;
    target.getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dX, 0.5, 1e-6);
    EXPECT_NEAR(dY, 1.0, 1e-6);
    EXPECT_NEAR(dZ, 0.25, 1e-6);
    EXPECT_GT(target.getMeshData()->getVolume(), 0.0);
}

// Facets in a scattered order are put in order before OpenMesh joins them,
// in either form of STL and in OBJ (of quads, with indices counted back,
// with texture coordinates and normals): every facet must arrive whole, with
// its winding, and few of their corners far from where their point was met
// before. Quads shuffled whole look half in order, each facet after its
// quad's other one.
TEST_F(MeshIOTest, AMeshReadsAsTheSameClosedMeshInAnOrderOfNeighboursWhateverTheOrderOfItsFacets)
{
    using MalformedMeshFiles::objOf;
    using MalformedMeshFiles::stlOf;
    const MalformedMeshFiles::IndexedMesh torus = MalformedMeshFiles::torus(240, 160);
    const MalformedMeshFiles::IndexedMesh shuffled = MalformedMeshFiles::shuffled(torus, 5);
    const MalformedMeshFiles::IndexedMesh shuffledQuads = MalformedMeshFiles::shuffled(torus, 5, 2);
    const std::vector<std::pair<QString, QByteArray>> files = {
        {"ordered.stl", stlOf(torus, false)},
        {"shuffled.stl", stlOf(shuffled, false)},
        {"shuffled-quads.stl", stlOf(shuffledQuads, false)},
        {"shuffled-ascii.stl", stlOf(shuffled, true)},
        {"ordered.obj", objOf(torus, {true, true})},
        {"shuffled.obj", objOf(shuffledQuads, {true, false})},
        {"shuffled-counted-back.obj", objOf(shuffledQuads, {true, true})},
        {"shuffled-textured.obj", withTexturesCountedBack(objOf(shuffledQuads, {true, false}))},
        {"shuffled-upper-crlf.stl", stlOf(shuffled, true).toUpper().replace("\n", "\r\n")},
    };
    double dVolume = 0.0;
    for (const auto& file : files)
    {
        SCOPED_TRACE(file.first.toStdString());
        writeBytes(file.first, file.second);
        MeshObject object("OBJECT");
        ASSERT_TRUE(MeshIO::readMesh(&object, path(file.first), MeshIO::ImportParameters()));
        const TriangleMesh& mesh = *object.getMesh();
        EXPECT_EQ(mesh.n_faces(), 240u * 160u * 2u);
        EXPECT_EQ(mesh.n_vertices(), 240u * 160u);
        EXPECT_TRUE(object.isClosed());
        dVolume = dVolume > 0.0 ? dVolume : object.getMeshData()->getVolume();
        EXPECT_NEAR(object.getMeshData()->getVolume(), dVolume, 1e-5 * dVolume);
        // Corners whose vertex was last met more than 4096 facets before:
        // where the reading leaves the processor's caches.
        std::vector<int> vLastFace(mesh.n_vertices(), -1);
        int nFar = 0;
        for (const auto fh : mesh.faces())
        {
            for (const auto vh : mesh.fv_range(fh))
            {
                nFar += vLastFace[std::size_t(vh.idx())] >= 0 && fh.idx() - vLastFace[std::size_t(vh.idx())] > 4096;
                vLastFace[std::size_t(vh.idx())] = fh.idx();
            }
        }
        EXPECT_LT(nFar, int(mesh.n_faces()) / 10);
    }
    EXPECT_GT(dVolume, 0.0);
}

TEST_F(MeshIOTest, UpperCaseStlSuffixIsWrittenAsTextAndReadsBack)
{
    std::unique_ptr<MeshObject> pSource(makeOctahedronObject("SOURCE"));
    ASSERT_TRUE(MeshIO::writeMesh(pSource.get(), path("part.STL")));
    const QByteArray bytes = readBytes(path("part.STL"));
    EXPECT_TRUE(bytes.startsWith("solid"));
    EXPECT_EQ(bytes.count("facet normal"), 8);

    MeshObject target("TARGET");
    ASSERT_TRUE(MeshIO::readMesh(&target, path("part.STL"), MeshIO::ImportParameters()));
    EXPECT_EQ(target.getMesh()->n_faces(), 8u);
    EXPECT_TRUE(target.isClosed());

    // Text under a lower-case name is still recognised as text.
    ASSERT_TRUE(QFile::copy(path("part.STL"), path("text.stl")));
    MeshObject text("TEXT");
    ASSERT_TRUE(MeshIO::readMesh(&text, path("text.stl"), MeshIO::ImportParameters()));
    EXPECT_EQ(text.getMesh()->n_faces(), 8u);
}

TEST_F(MeshIOTest, ObjRoundTripKeepsFacesAndWinding)
{
    std::unique_ptr<MeshObject> pSource(makeOctahedronObject("SOURCE"));
    ASSERT_TRUE(MeshIO::writeMesh(pSource.get(), path("part.obj")));
    EXPECT_EQ(readBytes(path("part.obj")).count("\nf "), 8);

    MeshObject target("TARGET");
    ASSERT_TRUE(MeshIO::readMesh(&target, path("part.obj"), MeshIO::ImportParameters()));
    EXPECT_EQ(target.getMesh()->n_faces(), 8u);
    EXPECT_EQ(target.getMesh()->n_vertices(), 6u);
    EXPECT_TRUE(target.isClosed());
    // Octahedron of half-diagonals 1, 2, 0.5 scaled to a largest side of 1:
    // (4/3) * 0.25 * 0.5 * 0.125.
    EXPECT_NEAR(target.getMeshData()->getVolume(), 4.0 / 3.0 * 0.25 * 0.5 * 0.125, 1e-6);
}

TEST_F(MeshIOTest, NonAsciiPathsAreWrittenAndRead)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QString::fromUtf8("D\u00e9p\u00f4t \u6587\u4ef6")));
    const QString sFileName = path(QString::fromUtf8("D\u00e9p\u00f4t \u6587\u4ef6/Anh\u00e4nger.stl"));
    std::unique_ptr<MeshObject> pSource(makeOctahedronObject("SOURCE"));
    ASSERT_TRUE(MeshIO::writeMesh(pSource.get(), sFileName));
    EXPECT_TRUE(QFile::exists(sFileName));

    MeshObject target("TARGET");
    ASSERT_TRUE(MeshIO::readMesh(&target, sFileName, MeshIO::ImportParameters()));
    EXPECT_EQ(target.getMesh()->n_faces(), 8u);
}

TEST_F(MeshIOTest, FailedWriteLeavesExistingFileAndNoLeftovers)
{
    std::unique_ptr<MeshObject> pSource(makeOctahedronObject("SOURCE"));
    // No writer handles this extension.
    writeBytes("part.xyz", "precious");
    EXPECT_FALSE(MeshIO::writeMesh(pSource.get(), path("part.xyz")));
    EXPECT_EQ(readBytes(path("part.xyz")), QByteArray("precious"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A successful write replaces the old content.
    writeBytes("part.stl", "old");
    ASSERT_TRUE(MeshIO::writeMesh(pSource.get(), path("part.stl")));
    EXPECT_EQ(readBytes(path("part.stl")).size(), 84 + 50 * 8);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    EXPECT_FALSE(MeshIO::writeMesh(pSource.get(), path("missing/part.stl")));
    EXPECT_FALSE(MeshIO::writeMesh(pSource.get(), m_dir.path()));
    MeshObject empty("EMPTY");
    EXPECT_FALSE(MeshIO::writeMesh(&empty, path("empty.stl")));
    EXPECT_FALSE(QFile::exists(path("empty.stl")));
    EXPECT_FALSE(MeshIO::writeMesh(nullptr, path("null.stl")));
}

TEST_F(MeshIOTest, ExportFindsTheObjectInTheTree)
{
    EXPECT_FALSE(MeshIO::exportMeshObject("MESH_MERGED", path("out.stl")));
    EXPECT_FALSE(QFile::exists(path("out.stl")));
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(makeOctahedronObject("MESH_MERGED")));
    EXPECT_TRUE(MeshIO::exportMeshObject("MESH_MERGED", path("out.stl")));
    EXPECT_EQ(readBytes(path("out.stl")).size(), 84 + 50 * 8);
}

TEST_F(MeshIOTest, EveryEmbeddedHookReadsClosedThroughTheStreamPath)
{
    MeshIO io; // registers the bundle
    for (const char* pName : {"CurvedHook01", "CurvedHook02", "TorusAndCylinder", "TorusFull", "TorusHalf"})
    {
        SCOPED_TRACE(pName);
        const QString sPath = QStringLiteral(":/hooks/%1.obj").arg(QLatin1String(pName));
        ASSERT_TRUE(QFile::exists(sPath));
        MeshObject hook("HOOK");
        ASSERT_TRUE(io.readMesh(&hook, sPath, MeshIO::ImportParameters()));
        EXPECT_GT(hook.getMesh()->n_faces(), 100u);
        EXPECT_TRUE(hook.isClosed());
        EXPECT_GT(hook.getMeshData()->getVolume(), 0.0) << "faces wind outwards";
        EXPECT_NEAR(largestExtent(hook), 1.0, 1e-5);

        const QImage thumbnail(QStringLiteral(":/hooks/%1_thumbnail.png").arg(QLatin1String(pName)));
        ASSERT_FALSE(thumbnail.isNull());
        EXPECT_EQ(thumbnail.width(), thumbnail.height());
    }
}

TEST_F(MeshIOTest, ImportPlacesTheMeshAndReplacesAnObjectOfTheSameName)
{
    std::unique_ptr<MeshObject> pSource(makeOctahedronObject("SOURCE"));
    ASSERT_TRUE(MeshIO::writeMesh(pSource.get(), path("octahedron.obj")));
    MeshIO::ImportParameters parameters;
    parameters.nType = 2;
    parameters.dScale = 3.0;
    parameters.dTranslateX = 1.0;
    parameters.dTranslateY = -2.0;
    parameters.dTranslateZ = 0.5;

    QSignalSpy spyAdded(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded);
    QSignalSpy spyRemoved(ObjectRoot::getInstance(), &ObjectRoot::signalChildRemoved);
    ASSERT_TRUE(MeshIO::importMeshObject("MESH_HOOK:0", path("octahedron.obj"), parameters));
    auto* pFirst = ObjectRoot::getInstance()->findChild<MeshObject*>("MESH_HOOK:0");
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst->getType(), 2);
    EXPECT_NEAR(largestExtent(*pFirst), 3.0, 1e-5);
    double dX = 0, dY = 0, dZ = 0;
    pFirst->getCenter(dX, dY, dZ);
    EXPECT_NEAR(dX, 1.0, 1e-5);
    EXPECT_NEAR(dY, -2.0, 1e-5);
    EXPECT_NEAR(dZ, 0.5, 1e-5);
    // Each corner of the octahedron lies on an axis through its centre, and
    // its normal points along that axis, outwards.
    const TriangleMesh& placed = *pFirst->getMesh();
    const TriangleMesh::Point centre{float(dX), float(dY), float(dZ)};
    for (const auto vh : placed.vertices())
    {
        const TriangleMesh::Point outwards = (placed.point(vh) - centre).normalized();
        EXPECT_GT(OpenMesh::dot(placed.normal(vh), outwards), 0.9999f) << vh.idx();
    }
    EXPECT_EQ(spyAdded.count(), 1);
    EXPECT_EQ(spyRemoved.count(), 0);

    // A tetrahedron under the same name takes the octahedron's place.
    auto* pTetrahedron = new MeshObject("TETRA");
    pTetrahedron->setMesh(makeTetrahedron());
    std::unique_ptr<MeshObject> pTetraOwner(pTetrahedron);
    ASSERT_TRUE(MeshIO::writeMesh(pTetrahedron, path("tetrahedron.stl")));
    ASSERT_TRUE(MeshIO::importMeshObject("MESH_HOOK:0", path("tetrahedron.stl"), parameters));
    const QList<MeshObject*> objects = ObjectRoot::getInstance()->findChildren<MeshObject*>("MESH_HOOK:0");
    ASSERT_EQ(objects.size(), 1);
    EXPECT_EQ(objects.first()->getMesh()->n_faces(), 4u);
    EXPECT_EQ(spyRemoved.count(), 1);
    EXPECT_EQ(spyAdded.count(), 2);
}

// Malformed files made here, each refused with one error line that names the
// file and the reason, without touching the object or the tree.
TEST_F(MeshIOTest, MalformedFilesAreRefusedWithOneErrorAndAddNothing)
{
    const MalformedMeshFiles::Corpus corpus = MalformedMeshFiles::refused();
    for (const auto& entry : corpus)
    {
        writeBytes(entry.first, entry.second);
    }
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.stl"));

    QStringList slPaths;
    for (const auto& entry : corpus)
    {
        slPaths << path(entry.first);
    }
    slPaths << path("folder.stl") << path("does-not-exist.obj") << ":/hooks/NoSuchHook.obj" << QString();
    // Some of the reasons, in full.
    const std::map<QString, QString> reasons = {
        {"count-too-large.stl", "the facet count in its header, 5, asks for 334 bytes, but it has 184"},
        {"two-equal-corners.stl", "none of its facets has three corners at different points"},
        {"one-place.stl", "none of its facets has three corners at different points"},
        {"single-point.obj", "all its points lie at one place"},
        {"index-too-large.obj", "line 4: the face corner \"9\" does not name what is defined before it"},
        {"no-faces.obj", "it has no face"},
        {"four-corners.stl", "line 7 gives a facet a fourth corner"},
        {"empty.obj", "it is empty"},
        {"truncated.stl", "the facet count in its header, 2, asks for 184 bytes, but it has 177"},
        {"tetrahedron.off", "only STL and OBJ files are read"},
        {"folder.stl", "it is a folder"},
        {"NoSuchHook.obj", "it does not exist"},
    };

    QSignalSpy spyAdded(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded);
    for (const QString& sPath : slPaths)
    {
        SCOPED_TRACE(sPath.toStdString());
        MeshObject object("OBJECT");
        LogCapture log;
        QString sRefusal;
        EXPECT_FALSE(MeshIO::readMesh(&object, sPath, MeshIO::ImportParameters(), &sRefusal));
        EXPECT_EQ(object.getMesh(), nullptr);
        const QStringList slLines = log.lines();
        EXPECT_TRUE(slLines.size() == 1 && slLines[0].startsWith("ERROR: ") &&
                    slLines[0].endsWith(QString("Mesh file %1 is refused: %2").arg(sPath, sRefusal)))
            << slLines.join("\n").toStdString();
        const auto it = reasons.find(QFileInfo(sPath).fileName());
        EXPECT_TRUE(it == reasons.end() ? !sRefusal.isEmpty() : sRefusal == it->second) << sRefusal.toStdString();
        EXPECT_FALSE(MeshIO::importMeshObject("MESH_HOOK:0", sPath, MeshIO::ImportParameters()));
    }
    EXPECT_EQ(spyAdded.count(), 0);
    EXPECT_TRUE(ObjectRoot::getInstance()->children().isEmpty());

    // The corpus is not simply unreadable: the same writer and reader accept
    // the well-formed versions.
    writeBytes("good.stl", binaryStl(2, twoTriangles()));
    writeBytes("good.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n");
    MeshObject good("GOOD");
    EXPECT_TRUE(MeshIO::readMesh(&good, path("good.stl"), MeshIO::ImportParameters()));
    EXPECT_EQ(good.getMesh()->n_faces(), 2u);
    EXPECT_TRUE(MeshIO::readMesh(&good, path("good.obj"), MeshIO::ImportParameters()));
    EXPECT_EQ(good.getMesh()->n_faces(), 1u);
}

TEST_F(MeshIOTest, RefusedImportKeepsTheObjectAlreadyInTheTree)
{
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(makeOctahedronObject("MESH_HOOK:0")));
    writeBytes("bad.obj", "v 0 0 0\nf 1 1 1\n");
    EXPECT_FALSE(MeshIO::importMeshObject("MESH_HOOK:0", path("bad.obj"), MeshIO::ImportParameters()));
    auto* pKept = ObjectRoot::getInstance()->findChild<MeshObject*>("MESH_HOOK:0");
    ASSERT_NE(pKept, nullptr);
    EXPECT_EQ(pKept->getMesh()->n_faces(), 8u);
}

TEST_F(MeshIOTest, MaterialLibrariesAreNeverOpened)
{
    // A library beside the file that would give the mesh a texture mapping if
    // it were read; the second one would never end.
    writeBytes("shiny.mtl", "newmtl shiny\nKd 1 0 0\nmap_Kd secret.png\n");
    writeBytes("hostile.obj", MalformedMeshFiles::objWithMaterialLibrary("shiny.mtl\nmtllib ../../../../dev/urandom"));
    MeshObject object("OBJECT");
    ASSERT_TRUE(MeshIO::readMesh(&object, path("hostile.obj"), MeshIO::ImportParameters()));
    EXPECT_EQ(object.getMesh()->n_faces(), 1u);
    OpenMesh::MPropHandleT<std::map<int, std::string>> textures;
    EXPECT_FALSE(object.getMesh()->get_property_handle(textures, "TextureMapping"));
    EXPECT_TRUE(readBytes(path("hostile.obj")).startsWith("mtllib shiny.mtl")) << "the file itself is untouched";
}

TEST_F(MeshIOTest, FilesAboveTheSizeLimitAreRefusedWithOneErrorNamingTheSize)
{
    // Sparse files of zeros: they cost no disk.
    const qint64 nLimit = 64 * 1024 * 1024;
    for (const auto& entry : {std::make_pair("large.obj", nLimit + 1), std::make_pair("at-limit.obj", nLimit)})
    {
        QFile file(path(entry.first));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(entry.second));
    }

    LogCapture log;
    MeshObject object("OBJECT");
    EXPECT_FALSE(MeshIO::readMesh(&object, path("large.obj"), MeshIO::ImportParameters()));
    EXPECT_EQ(object.getMesh(), nullptr);
    ASSERT_EQ(log.lines().size(), 1) << log.lines().join("\n").toStdString();
    EXPECT_EQ(log.count("ERROR"), 1);
    EXPECT_TRUE(log.lines()[0].contains(QString::number(nLimit + 1))) << log.lines()[0].toStdString();

    // At the limit the file is read and checked: zeros are no mesh.
    EXPECT_FALSE(MeshIO::readMesh(&object, path("at-limit.obj"), MeshIO::ImportParameters()));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[1].endsWith("is refused: it has no face")) << log.lines()[1].toStdString();

    // A flood of empty lines is checked line by line and the triangle after
    // it read.
    writeBytes("flood.obj", MalformedMeshFiles::objAfterEmptyLines(4 * 1024 * 1024));
    EXPECT_TRUE(MeshIO::readMesh(&object, path("flood.obj"), MeshIO::ImportParameters()));
    EXPECT_EQ(object.getMesh()->n_faces(), 1u);
}

TEST_F(MeshIOTest, DevicesAreRefusedWithoutReading)
{
    MeshObject object("OBJECT");
    for (const char* pDevice : {"/dev/zero", "/dev/urandom"})
    {
        EXPECT_FALSE(MeshIO::readMesh(&object, QString::fromLatin1(pDevice), MeshIO::ImportParameters())) << pDevice;
    }
    EXPECT_EQ(object.getMesh(), nullptr);
}

TEST_F(MeshIOTest, ExtremeExtentsComeOutFiniteAtUnitSize)
{
    for (const auto& entry : MalformedMeshFiles::extremeExtents())
    {
        SCOPED_TRACE(entry.first.toStdString());
        writeBytes(entry.first, entry.second);
        MeshObject object("OBJECT");
        ASSERT_TRUE(MeshIO::readMesh(&object, path(entry.first), MeshIO::ImportParameters()));
        for (auto vh : object.getMesh()->vertices())
        {
            const TriangleMesh::Point& point = object.getMesh()->point(vh);
            ASSERT_TRUE(std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]));
        }
        EXPECT_NEAR(largestExtent(object), 1.0, 1e-6);
        double dX = 0, dY = 0, dZ = 0;
        object.getCenter(dX, dY, dZ);
        EXPECT_NEAR(std::max({std::fabs(dX), std::fabs(dY), std::fabs(dZ)}), 0.0, 1e-6);
    }
    // The tiny triangle keeps its shape: both legs of length 1.
    MeshObject tiny("TINY");
    ASSERT_TRUE(MeshIO::readMesh(&tiny, path("tiny.obj"), MeshIO::ImportParameters()));
    double dX = 0, dY = 0, dZ = 0;
    tiny.getMeshData()->getExtents(dX, dY, dZ);
    EXPECT_NEAR(dX, 1.0, 1e-6);
    EXPECT_NEAR(dY, 1.0, 1e-6);
    EXPECT_EQ(dZ, 0.0);
}

TEST_F(MeshIOTest, AsciiStlInAnyCaseWithBlankLinesBetweenFacetsReads)
{
    const QByteArray loop = MalformedMeshFiles::triangleLoop();
    const QByteArray second = "facet normal 0 0 1\nouter loop\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\n"
                              "endfacet\n";
    writeBytes("spaced.stl", "\n" + MalformedMeshFiles::asciiStl(MalformedMeshFiles::asciiFacet(loop) + "\n\n" + second));
    QByteArray upper = MalformedMeshFiles::asciiStl(MalformedMeshFiles::asciiFacet(loop) + second).toUpper();
    upper.replace("\n", "\r\n");
    writeBytes("upper.stl", upper);
    for (const char* pName : {"spaced.stl", "upper.stl"})
    {
        MeshObject object("OBJECT");
        ASSERT_TRUE(MeshIO::readMesh(&object, path(pName), MeshIO::ImportParameters())) << pName;
        EXPECT_EQ(object.getMesh()->n_faces(), 2u) << pName;
        EXPECT_EQ(object.getMesh()->n_vertices(), 4u) << pName;
    }
}

// Hooks a user may pick that would hold the interface thread for minutes in
// the mesh library are refused with one error line before it sees them: a
// point of too many facets, or points of too many facets in all (the fewest
// facets over six points that are beyond the work allowed, in either format).
// A cone's tip of thousands of facets still reads, so does a closed cone of
// as many round its tip and base centre as a point may have, and a vertex no
// face uses (modelling programs leave them behind) is left out instead of
// shrinking the mesh. Everything is read with 48 MiB of address space to
// spare.
TEST_F(MeshIOTest, HostileHooksAreRefusedWithOneErrorAndStrayVerticesAreLeftOut)
{
    using MalformedMeshFiles::objOf;
    using MalformedMeshFiles::onGrid;
    using MalformedMeshFiles::scatteredCorners;
    using MalformedMeshFiles::stlOf;
    struct Case
    {
        const char* szName;
        QByteArray bytes;
        QString sError;     // empty: the file reads
        unsigned nVertices; // when it reads; 0: any number
    };
    const QString sFan = "a point is shared by more than 8192 facets";
    const QString sCrowded = "joining them would take too long";
    const QString sFar = "its facets join points so far apart that reading it would take too long";
    // Each of the 20 triples of six points in turn: every point is shared by
    // half the facets.
    int nCrowded = 20;
    while (6 * quint64(nCrowded / 2) * quint64(nCrowded / 2) <= MeshPointShares::workBudget(quint64(nCrowded)))
    {
        nCrowded += 20;
    }
    const MalformedMeshFiles::IndexedMesh crowded = MalformedMeshFiles::fewPoints(nCrowded, 6);
    const int nMostFacets = int(MeshPointShares::MAXIMUM_FACETS_PER_POINT);
    const std::vector<Case> cases = {
        {"many-corners.obj", MalformedMeshFiles::objFaceWithCorners(5000), "a face has 5000 corners", 0},
        {"fan.stl", MalformedMeshFiles::fanStl(9000, 1000, false), sFan, 0},
        {"fan-ascii.stl", MalformedMeshFiles::fanStl(9000, 1000, true), sFan, 0},
        {"fan.obj", objOf(MalformedMeshFiles::fan(nMostFacets + 1, nMostFacets + 1)), sFan, 0},
        {"crowded.stl", stlOf(crowded, false), sCrowded, 0},
        {"crowded.obj", objOf(crowded), sCrowded, 0},
        {"cone.stl", MalformedMeshFiles::fanStl(4000, 4000, false), {}, 4001},
        {"closed-cone.stl", stlOf(MalformedMeshFiles::fan(nMostFacets, nMostFacets, true), false), {},
         unsigned(nMostFacets) + 2},
        {"stray-vertex.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1e30 1e30 1e30\nf 1 2 3\n", {}, 3},
        // Facets whose corners are drawn at random from points shared by as
        // many facets as in a closed mesh, which no order brings near each
        // other: with every point at one x, every facet twice in a row (which
        // looks ordered), as ASCII, with every vertex in 8 facets, as quads.
        // A few thousand such facets still read.
        {"scattered.stl", stlOf(scatteredCorners(60000, 26000), false), sFar, 0},
        {"scattered-at-one-x.stl", stlOf(MalformedMeshFiles::flattened(scatteredCorners(60000, 26000)), false), sFar,
         0},
        {"scattered-twice.stl", stlOf(MalformedMeshFiles::doubled(scatteredCorners(60000, 0, 4)), false), sFar, 0},
        {"scattered-ascii.stl", stlOf(onGrid(scatteredCorners(60000, 0, 8)), true), sFar, 0},
        {"scattered.obj", objOf(onGrid(scatteredCorners(60000, 0, 8))), sFar, 0},
        {"scattered-quads.obj", objOf(onGrid(scatteredCorners(80000, 0, 5, true)), {true, false}), sFar, 0},
        {"few-scattered.obj", objOf(scatteredCorners(4000, 0, 8)), {}, 0},
    };
    for (const Case& c : cases)
    {
        writeBytes(c.szName, c.bytes);
    }
#ifndef __SANITIZE_ADDRESS__ // which maps its shadow memory as it goes
    // As where the address space is limited: 48 MiB beyond what is mapped now,
    // the threads that share out work across the cores among it, as in a
    // program that has been at work a while.
    Parallel::Helpers::instance();
    QFile statm("/proc/self/statm");
    rlimit before{};
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly) && getrlimit(RLIMIT_AS, &before) == 0);
    rlimit limit = before;
    limit.rlim_cur = rlim_t(statm.readAll().split(' ').first().toLongLong() * sysconf(_SC_PAGESIZE) + (48 << 20));
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
    const auto restore = qScopeGuard([&before] { setrlimit(RLIMIT_AS, &before); });
#endif
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        LogCapture log;
        MeshObject object("OBJECT");
        const bool bRead = MeshIO::readMesh(&object, path(c.szName), MeshIO::ImportParameters());
        const QString sLines = log.lines().join("\n");
        if (c.sError.isEmpty())
        {
            EXPECT_TRUE(bRead && sLines.isEmpty()) << sLines.toStdString();
            EXPECT_TRUE(c.nVertices == 0 || (bRead && object.getMesh()->n_vertices() == c.nVertices));
            continue;
        }
        EXPECT_FALSE(bRead);
        EXPECT_EQ(log.lines().size(), 1) << sLines.toStdString();
        EXPECT_TRUE(sLines.startsWith("ERROR: ") && sLines.contains(path(c.szName)) && sLines.contains(c.sError))
            << sLines.toStdString();
    }
}
