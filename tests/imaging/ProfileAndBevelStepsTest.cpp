#include "ImageModifier/ImageModifierBevel.h"
#include "ImageModifier/ImageModifierDepthScale.h"
#include "ImageModifier/ImageModifierDistanceTransform.h"
#include "ImageModifier/ImageModifierHeightHistogram.h"
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
// Objects of direct processor runs, out of the tree as a pipeline's clones
// and outputs are; owned by the fixture.
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
    ParameterObject* parameters(const QString& sName, const ImageModifierBase::ParameterMap& mapParameters = {})
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

// A 7 by 7 white picture with a black 3 by 3 square in the middle, whose
// centre takes nCentre.
Raster2d<unsigned char>* squareShape(unsigned char nCentre = 0)
{
    auto* pShape = new Raster2d<unsigned char>(7, 7);
    pShape->fill(255);
    for (unsigned int y = 2; y <= 4; ++y)
    {
        for (unsigned int x = 2; x <= 4; ++x)
        {
            pShape->set(x, y, x == 3 && y == 3 ? nCentre : 0);
        }
    }
    return pShape;
}
} // namespace

TEST_F(StepTest, ProfileStepsWriteTheRowAndItsChart)
{
    ImageObject* pDrawing = image<unsigned char>(
        "C/DRAWING", 4, 4, {255, 255, 255, 255, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    ImageObject* pRow = image("C/ROW");
    ParameterObject* pKeep =
        parameters("C/DRAWING/MODIFIER_HEIGHT_HISTOGRAM/0", {{ImageModifierHeightHistogram::KEEP_EMPTY_SPACES, true}});
    ImageProcessorHeightHistogram histogram;
    histogram.process({{"C/DRAWING", pDrawing}}, {{"C/ROW", pRow}}, {{pKeep->objectName(), pKeep}});
    ASSERT_TRUE(rasterOf<float>(pRow));
    const std::vector<float> profile = elements(*rasterOf<float>(pRow));
    ASSERT_EQ(profile.size(), 4u);
    EXPECT_NEAR(profile[0], 5.0f / 3, 1e-4);
    EXPECT_NEAR(profile[2], 2.0f / 3, 1e-4);
    EXPECT_EQ(histogram.getBufferRastersIntermediate(), std::vector<Raster2dBase*>{nullptr});

    ImageObject* pValues = image<float>("C/VALUES", 4, 1, {0, 1.5f, 3, 3});
    ImageObject* pChart = image("C/CHART");
    ParameterObject* pRender = parameters("C/VALUES/MODIFIER_HEIGHT_PROFILE_RENDER/0");
    ImageProcessorHeightProfileRender render;
    render.process({{"C/VALUES", pValues}}, {{"C/CHART", pChart}}, {{pRender->objectName(), pRender}});
    ASSERT_TRUE(rasterOf<unsigned char>(pChart));
    EXPECT_EQ(elements(*rasterOf<unsigned char>(pChart)),
              (std::vector<unsigned char>{255, 255, 0, 255, 255, 255, 0, 255, 255, 0, 0, 255}));
    EXPECT_EQ(render.getBufferRastersOutput(), std::vector<Raster2dBase*>{nullptr});
}

TEST_F(StepTest, ProfileStepsRefuseRastersOfTheWrongTypeBeforeTouchingTheOutput)
{
    auto* pOldChart = new Raster2d<unsigned char>(2, 1);
    pOldChart->fill(3);
    ImageObject* pFloat = image<float>("C/ROW", 2, 1, {1, 2});
    ImageObject* pBytes = image<unsigned char>("C/DRAWING", 2, 1, {0, 255});
    ImageObject* pOutput = image("C/OUT", pOldChart);
    ImageProcessorHeightHistogram histogram;
    EXPECT_ASSERTION(histogram.process({{"C/ROW", pFloat}}, {{"C/OUT", pOutput}}, {{"P", parameters("P")}}),
                     "pInputRaster");
    ImageProcessorHeightProfileRender render;
    EXPECT_ASSERTION(render.process({{"C/DRAWING", pBytes}}, {{"C/OUT", pOutput}}, {{"P", parameters("P")}}),
                     "pInputRaster");
    EXPECT_EQ(pOutput->getRasterReadOnly(), pOldChart);
    EXPECT_EQ(elements(*pOldChart), (std::vector<unsigned char>{3, 3}));
    EXPECT_ASSERTION(render.process({}, {{"C/OUT", pOutput}}, {}),
                     "mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1");
    EXPECT_ASSERTION(histogram.process({{"C/ROW", nullptr}}, {{"C/OUT", pOutput}}, {}), "pInput");
}

TEST_F(StepTest, FactoriesCreateTheirObjectsAndShareParametersPerImage)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ImagePipelineFactoryHeightHistogram histogram;
    std::unique_ptr<ImagePipeline> pFirst(histogram.create("H1", {"C/DRAWING"}, {"C/H1"}));
    std::unique_ptr<ImagePipeline> pSecond(histogram.create("H2", {"C/DRAWING"}, {"C/H2"}));
    EXPECT_EQ(pFirst->getParameterNames(), QStringList{"C/DRAWING/MODIFIER_HEIGHT_HISTOGRAM/0"});
    EXPECT_EQ(pSecond->getParameterNames(), pFirst->getParameterNames());
    EXPECT_EQ(pRoot->findChildren<ParameterObject*>("C/DRAWING/MODIFIER_HEIGHT_HISTOGRAM/0").size(), 1);
    EXPECT_TRUE(pRoot->findChild<ImageObject*>("C/H2"));
    ImagePipelineFactoryHeightProfileRender render;
    std::unique_ptr<ImagePipeline> pRender(render.create("R1", {"C/H1"}, {"C/R1"}));
    std::unique_ptr<ImagePipeline> pRender2(render.create("R2", {"C/H1"}, {"C/R2"}));
    EXPECT_EQ(pRender2->getParameterNames(), QStringList{"C/H1/MODIFIER_HEIGHT_PROFILE_RENDER/0"});
    EXPECT_EQ(pRoot->findChildren<ParameterObject*>("C/H1/MODIFIER_HEIGHT_PROFILE_RENDER/0").size(), 1);
    EXPECT_ASSERTION(histogram.create("H3", {"A", "B"}, {"C"}),
                     "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");
    EXPECT_ASSERTION(render.create("R3", {"A"}, {}), "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");

    // The bevel's inversion object is reset to {INVERT: true} on every build.
    auto* pInvert = new ParameterObject("C/BEVEL/MODIFIER_INVERT/0");
    pInvert->setParameters({{ImageModifierInvert::INVERT, false}, {"OTHER", 1}});
    ASSERT_TRUE(pRoot->addChild(pInvert));
    ImagePipelineFactoryBevel bevel;
    std::unique_ptr<ImagePipeline> pBevel(bevel.create("B", {"C/SHAPE", "C/PROFILE"}, {"C/BEVEL"}));
    EXPECT_EQ(pBevel->getParameterNames(),
              (QStringList{"C/BEVEL/MODIFIER_INVERT/0", "C/BEVEL/MODIFIER_BEVEL/0",
                           "C/BEVEL/MODIFIER_DISTANCE_TRANSFORM/0", "C/BEVEL/MODIFIER_DEPTH_SCALE/0"}));
    EXPECT_EQ(pInvert->getParameters(), (ImageModifierBase::ParameterMap{{ImageModifierInvert::INVERT, true}}));
    pInvert->setParameters({{ImageModifierInvert::INVERT, false}});
    std::unique_ptr<ImagePipeline> pAgain(bevel.create("B2", {"C/SHAPE", "C/PROFILE"}, {"C/BEVEL"}));
    EXPECT_EQ(pInvert->getParameters(), (ImageModifierBase::ParameterMap{{ImageModifierInvert::INVERT, true}}));
    const ParameterObject* pScale = pRoot->findChild<ParameterObject*>("C/BEVEL/MODIFIER_DEPTH_SCALE/0");
    ASSERT_TRUE(pScale);
    EXPECT_EQ(pScale->getParameters(), ImageModifierDepthScale(MODIFIER_DEPTH_SCALE).getDefaultParameters());
    EXPECT_ASSERTION(bevel.create("B3", {"C/SHAPE"}, {"C/BEVEL"}),
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
        for (const QString& sModifier : {MODIFIER_INVERT, MODIFIER_BEVEL, MODIFIER_DISTANCE_TRANSFORM,
                                         MODIFIER_DEPTH_SCALE})
        {
            const QString sName = ParameterObject::createName("C/BEVEL", sModifier, 0);
            m_mapParameters[sName] = parameters(sName);
        }
        setParameters(MODIFIER_INVERT, {{ImageModifierInvert::INVERT, true}});
        setParameters(MODIFIER_BEVEL, {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "C/SHAPE"},
                                       {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, "C/PROFILE"}});
        setParameters(MODIFIER_DEPTH_SCALE, {{ImageModifierDepthScale::SIZE, 1.0}});
    }

    void setParameters(const QString& sModifier, const ImageModifierBase::ParameterMap& mapParameters)
    {
        m_mapParameters[ParameterObject::createName("C/BEVEL", sModifier, 0)]->setParameters(mapParameters);
    }

    const Raster2d<float>* run(Raster2d<unsigned char>* pShape)
    {
        m_processor.process({{"C/SHAPE", image("C/SHAPE", pShape)}, {"C/PROFILE", m_pProfile}},
                            {{"C/BEVEL", m_pOutput}}, m_mapParameters);
        return rasterOf<float>(m_pOutput);
    }

    ImageProcessorBevel m_processor;
    ImageObject* m_pProfile = nullptr;
    ImageObject* m_pOutput = nullptr;
    ImageProcessorBase::ParameterObjectMap m_mapParameters;
};
} // namespace

TEST_F(BevelStepTest, BlackSquareIsRaisedThroughTheProfileAndScaled)
{
    const Raster2d<float>* pHeights = run(squareShape());
    ASSERT_TRUE(pHeights);
    // Distances 0.955 on the square's rim and 1.91 in its centre, spread over
    // 3 profile columns: the identity profile keeps them, rounded.
    std::vector<float> expected(49, 0.0f);
    for (unsigned int i : {16, 17, 18, 23, 25, 30, 31, 32})
    {
        expected[i] = 1.0f;
    }
    expected[24] = 2.0f;
    EXPECT_EQ(elements(*pHeights), expected);
    EXPECT_EQ(m_processor.getBufferRastersIntermediate(), std::vector<Raster2dBase*>(4, nullptr));

    setParameters(MODIFIER_DEPTH_SCALE, {{ImageModifierDepthScale::SIZE, 2.5}});
    pHeights = run(squareShape());
    EXPECT_EQ(pHeights->at(3, 3), 5.0f);
    EXPECT_EQ(pHeights->at(2, 2), 2.5f);

    // Switched off, the inversion leaves the white area to be bevelled.
    setParameters(MODIFIER_INVERT, {{ImageModifierInvert::INVERT, false}});
    pHeights = run(squareShape());
    EXPECT_EQ(pHeights->at(3, 3), 0.0f);
    EXPECT_GT(pHeights->at(1, 1), 0.0f);

    // A blank picture is an empty shape: a flat surface, not a failure.
    setParameters(MODIFIER_INVERT, {{ImageModifierInvert::INVERT, true}});
    auto* pBlank = new Raster2d<unsigned char>(7, 7);
    pBlank->fill(255);
    EXPECT_EQ(elements(*run(pBlank)), std::vector<float>(49, 0.0f));
}

TEST_F(BevelStepTest, ShapeOfThreeGrayValuesIsABasRelief)
{
    std::unique_ptr<Raster2d<unsigned char>> pTwo(squareShape());
    std::unique_ptr<Raster2d<unsigned char>> pThree(squareShape(100));
    EXPECT_EQ(ImageProcessorBevel::getNumberOfGrayValues(pTwo.get()), 2u);
    EXPECT_EQ(ImageProcessorBevel::getNumberOfGrayValues(pThree.get()), 3u);
    const Raster2d<float>* pHeights = run(pThree.release());
    ASSERT_TRUE(pHeights);
    // The inverted gray values are the heights inside the shape.
    EXPECT_EQ(pHeights->at(2, 2), 255.0f);
    EXPECT_EQ(pHeights->at(3, 3), 155.0f);
    EXPECT_EQ(pHeights->at(1, 1), 0.0f);
}

TEST_F(BevelStepTest, MissingNamesWrongMapsAndRastersFail)
{
    LogCapture log;
    setParameters(MODIFIER_BEVEL, {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "C/SHAPE"}});
    EXPECT_ASSERTION(run(squareShape()), "false");
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImagePipeline\\ImagePipelineBevel::")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(": Parameters were not set correctly"));
    SetUp();

    ImageObject* pShape = image("C/SHAPE", squareShape());
    EXPECT_ASSERTION(m_processor.process({{"C/SHAPE", pShape}}, {{"C/BEVEL", m_pOutput}}, m_mapParameters),
                     "mapImageNameToInputImageObject.size() == 2 && mapImageNameToOutputImageObject.size() == 1 && "
                     "mapParameterNameToParameterObject.size() == 4");
    ImageObject* pOther = image<float>("C/OTHER", 3, 1, {0, 1, 2});
    EXPECT_ASSERTION(
        m_processor.process({{"C/SHAPE", pShape}, {"C/OTHER", pOther}}, {{"C/BEVEL", m_pOutput}}, m_mapParameters),
        "pInputImageProfile");
    ImageObject* pFloatShape = image<float>("C/SHAPE", 1, 1, {1});
    EXPECT_ASSERTION(m_processor.process({{"C/SHAPE", pFloatShape}, {"C/PROFILE", m_pProfile}},
                                         {{"C/BEVEL", m_pOutput}}, m_mapParameters),
                     "pTemplateRaster");
    EXPECT_EQ(m_pOutput->getRasterReadOnly(), nullptr);
}
