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

#include <cmath>

namespace
{
const unsigned int SIZE = 40;
const float RADIUS = 12.0f;
const QStringList PIPELINES{"HISTOGRAM", "RENDER", "BEVEL"};

// A thresholded picture: a black disc on white.
Raster2d<unsigned char>* thresholdedDisc()
{
    auto* pDisc = new Raster2d<unsigned char>(SIZE, SIZE);
    for (unsigned int y = 0; y < SIZE; ++y)
    {
        for (unsigned int x = 0; x < SIZE; ++x)
        {
            const float dx = float(x) - 19.5f;
            const float dy = float(y) - 19.5f;
            pDisc->set(x, y, std::sqrt(dx * dx + dy * dy) <= RADIUS ? 0 : 255);
        }
    }
    return pDisc;
}

// A drawn profile: a black ramp rising from left to right, standing on a
// white margin of two rows.
Raster2d<unsigned char>* drawnProfile()
{
    auto* pDrawing = new Raster2d<unsigned char>(16, 12);
    pDrawing->fill(255);
    for (unsigned int x = 0; x < 16; ++x)
    {
        const unsigned int nTop = 9 - std::min(9u, x * 9 / 15);
        for (unsigned int y = nTop; y <= 9; ++y)
        {
            pDrawing->set(x, y, 0);
        }
    }
    return pDrawing;
}

void addImage(const QString& sName, Raster2dBase* pRaster)
{
    auto* pImage = new ImageObject(sName);
    pImage->setRaster(pRaster, true);
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pImage));
}

class ProfileAndBevelIntegrationTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override
    {
        for (const QString& sName : PIPELINES)
        {
            ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
            if (pManager->hasPipeline(sName))
            {
                delete pManager->removePipeline(sName);
            }
        }
        ObjectRoot::getInstance()->clear();
    }

    static bool idle()
    {
        for (const QString& sName : PIPELINES)
        {
            ImagePipeline* pPipeline = ImagePipelineManager::getInstance()->getPipeline(sName);
            if (pPipeline->isCurrentlyBusy() || pPipeline->isTryAgainLater())
            {
                return false;
            }
        }
        return true;
    }

    template <typename T>
    static const Raster2d<T>* result(const QString& sName)
    {
        const ImageObject* pImage = ObjectRoot::getInstance()->findChild<ImageObject*>(sName);
        return pImage ? dynamic_cast<const Raster2d<T>*>(pImage->getRasterReadOnly()) : nullptr;
    }
};
} // namespace

TEST_F(ProfileAndBevelIntegrationTest, DiscAndDrawnProfileBecomeAFramedHeightRaster)
{
    LogCapture log;
    addImage("C/IMAGE_PEN_AND_BUCKET", thresholdedDisc());
    addImage("C/PROFILE_DRAWING", drawnProfile());

    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    pManager->addPipeline(
        ImagePipelineFactoryHeightHistogram().create("HISTOGRAM", {"C/PROFILE_DRAWING"}, {"C/IMAGE_HEIGHT_HISTOGRAM"}));
    pManager->addPipeline(ImagePipelineFactoryHeightProfileRender().create("RENDER", {"C/IMAGE_HEIGHT_HISTOGRAM"},
                                                                          {"C/IMAGE_HEIGHT_PROFILE_RENDER"}));
    pManager->addPipeline(ImagePipelineFactoryBevel().create(
        "BEVEL", {"C/IMAGE_PEN_AND_BUCKET", "C/IMAGE_HEIGHT_HISTOGRAM"}, {"C/IMAGE_BEVEL"}));
    ParameterObject* pBevelParameters =
        ObjectRoot::getInstance()->findChild<ParameterObject*>("C/IMAGE_BEVEL/MODIFIER_BEVEL/0");
    ASSERT_TRUE(pBevelParameters);
    pBevelParameters->setParameters(
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
    EXPECT_EQ(pProfile->getHeight(), 1u);
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
            ASSERT_GE(fHeight, 0.0f);
            const float dx = float(x) - 19.5f;
            const float dy = float(y) - 19.5f;
            const float fRadius = std::sqrt(dx * dx + dy * dy);
            if (x == 0 || y == 0 || x == SIZE - 1 || y == SIZE - 1 || fRadius > RADIUS)
            {
                EXPECT_EQ(fHeight, 0.0f) << x << ", " << y;
            }
            else if (fRadius < RADIUS - 2)
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
