// The mesh preview on known boxes: what it draws where, how it follows the
// scene, its overlays, and a new context after the widget changed windows.
// Needs a display with OpenGL (xvfb-run, label gl).

#include "MeshObject.h"
#include "MeshRenderWidget.h"
#include "ObjectRoot.h"
#include "Scene.h"
#include "TestSupport.h"

#include <QDir>
#include <QOpenGLContext>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace
{
constexpr int SIDE = 200;

// A closed box of the given sides centred at (dX, dY, dZ), outward faces.
TriangleMesh* makeBox(float fX, float fY, float fZ, float fCentreX = 0, float fCentreY = 0, float fCentreZ = 0)
{
    auto* pMesh = new TriangleMesh();
    pMesh->request_face_normals();
    pMesh->request_vertex_normals();
    std::vector<TriangleMesh::VertexHandle> v;
    for (int i = 0; i < 8; ++i)
    {
        v.push_back(pMesh->add_vertex(TriangleMesh::Point(fCentreX + ((i & 1) ? fX : -fX) / 2,
                                                          fCentreY + ((i & 2) ? fY : -fY) / 2,
                                                          fCentreZ + ((i & 4) ? fZ : -fZ) / 2)));
    }
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads)
    {
        pMesh->add_face(v[q[0]], v[q[1]], v[q[2]]);
        pMesh->add_face(v[q[0]], v[q[2]], v[q[3]]);
    }
    pMesh->update_normals();
    return pMesh;
}

MeshObject* addMesh(const QString& sName, int nType, TriangleMesh* pMesh)
{
    auto* pObject = new MeshObject(sName);
    pObject->setMesh(pMesh);
    pObject->setType(nType);
    pObject->update();
    EXPECT_TRUE(ObjectRoot::getInstance()->addChild(pObject, false));
    return pObject;
}

// The smallest rectangle holding every pixel brighter than the black ground.
QRect litBounds(const QImage& image, int* pCount = nullptr)
{
    QRect bounds;
    int nCount = 0;
    for (int y = 0; y < image.height(); ++y)
    {
        for (int x = 0; x < image.width(); ++x)
        {
            const QRgb pixel = image.pixel(x, y);
            if (std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 12)
            {
                bounds |= QRect(x, y, 1, 1);
                ++nCount;
            }
        }
    }
    if (pCount)
    {
        *pCount = nCount;
    }
    return bounds;
}

void expectNear(const QRect& actual, const QRect& expected, const char* szCase)
{
    const int nTolerance = 2; // rasterisation of the silhouette's edges
    EXPECT_NEAR(actual.left(), expected.left(), nTolerance) << szCase;
    EXPECT_NEAR(actual.right(), expected.right(), nTolerance) << szCase;
    EXPECT_NEAR(actual.top(), expected.top(), nTolerance) << szCase;
    EXPECT_NEAR(actual.bottom(), expected.bottom(), nTolerance) << szCase;
}

// A window holding the preview at SIDE x SIDE (or the given size).
struct PreviewWindow
{
    explicit PreviewWindow(const QList<int>& kinds, QSize size = QSize(SIDE, SIDE))
        : pWindow(std::make_unique<QWidget>())
        , pPreview(new MeshRenderWidget(Scene::getInstance(), kinds))
    {
        auto* pLayout = new QVBoxLayout(pWindow.get());
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->addWidget(pPreview);
        pWindow->resize(size);
        pWindow->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pWindow.get()));
    }

    QImage frame(const QString& sScreenshot = QString()) const
    {
        const QImage image = pPreview->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        if (!sScreenshot.isEmpty())
        {
            QDir().mkpath(MOLDENA_SCREENSHOT_DIR);
            image.save(QString(MOLDENA_SCREENSHOT_DIR) + "/" + sScreenshot + ".png");
        }
        return image;
    }

    std::unique_ptr<QWidget> pWindow;
    MeshRenderWidget* pPreview;
};

class MeshRenderWidgetTest : public ::testing::Test
{
protected:
    void TearDown() override { ObjectRoot::getInstance()->clear(); }
};
} // namespace

TEST_F(MeshRenderWidgetTest, ViewportAndBoxFollowTheWidgetAndTheZoom)
{
    EXPECT_EQ(MeshRenderWidget::getViewport(400, 300), QRect(50, 0, 300, 300));
    EXPECT_EQ(MeshRenderWidget::getViewport(300, 400), QRect(0, 50, 300, 300));
    EXPECT_DOUBLE_EQ(MeshRenderWidget::getHalfSide(100.0, 1.0), 62.5);
    EXPECT_DOUBLE_EQ(MeshRenderWidget::getHalfSide(100.0, 2.0), 37.5);
    EXPECT_ASSERTION(MeshRenderWidget(nullptr, {1}), "m_pScene");
}

TEST_F(MeshRenderWidgetTest, DrawsTheMeshWhereItProjectsAndNothingElse)
{
    // 1 x 0.5 x 0.2: at zoom 1 the view spans 1.25, 160 pixels per unit.
    addMesh("MESH_GENERATED", MeshObject::TYPE_GENERATED, makeBox(1.0f, 0.5f, 0.2f));
    PreviewWindow window({MeshObject::TYPE_GENERATED});
    const struct
    {
        const char* szCase;
        double dHorizontal, dVertical, dZoom;
        QRect expected; // lit pixels, inclusive corners
    } cases[] = {
        {"front", 0, 0, 1.0, QRect(QPoint(20, 60), QPoint(179, 139))},
        {"turned about y", 90, 0, 1.0, QRect(QPoint(84, 60), QPoint(115, 139))},
        {"turned about x", 0, 90, 1.0, QRect(QPoint(20, 84), QPoint(179, 115))},
        // 0.75 wide: wider than the view, cut off at its sides.
        {"zoomed", 0, 0, 2.0, QRect(QPoint(0, 33), QPoint(199, 166))},
        {"zoomed out", 0, 0, 0.75, QRect(QPoint(37, 68), QPoint(162, 131))},
    };
    for (const auto& c : cases)
    {
        window.pPreview->setRotation(c.dHorizontal, c.dVertical);
        window.pPreview->setZoom(c.dZoom);
        const QImage image = window.frame(QString("mesh_preview_%1").arg(QString(c.szCase).replace(' ', '_')));
        int nLit = 0;
        expectNear(litBounds(image, &nLit), c.expected, c.szCase);
        // A box is convex: everything inside its outline is lit.
        const QRect inner = c.expected.intersected(image.rect()).adjusted(2, 2, -2, -2);
        EXPECT_GE(nLit, inner.width() * inner.height()) << c.szCase;
    }
    // The front face is lit by the light from the upper right, brighter than
    // the ambient light alone.
    window.pPreview->setRotation(0, 0);
    window.pPreview->setZoom(1.0);
    EXPECT_GT(qGray(window.frame().pixel(100, 100)), 60);
}

TEST_F(MeshRenderWidgetTest, OnlyTheShownKindsAreDrawnAndAWideWidgetDrawsIntoACentredSquare)
{
    addMesh("MESH_GENERATED", MeshObject::TYPE_GENERATED, makeBox(1.0f, 1.0f, 1.0f));
    addMesh("MESH_MERGED", MeshObject::TYPE_MERGED, makeBox(50.0f, 10.0f, 10.0f));
    PreviewWindow window({MeshObject::TYPE_MERGED}, QSize(300, 200));
    EXPECT_EQ(window.pPreview->getDisplayListNames(), QStringList({"MESH_MERGED"}));
    window.pPreview->setZoom(2.0);
    // The square is x 50 to 249; the merged bar is wider than the view.
    const QImage image = window.frame();
    expectNear(litBounds(image), QRect(QPoint(50, 73), QPoint(249, 126)), "bar in the square");
}

TEST_F(MeshRenderWidgetTest, MeshesFollowTheScene)
{
    addMesh("MESH_GENERATED", MeshObject::TYPE_GENERATED, makeBox(1.0f, 1.0f, 0.2f));
    PreviewWindow window({MeshObject::TYPE_GENERATED, MeshObject::TYPE_HOOK});
    int nBody = 0;
    litBounds(window.frame(), &nBody);

    // A hook beside the body, at (0.55, 0) to (0.6, 0.1): 8 x 16 pixels, lit.
    addMesh("MESH_HOOK:0", MeshObject::TYPE_HOOK, makeBox(0.05f, 0.1f, 0.1f, 0.575f, 0.05f, 0.0f));
    EXPECT_EQ(window.pPreview->getDisplayListNames(), QStringList({"MESH_GENERATED", "MESH_HOOK:0"}));
    const QRect hookArea(QPoint(188, 84), QPoint(195, 99));
    expectNear(litBounds(window.frame().copy(QRect(QPoint(182, 0), QPoint(199, 199)))).translated(182, 0), hookArea,
               "hook added");

    // Moved down by 0.5: its list is made again at the new place.
    Scene::getInstance()->translateHook(0, 0.0, -0.5, 0.0);
    expectNear(litBounds(window.frame().copy(QRect(QPoint(182, 0), QPoint(199, 199)))).translated(182, 0),
               hookArea.translated(0, 80), "hook moved");

    // A mesh of a kind not shown (merged) gets no list.
    addMesh("MESH_MERGED", MeshObject::TYPE_MERGED, makeBox(10.0f, 10.0f, 10.0f));
    EXPECT_EQ(window.pPreview->getDisplayListNames(), QStringList({"MESH_GENERATED", "MESH_HOOK:0"}));

    // Deleted: its list goes and only the body is left.
    Scene::getInstance()->deleteHook(0);
    EXPECT_EQ(window.pPreview->getDisplayListNames(), QStringList({"MESH_GENERATED"}));
    int nLeft = 0;
    litBounds(window.frame(), &nLeft);
    EXPECT_EQ(nLeft, nBody);

    // Without any shown mesh the view is black.
    delete ObjectRoot::getInstance()->findObject<MeshObject>("MESH_GENERATED");
    EXPECT_TRUE(window.pPreview->getDisplayListNames().isEmpty());
    EXPECT_TRUE(litBounds(window.frame()).isNull());
}

TEST_F(MeshRenderWidgetTest, OverlaysLieOnTopAtTrueSizeAndTheirPicturesComeOnlyWhenAsked)
{
    // 50 wide: the view spans 62.5, 3.2 pixels per millimetre.
    addMesh("MESH_MERGED", MeshObject::TYPE_MERGED, makeBox(50.0f, 50.0f, 5.0f));
    PreviewWindow window({MeshObject::TYPE_MERGED});
    const QImage plain = window.frame();
    EXPECT_FALSE(window.pPreview->hasTextures());
    EXPECT_LT(std::abs(qRed(plain.pixel(100, 100)) - qBlue(plain.pixel(100, 100))), 8) << "grey";

    // The battery, 51 high and blue in its middle, over the object.
    window.pPreview->setShowComparisonObject(true);
    const QImage battery = window.frame("mesh_preview_battery");
    EXPECT_TRUE(window.pPreview->hasTextures());
    EXPECT_GT(qBlue(battery.pixel(100, 100)), qRed(battery.pixel(100, 100)) + 40);
    // Its ends lie 25.5 mm above and below the centre: 81.6 pixels.
    int nTop = SIDE;
    int nBottom = -1;
    for (int y = 0; y < SIDE; ++y)
    {
        if (battery.pixel(100, y) != plain.pixel(100, y))
        {
            nTop = std::min(nTop, y);
            nBottom = std::max(nBottom, y);
        }
    }
    EXPECT_NEAR(nTop, 100 - 81.6, 2.5);
    EXPECT_NEAR(nBottom, 100 + 81.6, 2.5);

    // It keeps its place and orientation when the object turns behind it.
    window.pPreview->setRotation(30, 20);
    const QImage turned = window.frame();
    EXPECT_NE(turned.pixel(140, 40), battery.pixel(140, 40)) << "the object turned";
    for (int y = 30; y < 170; y += 10)
    {
        EXPECT_EQ(turned.pixel(100, y), battery.pixel(100, y)) << y;
    }

    // The scale bar alone: 20 x 3 mm at the centre, light over the grey.
    window.pPreview->setRotation(0, 0);
    window.pPreview->setShowComparisonObject(false);
    window.pPreview->setShowScale(true);
    const QImage scale = window.frame("mesh_preview_scale");
    int nChanged = 0;
    for (int y = 0; y < SIDE; ++y)
    {
        for (int x = 0; x < SIDE; ++x)
        {
            if (scale.pixel(x, y) != plain.pixel(x, y))
            {
                ++nChanged;
                EXPECT_LE(std::abs(x - 99.5), 32.5) << x << "," << y;
                EXPECT_LE(std::abs(y - 99.5), 5.5) << x << "," << y;
            }
        }
    }
    // Its upper half is partly clear; the rest covers the object.
    EXPECT_GT(nChanged, 64 * 10 / 4);
}

TEST_F(MeshRenderWidgetTest, AWidgetMovedToAnotherWindowDrawsAgainInItsNewContext)
{
    addMesh("MESH_GENERATED", MeshObject::TYPE_GENERATED, makeBox(1.0f, 1.0f, 0.2f));
    addMesh("MESH_HOOK:0", MeshObject::TYPE_HOOK, makeBox(0.05f, 0.1f, 0.1f, 0.575f, 0.05f, 0.0f));
    PreviewWindow first({MeshObject::TYPE_GENERATED, MeshObject::TYPE_HOOK});
    const QImage before = first.frame();
    const QRect bounds = litBounds(before);
    ASSERT_FALSE(bounds.isNull());

    // Off the screen, as a page that is left: its context goes.
    QPointer<QOpenGLContext> pOldContext = first.pPreview->context();
    ASSERT_FALSE(pOldContext.isNull());
    QSignalSpy destroyed(pOldContext.data(), &QOpenGLContext::aboutToBeDestroyed);
    first.pPreview->hide();
    first.pPreview->setParent(nullptr);
    EXPECT_EQ(destroyed.size(), 1);
    EXPECT_TRUE(first.pPreview->getDisplayListNames().isEmpty());

    // Meanwhile the hook moves down by 0.5.
    Scene::getInstance()->translateHook(0, 0.0, -0.5, 0.0);

    // Shown in another window: the lists are made again, the hook where it is now.
    QWidget second;
    auto* pLayout = new QVBoxLayout(&second);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(first.pPreview);
    first.pPreview->show();
    second.resize(SIDE, SIDE);
    second.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
    EXPECT_EQ(first.pPreview->getDisplayListNames(), QStringList({"MESH_GENERATED", "MESH_HOOK:0"}));
    const QImage after = first.frame("mesh_preview_new_context");
    expectNear(litBounds(after.copy(QRect(0, 0, 182, SIDE))), litBounds(before.copy(QRect(0, 0, 182, SIDE))),
               "body again");
    expectNear(litBounds(after.copy(QRect(QPoint(182, 0), QPoint(199, 199)))).translated(182, 0),
               QRect(QPoint(188, 164), QPoint(195, 179)), "hook at its new place");
    // The preview dies with its new window, freeing its objects first.
    second.hide();
}
