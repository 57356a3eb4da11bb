#include "ImageModifier/ImageModifierBevel.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineBevel.h"
#include "ImagePipeline/ImagePipelineHeightHistogram.h"
#include "ImagePipeline/ImagePipelineHeightProfileRender.h"
#include "ImagePipelineManager.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace
{
const unsigned int SIZE = 40;
const float RADIUS = 12.0f;
const QStringList PIPELINES{"HISTOGRAM", "RENDER", "BEVEL"};

float radius(unsigned int x, unsigned int y)
{
    return std::hypot(float(x) - 19.5f, float(y) - 19.5f);
}

void addImage(const QString& sName, Raster2dBase* pRaster)
{
    auto* pImage = new ImageObject(sName);
    pImage->setRaster(pRaster, true);
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pImage));
}

bool idle()
{
    return std::all_of(PIPELINES.begin(), PIPELINES.end(), [](const QString& sName) {
        ImagePipeline* pPipeline = ImagePipelineManager::getInstance()->getPipeline(sName);
        return !pPipeline->isCurrentlyBusy() && !pPipeline->isTryAgainLater();
    });
}

template <typename T>
const Raster2d<T>* result(const QString& sName)
{
    const ImageObject* pImage = ObjectRoot::getInstance()->findChild<ImageObject*>(sName);
    return pImage ? dynamic_cast<const Raster2d<T>*>(pImage->getRasterReadOnly()) : nullptr;
}

class ProfileAndBevelIntegrationTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override
    {
        for (const QString& sName : PIPELINES)
        {
            if (ImagePipelineManager::getInstance()->hasPipeline(sName))
            {
                delete ImagePipelineManager::getInstance()->removePipeline(sName);
            }
        }
        ObjectRoot::getInstance()->clear();
    }
};
} // namespace

TEST_F(ProfileAndBevelIntegrationTest, DiscAndDrawnProfileBecomeAFramedHeightRaster)
{
    LogCapture log;
    // A thresholded black disc on white, and a black ramp rising to the right
    // on a white margin of two rows.
    auto* pDisc = new Raster2d<unsigned char>(SIZE, SIZE);
    for (unsigned int i = 0; i < pDisc->getSize(); ++i)
    {
        pDisc->getData()[i] = radius(i % SIZE, i / SIZE) <= RADIUS ? 0 : 255;
    }
    auto* pDrawing = new Raster2d<unsigned char>(16, 12);
    pDrawing->fill(255);
    for (unsigned int x = 0; x < 16; ++x)
    {
        for (unsigned int y = 9 - x * 9 / 15; y <= 9; ++y)
        {
            pDrawing->set(x, y, 0);
        }
    }
    addImage("C/IMAGE_PEN_AND_BUCKET", pDisc);
    addImage("C/PROFILE_DRAWING", pDrawing);

    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    pManager->addPipeline(
        ImagePipelineFactoryHeightHistogram().create("HISTOGRAM", {"C/PROFILE_DRAWING"}, {"C/IMAGE_HEIGHT_HISTOGRAM"}));
    pManager->addPipeline(ImagePipelineFactoryHeightProfileRender().create("RENDER", {"C/IMAGE_HEIGHT_HISTOGRAM"},
                                                                          {"C/IMAGE_HEIGHT_PROFILE_RENDER"}));
    pManager->addPipeline(ImagePipelineFactoryBevel().create(
        "BEVEL", {"C/IMAGE_PEN_AND_BUCKET", "C/IMAGE_HEIGHT_HISTOGRAM"}, {"C/IMAGE_BEVEL"}));
    ParameterObject* pBevel = ObjectRoot::getInstance()->findChild<ParameterObject*>("C/IMAGE_BEVEL/MODIFIER_BEVEL/0");
    ASSERT_TRUE(pBevel);
    pBevel->setParameters(
        {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "C/IMAGE_PEN_AND_BUCKET"},
         {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, "C/IMAGE_HEIGHT_HISTOGRAM"}});
    for (const QString& sName : PIPELINES)
    {
        pManager->enablePipeline(sName);
        pManager->processPipeline(sName);
    }
    ASSERT_TRUE(QTest::qWaitFor([] { return idle() && result<float>("C/IMAGE_BEVEL"); }, 5000));
    QCoreApplication::processEvents();
    ASSERT_TRUE(QTest::qWaitFor([] { return idle(); }, 5000));

    const Raster2d<float>* pProfile = result<float>("C/IMAGE_HEIGHT_HISTOGRAM");
    ASSERT_TRUE(pProfile);
    EXPECT_EQ(pProfile->getWidth(), 16u);
    EXPECT_LT(pProfile->at(0, 0), pProfile->at(15, 0));
    const Raster2d<unsigned char>* pRender = result<unsigned char>("C/IMAGE_HEIGHT_PROFILE_RENDER");
    ASSERT_TRUE(pRender);
    EXPECT_EQ(pRender->getWidth(), 16u);
    EXPECT_EQ(pRender->getHeight(), unsigned(pProfile->at(15, 0)));

    const Raster2d<float>* pHeights = result<float>("C/IMAGE_BEVEL");
    ASSERT_TRUE(pHeights);
    ASSERT_EQ(pHeights->getWidth(), SIZE);
    ASSERT_EQ(pHeights->getHeight(), SIZE);
    float fMaximum = 0.0f;
    for (unsigned int y = 0; y < SIZE; ++y)
    {
        for (unsigned int x = 0; x < SIZE; ++x)
        {
            const float fHeight = pHeights->at(x, y);
            ASSERT_TRUE(std::isfinite(fHeight));
            if (x == 0 || y == 0 || x == SIZE - 1 || y == SIZE - 1 || radius(x, y) > RADIUS)
            {
                EXPECT_EQ(fHeight, 0.0f) << x << ", " << y;
            }
            else if (radius(x, y) < RADIUS - 2)
            {
                EXPECT_GT(fHeight, 0.0f) << x << ", " << y;
            }
            fMaximum = std::max(fMaximum, fHeight);
        }
    }
    // The ramp rises towards the disc's centre.
    EXPECT_EQ(pHeights->at(20, 20), fMaximum);
    EXPECT_GT(pHeights->at(20, 20), pHeights->at(20, 10));
    EXPECT_EQ(log.count("ERROR"), 0) << log.lines().join("\n").toStdString();
}
