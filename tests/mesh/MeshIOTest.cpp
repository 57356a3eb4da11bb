#include "MeshIO.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "support/MeshTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
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

// A binary STL of n triangles: header, count and 50 bytes per triangle, the
// corners taken from the given floats (nine per triangle).
QByteArray binaryStl(quint32 nCount, const std::vector<float>& corners)
{
    QByteArray bytes(80, ' ');
    for (int k = 0; k < 4; ++k)
    {
        bytes.append(static_cast<char>((nCount >> (8 * k)) & 0xFF));
    }
    for (size_t t = 0; t < corners.size() / 9; ++t)
    {
        QByteArray record(50, '\0');
        std::memcpy(record.data() + 12, &corners[9 * t], 9 * sizeof(float));
        bytes.append(record);
    }
    return bytes;
}

const std::vector<float> TWO_TRIANGLES = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1};

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

// Malformed files made here, each refused without touching the object or the
// tree.
TEST_F(MeshIOTest, MalformedFilesAreRefusedAndAddNothing)
{
    QByteArray truncated = binaryStl(2, TWO_TRIANGLES);
    truncated.chop(7);
    std::vector<float> nanCorner = TWO_TRIANGLES;
    nanCorner[4] = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> infCorner = TWO_TRIANGLES;
    infCorner[17] = std::numeric_limits<float>::infinity();

    const std::vector<std::pair<QString, QByteArray>> corpus = {
        {"empty.stl", QByteArray()},
        {"empty.obj", QByteArray()},
        {"header-only.stl", binaryStl(0, {})},
        {"truncated.stl", truncated},
        {"count-too-large.stl", binaryStl(5, TWO_TRIANGLES)},
        {"count-too-small.stl", binaryStl(1, TWO_TRIANGLES)},
        {"nan.stl", binaryStl(2, nanCorner)},
        {"inf.stl", binaryStl(2, infCorner)},
        {"nan-ascii.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex nan 0 0\n"
                          "vertex 0 1 0\nendloop\nendfacet\nendsolid x\n"},
        {"no-facets.stl", "solid x\nendsolid x\n"},
        {"index-too-large.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n"},
        {"index-zero.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n"},
        {"index-negative.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n"},
        {"index-forward.obj", "v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n"},
        {"texcoord-out-of-range.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/2 3/3\n"},
        {"two-corners.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n"},
        {"no-faces.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n"},
        {"nan.obj", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"inf.obj", "v 0 0 0\nv 1 inf 0\nv 0 1 0\nf 1 2 3\n"},
        {"huge.obj", "v 0 0 0\nv 1e300 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"short-vertex.obj", "v 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"single-point.obj", "v 2 2 2\nv 2 2 2\nv 2 2 2\nf 1 2 3\n"},
        {"garbage.stl", QByteArray(300, '\x7f')},
    };
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

    QSignalSpy spyAdded(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded);
    for (const QString& sPath : slPaths)
    {
        SCOPED_TRACE(sPath.toStdString());
        MeshObject object("OBJECT");
        EXPECT_FALSE(MeshIO::readMesh(&object, sPath, MeshIO::ImportParameters()));
        EXPECT_EQ(object.getMesh(), nullptr);
        EXPECT_FALSE(MeshIO::importMeshObject("MESH_HOOK:0", sPath, MeshIO::ImportParameters()));
    }
    EXPECT_EQ(spyAdded.count(), 0);
    EXPECT_TRUE(ObjectRoot::getInstance()->children().isEmpty());

    // The corpus is not simply unreadable: the same writer and reader accept
    // the well-formed versions.
    writeBytes("good.stl", binaryStl(2, TWO_TRIANGLES));
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
