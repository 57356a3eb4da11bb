#include "ImageModifier/ImageModifierDepthRender.h"
#include "ImageModifier/ImageModifierSliceRender.h"
#include "ImageModifier/ImageModifierSurfaceGradient.h"
#include "ImageModifier/ImageModifierSurfaceGradientSmooth.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineDepthRender.h"
#include "ImagePipeline/ImagePipelineSliceRender.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <QTest>

#include <memory>
#include <vector>

namespace
{
using ImageObjectMap = ImageProcessorBase::ImageObjectMap;
using ParameterObjectMap = ImageProcessorBase::ParameterObjectMap;

// An image object out of the tree holding a float raster with element
// (x, y) = f(x, y).
template <typename F>
std::unique_ptr<ImageObject> floatImage(const QString& sName, unsigned int nWidth, unsigned int nHeight, F f)
{
    auto pImage = std::make_unique<ImageObject>(sName);
    auto* pRaster = new Raster2d<float>(nWidth, nHeight);
    for (unsigned int y = 0; y < nHeight; ++y)
    {
        for (unsigned int x = 0; x < nWidth; ++x)
        {
            pRaster->set(x, y, float(f(x, y)));
        }
    }
    pImage->setRaster(pRaster, true);
    return pImage;
}

std::unique_ptr<ParameterObject> parameterObject(const QString& sImage, const QString& sModifier,
                                                 const ParameterObject::ParameterMap& mapParameters)
{
    auto pObject = std::make_unique<ParameterObject>(ParameterObject::createName(sImage, sModifier, 0));
    pObject->setParameters(mapParameters);
    return pObject;
}

std::vector<int> elements(const ImageObject& image)
{
    const auto* pRaster = dynamic_cast<const Raster2d<unsigned char>*>(image.getRasterReadOnly());
    if (!pRaster)
    {
        ADD_FAILURE() << "no 8-bit raster";
        return {};
    }
    return std::vector<int>(pRaster->getData(), pRaster->getData() + pRaster->getSize());
}

class SurfaceRenderStepsTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }
};
} // namespace

TEST_F(SurfaceRenderStepsTest, SliceRenderDrawsTheChosenRow)
{
    // Row 1 holds the profile 1 2 3 1 0; the maximum 3 makes a chart 3 high.
    const float profile[5] = {1, 2, 3, 1, 0};
    auto pInput = floatImage("IMAGE_BEVEL", 5, 3, [&](unsigned x, unsigned y) { return y == 1 ? profile[x] : 0.0f; });
    ImageObject output("IMAGE_SLICE_RENDER_HORIZONTAL");
    ImageModifierSliceRender defaults(MODIFIER_SLICE_RENDER);
    auto pParameters = parameterObject(output.objectName(), MODIFIER_SLICE_RENDER, defaults.getDefaultParameters());

    ImageProcessorSliceRender processor;
    EXPECT_EQ(processor.getName(), "PIPELINE_SLICE_RENDER");
    processor.process({{pInput->objectName(), pInput.get()}}, {{output.objectName(), &output}},
                      {{pParameters->objectName(), pParameters.get()}});
    ASSERT_NE(output.getRasterReadOnly(), nullptr);
    EXPECT_EQ(output.getRasterReadOnly()->getWidth(), 5u);
    EXPECT_EQ(output.getRasterReadOnly()->getHeight(), 3u);
    EXPECT_EQ(elements(output), (std::vector<int>{0, 255, 255, 0, 0, //
                                                  255, 255, 255, 255, 0, //
                                                  0, 0, 0, 0, 0}));
    // The run's buffers are released.
    EXPECT_EQ(processor.getBufferRastersOutput()[0], nullptr);
}

TEST_F(SurfaceRenderStepsTest, SliceRenderRefusalsEndTheRunAndKeepTheChart)
{
    auto pInput = floatImage("IMAGE_BEVEL", 4, 4, [](unsigned, unsigned) { return 2.0; });
    ImageObject output("SLICE");
    auto* pChart = new Raster2d<unsigned char>(4, 2);
    pChart->fill(77);
    output.setRaster(pChart, true);
    auto pParameters = parameterObject("SLICE", MODIFIER_SLICE_RENDER,
                                       {{ImageModifierSliceRender::ORIENTATION, "HORIZONTAL"},
                                        {ImageModifierSliceRender::POSITION, 2.0}});
    ImageProcessorSliceRender processor;
    const ImageObjectMap outputs{{"SLICE", &output}};
    const ParameterObjectMap parameters{{pParameters->objectName(), pParameters.get()}};
    EXPECT_ASSERTION(processor.process({{"IMAGE_BEVEL", pInput.get()}}, outputs, parameters), "bModiferOk");
    EXPECT_EQ(output.getRasterReadOnly(), pChart);
    EXPECT_EQ(pChart->at(1, 1), 77);

    ImageObject bytes("BYTES");
    bytes.setRaster(new Raster2d<unsigned char>(4, 4), true);
    EXPECT_ASSERTION(processor.process({{"BYTES", &bytes}}, outputs, parameters), "pTemplateRaster");
}

TEST_F(SurfaceRenderStepsTest, DepthRenderShadesARamp)
{
    // Rises by 1 per column: smoothed x slopes 4/3 in the two outer columns
    // at each side and 2 inside; heights 10 to 17.
    auto pInput = floatImage("IMAGE_BEVEL", 8, 3, [](unsigned x, unsigned) { return 10.0 + x; });
    ImageObject output("IMAGE_DEPTH_RENDER");
    ImageModifierSurfaceGradientSmooth smooth(MODIFIER_SURFACE_GRADIENT_SMOOTH);
    ImageModifierDepthRender render(MODIFIER_DEPTH_RENDER);
    auto pSmooth = parameterObject("IMAGE_DEPTH_RENDER", MODIFIER_SURFACE_GRADIENT_SMOOTH, smooth.getDefaultParameters());
    auto pGradient = parameterObject("IMAGE_DEPTH_RENDER", MODIFIER_SURFACE_GRADIENT, {});
    auto pRender = parameterObject("IMAGE_DEPTH_RENDER", MODIFIER_DEPTH_RENDER, render.getDefaultParameters());
    const ParameterObjectMap parameters{{pSmooth->objectName(), pSmooth.get()},
                                        {pGradient->objectName(), pGradient.get()},
                                        {pRender->objectName(), pRender.get()}};

    ImageProcessorDepthRender processor;
    EXPECT_EQ(processor.getName(), "PIPELINE_DEPTH_RENDER");
    processor.process({{"IMAGE_BEVEL", pInput.get()}}, {{"IMAGE_DEPTH_RENDER", &output}}, parameters);
    const std::vector<int> row{159, 169, 181, 191, 201, 211, 219, 229};
    std::vector<int> expected;
    for (int y = 0; y < 3; ++y)
    {
        expected.insert(expected.end(), row.begin(), row.end());
    }
    EXPECT_EQ(elements(output), expected);
    EXPECT_EQ(processor.getBufferRastersOutput()[0], nullptr);

    // A flat raster renders 212 everywhere; the reused processor takes the
    // new size.
    auto pFlat = floatImage("IMAGE_BEVEL", 3, 1, [](unsigned, unsigned) { return 5.0; });
    processor.process({{"IMAGE_BEVEL", pFlat.get()}}, {{"IMAGE_DEPTH_RENDER", &output}}, parameters);
    EXPECT_EQ(elements(output), (std::vector<int>{212, 212, 212}));
}

TEST_F(SurfaceRenderStepsTest, DepthRenderFailuresEndTheRun)
{
    auto pInput = floatImage("IMAGE_BEVEL", 4, 4, [](unsigned, unsigned) { return 1.0; });
    ImageObject output("R");
    auto pSmooth = parameterObject("R", MODIFIER_SURFACE_GRADIENT_SMOOTH, {});
    auto pGradient = parameterObject("R", MODIFIER_SURFACE_GRADIENT, {});
    auto pRender = parameterObject("R", MODIFIER_DEPTH_RENDER,
                                   {{ImageModifierDepthRender::LIGHT_DIRECTION, QVariant::fromValue(QList<double>{1.0})}});
    ParameterObjectMap parameters{{pSmooth->objectName(), pSmooth.get()},
                                  {pGradient->objectName(), pGradient.get()},
                                  {pRender->objectName(), pRender.get()}};
    ImageProcessorDepthRender processor;
    EXPECT_ASSERTION(processor.process({{"IMAGE_BEVEL", pInput.get()}}, {{"R", &output}}, parameters), "bModiferOk");
    EXPECT_EQ(output.getRasterReadOnly(), nullptr);

    ImageObject bytes("BYTES");
    bytes.setRaster(new Raster2d<unsigned char>(4, 4), true);
    EXPECT_ASSERTION(processor.process({{"BYTES", &bytes}}, {{"R", &output}}, parameters), "pTemplateRaster");
    parameters.erase(pRender->objectName());
    EXPECT_ASSERTION(processor.process({{"IMAGE_BEVEL", pInput.get()}}, {{"R", &output}}, parameters),
                     "mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 && "
                     "mapParameterNameToParameterObject.size() == 3");
    parameters[QStringLiteral("R/OTHER/0")] = pRender.get();
    EXPECT_ASSERTION(processor.process({{"IMAGE_BEVEL", pInput.get()}}, {{"R", &output}}, parameters),
                     "pParameterObjectDepthRender");
}

TEST_F(SurfaceRenderStepsTest, FactoriesCreateOutputsAndParameterObjectsOnTheOutputName)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ImagePipelineFactorySliceRender sliceFactory;
    std::unique_ptr<ImagePipeline> pSlice(sliceFactory.create("SLICE_PIPE", {"IN"}, {"OUT_SLICE"}));
    EXPECT_EQ(pSlice->objectName(), "SLICE_PIPE");
    EXPECT_EQ(pSlice->getParameterNames(), QStringList{"OUT_SLICE/MODIFIER_SLICE_RENDER/0"});
    EXPECT_NE(pRoot->findChild<ImageObject*>("OUT_SLICE"), nullptr);
    auto* pSliceParameters = pRoot->findChild<ParameterObject*>("OUT_SLICE/MODIFIER_SLICE_RENDER/0");
    ASSERT_NE(pSliceParameters, nullptr);
    EXPECT_EQ(pSliceParameters->getParameters().at("ORIENTATION"), QVariant("HORIZONTAL"));

    // An existing parameter object keeps its values.
    auto* pKept = new ParameterObject("OUT_RENDER/MODIFIER_DEPTH_RENDER/0");
    pKept->setParameters({{"LIGHT_DIRECTION", QVariant::fromValue(QList<double>{0.0, 1.0})}});
    ASSERT_TRUE(pRoot->addChild(pKept));
    ImagePipelineFactoryDepthRender renderFactory;
    std::unique_ptr<ImagePipeline> pRender(renderFactory.create("RENDER_PIPE", {"IN"}, {"OUT_RENDER"}));
    EXPECT_EQ(pRender->getParameterNames(), (QStringList{"OUT_RENDER/MODIFIER_SURFACE_GRADIENT_SMOOTH/0",
                                                         "OUT_RENDER/MODIFIER_SURFACE_GRADIENT/0",
                                                         "OUT_RENDER/MODIFIER_DEPTH_RENDER/0"}));
    EXPECT_EQ(pKept->getParameters().at("LIGHT_DIRECTION").value<QList<double>>(), (QList<double>{0.0, 1.0}));
    auto* pSmooth = pRoot->findChild<ParameterObject*>("OUT_RENDER/MODIFIER_SURFACE_GRADIENT_SMOOTH/0");
    ASSERT_NE(pSmooth, nullptr);
    EXPECT_EQ(pSmooth->getParameters().at("ADVANCED_SMOOTHING"), QVariant(false));

    EXPECT_ASSERTION(sliceFactory.create("X", {"A", "B"}, {"C"}),
                     "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");
    EXPECT_ASSERTION(renderFactory.create("X", {"A"}, {}),
                     "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");
}

TEST_F(SurfaceRenderStepsTest, PipelinesRenderAnInputPutIntoTheTree)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ImagePipelineFactoryDepthRender renderFactory;
    ImagePipelineFactorySliceRender sliceFactory;
    std::unique_ptr<ImagePipeline> pRender(renderFactory.create("RENDER", {"IMAGE_BEVEL"}, {"IMAGE_DEPTH_RENDER"}));
    std::unique_ptr<ImagePipeline> pSlice(sliceFactory.create("SLICE", {"IMAGE_BEVEL"}, {"IMAGE_SLICE"}));
    pRender->setEnabled(true);
    pSlice->setEnabled(true);

    auto pInput = floatImage("IMAGE_BEVEL", 4, 3, [](unsigned, unsigned) { return 2.0; });
    ASSERT_TRUE(pRoot->addChild(pInput.release()));
    auto idle = [&] { return !pRender->isCurrentlyBusy() && !pSlice->isCurrentlyBusy(); };
    ASSERT_TRUE(QTest::qWaitFor(idle, 5000));

    auto* pRendered = pRoot->findChild<ImageObject*>("IMAGE_DEPTH_RENDER");
    ASSERT_NE(pRendered, nullptr);
    EXPECT_EQ(elements(*pRendered), std::vector<int>(12, 212));
    auto* pChart = pRoot->findChild<ImageObject*>("IMAGE_SLICE");
    ASSERT_NE(pChart, nullptr);
    // Height 2: the top row (level 1) is lit except the last column.
    EXPECT_EQ(elements(*pChart), (std::vector<int>{255, 255, 255, 0, 0, 0, 0, 0}));
}
