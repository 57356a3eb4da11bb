#include "ImageModifier/ImageModifierBucket.h"
#include "ImageModifier/ImageModifierOverlayComposite.h"
#include "ImageModifier/ImageModifierOverlayDelete.h"
#include "ImageModifier/ImageModifierPen.h"
#include "ImageObject.h"
#include "ImageObjectSynchronizer.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelinePenAndBucket.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTest>

#include <cstring>
#include <memory>

namespace
{
using Raster8 = Raster2d<unsigned char>;

const QString CANVAS = QStringLiteral("PAINT_IN");
const QString PAINTED = QStringLiteral("PAINT_OUT");

Raster8* gradientRaster(unsigned int nWidth, unsigned int nHeight)
{
    auto* pRaster = new Raster8(nWidth, nHeight);
    for (unsigned int y = 0; y < nHeight; ++y)
    {
        for (unsigned int x = 0; x < nWidth; ++x)
        {
            pRaster->set(x, y, static_cast<unsigned char>(40 + (x + 3 * y) % 150));
        }
    }
    return pRaster;
}

bool sameBytes(const Raster2dBase* pA, const Raster2dBase* pB)
{
    return pA && pB && pA->getWidth() == pB->getWidth() && pA->getHeight() == pB->getHeight() &&
           std::memcmp(static_cast<const Raster8*>(pA)->getData(), static_cast<const Raster8*>(pB)->getData(),
                       pA->getByteSize()) == 0;
}

bool allEqual(const Raster2dBase* pRaster, unsigned char nValue)
{
    const auto* p = dynamic_cast<const Raster8*>(pRaster);
    if (!p)
    {
        return false;
    }
    for (unsigned int i = 0; i < p->getSize(); ++i)
    {
        if (p->getData()[i] != nValue)
        {
            return false;
        }
    }
    return true;
}

class PenAndBucketStepTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ObjectRoot::getInstance()->clear();
        m_nStamp = QDateTime::currentMSecsSinceEpoch() + 1000;
    }
    void TearDown() override
    {
        if (m_pPipeline)
        {
            // A disabled pipeline may owe a run; only a running one matters here.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !m_pPipeline->isCurrentlyBusy(); }, 5000));
            m_pPipeline.reset();
        }
        ObjectRoot::getInstance()->clear();
    }

    // Puts a new canvas raster into the tree (announced), as an upstream step does.
    void setCanvas(Raster8* pRaster)
    {
        ObjectRoot* pRoot = ObjectRoot::getInstance();
        ObjectBase* pOld = pRoot->removeChildByName(CANVAS, false);
        auto* pCanvas = pOld ? static_cast<ImageObject*>(pOld) : new ImageObject(CANVAS);
        pCanvas->setRaster(pRaster, true);
        pRoot->addChild(pCanvas, false);
    }

    void createAndRun(unsigned int nWidth, unsigned int nHeight)
    {
        setCanvas(gradientRaster(nWidth, nHeight));
        ImagePipelineFactoryPenAndBucket factory;
        m_pPipeline.reset(factory.create("PIPE", {CANVAS}, {PAINTED}));
        m_pPipeline->setEnabled(true);
        waitIdle();
    }

    void waitIdle()
    {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !m_pPipeline->isCurrentlyBusy() && !m_pPipeline->isTryAgainLater(); }, 5000));
        QCoreApplication::processEvents();
    }

    static const Raster2dBase* raster(const QString& sName)
    {
        const auto* pObject = ObjectRoot::getInstance()->findChild<ImageObject*>(sName);
        return pObject ? pObject->getRasterReadOnly() : nullptr;
    }
    static const Raster8* raster8(const QString& sName) { return dynamic_cast<const Raster8*>(raster(sName)); }

    static ParameterObject* parameters(const QString& sModifierName)
    {
        return ObjectRoot::getInstance()->findChild<ParameterObject*>(
            ParameterObject::createName(CANVAS, sModifierName, 0));
    }

    void stroke(const QList<QPointF>& points, double dSize, const QString& sColor)
    {
        parameters(MODIFIER_PEN)->setParameters({{ImageModifierPen::POINTS, QVariant::fromValue(points)},
                                                 {ImageModifierPen::SIZE, dSize},
                                                 {ImageModifierPen::COLOR, sColor},
                                                 {ImageModifierPen::TIMESTAMP, ++m_nStamp}});
        waitIdle();
    }

    void bucket(QPointF point, const QString& sColor)
    {
        parameters(MODIFIER_BUCKET)->setParameters({{ImageModifierBucket::POINT, point},
                                                    {ImageModifierBucket::THRESHOLD, 0.5},
                                                    {ImageModifierBucket::COLOR, sColor},
                                                    {ImageModifierBucket::TIMESTAMP, ++m_nStamp}});
        waitIdle();
    }

    void deletePaint()
    {
        parameters(MODIFIER_OVERLAY_DELETE)
            ->setParameters(
                {{ImageModifierOverlayDelete::ENABLED, true}, {ImageModifierOverlayDelete::TIMESTAMP, ++m_nStamp}});
        waitIdle();
    }

    void showPaint(bool bShow)
    {
        parameters(MODIFIER_OVERLAY_COMPOSITE)->setParameters({{ImageModifierOverlayComposite::ENABLED, bShow}});
        waitIdle();
    }

    // The stored paint (input layers) equals this run's output layers.
    void expectPaintStored()
    {
        EXPECT_TRUE(sameBytes(raster(CANVAS + "_OVERLAY"), raster(PAINTED + "_OVERLAY")));
        EXPECT_TRUE(sameBytes(raster(CANVAS + "_MASK"), raster(PAINTED + "_MASK")));
    }

    std::unique_ptr<ImagePipeline> m_pPipeline;
    qint64 m_nStamp = 0;
};
} // namespace

TEST_F(PenAndBucketStepTest, CreateBuildsObjectsAndReusesThem)
{
    setCanvas(gradientRaster(4, 4));
    ImagePipelineFactoryPenAndBucket factory;
    m_pPipeline.reset(factory.create("PIPE", {CANVAS}, {PAINTED}));
    EXPECT_EQ(m_pPipeline->getInputImageNames(), (QStringList{CANVAS, CANVAS + "_OVERLAY", CANVAS + "_MASK"}));
    EXPECT_EQ(m_pPipeline->getOutputImageNames(), (QStringList{PAINTED, PAINTED + "_OVERLAY", PAINTED + "_MASK"}));
    EXPECT_EQ(m_pPipeline->getParameterNames(),
              (QStringList{CANVAS + "/MODIFIER_PEN/0", CANVAS + "/MODIFIER_BUCKET/0", CANVAS + "/MODIFIER_OVERLAY_DELETE/0",
                           CANVAS + "/MODIFIER_OVERLAY_COMPOSITE/0"}));
    // The stored paint starts as a 1 x 1 placeholder.
    ASSERT_NE(raster8(CANVAS + "_OVERLAY"), nullptr);
    EXPECT_EQ(raster8(CANVAS + "_MASK")->getSize(), 1u);
    const QString sOverlaySync = "IMAGE_OBJECT_SYNCHRONIZER/" + PAINTED + "_OVERLAY/" + CANVAS + "_OVERLAY";
    auto* pSync = ObjectRoot::getInstance()->findChild<ImageObjectSynchronizer*>(sOverlaySync);
    ASSERT_NE(pSync, nullptr);
    EXPECT_TRUE(pSync->isSilent());
    EXPECT_EQ(ObjectRoot::getInstance()->findChildren<ImageObjectSynchronizer*>().size(), 2);

    // Again for the same names: nothing new, current values kept.
    const ImageModifierBase::ParameterMap mapPen{{ImageModifierPen::SIZE, 0.3}};
    parameters(MODIFIER_PEN)->setParameters(mapPen);
    std::unique_ptr<ImagePipeline> pSecond(factory.create("PIPE2", {CANVAS}, {PAINTED}));
    EXPECT_EQ(ObjectRoot::getInstance()->findChildren<ImageObjectSynchronizer*>().size(), 2);
    EXPECT_EQ(ObjectRoot::getInstance()->findChildren<ParameterObject*>().size(), 4);
    EXPECT_EQ(parameters(MODIFIER_PEN)->getParameters(), mapPen);

    EXPECT_ASSERTION(factory.create("PIPE3", {CANVAS, CANVAS}, {PAINTED}),
                     "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");
    EXPECT_ASSERTION(factory.create("PIPE3", {""}, {PAINTED}),
                     "!sInputImageNameCanvas.isEmpty() && !sOutputImageNameCanvas.isEmpty() && "
                     "!sInputImageNameOverlay.isEmpty() && !sOutputImageNameOverlay.isEmpty() && "
                     "!sInputImageNameMask.isEmpty() && !sOutputImageNameMask.isEmpty()");
}

TEST_F(PenAndBucketStepTest, FirstRunShowsPlainCanvasWithEmptyPaint)
{
    LogCapture log;
    createAndRun(200, 100);
    std::unique_ptr<Raster8> pExpected(gradientRaster(200, 100));
    EXPECT_TRUE(sameBytes(raster(PAINTED), pExpected.get()));
    ASSERT_NE(raster8(PAINTED + "_OVERLAY"), nullptr);
    EXPECT_EQ(raster8(PAINTED + "_OVERLAY")->getWidth(), 200u);
    EXPECT_EQ(raster8(PAINTED + "_OVERLAY")->getHeight(), 100u);
    EXPECT_TRUE(allEqual(raster(PAINTED + "_OVERLAY"), 255));
    EXPECT_TRUE(allEqual(raster(PAINTED + "_MASK"), 0));
    expectPaintStored();
    EXPECT_EQ(log.count("ERROR"), 0);
}

TEST_F(PenAndBucketStepTest, StrokePaintsOverlayMaskAndCanvasOnce)
{
    LogCapture log;
    createAndRun(20, 10);
    // Width sqrt(200) * 0.08 -> 1 pixel; row 5 from column 2 to 18.
    stroke({{0.1, 0.5}, {0.9, 0.5}}, 0.08, ImageModifierPen::WHITE);
    std::unique_ptr<Raster8> pCanvas(gradientRaster(20, 10));
    const Raster8* pPainted = raster8(PAINTED);
    const Raster8* pOverlay = raster8(PAINTED + "_OVERLAY");
    const Raster8* pMask = raster8(PAINTED + "_MASK");
    ASSERT_TRUE(pPainted && pOverlay && pMask);
    for (unsigned int y = 0; y < 10; ++y)
    {
        for (unsigned int x = 0; x < 20; ++x)
        {
            const bool bOnStroke = y == 5 && x >= 2 && x <= 18;
            EXPECT_EQ(pMask->at(x, y), bOnStroke ? 255 : 0) << x << "," << y;
            EXPECT_EQ(pOverlay->at(x, y), 255) << x << "," << y;
            EXPECT_EQ(pPainted->at(x, y), bOnStroke ? 255 : pCanvas->at(x, y)) << x << "," << y;
        }
    }
    expectPaintStored();

    // Deleting the paint clears both layers and shows the plain canvas.
    deletePaint();
    EXPECT_TRUE(allEqual(raster(PAINTED + "_OVERLAY"), 255));
    EXPECT_TRUE(allEqual(raster(PAINTED + "_MASK"), 0));
    EXPECT_TRUE(sameBytes(raster(PAINTED), pCanvas.get()));
    expectPaintStored();

    // A new canvas reruns the step with the old stroke's parameters: the
    // stroke carries its old time stamp and is not drawn again.
    setCanvas(gradientRaster(20, 10));
    waitIdle();
    EXPECT_TRUE(allEqual(raster(PAINTED + "_MASK"), 0));
    EXPECT_TRUE(sameBytes(raster(PAINTED), pCanvas.get()));
    EXPECT_EQ(log.count("ERROR"), 0);
}

TEST_F(PenAndBucketStepTest, PaintAccumulatesAndSurvivesDeletionParameters)
{
    createAndRun(30, 30);
    // sqrt(900) * 0.04 -> 1 pixel wide: columns 3 and 9, row 15.
    stroke({{0.1, 0.0}, {0.1, 0.9}}, 0.04, ImageModifierPen::BLACK);
    deletePaint();
    stroke({{0.3, 0.0}, {0.3, 0.9}}, 0.04, ImageModifierPen::BLACK);
    stroke({{0.0, 0.5}, {0.9, 0.5}}, 0.04, ImageModifierPen::WHITE);
    expectPaintStored();
    const Raster8* pMask = raster8(PAINTED + "_MASK");
    const Raster8* pOverlay = raster8(PAINTED + "_OVERLAY");
    ASSERT_TRUE(pMask && pOverlay);
    EXPECT_EQ(pMask->at(3, 5), 0);    // deleted before the later strokes
    EXPECT_EQ(pMask->at(9, 5), 255);  // second stroke kept
    EXPECT_EQ(pOverlay->at(9, 5), 0); // black
    EXPECT_EQ(pMask->at(20, 15), 255);
    EXPECT_EQ(pOverlay->at(20, 15), 255);     // white
    EXPECT_EQ(pOverlay->at(9, 15), 255);      // white over black
    EXPECT_EQ(raster8(PAINTED)->at(9, 14), 0);
    EXPECT_EQ(raster8(PAINTED)->at(9, 15), 255);
}

TEST_F(PenAndBucketStepTest, HidingPaintShowsCanvasAndShowingRestoresIt)
{
    createAndRun(16, 16);
    stroke({{0.25, 0.25}, {0.75, 0.75}}, 0.2, ImageModifierPen::BLACK);
    std::unique_ptr<Raster8> pPainted(static_cast<Raster8*>(raster(PAINTED)->clone()));
    std::unique_ptr<Raster8> pMask(static_cast<Raster8*>(raster(PAINTED + "_MASK")->clone()));
    std::unique_ptr<Raster8> pCanvas(gradientRaster(16, 16));
    ASSERT_FALSE(sameBytes(pPainted.get(), pCanvas.get()));

    showPaint(false);
    EXPECT_TRUE(sameBytes(raster(PAINTED), pCanvas.get()));
    EXPECT_TRUE(sameBytes(raster(PAINTED + "_MASK"), pMask.get()));

    // Shown again: the same picture, the stroke neither lost nor drawn twice.
    showPaint(true);
    EXPECT_TRUE(sameBytes(raster(PAINTED), pPainted.get()));
    EXPECT_TRUE(sameBytes(raster(PAINTED + "_MASK"), pMask.get()));
    expectPaintStored();
}

TEST_F(PenAndBucketStepTest, BucketInsideClosedStrokeFillsOnlyTheInside)
{
    ObjectRoot::getInstance()->clear();
    auto* pWhite = new Raster8(40, 40);
    pWhite->fill(255);
    setCanvas(pWhite);
    ImagePipelineFactoryPenAndBucket factory;
    m_pPipeline.reset(factory.create("PIPE", {CANVAS}, {PAINTED}));
    m_pPipeline->setEnabled(true);
    waitIdle();
    // A closed square from pixel 10 to 30, one pixel wide (sqrt(1600) * 0.03).
    stroke({{0.25, 0.25}, {0.75, 0.25}, {0.75, 0.75}, {0.25, 0.75}, {0.25, 0.25}}, 0.03, ImageModifierPen::BLACK);
    bucket({0.5, 0.5}, ImageModifierBucket::BLACK);
    const Raster8* pPainted = raster8(PAINTED);
    const Raster8* pMask = raster8(PAINTED + "_MASK");
    ASSERT_TRUE(pPainted && pMask);
    for (unsigned int y = 0; y < 40; ++y)
    {
        for (unsigned int x = 0; x < 40; ++x)
        {
            const bool bCovered = x >= 10 && x <= 30 && y >= 10 && y <= 30;
            EXPECT_EQ(pMask->at(x, y), bCovered ? 255 : 0) << x << "," << y;
            EXPECT_EQ(pPainted->at(x, y), bCovered ? 0 : 255) << x << "," << y;
        }
    }
    expectPaintStored();
}

TEST_F(PenAndBucketStepTest, StrokeInRunWhereCanvasChangesSizeIsDrawn)
{
    LogCapture log;
    createAndRun(20, 10);
    stroke({{0.0, 0.0}, {0.9, 0.0}}, 0.08, ImageModifierPen::BLACK);
    EXPECT_EQ(raster8(PAINTED + "_MASK")->at(5, 0), 255);

    // The canvas grows and a stroke arrives, served together by one run.
    m_pPipeline->setEnabled(false);
    setCanvas(gradientRaster(40, 20));
    const QList<QPointF> points{{0.0, 0.5}, {0.9, 0.5}};
    parameters(MODIFIER_PEN)->setParameters({{ImageModifierPen::POINTS, QVariant::fromValue(points)},
                                             {ImageModifierPen::SIZE, 0.04},
                                             {ImageModifierPen::COLOR, ImageModifierPen::BLACK},
                                             {ImageModifierPen::TIMESTAMP, ++m_nStamp}});
    m_pPipeline->setEnabled(true);
    waitIdle();

    std::unique_ptr<Raster8> pCanvas(gradientRaster(40, 20));
    const Raster8* pMask = raster8(PAINTED + "_MASK");
    ASSERT_NE(pMask, nullptr);
    ASSERT_EQ(pMask->getWidth(), 40u);
    ASSERT_EQ(pMask->getHeight(), 20u);
    for (unsigned int x = 0; x < 40; ++x)
    {
        EXPECT_EQ(pMask->at(x, 0), 0) << x;   // the old paint did not fit and is gone
        EXPECT_EQ(pMask->at(x, 10), x <= 36 ? 255 : 0) << x;
        EXPECT_EQ(raster8(PAINTED)->at(x, 10), x <= 36 ? 0 : pCanvas->at(x, 10)) << x;
    }
    expectPaintStored();
    EXPECT_EQ(log.count("ERROR"), 0);
}

TEST(PenAndBucketProcessorTest, RefusesImagesWithoutCanvasRole)
{
    ImageProcessorPenAndBucket processor;
    ImageObject inputMask("A_MASK");
    ImageObject inputOverlay("A_MASK_OVERLAY");
    ImageObject inputMaskMask("A_MASK_MASK");
    inputMask.setRaster(new Raster8(2, 2), true);
    ImageObject outCanvas("B");
    ImageObject outOverlay("B_OVERLAY");
    ImageObject outMask("B_MASK");
    ParameterObject pen("A/MODIFIER_PEN/0");
    ParameterObject bucket("A/MODIFIER_BUCKET/0");
    ParameterObject deletion("A/MODIFIER_OVERLAY_DELETE/0");
    ParameterObject composite("A/MODIFIER_OVERLAY_COMPOSITE/0");
    std::map<QString, ImageObject*> inputs{
        {"A_MASK", &inputMask}, {"A_MASK_OVERLAY", &inputOverlay}, {"A_MASK_MASK", &inputMaskMask}};
    std::map<QString, ImageObject*> outputs{{"B", &outCanvas}, {"B_OVERLAY", &outOverlay}, {"B_MASK", &outMask}};
    std::map<QString, ParameterObject*> params{{pen.objectName(), &pen},
                                               {bucket.objectName(), &bucket},
                                               {deletion.objectName(), &deletion},
                                               {composite.objectName(), &composite}};
    EXPECT_ASSERTION(processor.execute(inputs, outputs, params),
                     "pInputOverlay && pInputMask && pInputCanvas && pInputCanvas->getRasterReadOnly()");
    params.erase(pen.objectName());
    EXPECT_ASSERTION(processor.execute(inputs, outputs, params),
                     "mapImageNameToInputImageObject.size() == 3 && mapImageNameToOutputImageObject.size() == 3 && "
                     "mapParameterNameToParameterObject.size() == 4");
    // Canvas present, but no parameter object of the pen.
    ImageObject canvas("A");
    canvas.setRaster(new Raster8(2, 2), true);
    inputs.erase("A_MASK_MASK");
    inputs["A"] = &canvas;
    params["A/OTHER/0"] = &pen;
    EXPECT_ASSERTION(processor.execute(inputs, outputs, params), "pParameterObjectPen");
}
