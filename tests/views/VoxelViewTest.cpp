// The voxel view: how the composite lays out the depth render and its two
// profiles, which images it refuses, and how its sliders and dial reach the
// step's parameters and the lines on the screen, with real render pipelines.

#include "ImageModifier/ImageModifierDepthRender.h"
#include "ImageModifier/ImageModifierSliceRender.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineDepthRender.h"
#include "ImagePipeline/ImagePipelineSliceRender.h"
#include "ImagePipelineManager.h"
#include "ParameterObject.h"
#include "StateImplementationImaging.h"
#include "VoxelCanvas.h"
#include "VoxelView.h"
#include "WorkflowIdentifiers.h"
#include "support/ViewsTestSupport.h"

#include <QDial>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace ViewsTestSupport;

using VoxelViewTest = ViewTest;

namespace
{
// The low-resolution image of that kind.
QString lowImage(const QString& sKind)
{
    return imageName(sKind) + "/" + LOW_RES_HQ;
}

// A step whose pipelines the test builds.
class DepthStep : public StateImplementationImaging
{
public:
    StateImplementationBase* clone() const override
    {
        auto* pClone = new DepthStep;
        copyTo(pClone);
        return pClone;
    }
    void process() override {}
};
} // namespace

TEST_F(VoxelViewTest, CompositeHoldsTheDepthRenderWithTheProfilesBelowAndBesideItAndRefusesMismatchedImages)
{
    DepthStep step;
    VoxelView view(&step);
    VoxelCanvas* pCanvas = view.getVoxelCanvas();
    addGreyImage(lowImage(IMAGE_SLICE_RENDER_VERTICAL), 256, 100, flat(50), at(1));
    addGreyImage(lowImage(IMAGE_SLICE_RENDER_HORIZONTAL), 256, 100, flat(100), at(1));
    view.setSliceRenderVerticalName(lowImage(IMAGE_SLICE_RENDER_VERTICAL));
    view.setSliceRenderHorizontalName(lowImage(IMAGE_SLICE_RENDER_HORIZONTAL));
    EXPECT_EQ(pCanvas->getComposite(), nullptr); // no depth render yet

    addGreyImage(lowImage(IMAGE_DEPTH_RENDER), 256, 256, flat(200), at(1));
    view.setDepthRenderName(lowImage(IMAGE_DEPTH_RENDER));
    ASSERT_NE(pCanvas->getComposite(), nullptr);
    const QImage& composite = *pCanvas->getComposite();
    EXPECT_EQ(composite.size(), QSize(768, 768));
    // 768 / (1 + 100 / 256) = 552.27 pixels of depth render, square.
    const QRectF area = pCanvas->getDepthRenderArea();
    EXPECT_EQ(area.topLeft(), QPointF(0.0, 0.0));
    EXPECT_NEAR(area.right() * 768, 552.27, 0.01);
    EXPECT_NEAR(area.bottom() * 768, 552.27, 0.01);
    const struct
    {
        QPoint point;
        int nGrey;
    } expected[] = {{{1, 1}, 200},   {{300, 300}, 200}, {{550, 550}, 200}, {{554, 10}, 50},
                    {{766, 550}, 50}, {{10, 554}, 100}, {{550, 766}, 100}, {{700, 700}, 0}};
    for (const auto& e : expected)
    {
        EXPECT_EQ(grey(composite, e.point), e.nGrey) << e.point.x() << ", " << e.point.y();
    }

    // A profile of another size (its pipeline has not caught up) or a depth
    // render that is not 8-bit is a missing image: the old picture stays.
    delete ObjectRoot::getInstance()->removeChildByName(lowImage(IMAGE_SLICE_RENDER_VERTICAL));
    addGreyImage(lowImage(IMAGE_SLICE_RENDER_VERTICAL), 200, 100, flat(10), at(2));
    EXPECT_FALSE(pCanvas->updateImages());
    delete ObjectRoot::getInstance()->removeChildByName(lowImage(IMAGE_DEPTH_RENDER));
    addImage(lowImage(IMAGE_DEPTH_RENDER), makeRaster<float>(256, 200, [](unsigned, unsigned) { return 1.0f; }),
             at(3)); // sizes fit now, the type does not
    EXPECT_FALSE(pCanvas->updateImages());
    EXPECT_EQ(grey(*pCanvas->getComposite(), QPoint(554, 10)), 50);

    view.clear();
    EXPECT_EQ(pCanvas->getComposite(), nullptr);
}

TEST_F(VoxelViewTest, WideAndTallRendersFitWholeWithTheProfilesAdjoiningThem)
{
    const struct
    {
        unsigned int nWidth, nHeight; // of the render; the profiles are 50 high
        QSizeF area;                  // of the render in the composite
        QPoint render, below, beside, empty1, empty2;
    } cases[] = {
        // 768 / (200 + 50) = 3.072 composite pixels per pixel, limited by the width
        {200, 100, {614.4, 307.2}, {300, 150}, {300, 400}, {700, 150}, {300, 600}, {700, 400}},
        // 768 / (200 + 50) again, limited by the height
        {100, 200, {307.2, 614.4}, {150, 300}, {150, 700}, {400, 300}, {600, 300}, {400, 700}},
    };
    DepthStep step;
    int nCase = 0;
    for (const auto& c : cases)
    {
        const QString sCase = QString::number(nCase++);
        VoxelView view(&step);
        addGreyImage(lowImage(IMAGE_DEPTH_RENDER + sCase), c.nWidth, c.nHeight, flat(200), at(1));
        addGreyImage(lowImage(IMAGE_SLICE_RENDER_HORIZONTAL + sCase), c.nWidth, 50, flat(100), at(1));
        addGreyImage(lowImage(IMAGE_SLICE_RENDER_VERTICAL + sCase), c.nHeight, 50, flat(50), at(1));
        view.setDepthRenderName(lowImage(IMAGE_DEPTH_RENDER + sCase));
        view.setSliceRenderHorizontalName(lowImage(IMAGE_SLICE_RENDER_HORIZONTAL + sCase));
        view.setSliceRenderVerticalName(lowImage(IMAGE_SLICE_RENDER_VERTICAL + sCase));
        const QImage* pComposite = view.getVoxelCanvas()->getComposite();
        ASSERT_NE(pComposite, nullptr);
        const QRectF area = view.getVoxelCanvas()->getDepthRenderArea();
        EXPECT_NEAR(area.width() * 768, c.area.width(), 1e-9);
        EXPECT_NEAR(area.height() * 768, c.area.height(), 1e-9);
        EXPECT_EQ(grey(*pComposite, c.render), 200) << nCase;
        EXPECT_EQ(grey(*pComposite, c.below), 100) << nCase;
        EXPECT_EQ(grey(*pComposite, c.beside), 50) << nCase;
        EXPECT_EQ(grey(*pComposite, c.empty1), 0) << nCase;
        EXPECT_EQ(grey(*pComposite, c.empty2), 0) << nCase;
    }
}

TEST_F(VoxelViewTest, SlidersAndDialWriteTheStepsParametersAndTheSliceLinesFollowTheMouse)
{
    // A dome 40 pixels high on a relief of 96 x 64.
    const QString sInput = lowImage(IMAGE_DEPTH_COMPOSITE);
    addImage(sInput,
             makeRaster<float>(96, 64,
                               [](unsigned x, unsigned y)
                               {
                                   const double d = std::hypot((x - 48.0) / 40.0, (y - 32.0) / 28.0);
                                   return float(d < 1.0 ? 40.0 * std::sqrt(1.0 - d * d) : 0.0);
                               }),
             at(1));
    const QString sDepth = lowImage(IMAGE_DEPTH_RENDER);
    const QString sHorizontal = lowImage(IMAGE_SLICE_RENDER_HORIZONTAL);
    const QString sVertical = lowImage(IMAGE_SLICE_RENDER_VERTICAL);
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    const QStringList slPipelines = {imageName("PIPELINE_DEPTH_RENDER/LOW_RES_HQ"),
                                     imageName("PIPELINE_SLICE_RENDER/0/LOW_RES_HQ"),
                                     imageName("PIPELINE_SLICE_RENDER/1/LOW_RES_HQ")};
    pManager->addPipeline(ImagePipelineFactoryDepthRender().create(slPipelines[0], {sInput}, {sDepth}));
    pManager->addPipeline(ImagePipelineFactorySliceRender().create(slPipelines[1], {sInput}, {sHorizontal}));
    pManager->addPipeline(ImagePipelineFactorySliceRender().create(slPipelines[2], {sInput}, {sVertical}));
    const auto parameters = [](const QString& sImage, const QString& sModifier)
    { return ObjectRoot::getInstance()->findObject<ParameterObject>(ParameterObject::createName(sImage, sModifier, 0)); };
    ParameterObject* pHorizontal = parameters(sHorizontal, MODIFIER_SLICE_RENDER);
    ParameterObject* pVertical = parameters(sVertical, MODIFIER_SLICE_RENDER);
    ParameterObject* pLight = parameters(sDepth, MODIFIER_DEPTH_RENDER);
    ASSERT_TRUE(pHorizontal && pVertical && pLight);
    ParameterObject::ParameterMap map = pVertical->getParameters();
    map[ImageModifierSliceRender::ORIENTATION] = ImageModifierSliceRender::VERTICAL;
    pVertical->setParameters(map);

    DepthStep step;
    step.setPipelineNames(slPipelines);
    VoxelView view(&step);
    // As the page does: every new image of one of the names is passed on.
    QObject::connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, &view,
                     [&](const QString& sName)
                     {
                         if (sName == sDepth)
                             view.setDepthRenderName(sName);
                         else if (sName == sHorizontal)
                             view.setSliceRenderHorizontalName(sName);
                         else if (sName == sVertical)
                             view.setSliceRenderVerticalName(sName);
                     });
    view.setDepthRenderName(sDepth);
    view.setSliceRenderHorizontalName(sHorizontal);
    view.setSliceRenderVerticalName(sVertical);
    view.updateParameters();
    EXPECT_EQ(pHorizontal->getParameters().at(ImageModifierSliceRender::POSITION).toDouble(), 0.5);
    auto* pLineEditHorizontal = view.findChild<QLineEdit*>("m_pLineEditSliceHorizontal");
    EXPECT_EQ(pLineEditHorizontal->text(), "0.5");

    view.resize(700, 640);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const auto idle = [&]
    {
        for (const QString& sName : slPipelines)
        {
            const ImagePipeline* pPipeline = pManager->getPipeline(sName);
            if (pPipeline->isCurrentlyBusy() || pPipeline->isTryAgainLater())
                return false;
        }
        return true;
    };
    for (const QString& sName : slPipelines)
    {
        pManager->enablePipeline(sName);
    }
    VoxelCanvas* pCanvas = view.getVoxelCanvas();
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle() && pCanvas->getComposite(); }, 10000));
    screenshot(&view, "voxel_view");

    // Drag each slider's handle (in the middle at 500) towards one end.
    const auto drag = [](QSlider* pSlider, double dTo)
    {
        const QPoint from = pSlider->rect().center();
        QTest::mousePress(pSlider, Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= 4; ++i)
        {
            QTest::mouseMove(pSlider, QPoint(from.x() + int((dTo * pSlider->width() - from.x()) * i / 4), from.y()));
        }
        QTest::mouseRelease(pSlider, Qt::LeftButton, Qt::NoModifier,
                            QPoint(int(dTo * pSlider->width()), from.y()));
    };
    auto* pSliderHorizontal = view.findChild<QSlider*>("m_pHorizontalSliderSliceHorizontal");
    auto* pSliderVertical = view.findChild<QSlider*>("m_pHorizontalSliderSliceVertical");
    drag(pSliderHorizontal, 0.85);
    drag(pSliderVertical, 0.15);
    const double dHorizontal = pSliderHorizontal->value() / 1000.0;
    const double dVertical = pSliderVertical->value() / 1000.0;
    EXPECT_GT(dHorizontal, 0.7);
    EXPECT_LT(dVertical, 0.3);
    EXPECT_EQ(pHorizontal->getParameters().at(ImageModifierSliceRender::POSITION).toDouble(), dHorizontal);
    EXPECT_EQ(pVertical->getParameters().at(ImageModifierSliceRender::POSITION).toDouble(), dVertical);
    EXPECT_EQ(pLineEditHorizontal->text(), QString::number(dHorizontal, 'g', 6));
    EXPECT_EQ(pCanvas->getSlicePositionHorizontal(), dHorizontal);
    EXPECT_EQ(pCanvas->getSlicePositionVertical(), dVertical);

    // The re-rendered profiles arrive; the lines stand where the sliders say.
    ASSERT_TRUE(QTest::qWaitFor(idle, 10000));
    QCoreApplication::processEvents();
    const QImage shown = screenshot(pCanvas, "voxel_canvas_moved_slices");
    const QRect fitted = pCanvas->getFittedRect();
    const QRectF area = pCanvas->getDepthRenderArea();
    const int nLineY = int(area.bottom() * dHorizontal * fitted.height() + fitted.top());
    const int nLineX = int(area.right() * dVertical * fitted.width() + fitted.left());
    const int nInsideX = fitted.left() + int(area.right() * fitted.width() * 0.6);
    const int nInsideY = fitted.top() + int(area.bottom() * fitted.height() * 0.4);
    // Channel 1 green, 2 blue; it stands out of the other two.
    const auto dominates = [&](QPoint point, int nChannel)
    {
        const QRgb pixel = shown.pixel(point);
        const int channels[] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
        return channels[nChannel] > channels[(nChannel + 1) % 3] + 60 &&
               channels[nChannel] > channels[(nChannel + 2) % 3] + 60;
    };
    EXPECT_TRUE(dominates(QPoint(nInsideX, nLineY), 1));
    EXPECT_TRUE(dominates(QPoint(nLineX, nInsideY), 2));
    const int nOldLineY = int(area.bottom() * 0.5 * fitted.height() + fitted.top());
    EXPECT_FALSE(dominates(QPoint(nInsideX, nOldLineY), 1));

    // The dial turns the light: 135 (default) and the four main directions.
    auto* pDial = view.findChild<QDial*>("m_pDialLightDirection");
    const struct
    {
        int nValue;
        double dX, dY;
    } lights[] = {{0, 0.0, -1.0}, {90, 1.0, 0.0}, {180, 0.0, 1.0}, {270, -1.0, 0.0}, {135, 0.70710678, 0.70710678}};
    for (const auto& light : lights)
    {
        pDial->setValue(light.nValue);
        const auto direction = pLight->getParameters().at(ImageModifierDepthRender::LIGHT_DIRECTION).value<QList<double>>();
        ASSERT_EQ(direction.size(), 2);
        EXPECT_NEAR(direction[0], light.dX, 1e-8) << light.nValue;
        EXPECT_NEAR(direction[1], light.dY, 1e-8) << light.nValue;
    }

    ASSERT_TRUE(QTest::qWaitFor(idle, 10000));
    for (const QString& sName : slPipelines)
    {
        delete pManager->removePipeline(sName);
    }
}
