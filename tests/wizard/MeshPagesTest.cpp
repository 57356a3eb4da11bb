// The mesh chapter as a user walks it: the generation page's bar, hooks
// loaded, moved, turned, scaled and deleted on the preview, and the export
// page's sizes, views, scaling and saving. Runs under xvfb-run (label gl).

#include "../malformed/MalformedMeshFiles.h"
#include "FileDialogs.h"
#include "MeshData.h"
#include "MeshLookup.h"
#include "MeshRenderWidget.h"
#include "Scene.h"
#include "State.h"
#include "StateImplementationMeshSteps.h"
#include "StateImplementationOptionSelection.h"
#include "StlCheck.h"
#include "TestSupport.h"
#include "Wizard.h"
#include "WizardPage.h"
#include "WizardPageFactories.h"
#include "WorkflowIdentifiers.h"
#include "support/MeshChapterSupport.h"
#include "support/WizardDriver.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace MeshChapterSupport;

namespace
{
const char* const HOOK_GROUP_BOXES[] = {"m_pGroupBoxSelectHook", "m_pGroupBoxRotateHook", "m_pGroupBoxTranslateHook",
                                        "m_pGroupBoxScaleHook", "m_pGroupBoxDeleteHook"};

// The session on the hooks page with a body generated from two domes.
bool reachHooksPage(WizardDriver& driver)
{
    putDome(FRONT, 64, 6.0f);
    putDome(BACK, 64, 3.0f);
    return enterMeshChapter(driver) && waitForState(MESH_HOOKS);
}

// Loads a hook of the library by clicking through its dialog.
bool loadLibraryHook(WizardDriver& driver, const QString& sFile)
{
    driver.answerModal([sFile](QWidget* pModal) {
        if (auto* pItem = pModal->findChild<QRadioButton*>(sFile))
        {
            pItem->click();
        }
        pModal->findChild<QPushButton*>("m_pPushButtonOk")->click();
    });
    return driver.click("m_pPushButtonLoadHookFromLibrary") && driver.answered();
}

void extentsOf(const MeshData* pData, double (&dExtents)[3])
{
    pData->getExtents(dExtents[0], dExtents[1], dExtents[2]);
}

// The front view's frame of the preview: where points of the x-y plane land
// (image rows count downwards), and what is lit in a region.
struct Frame
{
    Frame(MeshRenderWidget* pPreview, double dLargestExtent)
        : image(pPreview->grabFramebuffer().convertToFormat(QImage::Format_RGB32))
        , viewport(MeshRenderWidget::getViewport(image.width(), image.height()))
        , dHalfSide(MeshRenderWidget::getHalfSide(dLargestExtent, pPreview->getZoom()))
    {
    }

    double column(double dX) const { return viewport.x() + (dX / dHalfSide + 1.0) / 2.0 * viewport.width(); }
    double row(double dY) const
    {
        return image.height() - (viewport.y() + (dY / dHalfSide + 1.0) / 2.0 * viewport.height());
    }
    double pixelsPerUnit() const { return viewport.width() / (2.0 * dHalfSide); }

    // Number of lit pixels and their mean column.
    std::pair<int, double> lit(const QRect& region) const
    {
        int nCount = 0;
        double dSum = 0.0;
        for (int y = region.top(); y <= region.bottom(); ++y)
        {
            for (int x = region.left(); x <= region.right(); ++x)
            {
                const QRgb pixel = image.pixel(x, y);
                if (std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 12)
                {
                    ++nCount;
                    dSum += x;
                }
            }
        }
        return {nCount, nCount ? dSum / nCount : 0.0};
    }

    QImage image;
    QRect viewport;
    double dHalfSide;
};

double numberIn(const QLineEdit* pField)
{
    return pField->text().section(' ', 0, 0).toDouble();
}
} // namespace

TEST(MeshPagesTest, FactoriesRefuseOtherStepsAndThePagesHelpersMapTheirValues)
{
    StateImplementationOptionSelection other;
    EXPECT_ASSERTION(WizardPageFactoryMeshGeneration().createMainWidget(&other), "pStateImplementationMeshGeneration");
    EXPECT_ASSERTION(WizardPageFactoryMeshHooks().createMainWidget(&other), "pStateImplementationMeshHooks");
    EXPECT_ASSERTION(WizardPageFactoryMeshExport().createMainWidget(&other), "pStateImplementationMeshExport");

    EXPECT_EQ(WizardPageMeshHooks::getDisplayName("MESH_HOOK:3"), "mesh hook 3");
    const std::pair<int, double> zooms[] = {{-100, 0.75}, {-50, 0.875}, {0, 1.0}, {50, 1.5}, {100, 2.0}};
    for (const auto& [nValue, dZoom] : zooms)
    {
        EXPECT_DOUBLE_EQ(WizardPageMeshHooks::getZoom(nValue, -100, 100), dZoom) << nValue;
    }

    const QString sStl = "Binary STL Files (*.stl)";
    const QString sObj = "Alias Wavefront Files (*.obj)";
    EXPECT_EQ(FileDialogs::withFilterSuffix("/a/object", sObj), "/a/object.obj");
    EXPECT_EQ(FileDialogs::withFilterSuffix("/a.b/object", sStl), "/a.b/object.stl");
    EXPECT_EQ(FileDialogs::withFilterSuffix("/a/object.stl", sObj), "/a/object.stl") << "the user's suffix";
    EXPECT_EQ(WizardPageMeshExport::getProposedFileName(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))),
              "Moldena_Object_2024_03_05_07_08_09.stl");
}

TEST(MeshPagesTest, TheGenerationBarIsBusyWhileAGenerationRunsAndFullAfterFailureOrSuccess)
{
    WizardDriver driver;
    putDome(FRONT, 64, 6.0f);
    putDome(BACK, 48, 3.0f); // front and back of different sizes cannot be joined
    const State* pGenerationState = findState({ARTIFACT, CONSTRUCT_MESH, MESH_GENERATION});
    auto* pStep = dynamic_cast<StateImplementationMeshGeneration*>(pGenerationState->getImplementation());
    ASSERT_TRUE(pStep);
    // What the bar shows when the step reports the end, before the page hears it.
    std::vector<int> barMaximaAtEnd;
    const QMetaObject::Connection connection =
        QObject::connect(pStep, &StateImplementationMeshGeneration::signalProcessingFinished, pStep, [&] {
            const auto* pBar = driver.find<QProgressBar>("m_pProgressBar");
            barMaximaAtEnd.push_back(pBar ? pBar->maximum() : -1);
            driver.screenshot(QString("mesh_generation_%1").arg(barMaximaAtEnd.size()));
        });
    QStringList messages;
    const ModalWatcher watcher([&messages](QWidget* pModal) { answerMessageBox(pModal, &messages); });

    // The failure is reported and the workflow goes back to the options.
    ASSERT_TRUE(enterMeshChapter(driver));
    ASSERT_TRUE(waitForState(ARTIFACT_OPTION_SELECTION));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "Mesh Generation failed");
    EXPECT_TRUE(messages[1].startsWith("A mesh object could not be created."));
    WizardPage* pPage = driver.wizard()->getOrCreatePage(pGenerationState->getUid());
    auto* pBar = pPage->findChild<QProgressBar*>("m_pProgressBar");
    EXPECT_EQ(barMaximaAtEnd, std::vector<int>({0})) << "busy while it ran";
    EXPECT_EQ(pBar->maximum(), 100);
    EXPECT_EQ(pBar->value(), 100);

    // Again with matching sides: the full bar turns busy for the new run,
    // full again at its end, and the workflow moves on.
    putDome(BACK, 64, 3.0f);
    ASSERT_TRUE(enterMeshChapter(driver));
    ASSERT_TRUE(waitForState(MESH_HOOKS));
    EXPECT_EQ(barMaximaAtEnd, std::vector<int>({0, 0}));
    EXPECT_EQ(pBar->maximum(), 100);
    EXPECT_EQ(pBar->value(), 100);
    EXPECT_EQ(messages.size(), 2) << "no message for the success";
    QObject::disconnect(connection);
}

TEST(MeshPagesTest, AHookFromTheLibraryAppearsInTheSceneAndThePreviewAndItsControlsMoveIt)
{
    WizardDriver driver;
    ASSERT_TRUE(reachHooksPage(driver));
    auto* pPage = qobject_cast<WizardPageMeshHooks*>(driver.mainWidget());
    ASSERT_TRUE(pPage);
    MeshRenderWidget* pPreview = pPage->getMeshRenderWidget();
    Scene* pScene = Scene::getInstance();
    for (const char* szGroupBox : HOOK_GROUP_BOXES)
    {
        EXPECT_FALSE(driver.find<QGroupBox>(szGroupBox)->isEnabled()) << szGroupBox;
    }

    // The first hook goes on the body's upper edge: above it nothing is lit yet.
    double dBody[3];
    extentsOf(pScene->getMeshDataGenerated(), dBody);
    const double dLargest = *std::max_element(dBody, dBody + 3);
    const auto bandAboveBody = [&](const Frame& frame) {
        return QRect(QPoint(int(frame.column(-0.45 * dLargest)), frame.viewport.top()),
                     QPoint(int(frame.column(0.45 * dLargest)), int(frame.row(dBody[1] / 2)) - 3));
    };
    const Frame empty(pPreview, dLargest);
    EXPECT_EQ(empty.lit(bandAboveBody(empty)).first, 0);

    ASSERT_TRUE(loadLibraryHook(driver, "TorusFull.obj"));
    EXPECT_EQ(pScene->getNamesHooks(), QStringList({"MESH_HOOK:0"}));
    auto* pComboBox = driver.find<QComboBox>("m_pComboBoxSelectHook");
    ASSERT_EQ(pComboBox->count(), 1);
    EXPECT_EQ(pComboBox->itemText(0), "mesh hook 0");
    EXPECT_EQ(pComboBox->currentIndex(), 0);
    EXPECT_EQ(pScene->getIndexOfSelectedHook(), 0) << "the new hook is the selected one";
    for (const char* szGroupBox : HOOK_GROUP_BOXES)
    {
        EXPECT_TRUE(driver.find<QGroupBox>(szGroupBox)->isEnabled()) << szGroupBox;
    }
    EXPECT_EQ(pPreview->getDisplayListNames(), QStringList({MESH_GENERATED, "MESH_HOOK:0"}));
    const Frame loaded(pPreview, dLargest);
    const auto [nHookPixels, dHookColumn] = loaded.lit(bandAboveBody(loaded));
    EXPECT_GT(nHookPixels, 20);
    EXPECT_NEAR(dHookColumn, loaded.column(0.0), 3.0) << "centred above the body";
    driver.screenshot("mesh_hooks");

    // Move right by the large step, a tenth of the body: the hook in the
    // preview follows.
    MeshObject* pHook = findMeshObject("MESH_HOOK:0");
    double dBefore[3];
    pHook->getCenter(dBefore[0], dBefore[1], dBefore[2]);
    ASSERT_TRUE(driver.click("m_pPushButtonTranslateXPlusPlus"));
    double dAfter[3];
    pHook->getCenter(dAfter[0], dAfter[1], dAfter[2]);
    EXPECT_NEAR(dAfter[0] - dBefore[0], 0.1 * dLargest, 1e-5);
    EXPECT_NEAR(dAfter[1], dBefore[1], 1e-6);
    const Frame moved(pPreview, dLargest);
    EXPECT_NEAR(moved.lit(bandAboveBody(moved)).second - dHookColumn, 0.1 * dLargest * moved.pixelsPerUnit(), 2.0);
    // The small step is a hundredth of the body's thinnest side.
    ASSERT_TRUE(driver.click("m_pPushButtonTranslateZMinus"));
    pHook->getCenter(dAfter[0], dAfter[1], dAfter[2]);
    EXPECT_NEAR(dAfter[2] - dBefore[2], -0.01 * *std::min_element(dBody, dBody + 3), 1e-6);

    // A quarter turn about y (two large steps) swaps its x and z extents, in place.
    double dHook[3];
    extentsOf(pHook->getMeshData(), dHook);
    pHook->getCenter(dBefore[0], dBefore[1], dBefore[2]);
    ASSERT_TRUE(driver.click("m_pPushButtonRotateYPlusPlus"));
    ASSERT_TRUE(driver.click("m_pPushButtonRotateYPlusPlus"));
    double dTurned[3];
    extentsOf(pHook->getMeshData(), dTurned);
    EXPECT_NEAR(dTurned[0], dHook[2], 1e-4);
    EXPECT_NEAR(dTurned[2], dHook[0], 1e-4);
    pHook->getCenter(dAfter[0], dAfter[1], dAfter[2]);
    EXPECT_NEAR(dAfter[0], dBefore[0], 1e-5);

    // Scale down and up again: the size comes back.
    ASSERT_TRUE(driver.click("m_pPushButtonScaleMinus"));
    double dScaled[3];
    extentsOf(pHook->getMeshData(), dScaled);
    EXPECT_NEAR(dScaled[1], 0.95 * dTurned[1], 1e-5);
    ASSERT_TRUE(driver.click("m_pPushButtonScalePlus"));
    extentsOf(pHook->getMeshData(), dScaled);
    EXPECT_NEAR(dScaled[1], dTurned[1], 1e-5);

    // The sliders turn and zoom the view.
    const struct
    {
        const char* szSlider;
        int nValue;
        const char* szField;
        const char* szShown;
    } moves[] = {{"m_pSliderZoom", -100, "m_pLineEditZoom", "0.75"},
                 {"m_pSliderZoom", 100, "m_pLineEditZoom", "2"},
                 {"m_pSliderZoom", 0, "m_pLineEditZoom", "1"},
                 {"m_pSliderRotateHorizontal", 30, "m_pLineEditRotateHorizontal", "30"},
                 {"m_pSliderRotateVertical", -45, "m_pLineEditRotateVertical", "-45"}};
    for (const auto& move : moves)
    {
        driver.find<QSlider>(move.szSlider)->setValue(move.nValue);
        EXPECT_EQ(driver.find<QLineEdit>(move.szField)->text(), move.szShown) << move.szSlider;
    }
    EXPECT_DOUBLE_EQ(pPreview->getZoom(), 1.0);
    EXPECT_EQ(std::make_pair(pPreview->getRotationHorizontal(), pPreview->getRotationVertical()),
              std::make_pair(30.0, -45.0));
    driver.screenshot("mesh_hooks_turned");

    // Deleting the hook empties the list and disables its controls.
    ASSERT_TRUE(driver.click("m_pPushButtonDeleteHook"));
    EXPECT_EQ(pScene->getNumberOfHooks(), 0);
    EXPECT_EQ(pComboBox->count(), 0);
    EXPECT_FALSE(driver.find<QGroupBox>("m_pGroupBoxRotateHook")->isEnabled());
    EXPECT_EQ(pPreview->getDisplayListNames(), QStringList({MESH_GENERATED}));
}

// Every kind of refusal is reported with the file and the reader's reason
// under "Could not load file".
TEST(MeshPagesTest, AHookThatCannotBeLoadedIsReportedWithItsReasonAndNothingIsAdded)
{
    WizardDriver driver;
    ASSERT_TRUE(reachHooksPage(driver));
    const struct
    {
        const char* szName; // empty: the resource path
        QByteArray bytes;
        const char* szReason;
    } files[] = {
        {"", {}, "it does not exist"},
        {"broken.stl", "solid nothing\nfacet normal 0 0 1\n", "it ends inside a facet"},
        {"no-face.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", "it has no face"},
        {"fan.stl", MalformedMeshFiles::fanStl(9000, 1000, false), "a point is shared by more than 8192 facets"},
        {"crowded.obj", MalformedMeshFiles::objOf(MalformedMeshFiles::fewPoints(14000, 6)),
         "joining them would take too long"},
        {"large.obj", {}, "it is too large (67108865 bytes)"},
    };
    for (const auto& file : files)
    {
        const QString sPath = *file.szName ? driver.folder() + "/" + file.szName : QString(":/hooks/Missing.obj");
        QFile out(sPath);
        if (*file.szName)
        {
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(file.bytes);
            // A sparse file of zeros just above the size limit.
            ASSERT_TRUE(file.bytes.size() > 0 || out.resize(64 * 1024 * 1024 + 1));
            out.close();
        }
        QStringList messages;
        driver.answerFileDialog(sPath);
        driver.answerModal([&](QWidget* pModal) {
            auto* pBox = qobject_cast<QMessageBox*>(pModal);
            ASSERT_NE(pBox, nullptr);
            if (QByteArray(file.szName) == "crowded.obj")
            {
                driver.screenshot("mesh_hooks_refused_message", pBox);
            }
            messages << pBox->windowTitle() << pBox->text() << pBox->informativeText();
            pBox->button(QMessageBox::Ok)->click();
        });
        ASSERT_TRUE(driver.click("m_pPushButtonLoadHookFromFile"));
        ASSERT_EQ(messages.size(), 3) << sPath.toStdString();
        EXPECT_EQ(messages.mid(0, 2), QStringList({"Load Error", "Could not load file"}));
        EXPECT_TRUE(messages[2].startsWith(sPath + "\n") && messages[2].contains(file.szReason))
            << messages[2].toStdString();
        EXPECT_EQ(Scene::getInstance()->getNumberOfHooks(), 0);
    }
    EXPECT_EQ(FileDialogs::getLastDir(), driver.folder()) << "the folder of the file chosen is kept";
    // A hook from a file of the user's.
    driver.answerFileDialog(":/hooks/TorusHalf.obj");
    ASSERT_TRUE(driver.click("m_pPushButtonLoadHookFromFile"));
    EXPECT_EQ(Scene::getInstance()->getNamesHooks(), QStringList({"MESH_HOOK:6"})) << "failed loads use up numbers";
}

TEST(MeshPagesTest, TheExportPageShowsTheMergedObjectsSizeAndSavesItAsAClosedBinaryStl)
{
    WizardDriver driver;
    ASSERT_TRUE(reachHooksPage(driver));
    ASSERT_TRUE(loadLibraryHook(driver, "CurvedHook01.obj"));
    ASSERT_TRUE(driver.next());
    ASSERT_TRUE(waitForState(MESH_EXPORT));
    auto* pPage = qobject_cast<WizardPageMeshExport*>(driver.mainWidget());
    ASSERT_TRUE(pPage);
    MeshRenderWidget* pPreview = pPage->getMeshRenderWidget();
    const MeshData* pMerged = Scene::getInstance()->getMeshDataMerged();
    ASSERT_TRUE(pMerged);
    double dMerged[3];
    extentsOf(pMerged, dMerged);
    const char* const fields[] = {"m_pLineEditWidth", "m_pLineEditHeight", "m_pLineEditDepth"};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(driver.find<QLineEdit>(fields[i])->text(), QString("%1 mm").arg(dMerged[i], 0, 'g', 6));
    }
    EXPECT_GT(pMerged->getVolume(), 0.0) << "closed shells";
    EXPECT_EQ(driver.find<QLineEdit>("m_pLineEditVolume")->text(),
              QString("%1 cm3").arg(pMerged->getVolume() / 1000.0, 0, 'g', 6));
    EXPECT_GE(*std::max_element(dMerged, dMerged + 3), 50.0 - 1e-3) << "the body is 50 mm on its largest side";

    // Front view with the scale bar at first; the choices turn the preview.
    EXPECT_EQ(pPreview->getRotationHorizontal(), 0.0);
    EXPECT_TRUE(pPreview->isShowScale());
    EXPECT_FALSE(pPreview->isShowComparisonObject());
    const struct
    {
        const char* szButton;
        double dHorizontal;
        double dVertical;
    } views[] = {{"m_pRadioButtonLeft", 90, 0}, {"m_pRadioButtonTop", 0, 90}, {"m_pRadioButtonFront", 0, 0}};
    for (const auto& view : views)
    {
        ASSERT_TRUE(driver.click(view.szButton));
        EXPECT_EQ(std::make_pair(pPreview->getRotationHorizontal(), pPreview->getRotationVertical()),
                  std::make_pair(view.dHorizontal, view.dVertical))
            << view.szButton;
    }
    ASSERT_TRUE(driver.click("m_pCheckBoxShowComparisonObject"));
    EXPECT_TRUE(pPreview->isShowComparisonObject());
    driver.screenshot("mesh_export");

    // Smaller and back: the fields follow.
    auto* pWidth = driver.find<QLineEdit>("m_pLineEditWidth");
    ASSERT_TRUE(driver.click("m_pPushButtonScaleMinusMinus"));
    EXPECT_NEAR(numberIn(pWidth), 0.75 * dMerged[0], 1e-3 * dMerged[0]);
    ASSERT_TRUE(driver.click("m_pPushButtonScalePlusPlus"));
    EXPECT_NEAR(numberIn(pWidth), dMerged[0], 1e-4 * dMerged[0]);

    // Saved under a name without suffix with the STL filter: a binary STL
    // that admesh finds closed, a shell for the body and one for the hook,
    // measuring what the page shows.
    QString sProposed;
    QString sAnswer;
    QString sFilter = "Binary STL Files (*.stl)";
    FileDialogs::setHandler([&](FileDialogs::Mode eMode, const QString&, const QString& sDefault, const QString&,
                                QString* pSelectedFilter) {
        EXPECT_EQ(eMode, FileDialogs::MODE_SAVE);
        sProposed = sDefault;
        if (pSelectedFilter)
        {
            *pSelectedFilter = sFilter;
        }
        return sAnswer;
    });
    sAnswer = driver.folder() + "/saved/object";
    QDir().mkpath(driver.folder() + "/saved");
    ASSERT_TRUE(driver.click("m_pPushButtonSaveObject"));
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(driver.folder()) +
                                   "/Moldena_Object_\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d_\\d\\d\\.stl$")
                    .match(sProposed)
                    .hasMatch())
        << sProposed.toStdString();
    const QString sStl = sAnswer + ".stl";
    const StlReport report = checkStl(sStl);
    ASSERT_TRUE(report.isClosed()) << report.sText.toStdString();
    EXPECT_EQ(report.nParts, 2);
    EXPECT_EQ(report.nFacets, int(pMerged->getNumberOfFaces()));
    EXPECT_TRUE(hasBinaryStlSize(sStl, report.nFacets));
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_NEAR(report.extent(i), numberIn(driver.find<QLineEdit>(fields[i])), 0.01) << i;
    }
    EXPECT_EQ(FileDialogs::getLastDir(), driver.folder() + "/saved");

    // The OBJ filter gives an OBJ file.
    sFilter = "Alias Wavefront Files (*.obj)";
    sAnswer = driver.folder() + "/saved/object";
    ASSERT_TRUE(driver.click("m_pPushButtonSaveObject"));
    QFile obj(sAnswer + ".obj");
    ASSERT_TRUE(obj.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromLatin1(obj.readAll()).contains(QRegularExpression("^f \\d+", QRegularExpression::MultilineOption)));

    // A name without suffix beside a file that has the filter's suffix: the
    // dialog never saw that name, so the page asks before replacing the file.
    sFilter = "Binary STL Files (*.stl)";
    const QString sMine = driver.folder() + "/saved/mine.stl";
    QFile mine(sMine);
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly) && mine.write("mine") == 4);
    mine.close();
    sAnswer = driver.folder() + "/saved/mine";
    for (const QMessageBox::StandardButton eAnswer : {QMessageBox::No, QMessageBox::Yes})
    {
        QStringList question;
        driver.answerModal([&](QWidget* pModal) { answerMessageBox(pModal, &question, eAnswer); }, 5000);
        ASSERT_TRUE(driver.click("m_pPushButtonSaveObject"));
        EXPECT_EQ(question, QStringList({"Save Object", "mine.stl already exists.\nDo you want to replace it?"}));
        EXPECT_EQ(hasBinaryStlSize(sMine, report.nFacets), eAnswer == QMessageBox::Yes) << "answered " << eAnswer;
    }

    // A folder that cannot be written: "Save Error".
    QStringList messages;
    sAnswer = driver.folder() + "/missing/object.stl";
    driver.answerModal([&messages](QWidget* pModal) { answerMessageBox(pModal, &messages); });
    ASSERT_TRUE(driver.click("m_pPushButtonSaveObject"));
    EXPECT_EQ(messages, QStringList({"Save Error", "Could not save file"}));
    FileDialogs::setHandler(nullptr);

    // Back on the hooks page, taken off the screen meanwhile: its preview
    // draws the body and the hook again in its new context.
    ASSERT_TRUE(driver.previous());
    ASSERT_TRUE(waitForState(MESH_HOOKS));
    auto* pHooksPage = qobject_cast<WizardPageMeshHooks*>(driver.mainWidget());
    ASSERT_TRUE(pHooksPage);
    MeshRenderWidget* pHooksPreview = pHooksPage->getMeshRenderWidget();
    double dBody[3];
    extentsOf(Scene::getInstance()->getMeshDataGenerated(), dBody);
    const Frame again(pHooksPreview, *std::max_element(dBody, dBody + 3));
    EXPECT_EQ(pHooksPreview->getDisplayListNames(), QStringList({MESH_GENERATED, "MESH_HOOK:0"}));
    const QPoint centre(int(again.column(0.0)), int(again.row(0.0)));
    EXPECT_GT(again.lit(QRect(centre, QSize(3, 3))).first, 0) << "the body in the middle";
}
