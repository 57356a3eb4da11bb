// Picking a file from a library folder.

#include "MeshIO.h"
#include "ResourceDialog.h"

#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(ResourceDialogTest, OneButtonPerFileNamedAfterItWithItsThumbnailAndOkOnlyOnceChosen)
{
    MeshIO::registerHookResources();
    ResourceDialog dialog(":/hooks", {"*.obj"});
    ResourceItemView* pView = dialog.getResourceItemView();
    QStringList names;
    for (const QString& sFile : pView->getFiles())
        names << QFileInfo(sFile).fileName();
    EXPECT_EQ(names, QStringList({"CurvedHook01.obj", "CurvedHook02.obj", "TorusAndCylinder.obj", "TorusFull.obj",
                                  "TorusHalf.obj"}));
    auto* pOk = dialog.findChild<QPushButton*>("m_pPushButtonOk");
    EXPECT_FALSE(pOk->isEnabled());

    auto* pTorus = pView->findChild<QRadioButton*>("TorusFull.obj");
    ASSERT_NE(pTorus, nullptr);
    EXPECT_EQ(pTorus->toolTip(), "TorusFull.obj");
    EXPECT_FALSE(pTorus->icon().isNull()) << "the hook's thumbnail";
    pTorus->click();
    EXPECT_TRUE(pOk->isEnabled());
    EXPECT_EQ(QFileInfo(dialog.getSelectedFile()).fileName(), "TorusFull.obj");

    // A folder of pictures: thumbnails have no buttons, pictures show themselves.
    QTemporaryDir dir;
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (const char* szName : {"ring.png", "ring_thumbnail.png", "star.png", "notes.txt"})
        image.save(dir.filePath(szName), "PNG");
    ResourceItemView view(dir.path(), {"*.png"}, 32);
    QStringList pictures;
    for (const QString& sFile : view.getFiles())
        pictures << QFileInfo(sFile).fileName();
    EXPECT_EQ(pictures, QStringList({"ring.png", "star.png"}));
}
