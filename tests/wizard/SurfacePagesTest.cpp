// The surface pages as a user meets them: the height profile, the surface and
// the composition with its decoration layers, reached by walking a component.

#include "DecorationLayers.h"
#include "DepthCompositionItemWidget.h"
#include "DepthCompositionStackedWidget.h"
#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ImageModifier/ImageModifierDepthScale.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageModifier/ImageModifierHeightHistogram.h"
#include "ImageObject.h"
#include "ImageView.h"
#include "ImageCanvasBase.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "State.h"
#include "StateImplementationImagingComposition.h"
#include "VoxelCanvas.h"
#include "VoxelView.h"
#include "WizardPageDepthCompositionBase.h"
#include "WizardPageImageHeightHistogramBase.h"
#include "WizardPageVoxelRenderBase.h"
#include "WorkflowIdentifiers.h"
#include "support/WizardDriver.h"
#include "support/WizardWalk.h"

#include <QCheckBox>
#include <QPushButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

namespace
{
using Record = DepthCompositionItemWidget::Parameters;
using Snapshot = std::map<QString, ParameterObject::ParameterMap>;

// Every parameter object of the tree with its values.
Snapshot snapshot()
{
    Snapshot values;
    for (const ParameterObject* pObject : ObjectRoot::getInstance()->findChildren<ParameterObject*>())
        values[pObject->objectName()] = pObject->getParameters();
    return values;
}

// "object|key" for every value that differs between two snapshots.
std::set<std::string> changes(const Snapshot& before, const Snapshot& after)
{
    std::set<std::string> changed;
    for (const auto& [sObject, map] : after)
    {
        const auto itBefore = before.find(sObject);
        for (const auto& [sKey, value] : map)
        {
            if (itBefore == before.end() || !itBefore->second.count(sKey) || itBefore->second.at(sKey) != value)
                changed.insert((sObject + "|" + sKey).toStdString());
        }
    }
    return changed;
}

// Runs pAction and counts the parameter objects that signal a change meanwhile.
int signalsDuring(const std::function<void()>& action)
{
    std::vector<std::unique_ptr<QSignalSpy>> vSpies;
    for (ParameterObject* pObject : ObjectRoot::getInstance()->findChildren<ParameterObject*>())
        vSpies.push_back(std::make_unique<QSignalSpy>(pObject, &ParameterObject::signalParametersChanged));
    action();
    int nSignals = 0;
    for (const auto& pSpy : vSpies)
        nSignals += int(pSpy->size());
    return nSignals;
}

const Raster2d<float>* floatRaster(const QString& sName)
{
    const ImageObject* pObject = ObjectRoot::getInstance()->findObject<ImageObject>(sName);
    return pObject ? dynamic_cast<const Raster2d<float>*>(pObject->getRasterReadOnly()) : nullptr;
}

// A copy of a float raster's values, row by row.
std::vector<float> values(const QString& sName)
{
    const Raster2d<float>* pRaster = floatRaster(sName);
    return pRaster ? std::vector<float>(pRaster->getData(), pRaster->getData() + pRaster->getSize()) : std::vector<float>();
}

template <typename Page>
Page* page(const WizardDriver& driver)
{
    return dynamic_cast<Page*>(driver.mainWidget());
}

// The layer widget of the element shown on the composition page.
DepthCompositionItemWidget* shownItem(const WizardDriver& driver)
{
    auto* pStack = driver.find<DepthCompositionStackedWidget>(QString())->findChild<QStackedWidget*>();
    return qobject_cast<DepthCompositionItemWidget*>(pStack->currentWidget());
}

template <typename T>
T* control(const WizardDriver& driver, const QString& sName)
{
    return shownItem(driver)->findChild<T*>(sName);
}

// From the first page to the front component with a shape, a profile and a
// surface, and the decorations drawn as discs of the given radii.
void walkToComposition(WizardDriver& driver, const std::vector<double>& vRadii)
{
    WizardWalk walk(driver);
    ASSERT_TRUE(walk.openFront());
    ASSERT_TRUE(walk.makeShape(driver.writeDisc(0.42)));
    ASSERT_TRUE(walk.makeProfile());
    ASSERT_TRUE(walk.makeSurface());
    for (double dRadius : vRadii)
        ASSERT_TRUE(walk.addDecoration(driver.writeDisc(dRadius)));
    ASSERT_TRUE(walk.enterComposition());
    ASSERT_NE(page<WizardPageDepthCompositionBase>(driver), nullptr);
}

QString stepImage(const WizardDriver& driver, const QString& sKind, const QString& sTag)
{
    return createObjectName(driver.currentState()->getFullName(), sKind, sTag);
}

// The working-resolution depth composite's parameter object.
ParameterObject* compositeParameters(const WizardDriver& driver)
{
    return ObjectRoot::getInstance()->findObject<ParameterObject>(ParameterObject::createName(
        stepImage(driver, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ), MODIFIER_DEPTH_COMPOSITE, 0));
}

// The surface the working-resolution composite starts from.
QString surfaceName(const WizardDriver& driver)
{
    return compositeParameters(driver)->getParameters().at(ImageModifierDepthComposite::SURFACE_IDENTIFIER).toString();
}
} // namespace

TEST(SurfacePagesTest, DecorationLayerWidgetsPlaceSlidersAtTheNearestPositionAndMoveLayersInOrder)
{
    DepthCompositionItemWidget item;
    QSignalSpy spyChanged(&item, &DepthCompositionItemWidget::signalParametersChanged);
    const auto slider = [&](const char* szName) { return item.findChild<QSlider*>(QLatin1String(szName)); };
    const auto text = [&](const char* szName) { return item.findChild<QLineEdit*>(QLatin1String(szName))->text(); };

    // Stored factors and fractions to slider positions.
    Record record;
    record.m_dScaleX = 0.75;
    record.m_dScaleY = 2.0;
    record.m_dDepthScale = 5.5;
    record.m_dTranslateX = -0.25;
    record.m_dCutoffLow = 0.3;
    item.setParameters(record);
    EXPECT_EQ(slider("m_pSliderScaleX")->value(), -500);
    EXPECT_EQ(slider("m_pSliderScaleY")->value(), 1000);
    EXPECT_EQ(slider("m_pSliderDepthScale")->value(), 500);
    EXPECT_EQ(slider("m_pSliderPanX")->value(), -250);
    EXPECT_EQ(slider("m_pSliderCutoffLow")->value(), 300);
    EXPECT_EQ(text("m_pLineEditScaleX"), "0.75");
    // A default record: scales clamped to the left end, line edits show 0.
    item.setParameters(Record());
    EXPECT_EQ(slider("m_pSliderScaleX")->value(), -1000);
    EXPECT_EQ(slider("m_pSliderDepthScale")->value(), -1000);
    EXPECT_EQ(text("m_pLineEditScaleX"), "0");
    EXPECT_EQ(text("m_pLineEditDepthScale"), "0");

    // Every position a slider writes reads back as the same position.
    for (const char* szSlider : {"m_pSliderScaleX", "m_pSliderDepthScale", "m_pSliderDepth", "m_pSliderCutoffHigh",
                                 "m_pSliderRotate"})
    {
        DepthCompositionItemWidget other;
        for (int nPosition = slider(szSlider)->minimum(); nPosition <= slider(szSlider)->maximum(); ++nPosition)
        {
            slider(szSlider)->setValue(nPosition);
            other.setParameters(item.getParameters());
            ASSERT_EQ(other.findChild<QSlider*>(QLatin1String(szSlider))->value(), nPosition) << szSlider;
        }
    }
    EXPECT_EQ(text("m_pLineEditRotate"), "180");

    // Filling emits nothing; a control emits the element's name (the page
    // test checks that each control writes its own keys).
    Record named;
    named.m_sName = "ELEMENT";
    named.m_dScaleX = named.m_dScaleY = named.m_dDepthScale = 1.0;
    named.m_bEnabled = true;
    spyChanged.clear();
    item.setParameters(named);
    EXPECT_EQ(spyChanged.size(), 0);
    item.findChild<QToolButton*>("m_pToolButtonDisabled")->click();
    EXPECT_FALSE(item.getParameters().m_bEnabled);
    ASSERT_GE(spyChanged.size(), 1);
    EXPECT_EQ(spyChanged.last().at(0).toString(), "ELEMENT");

    // The stack: the list follows the widgets; the ends do not move.
    DepthCompositionStackedWidget stack;
    QSignalSpy spyStack(&stack, &DepthCompositionStackedWidget::signalParametersChanged);
    QList<Record> records;
    for (const char* szName : {"A", "B", "C"})
    {
        Record record = named;
        record.m_sName = szName;
        records << record;
    }
    stack.setParameters(records);
    EXPECT_EQ(stack.getCurrentIndex(), 0);
    auto* pInner = stack.findChild<QStackedWidget*>();
    QWidget* pItemA = pInner->widget(0);
    stack.slotMoveUp("A");
    stack.slotMoveDown("C");
    EXPECT_EQ(spyStack.size(), 0);
    stack.slotMoveDown("A");
    EXPECT_EQ(spyStack.size(), 1);
    EXPECT_EQ(pInner->widget(1), pItemA) << "moved, not rebuilt";
    EXPECT_EQ(stack.getCurrentIndex(), 1);
    const auto names = [&] {
        QStringList slNames;
        for (const Record& r : stack.getParameters())
            slNames << r.m_sName;
        return slNames;
    };
    EXPECT_EQ(names(), QStringList({"B", "A", "C"}));
    pInner->currentWidget()->findChild<QSlider*>("m_pSliderDepth")->setValue(500);
    EXPECT_EQ(stack.getParameters().at(1).m_dDepth, 0.5);
    EXPECT_EQ(stack.getParameters().at(0).m_dDepth, 0.0);
    stack.setParameters(records.mid(0, 1));
    EXPECT_EQ(stack.getCurrentIndex(), 0) << "index 1 is gone";
    stack.setParameters({});
    EXPECT_EQ(stack.getCurrentIndex(), -1);
}

TEST(SurfacePagesTest, HeightProfilePageFillsWithoutWritingAndWritesItsOneKey)
{
    WizardDriver driver;
    WizardWalk walk(driver);
    ASSERT_TRUE(walk.openFront());
    ASSERT_TRUE(walk.makeProfile(HEIGHT_HISTOGRAM));
    auto* pPage = page<WizardPageImageHeightHistogramBase>(driver);
    ASSERT_NE(pPage, nullptr);
    auto* pCanvas = pPage->findChild<ImageView*>()->getImageCanvas();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pCanvas->getImage() != nullptr; }, 10000)) << "the profile is shown";
    auto* pCheckBox = driver.find<QCheckBox>("m_pCheckBoxKeepEmptySpaces");
    ASSERT_FALSE(pCheckBox->isChecked());

    // A stored value fills the page; filling writes nothing back.
    const QStringList slHistogram = driver.imagingStep()->getParameterObjectNames().filter(MODIFIER_HEIGHT_HISTOGRAM);
    ASSERT_EQ(slHistogram.size(), 1);
    ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(slHistogram.first());
    ParameterObject::ParameterMap map = pObject->getParameters();
    map[ImageModifierHeightHistogram::KEEP_EMPTY_SPACES] = true;
    pObject->setParameters(map);
    ASSERT_TRUE(driver.waitIdle());
    EXPECT_EQ(signalsDuring([&] { pPage->enter(); }), 0);
    EXPECT_TRUE(pCheckBox->isChecked());

    // The check box writes its one key, and the new profile is shown.
    const QImage shown = *pCanvas->getImage();
    const Snapshot before = snapshot();
    QTest::mouseClick(pCheckBox, Qt::LeftButton, Qt::NoModifier, QPoint(4, pCheckBox->height() / 2));
    ASSERT_TRUE(driver.waitIdle());
    EXPECT_FALSE(pCheckBox->isChecked());
    EXPECT_EQ(changes(before, snapshot()), std::set<std::string>{(slHistogram.first() + "|KEEP_EMPTY_SPACES").toStdString()});
    EXPECT_EQ(pObject->getParameters().at(ImageModifierHeightHistogram::KEEP_EMPTY_SPACES), false);
    EXPECT_NE(*pCanvas->getImage(), shown) << "the empty spaces are gone from the profile";
    driver.screenshot("height_profile_page");
}

TEST(SurfacePagesTest, SurfacePageSliderWritesTheSurfaceHeightAndIsPlacedFromIt)
{
    WizardDriver driver;
    WizardWalk walk(driver);
    ASSERT_TRUE(walk.openFront());
    ASSERT_TRUE(walk.makeShape(driver.writeDisc(0.4)));
    ASSERT_TRUE(walk.makeProfile());
    ASSERT_TRUE(walk.makeSurface(false));
    auto* pPage = page<WizardPageVoxelRenderBase>(driver);
    ASSERT_NE(pPage, nullptr);
    auto* pCanvas = pPage->findChild<VoxelCanvas*>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pCanvas->getComposite() != nullptr; }, 10000)) << "the surface is shown";

    const QStringList slDepthScale = driver.imagingStep()->getParameterObjectNames().filter(MODIFIER_DEPTH_SCALE);
    ASSERT_EQ(slDepthScale.size(), 1);
    ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(slDepthScale.first());
    auto* pSlider = driver.find<QSlider>("m_pVerticalSliderDepthScale");
    const auto size = [&] { return pObject->getParameters().at(ImageModifierDepthScale::SIZE).toDouble(); };

    // Positions to surface heights; each move writes SIZE and nothing else.
    for (const auto& [nPosition, dSize] :
         std::vector<std::pair<int, double>>{{50, 5.5}, {100, 10.0}, {-100, 0.1}, {-50, 0.55}, {0, 1.0}})
    {
        const Snapshot before = snapshot();
        pSlider->setValue(nPosition);
        EXPECT_DOUBLE_EQ(size(), dSize) << nPosition;
        EXPECT_EQ(changes(before, snapshot()), std::set<std::string>{(slDepthScale.first() + "|SIZE").toStdString()}) << nPosition;
    }
    // A stored height between positions places the slider at the nearest one
    // and stays as it is.
    ParameterObject::ParameterMap stored = pObject->getParameters();
    stored[ImageModifierDepthScale::SIZE] = 5.53;
    pObject->setParameters(stored);
    EXPECT_EQ(signalsDuring([&] { pPage->enter(); }), 0);
    EXPECT_EQ(pSlider->value(), 50);
    EXPECT_EQ(size(), 5.53);
    // Every height the slider writes places it back at the same position, and
    // entering the page writes nothing.
    for (int nPosition = -100; nPosition <= 100; ++nPosition)
    {
        pSlider->setValue(nPosition);
        const double dWritten = size();
        pSlider->setValue(nPosition == 0 ? 1 : 0);
        ParameterObject::ParameterMap map = pObject->getParameters();
        map[ImageModifierDepthScale::SIZE] = dWritten;
        pObject->setParameters(map);
        ASSERT_EQ(signalsDuring([&] { pPage->enter(); }), 0);
        ASSERT_EQ(pSlider->value(), nPosition);
    }
    ASSERT_TRUE(driver.waitIdle());
    pSlider->setValue(20);
    ASSERT_TRUE(driver.waitIdle());
    driver.screenshot("surface_page");

    // Without decorations the composition shows only its depth render.
    ASSERT_TRUE(walk.next());
    ASSERT_TRUE(walk.enterComposition());
    ASSERT_NE(page<WizardPageDepthCompositionBase>(driver), nullptr);
    EXPECT_FALSE(driver.find<QWidget>("m_pFrameDepthCompositionWidget")->isVisible());
    EXPECT_TRUE(driver.find<VoxelView>(QString())->isVisible());
}

TEST(SurfacePagesTest, CompositionControlsWriteTheirKeysAndChangeTheCompositeOnlyWhereTheDecorationLies)
{
    WizardDriver driver;
    walkToComposition(driver, {0.12, 0.12});
    auto* pPage = page<WizardPageDepthCompositionBase>(driver);
    auto* pComposition = dynamic_cast<StateImplementationImagingComposition*>(driver.imagingStep());
    ASSERT_NE(pComposition, nullptr);
    auto* pCombo = driver.find<QComboBox>("m_pComboBoxSelectDecoration");
    ASSERT_EQ(pCombo->count(), 2);
    EXPECT_FALSE(pCombo->itemIcon(0).isNull());

    // The shown element, its images and the composite objects.
    const QString sElement = shownItem(driver)->getParameters().m_sName;
    QStringList slElementImages;
    for (const QString& sName : pComposition->getInputImageNamesDecoration())
        if (removeResolutionTags(sName) == sElement)
            slElementImages << sName;
    ASSERT_EQ(slElementImages.size(), 2) << "one per resolution";
    const QStringList slComposites = pComposition->getParameterObjectNames().filter(MODIFIER_DEPTH_COMPOSITE);
    ASSERT_EQ(slComposites.size(), 2);
    const auto placementKeys = [&](const QString& sKey) {
        std::set<std::string> keys;
        for (const QString& sImage : slElementImages)
            keys.insert((ParameterObject::createName(sImage, MODIFIER_GEOMETRIC_TRANSFORMATION, 0) + "|" + sKey).toStdString());
        return keys;
    };
    const auto compositeKeys = [&](const QString& sKey) {
        std::set<std::string> keys;
        for (const QString& sObject : slComposites)
            keys.insert((sObject + "|" + sKey).toStdString());
        return keys;
    };
    struct Move
    {
        std::function<void()> move;
        std::set<std::string> keys;
    };
    const std::vector<Move> moves = {
        {[&] { control<QSlider>(driver, "m_pSliderRotate")->setValue(30); }, placementKeys("ANGLE")},
        {[&] { control<QSlider>(driver, "m_pSliderScaleX")->setValue(200); }, placementKeys("SCALE_X")},
        {[&] { control<QSlider>(driver, "m_pSliderScaleY")->setValue(-200); }, placementKeys("SCALE_Y")},
        {[&] { control<QSlider>(driver, "m_pSliderPanY")->setValue(50); }, placementKeys("TRANSLATE_Y")},
        {[&] { control<QSlider>(driver, "m_pSliderDepthScale")->setValue(100); }, compositeKeys("DEPTH_SCALE")},
        {[&] { control<QSlider>(driver, "m_pSliderCutoffHigh")->setValue(100); }, compositeKeys("CUTOFF_HIGH")},
        {[&] { control<QSlider>(driver, "m_pSliderCutoffLow")->setValue(50); }, compositeKeys("CUTOFF_LOW")},
        {[&] { control<QCheckBox>(driver, "m_pCheckBoxInverted")->click(); }, compositeKeys("EMBOSSING")},
        {[&] { control<QToolButton>(driver, "m_pToolButtonDisabled")->click(); }, compositeKeys("ENABLED")},
        {[&] { control<QToolButton>(driver, "m_pToolButtonEnabled")->click(); }, compositeKeys("ENABLED")},
        {[&] { control<QSlider>(driver, "m_pSliderDepth")->setValue(600); }, compositeKeys("DEPTH")},
    };
    const auto layersOf = [](const Snapshot& values, const QString& sObject) {
        return DecorationLayers::fromParameters(values.at(sObject));
    };
    for (const Move& m : moves)
    {
        const Snapshot before = snapshot();
        m.move();
        const Snapshot after = snapshot();
        EXPECT_EQ(changes(before, after), m.keys);
        // A vector changes in the shown element's entry only.
        for (const QString& sObject : slComposites)
        {
            const DecorationLayers a = layersOf(before, sObject);
            const DecorationLayers b = layersOf(after, sObject);
            ASSERT_EQ(a.vOrder, b.vOrder);
            for (std::size_t j = 0; j < a.vOrder.size(); ++j)
            {
                if (removeResolutionTags(a.vOrder[j]) == sElement)
                    continue;
                EXPECT_TRUE(a.vDepth[j] == b.vDepth[j] && a.vEnabled[j] == b.vEnabled[j] &&
                            a.vEmbossing[j] == b.vEmbossing[j] && a.vDepthScale[j] == b.vDepthScale[j] &&
                            a.vCutoffLow[j] == b.vCutoffLow[j] && a.vCutoffHigh[j] == b.vCutoffHigh[j]);
            }
        }
        ASSERT_TRUE(driver.waitIdle());
    }

    // Stored values between slider positions fill the page and stay as they are.
    for (const QString& sObject : slComposites)
    {
        ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sObject);
        ParameterObject::ParameterMap map = pObject->getParameters();
        DecorationLayers stored = DecorationLayers::fromParameters(map);
        stored.vDepth[0] = 0.2504f;
        stored.toParameters(map);
        pObject->setParameters(map);
    }
    for (const QString& sImage : slElementImages)
    {
        ParameterObject* pPlacement = ObjectRoot::getInstance()->findObject<ParameterObject>(
            ParameterObject::createName(sImage, MODIFIER_GEOMETRIC_TRANSFORMATION, 0));
        ParameterObject::ParameterMap map = pPlacement->getParameters();
        map[ImageModifierGeometricTransformation::TRANSLATE_X] = -0.1236;
        pPlacement->setParameters(map);
    }
    ASSERT_TRUE(driver.waitIdle());
    const Snapshot beforeEnter = snapshot();
    EXPECT_EQ(signalsDuring([&] { pPage->enter(); }), 0) << "filling writes nothing back";
    EXPECT_TRUE(changes(beforeEnter, snapshot()).empty());
    EXPECT_EQ(control<QSlider>(driver, "m_pSliderDepth")->value(), 250);
    EXPECT_EQ(control<QSlider>(driver, "m_pSliderPanX")->value(), -124);

    // Put the shown element back in place and find where it lies: where its
    // bevel image (composed untransformed) has height.
    for (const char* szSlider : {"m_pSliderRotate", "m_pSliderScaleX", "m_pSliderScaleY", "m_pSliderPanX", "m_pSliderPanY",
                                 "m_pSliderCutoffHigh", "m_pSliderCutoffLow", "m_pSliderDepthScale"})
        control<QSlider>(driver, szSlider)->setValue(0);
    control<QCheckBox>(driver, "m_pCheckBoxInverted")->click();
    ASSERT_TRUE(driver.waitIdle());
    const QString sHighImage = slElementImages.filter(HIGH_RES_HQ).first();
    const std::vector<float> vElement = values(sHighImage);
    const unsigned nSide = floatRaster(sHighImage)->getWidth();
    const QString sComposite = stepImage(driver, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ);
    const auto footprint = [&](unsigned x, unsigned y, int nShift) {
        // Within a pixel of the element moved right by nShift pixels.
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
            {
                const int sx = int(x) + dx - nShift;
                const int sy = int(y) + dy;
                if (sx >= 0 && sy >= 0 && sx < int(nSide) && sy < int(nSide) && vElement[sy * nSide + sx] != 0.0f)
                    return true;
            }
        return false;
    };
    // Element 0 is composed last: what changes lies within it, or within
    // where it went.
    ASSERT_EQ(pCombo->currentIndex(), 0);
    const auto expectChangesWithin = [&](const std::function<void()>& move, int nShift) {
        const std::vector<float> vBefore = values(sComposite);
        move();
        ASSERT_TRUE(driver.waitIdle());
        const std::vector<float> vAfter = values(sComposite);
        int nChanged = 0;
        int nOutside = 0;
        for (unsigned y = 0; y < nSide; ++y)
            for (unsigned x = 0; x < nSide; ++x)
                if (vBefore[y * nSide + x] != vAfter[y * nSide + x])
                {
                    ++nChanged;
                    nOutside += footprint(x, y, 0) || footprint(x, y, nShift) ? 0 : 1;
                }
        EXPECT_GT(nChanged, 20);
        EXPECT_EQ(nOutside, 0);
    };
    expectChangesWithin([&] { control<QSlider>(driver, "m_pSliderDepth")->setValue(300); }, 0);
    expectChangesWithin([&] { control<QSlider>(driver, "m_pSliderPanX")->setValue(250); }, int(0.25 * nSide));

    // The two elements apart, left and right: the view shows them there.
    pCombo->setCurrentIndex(1);
    control<QSlider>(driver, "m_pSliderPanX")->setValue(-250);
    ASSERT_TRUE(driver.waitIdle());
    const QString sRender = stepImage(driver, IMAGE_DEPTH_RENDER, LOW_RES_HQ);
    auto* pCanvas = pPage->findChild<VoxelCanvas*>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pCanvas->getComposite() != nullptr; }, 10000));
    const std::vector<float> vComposite = values(sComposite);
    const std::vector<float> vSurface = values(surfaceName(driver));
    ASSERT_EQ(vComposite.size(), vSurface.size());
    const auto engraved = [&](double dX) {
        const unsigned x = unsigned(dX * nSide);
        return vComposite[nSide / 2 * nSide + x] != vSurface[nSide / 2 * nSide + x];
    };
    EXPECT_TRUE(engraved(0.25));
    EXPECT_TRUE(engraved(0.75));
    EXPECT_FALSE(engraved(0.5));
    driver.screenshot("composition_page");
}

TEST(SurfacePagesTest, ReorderingTwoLayersComposesThemInTheNewOrder)
{
    WizardDriver driver;
    walkToComposition(driver, {0.2, 0.12});
    auto* pComposition = dynamic_cast<StateImplementationImagingComposition*>(driver.imagingStep());
    auto* pCombo = driver.find<QComboBox>("m_pComboBoxSelectDecoration");
    ASSERT_EQ(pCombo->count(), 2);
    // Settings that tell the elements apart, so a mixed-up vector shows.
    control<QSlider>(driver, "m_pSliderDepth")->setValue(500);
    pCombo->setCurrentIndex(1);
    control<QSlider>(driver, "m_pSliderDepthScale")->setValue(300);
    ASSERT_TRUE(driver.waitIdle());

    // What the composite modifier makes of the step's inputs with the stored
    // settings; the elements are not moved, so they are composed as they are.
    ParameterObject* pHigh = compositeParameters(driver);
    const QString sComposite = stepImage(driver, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ);
    const auto compose = [&] {
        ImageModifierDepthComposite modifier(MODIFIER_DEPTH_COMPOSITE);
        modifier.setParameters(pHigh->getParameters());
        ImageModifierBase::RasterMap inputs;
        const QStringList slInputs =
            pComposition->getInputImageNamesDecoration().filter(HIGH_RES_HQ) + QStringList{surfaceName(driver)};
        for (const QString& sName : slInputs)
            inputs[sName] = const_cast<Raster2d<float>*>(floatRaster(sName));
        const Raster2d<float>* pComposite = floatRaster(sComposite);
        Raster2d<float> output(pComposite->getWidth(), pComposite->getHeight());
        ImageModifierBase::RasterMap outputs{{sComposite, &output}};
        EXPECT_TRUE(modifier.process(inputs, outputs));
        return std::vector<float>(output.getData(), output.getData() + output.getSize());
    };
    const std::vector<float> vBefore = values(sComposite);
    ASSERT_EQ(compose(), vBefore);

    std::vector<std::unique_ptr<QSignalSpy>> vPlacementSpies;
    for (const QString& sImage : pComposition->getInputImageNamesDecoration())
        vPlacementSpies.push_back(std::make_unique<QSignalSpy>(
            ObjectRoot::getInstance()->findObject<ParameterObject>(
                ParameterObject::createName(sImage, MODIFIER_GEOMETRIC_TRANSFORMATION, 0)),
            &ParameterObject::signalParametersChanged));
    const QStringList slComposites = pComposition->getParameterObjectNames().filter(MODIFIER_DEPTH_COMPOSITE);
    std::map<QString, DecorationLayers> mapBefore;
    for (const QString& sObject : slComposites)
        mapBefore[sObject] = DecorationLayers::fromParameters(snapshot().at(sObject));
    const QString sSecond = shownItem(driver)->getParameters().m_sName;

    QTest::mouseClick(control<QPushButton>(driver, "m_pPushButtonMoveUp"), Qt::LeftButton);
    ASSERT_TRUE(driver.waitIdle());
    EXPECT_EQ(pCombo->currentIndex(), 0);
    EXPECT_EQ(shownItem(driver)->getParameters().m_sName, sSecond);
    // Every vector of both composites reversed, each entry with its element.
    const auto reversed = [](auto v) {
        std::reverse(v.begin(), v.end());
        return v;
    };
    for (const QString& sObject : slComposites)
    {
        const DecorationLayers& a = mapBefore.at(sObject);
        const DecorationLayers b = DecorationLayers::fromParameters(snapshot().at(sObject));
        ASSERT_EQ(a.vOrder.size(), 2u);
        EXPECT_EQ(b.vOrder, reversed(a.vOrder));
        EXPECT_EQ(b.vDepth, reversed(a.vDepth));
        EXPECT_EQ(b.vDepthScale, reversed(a.vDepthScale));
        EXPECT_EQ(b.vEnabled, reversed(a.vEnabled));
        EXPECT_EQ(b.vEmbossing, reversed(a.vEmbossing));
        EXPECT_EQ(b.vCutoffLow, reversed(a.vCutoffLow));
        EXPECT_EQ(b.vCutoffHigh, reversed(a.vCutoffHigh));
        EXPECT_EQ(removeResolutionTags(b.vOrder[0]), sSecond);
    }
    for (const auto& pSpy : vPlacementSpies)
        EXPECT_EQ(pSpy->size(), 0) << "the placements are written unchanged";

    const std::vector<float> vAfter = values(sComposite);
    EXPECT_NE(vAfter, vBefore) << "the overlap is composed the other way round";
    EXPECT_EQ(compose(), vAfter);

    QTest::mouseClick(control<QPushButton>(driver, "m_pPushButtonMoveDown"), Qt::LeftButton);
    ASSERT_TRUE(driver.waitIdle());
    EXPECT_EQ(values(sComposite), vBefore);
}
