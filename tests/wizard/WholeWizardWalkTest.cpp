// The acceptance test of the program: the whole wizard walked as a user
// would, with clicks, drags and the library, text and file dialogs answered,
// from library pictures to a printable STL. Every page passed is saved as a
// screenshot (build/tests/wizard/screenshots/walk_NN_<step>.png).

#include "ImageCanvasBase.h"
#include "ImageObject.h"
#include "MeshQualityDialog.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "Raster2d.h"
#include "State.h"
#include "StateImplementationImaging.h"
#include "StateMachine.h"
#include "SelfCrossings.h"
#include "StlCheck.h"
#include "TextEditorDialog.h"
#include "WorkflowIdentifiers.h"
#include "support/MeshChapterSupport.h"
#include "support/WizardDriver.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{
class Walk
{
public:
    explicit Walk(WizardDriver& driver)
        : m_driver(driver)
    {
    }

    // Saves the page on screen, named after its step.
    void shot()
    {
        const State* pState = m_driver.currentState();
        QString sName = pState ? pState->getQualifiedName() : QStringLiteral("none");
        sName.replace('#', '_');
        m_driver.screenshot(QStringLiteral("walk_%1_%2").arg(++m_nShot, 2, 10, QLatin1Char('0')).arg(sName));
    }

    // Picks sItem in the library dialog that the button opens.
    bool fromLibrary(const char* szButton, const QString& sItem)
    {
        m_driver.answerModal([sItem](QWidget* pModal) {
            auto* pItem = pModal->findChild<QRadioButton*>(sItem);
            ASSERT_NE(pItem, nullptr) << sItem.toStdString();
            pItem->click();
            pModal->findChild<QPushButton*>("m_pPushButtonOk")->click();
        });
        return m_driver.click(QLatin1String(szButton)) && m_driver.answered() && m_driver.waitIdle();
    }

    // Types a text in the text editor that the load page opens.
    bool typedText(const QString& sText)
    {
        m_driver.answerModal([sText](QWidget* pModal) {
            ASSERT_NE(qobject_cast<TextEditorDialog*>(pModal), nullptr);
            QTest::keyClicks(pModal->findChild<QTextEdit*>("m_pTextEdit"), sText);
            pModal->findChild<QPushButton*>("m_pPushButtonOk")->click();
        });
        return m_driver.click("m_pPushButtonTextEditor") && m_driver.answered() && m_driver.waitIdle();
    }

    // Next through the steps of a chain, a screenshot of each, until the
    // current state's name is sStop.
    bool nextUntil(const QString& sStop)
    {
        for (int i = 0; i < 8 && m_driver.currentState()->getName() != sStop; ++i)
        {
            if (!m_driver.next())
            {
                return false;
            }
            shot();
        }
        return m_driver.currentState()->getName() == sStop;
    }

    // One stroke of the pen with the mouse across the painted image.
    bool stroke(double dY)
    {
        auto* pFrame = m_driver.find<QWidget>("m_pImageFrame");
        auto* pCanvas = pFrame ? pFrame->findChild<ImageCanvasBase*>("ImageCanvas") : nullptr;
        if (!pCanvas)
        {
            return false;
        }
        const QRect fitted = pCanvas->getFittedRect();
        const auto at = [&](double dX) {
            return QPoint(fitted.left() + int(dX * fitted.width()), fitted.top() + int(dY * fitted.height()));
        };
        QTest::mousePress(pCanvas, Qt::LeftButton, Qt::NoModifier, at(0.15));
        QTest::mouseMove(pCanvas, at(0.5));
        QTest::mouseRelease(pCanvas, Qt::LeftButton, Qt::NoModifier, at(0.85));
        return m_driver.waitIdle();
    }

    // Moves a slider of the current page with the keyboard.
    bool moveSlider(const QString& sName, int nSteps)
    {
        auto* pSlider = m_driver.find<QSlider>(sName);
        if (!pSlider)
        {
            return false;
        }
        pSlider->setFocus();
        for (int i = 0; i < std::abs(nSteps); ++i)
        {
            QTest::keyClick(pSlider, nSteps > 0 ? Qt::Key_PageUp : Qt::Key_PageDown);
        }
        return m_driver.waitIdle();
    }

    // Saves through the export page's button and the file dialog; admesh's
    // report of the file.
    StlReport save(const QString& sPath)
    {
        m_driver.answerFileDialog(sPath);
        if (!m_driver.click("m_pPushButtonSaveObject"))
        {
            return StlReport();
        }
        return checkStl(sPath);
    }

    // Width, height and depth as the export page shows them ("%1 mm").
    std::vector<double> shownSize() const
    {
        std::vector<double> vSize;
        for (const char* szName : {"m_pLineEditWidth", "m_pLineEditHeight", "m_pLineEditDepth"})
        {
            const auto* pLineEdit = m_driver.find<QLineEdit>(QLatin1String(szName));
            if (pLineEdit)
            {
                vSize.push_back(pLineEdit->text().section(' ', 0, 0).toDouble());
            }
        }
        return vSize;
    }

private:
    WizardDriver& m_driver;
    int m_nShot = 0;
};

const Raster2d<float>* heights(const QString& sName)
{
    const ImageObject* pImage = ObjectRoot::getInstance()->findObject<ImageObject>(sName);
    return pImage ? dynamic_cast<const Raster2d<float>*>(pImage->getRasterReadOnly()) : nullptr;
}
} // namespace

TEST(WholeWizardWalkTest, FromLibraryPicturesToAClosedPrintableStl)
{
    QTemporaryDir out;
    WizardDriver driver;
    Walk walk(driver);
    walk.shot();

    // The front: a shape from the library.
    ASSERT_TRUE(driver.choose(FRONT));
    walk.shot();
    ASSERT_TRUE(driver.choose(SHAPE));
    ASSERT_TRUE(walk.fromLibrary("m_pPushButtonLibraryOpen", "circle.png"));
    walk.shot();
    ASSERT_TRUE(walk.nextUntil(COMPONENT_OPTION_SELECTION));

    // Its profile from the profile library.
    ASSERT_TRUE(driver.choose(PROFILE));
    ASSERT_TRUE(walk.fromLibrary("m_pPushButtonLibraryOpen", "bevel_profile_01.png"));
    walk.shot();
    ASSERT_TRUE(walk.nextUntil(COMPONENT_OPTION_SELECTION));

    // One decoration: typed text, painted with one stroke, the default style.
    ASSERT_TRUE(driver.choose(DECORATIONS));
    walk.shot();
    ASSERT_TRUE(driver.choose(DECORATION_ADD));
    ASSERT_EQ(driver.currentState()->getName(), LOAD);
    ASSERT_TRUE(walk.typedText("Mo"));
    walk.shot();
    ASSERT_TRUE(walk.nextUntil(PAINT));
    ASSERT_TRUE(walk.stroke(0.5));
    walk.shot();
    ASSERT_TRUE(walk.nextUntil(DECORATIONS_OPTION_SELECTION));
    ASSERT_TRUE(driver.choose(UP));

    // The surface, then the composition with the decoration moved.
    ASSERT_TRUE(driver.choose(BEVEL));
    walk.shot();
    ASSERT_TRUE(driver.next());
    ASSERT_TRUE(driver.choose(COMPOSITION));
    const QString sComposition = driver.imagingStep()->getStateFullName();
    const QString sSurface =
        createObjectName(driver.currentState()->getParentState()->findChildState(BEVEL)->getFullName(), IMAGE_BEVEL,
                         HIGH_RES_HQ);
    ASSERT_TRUE(walk.moveSlider("m_pSliderPanX", 10));
    walk.shot();
    const Raster2d<float>* pComposite = heights(createObjectName(sComposition, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ));
    ASSERT_TRUE(pComposite && heights(sSurface));
    bool bDecorated = false;
    for (unsigned i = 0; i < pComposite->getSize() && !bDecorated; ++i)
        bDecorated = pComposite->getData()[i] != heights(sSurface)->getData()[i];
    EXPECT_TRUE(bDecorated) << "the decoration is engraved into the surface";
    ASSERT_TRUE(driver.next());
    ASSERT_TRUE(driver.choose(UP));

    // The back as a full copy of the front.
    ASSERT_TRUE(driver.choose(BACK));
    walk.shot();
    ASSERT_TRUE(driver.choose(COMPONENT_FULL_CLONE));
    ASSERT_TRUE(MeshChapterSupport::waitForState(COMPONENT_OPTION_SELECTION));
    walk.shot();
    ASSERT_TRUE(driver.choose(UP));

    // The mesh with a small budget, one hook from the library, the export.
    walk.shot();
    ASSERT_TRUE(driver.click(CONSTRUCT_MESH));
    driver.answerModal([](QWidget* pModal) { MeshChapterSupport::answerQualityDialog(pModal, 2, 2000); });
    ASSERT_TRUE(driver.next(120000));
    EXPECT_TRUE(driver.answered()) << "the mesh quality was asked for";
    ASSERT_TRUE(MeshChapterSupport::waitForState(MESH_HOOKS, 120000));
    ASSERT_TRUE(driver.waitIdle());
    walk.shot();
    // Without a hook first: the body alone is 50 mm along its largest side,
    // and the export page shows its size.
    ASSERT_TRUE(driver.next());
    ASSERT_EQ(driver.currentState()->getName(), MESH_EXPORT);
    walk.shot();
    const StlReport body = walk.save(out.filePath("body.stl"));
    ASSERT_TRUE(body.isClosed()) << body.sText.toStdString();
    EXPECT_EQ(body.nParts, 1);
    EXPECT_EQ(countSelfCrossingsInStl(out.filePath("body.stl")).nPairs, 0u) << "the body passes through itself";
    EXPECT_NEAR(std::max({body.extent(0), body.extent(1), body.extent(2)}), 50.0, 0.01);
    const std::vector<double> shown = walk.shownSize();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NEAR(*std::max_element(shown.begin(), shown.end()), 50.0, 0.01);

    // Back to the hooks: one from the library, then the object with its hook.
    ASSERT_TRUE(driver.previous());
    ASSERT_TRUE(walk.fromLibrary("m_pPushButtonLoadHookFromLibrary", "TorusFull.obj"));
    walk.shot();
    ASSERT_TRUE(driver.next());
    ASSERT_EQ(driver.currentState()->getName(), MESH_EXPORT);
    walk.shot();
    const QString sPath = out.filePath("object.stl");
    const StlReport report = walk.save(sPath);
    ASSERT_TRUE(report.isClosed()) << report.sText.toStdString();
    EXPECT_EQ(report.nParts, 2) << "the body and the hook";
    EXPECT_TRUE(hasBinaryStlSize(sPath, report.nFacets));
    // The hook may stand in the body, but neither passes through itself.
    const SelfCrossings crossings = countSelfCrossingsInStl(sPath);
    EXPECT_FALSE(crossings.bNotAMesh);
    EXPECT_EQ(crossings.nPairs, 0u);
    const std::vector<double> shownWithHook = walk.shownSize();
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(shownWithHook.at(std::size_t(i)), report.extent(i), 0.01) << "axis " << i;
}
