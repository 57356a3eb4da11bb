#include "ImageModifier/ImageModifierBevel.h"
#include "ImageModifier/ImageModifierDepthScale.h"
#include "ImageModifier/ImageModifierDistanceTransform.h"
#include "ImageModifier/ImageModifierHeightHistogram.h"
#include "ImageModifier/ImageModifierHeightProfileRender.h"
#include "ImageModifier/ImageModifierInvert.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineBevel.h"
#include "ImagePipeline/ImagePipelineHeightHistogram.h"
#include "ImagePipeline/ImagePipelineHeightProfileRender.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "support/ModifierTestSupport.h"

#include <memory>
#include <vector>

namespace
{
using ImageObjectMap = ImageProcessorBase::ImageObjectMap;
using ParameterObjectMap = ImageProcessorBase::ParameterObjectMap;

// Objects of one direct processor run, kept out of the tree as the pipeline's
// clones and outputs are; owned by the fixture.
class StepTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }

    template <typename T>
    ImageObject* image(const QString& sName, unsigned int nWidth, unsigned int nHeight, std::initializer_list<T> values)
    {
        auto* pRaster = new Raster2d<T>(nWidth, nHeight);
        setElements(*pRaster, values);
        return image(sName, pRaster);
    }
    ImageObject* image(const QString& sName, Raster2dBase* pRaster = nullptr)
    {
        m_vImages.push_back(std::make_unique<ImageObject>(sName));
        if (pRaster)
        {
            m_vImages.back()->setRaster(pRaster, true);
        }
        return m_vImages.back().get();
    }
    ParameterObject* parameters(const QString& sName, const ImageModifierBase::ParameterMap& mapParameters)
    {
        m_vParameters.push_back(std::make_unique<ParameterObject>(sName));
        m_vParameters.back()->setParameters(mapParameters);
        return m_vParameters.back().get();
    }

    std::vector<std::unique_ptr<ImageObject>> m_vImages;
    std::vector<std::unique_ptr<ParameterObject>> m_vParameters;
};

template <typename T>
const Raster2d<T>* rasterOf(const ImageObject* pImage)
{
    return dynamic_cast<const Raster2d<T>*>(pImage->getRasterReadOnly());
}

// A 7 by 7 white picture with a black 3 by 3 square in the middle; the
// square's centre takes nCentre.
Raster2d<unsigned char>* squareShape(unsigned char nCentre = 0)
{
    auto* pShape = new Raster2d<unsigned char>(7, 7);
    pShape->fill(255);
    for (unsigned int y = 2; y <= 4; ++y)
    {
        for (unsigned int x = 2; x <= 4; ++x)
        {
            pShape->set(x, y, 0);
        }
    }
    pShape->set(3, 3, nCentre);
    return pShape;
}
} // namespace

TEST_F(StepTest, HeightHistogramStepWritesTheProfileRow)
{
    ImageObject* pInput = image<unsigned char>("C/DRAWING", 4, 4,
                                               {255, 255, 255, 255, //
                                                255, 0, 255, 255, //
                                                0, 0, 255, 255, //
                                                255, 255, 255, 255});
    ImageObject* pOutput = image("C/HISTOGRAM");
    ParameterObject* pParameters =
        parameters("C/DRAWING/MODIFIER_HEIGHT_HISTOGRAM/0", {{ImageModifierHeightHistogram::KEEP_EMPTY_SPACES, true}});
    ImageProcessorHeightHistogram processor;
    processor.process({{"C/DRAWING", pInput}}, {{"C/HISTOGRAM", pOutput}}, {{pParameters->objectName(), pParameters}});
    const Raster2d<float>* pProfile = rasterOf<float>(pOutput);
    ASSERT_TRUE(pProfile);
    ASSERT_EQ(pProfile->getWidth(), 4u);
    ASSERT_EQ(pProfile->getHeight(), 1u);
    EXPECT_NEAR(pProfile->at(0, 0), 5.0f / 3, 1e-4);
    EXPECT_NEAR(pProfile->at(1, 0), 1.0f, 1e-4);
    EXPECT_NEAR(pProfile->at(2, 0), 2.0f / 3, 1e-4);
    EXPECT_NEAR(pProfile->at(3, 0), 0.0f, 1e-4);
    ASSERT_EQ(processor.getBufferRastersIntermediate().size(), 1u);
    EXPECT_EQ(processor.getBufferRastersIntermediate()[0], nullptr);
    // The drawing was read, not copied or changed.
    EXPECT_EQ(rasterOf<unsigned char>(pInput)->at(0, 2), 0);
}

TEST_F(StepTest, ProfileStepsRefuseRastersOfTheWrongTypeBeforeTouchingTheOutput)
{
    Raster2d<unsigned char>* pOldChart = new Raster2d<unsigned char>(2, 1);
    pOldChart->fill(3);
    ImageObject* pFloat = image<float>("C/ROW", 2, 1, {1, 2});
    ImageObject* pBytes = image<unsigned char>("C/DRAWING", 2, 1, {0, 255});
    ImageObject* pOutput = image("C/OUT", pOldChart);
    ParameterObject* pHistogram = parameters("C/ROW/MODIFIER_HEIGHT_HISTOGRAM/0", {});
    ParameterObject* pRender = parameters("C/DRAWING/MODIFIER_HEIGHT_PROFILE_RENDER/0", {});

    ImageProcessorHeightHistogram histogram;
    EXPECT_ASSERTION(histogram.process({{"C/ROW", pFloat}}, {{"C/OUT", pOutput}}, {{"P", pHistogram}}),
                     "pInputRaster");
    ImageProcessorHeightProfileRender render;
    EXPECT_ASSERTION(render.process({{"C/DRAWING", pBytes}}, {{"C/OUT", pOutput}}, {{"P", pRender}}),
                     "pInputRaster");
    EXPECT_EQ(pOutput->getRasterReadOnly(), pOldChart);
    EXPECT_EQ(elements(*pOldChart), (std::vector<unsigned char>{3, 3}));

    EXPECT_ASSERTION(render.process({}, {{"C/OUT", pOutput}}, {}),
                     "mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1");
    EXPECT_ASSERTION(histogram.process({{"C/ROW", nullptr}}, {{"C/OUT", pOutput}}, {}), "pInput");
}

TEST_F(StepTest, ProfileRenderStepDrawsTheRow)
{
    ImageObject* pInput = image<float>("C/ROW", 4, 1, {0, 1.5f, 3, 3});
    ImageObject* pOutput = image("C/RENDER");
    ParameterObject* pParameters = parameters("C/ROW/MODIFIER_HEIGHT_PROFILE_RENDER/0", {});
    ImageProcessorHeightProfileRender processor;
    processor.process({{"C/ROW", pInput}}, {{"C/RENDER", pOutput}}, {{pParameters->objectName(), pParameters}});
    const Raster2d<unsigned char>* pChart = rasterOf<unsigned char>(pOutput);
    ASSERT_TRUE(pChart);
    ASSERT_EQ(pChart->getHeight(), 3u);
    EXPECT_EQ(elements(*pChart), (std::vector<unsigned char>{255, 255, 0, 255, //
                                                             255, 255, 0, 255, //
                                                             255, 0, 0, 255}));
    EXPECT_EQ(processor.getBufferRastersOutput()[0], nullptr);
}

TEST_F(StepTest, ProfileFactoriesShareOneParameterObjectPerInput)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ImagePipelineFactoryHeightHistogram histogramFactory;
    std::unique_ptr<ImagePipeline> pFirst(histogramFactory.create("H1", {"C/DRAWING"}, {"C/H1"}));
    std::unique_ptr<ImagePipeline> pSecond(histogramFactory.create("H2", {"C/DRAWING"}, {"C/H2"}));
    const QStringList slExpected{"C/DRAWING/MODIFIER_HEIGHT_HISTOGRAM/0"};
    EXPECT_EQ(pFirst->getParameterNames(), slExpected);
    EXPECT_EQ(pSecond->getParameterNames(), slExpected);
    EXPECT_EQ(pRoot->findChildren<ParameterObject*>(slExpected.first()).size(), 1);
    const ParameterObject* pParameters = pRoot->findChild<ParameterObject*>(slExpected.first());
    ASSERT_TRUE(pParameters);
    EXPECT_EQ(pParameters->getParameters(),
              (ImageModifierBase::ParameterMap{{ImageModifierHeightHistogram::KEEP_EMPTY_SPACES, false}}));
    EXPECT_TRUE(pRoot->findChild<ImageObject*>("C/H1"));
    EXPECT_TRUE(pRoot->findChild<ImageObject*>("C/H2"));

    ImagePipelineFactoryHeightProfileRender renderFactory;
    std::unique_ptr<ImagePipeline> pRender(renderFactory.create("R1", {"C/H1"}, {"C/R1"}));
    std::unique_ptr<ImagePipeline> pRender2(renderFactory.create("R2", {"C/H1"}, {"C/R2"}));
    EXPECT_EQ(pRender->getParameterNames(), QStringList{"C/H1/MODIFIER_HEIGHT_PROFILE_RENDER/0"});
    EXPECT_EQ(pRender2->getParameterNames(), pRender->getParameterNames());
    EXPECT_EQ(pRoot->findChildren<ParameterObject*>("C/H1/MODIFIER_HEIGHT_PROFILE_RENDER/0").size(), 1);

    EXPECT_ASSERTION(histogramFactory.create("H3", {"A", "B"}, {"C"}),
                     "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");
    EXPECT_ASSERTION(renderFactory.create("R3", {"A"}, {}),
                     "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");
}

TEST_F(StepTest, BevelFactoryCreatesFourParameterObjectsAndAlwaysInverts)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    auto* pOld = new ParameterObject(ParameterObject::createName("C/BEVEL", MODIFIER_INVERT, 0));
    pOld->setParameters({{ImageModifierInvert::INVERT, false}, {"OTHER", 1}});
    ASSERT_TRUE(pRoot->addChild(pOld));

    ImagePipelineFactoryBevel factory;
    std::unique_ptr<ImagePipeline> pPipeline(factory.create("B", {"C/SHAPE", "C/PROFILE"}, {"C/BEVEL"}));
    EXPECT_EQ(pPipeline->getParameterNames(),
              (QStringList{"C/BEVEL/MODIFIER_INVERT/0", "C/BEVEL/MODIFIER_BEVEL/0",
                           "C/BEVEL/MODIFIER_DISTANCE_TRANSFORM/0", "C/BEVEL/MODIFIER_DEPTH_SCALE/0"}));
    EXPECT_EQ(pOld->getParameters(), (ImageModifierBase::ParameterMap{{ImageModifierInvert::INVERT, true}}));
    EXPECT_TRUE(pRoot->findChild<ImageObject*>("C/BEVEL"));
    const ParameterObject* pScale = pRoot->findChild<ParameterObject*>("C/BEVEL/MODIFIER_DEPTH_SCALE/0");
    ASSERT_TRUE(pScale);
    EXPECT_EQ(pScale->getParameters(), ImageModifierDepthScale(MODIFIER_DEPTH_SCALE).getDefaultParameters());

    // Rebuilding resets it again.
    pOld->setParameters({{ImageModifierInvert::INVERT, false}});
    std::unique_ptr<ImagePipeline> pAgain(factory.create("B2", {"C/SHAPE", "C/PROFILE"}, {"C/BEVEL"}));
    EXPECT_EQ(pOld->getParameters(), (ImageModifierBase::ParameterMap{{ImageModifierInvert::INVERT, true}}));

    EXPECT_ASSERTION(factory.create("B3", {"C/SHAPE"}, {"C/BEVEL"}),
                     "slInputImageNames.size() == 2 && slOutputImageNames.size() == 1");
}

namespace
{
class BevelStepTest : public StepTest
{
protected:
    void SetUp() override
    {
        StepTest::SetUp();
        m_pProfile = image<float>("C/PROFILE", 3, 1, {0, 1, 2});
        m_pOutput = image("C/BEVEL");
        m_mapParameters = {
            {"C/BEVEL/MODIFIER_INVERT/0",
             parameters("C/BEVEL/MODIFIER_INVERT/0", {{ImageModifierInvert::INVERT, true}})},
            {"C/BEVEL/MODIFIER_BEVEL/0",
             parameters("C/BEVEL/MODIFIER_BEVEL/0",
                        {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "C/SHAPE"},
                         {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, "C/PROFILE"}})},
            {"C/BEVEL/MODIFIER_DISTANCE_TRANSFORM/0", parameters("C/BEVEL/MODIFIER_DISTANCE_TRANSFORM/0", {})},
            {"C/BEVEL/MODIFIER_DEPTH_SCALE/0",
             parameters("C/BEVEL/MODIFIER_DEPTH_SCALE/0", {{ImageModifierDepthScale::SIZE, 1.0}})}};
    }

    const Raster2d<float>* run(Raster2d<unsigned char>* pShape)
    {
        ImageObject* pShapeImage = image("C/SHAPE", pShape);
        m_processor.process({{"C/SHAPE", pShapeImage}, {"C/PROFILE", m_pProfile}}, {{"C/BEVEL", m_pOutput}},
                            m_mapParameters);
        return rasterOf<float>(m_pOutput);
    }

    ImageProcessorBevel m_processor;
    ImageObject* m_pProfile = nullptr;
    ImageObject* m_pOutput = nullptr;
    ParameterObjectMap m_mapParameters;
};
} // namespace

TEST_F(BevelStepTest, BlackSquareIsRaisedThroughTheProfile)
{
    const Raster2d<float>* pHeights = run(squareShape());
    ASSERT_TRUE(pHeights);
    // Distances 0.955 on the square's rim and 1.91 in its centre spread over
    // the profile's 3 columns; the identity profile keeps them, rounded.
    std::vector<float> expected(49, 0.0f);
    for (unsigned int y = 2; y <= 4; ++y)
    {
        for (unsigned int x = 2; x <= 4; ++x)
        {
            expected[y * 7 + x] = 1.0f;
        }
    }
    expected[3 * 7 + 3] = 2.0f;
    EXPECT_EQ(elements(*pHeights), expected);
    for (Raster2dBase* pSlot : m_processor.getBufferRastersIntermediate())
    {
        EXPECT_EQ(pSlot, nullptr);
    }
    EXPECT_EQ(m_processor.getBufferRastersIntermediate().size(), 4u);

    // The depth scale applies last.
    m_mapParameters["C/BEVEL/MODIFIER_DEPTH_SCALE/0"]->setParameters({{ImageModifierDepthScale::SIZE, 2.5}});
    pHeights = run(squareShape());
    EXPECT_EQ(pHeights->at(3, 3), 5.0f);
    EXPECT_EQ(pHeights->at(2, 2), 2.5f);
}

TEST_F(BevelStepTest, ShapeOfThreeGrayValuesIsABasRelief)
{
    std::unique_ptr<Raster2d<unsigned char>> pTwo(squareShape());
    EXPECT_EQ(ImageProcessorBevel::getNumberOfGrayValues(pTwo.get()), 2u);
    std::unique_ptr<Raster2d<unsigned char>> pThree(squareShape(100));
    EXPECT_EQ(ImageProcessorBevel::getNumberOfGrayValues(pThree.get()), 3u);

    const Raster2d<float>* pHeights = run(squareShape(100));
    ASSERT_TRUE(pHeights);
    // The inverted gray values are the heights inside the shape.
    EXPECT_EQ(pHeights->at(2, 2), 255.0f);
    EXPECT_EQ(pHeights->at(3, 3), 155.0f);
    EXPECT_EQ(pHeights->at(1, 1), 0.0f);
}

TEST_F(BevelStepTest, InversionSwitchedOffBevelsTheWhiteArea)
{
    m_mapParameters["C/BEVEL/MODIFIER_INVERT/0"]->setParameters({{ImageModifierInvert::INVERT, false}});
    const Raster2d<float>* pHeights = run(squareShape());
    ASSERT_TRUE(pHeights);
    EXPECT_EQ(pHeights->at(3, 3), 0.0f);
    EXPECT_GT(pHeights->at(1, 1), 0.0f);
    EXPECT_GT(pHeights->at(5, 3), 0.0f);
}

TEST_F(BevelStepTest, MissingImageNamesAreLoggedAndFail)
{
    LogCapture log;
    m_mapParameters["C/BEVEL/MODIFIER_BEVEL/0"]->setParameters(
        {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "C/SHAPE"}});
    EXPECT_ASSERTION(run(squareShape()), "false");
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImagePipeline\\ImagePipelineBevel::")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(": Parameters were not set correctly"));
    EXPECT_EQ(m_pOutput->getRasterReadOnly(), nullptr);
}

TEST_F(BevelStepTest, WrongMapsAndRastersFail)
{
    ImageObject* pShape = image("C/SHAPE", squareShape());
    EXPECT_ASSERTION(m_processor.process({{"C/SHAPE", pShape}}, {{"C/BEVEL", m_pOutput}}, m_mapParameters),
                     "mapImageNameToInputImageObject.size() == 2 && mapImageNameToOutputImageObject.size() == 1 && "
                     "mapParameterNameToParameterObject.size() == 4");
    // Without a profile among the inputs.
    ImageObject* pOther = image<float>("C/OTHER", 3, 1, {0, 1, 2});
    EXPECT_ASSERTION(
        m_processor.process({{"C/SHAPE", pShape}, {"C/OTHER", pOther}}, {{"C/BEVEL", m_pOutput}}, m_mapParameters),
        "pInputImageProfile");
    // A float shape.
    ImageObject* pFloatShape = image<float>("C/SHAPE", 1, 1, {1});
    EXPECT_ASSERTION(m_processor.process({{"C/SHAPE", pFloatShape}, {"C/PROFILE", m_pProfile}},
                                         {{"C/BEVEL", m_pOutput}}, m_mapParameters),
                     "pTemplateRaster");
    EXPECT_EQ(m_pOutput->getRasterReadOnly(), nullptr);
}
