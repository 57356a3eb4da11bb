// The mask-path processors called directly on small rasters (no thread pool),
// and what their factories put into the tree.

#include "GlobalParameterStore.h"
#include "ImageModifier/ImageModifierBlur.h"
#include "ImageModifier/ImageModifierCrop.h"
#include "ImageModifier/ImageModifierDilate.h"
#include "ImageModifier/ImageModifierEqualize.h"
#include "ImageModifier/ImageModifierErode.h"
#include "ImageModifier/ImageModifierFlip.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierMedian.h"
#include "ImageModifier/ImageModifierResize.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "MemoryManager.h"
#include "ImagePipeline/ImagePipelineCrop.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ImagePipeline/ImagePipelineEqualizeAndCalculateMargins.h"
#include "ImagePipeline/ImagePipelineRawImageImport.h"
#include "ImagePipeline/ImagePipelineRotateAndScale.h"
#include "ImagePipeline/ImagePipelineSmoothingAndMorphology.h"
#include "ImagePipeline/ImagePipelineThreshold.h"
#include "ImagePipeline/ImagePipelineUpsizedResolutionProvider.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "RawImageImporter.h"
#include "TestSupport.h"

#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace
{
using ParameterMap = ParameterObject::ParameterMap;

// Objects of one direct processor call, owned by the test (never in the tree).
struct StepRun
{
    std::map<QString, ImageObject*> mapInputs;
    std::map<QString, ImageObject*> mapOutputs;
    std::map<QString, ParameterObject*> mapParameters;
    std::vector<std::unique_ptr<QObject>> vOwned;

    ImageObject* input(const QString& sName, Raster2dBase* pRaster)
    {
        ImageObject* pImage = new ImageObject(sName);
        pImage->setRaster(pRaster, true);
        vOwned.emplace_back(pImage);
        mapInputs[sName] = pImage;
        return pImage;
    }
    ImageObject* output(const QString& sName)
    {
        ImageObject* pImage = new ImageObject(sName);
        vOwned.emplace_back(pImage);
        mapOutputs[sName] = pImage;
        return pImage;
    }
    void parameters(const QString& sImage, const QString& sModifier, const ParameterMap& map)
    {
        const QString sName = ParameterObject::createName(sImage, sModifier, 0);
        ParameterObject* pParameters = new ParameterObject(sName);
        pParameters->setParameters(map);
        vOwned.emplace_back(pParameters);
        mapParameters[sName] = pParameters;
    }
    void run(ImageProcessorBase& processor)
    {
        processor.prepareOutputImageObjects(mapInputs, mapOutputs);
        processor.process(mapInputs, mapOutputs, mapParameters);
    }
};

Raster2d<unsigned char>* raster8(unsigned int nWidth, unsigned int nHeight, std::vector<unsigned char> vValues = {})
{
    Raster2d<unsigned char>* pRaster = new Raster2d<unsigned char>(nWidth, nHeight);
    pRaster->fill(0);
    for (size_t i = 0; i < vValues.size(); ++i)
    {
        pRaster->getData()[i] = vValues[i];
    }
    return pRaster;
}

std::vector<unsigned char> pixels(const ImageObject* pImage)
{
    const auto* pRaster = dynamic_cast<const Raster2d<unsigned char>*>(pImage->getRasterReadOnly());
    return pRaster ? std::vector<unsigned char>(pRaster->getData(), pRaster->getData() + pRaster->getSize())
                   : std::vector<unsigned char>();
}

class MaskPathStepsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerParameterMetaTypes();
        ObjectRoot::getInstance()->clear();
    }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }
};
} // namespace

TEST_F(MaskPathStepsTest, ThresholdComesBeforeInversionAndDeclinedModifiersAreSkipped)
{
    // 128 is not above the threshold and 127 is not either; inverted first,
    // 128 would become 127 and 127 would become 128: both would end up 0.
    const std::vector<unsigned char> vInput{127, 128, 129, 255};
    struct Case
    {
        bool bThreshold;
        bool bInvert;
        std::vector<unsigned char> vExpected;
    };
    for (const Case& c : {Case{true, true, {255, 255, 0, 0}}, Case{true, false, {0, 0, 255, 255}},
                          Case{false, true, {128, 127, 126, 0}}, Case{false, false, vInput}})
    {
        ImageProcessorThreshold processor;
        StepRun run;
        run.input("in", raster8(2, 2, vInput));
        ImageObject* pOutput = run.output("out");
        run.parameters("in", MODIFIER_THRESHOLD,
                       {{ImageModifierThreshold::THRESHOLD, 128},
                        {ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED, c.bThreshold}});
        run.parameters("in", MODIFIER_INVERT, {{ImageModifierInvert::INVERT, c.bInvert}});
        run.run(processor);
        EXPECT_EQ(pixels(pOutput), c.vExpected) << c.bThreshold << c.bInvert;
    }

    ImageProcessorThreshold processor;
    StepRun run;
    run.input("in", raster8(2, 2));
    run.output("out");
    run.parameters("in", MODIFIER_INVERT, {});
    EXPECT_ASSERTION(processor.process(run.mapInputs, run.mapOutputs, run.mapParameters),
                     "mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 && "
                     "mapParameterNameToParameterObject.size() == 2");
}

TEST_F(MaskPathStepsTest, SmoothingErodesBeforeItDilatesAndFlipsLast)
{
    // On 100 × 100 a strength of 10 gives one iteration. Opening (erode, then
    // dilate) removes a lone white pixel and keeps a white block; closing
    // would keep the pixel.
    Raster2d<unsigned char>* pRaster = raster8(100, 100);
    pRaster->set(10, 10, 255);
    for (unsigned y = 40; y < 60; ++y)
    {
        for (unsigned x = 30; x < 50; ++x)
        {
            pRaster->set(x, y, 255);
        }
    }
    ImageProcessorSmoothingAndMorphology processor;
    StepRun run;
    run.input("in", pRaster);
    ImageObject* pOutput = run.output("out");
    run.parameters("in", MODIFIER_MEDIAN, {{ImageModifierMedian::SIZE, 0}});
    run.parameters("in", MODIFIER_BLUR, {{ImageModifierBlur::SIZE, 0}});
    run.parameters("in", MODIFIER_ERODE, {{ImageModifierErode::ITERATIONS, 10}});
    run.parameters("in", MODIFIER_DILATE, {{ImageModifierDilate::ITERATIONS, 10}});
    run.parameters("in", MODIFIER_FLIP, {{ImageModifierFlip::VERTICAL, false}, {ImageModifierFlip::HORIZONTAL, true}});
    run.run(processor);

    const auto* pResult = dynamic_cast<const Raster2d<unsigned char>*>(pOutput->getRasterReadOnly());
    ASSERT_NE(pResult, nullptr);
    int nWhite = 0;
    for (unsigned y = 0; y < 100; ++y)
    {
        for (unsigned x = 0; x < 100; ++x)
        {
            // Mirrored left to right: the block lies in columns 50 to 69.
            const bool bBlock = y >= 40 && y < 60 && x >= 50 && x < 70;
            EXPECT_EQ(pResult->at(x, y), bBlock ? 255 : 0) << x << "," << y;
            nWhite += pResult->at(x, y) == 255 ? 1 : 0;
        }
    }
    EXPECT_EQ(nWhite, 400);
}

TEST_F(MaskPathStepsTest, EqualizeMarksTheMarginsOfItsOutputAndCropCutsThem)
{
    // A 100 × 80 ramp; equalisation stays off, so the pixels pass unchanged.
    std::vector<unsigned char> vRamp(100 * 80);
    for (size_t i = 0; i < vRamp.size(); ++i)
    {
        vRamp[i] = static_cast<unsigned char>(i % 100 + (i / 100));
    }
    ImageProcessorEqualizeAndCalculateMargins equalize;
    StepRun first;
    first.input("raw", raster8(100, 80, vRamp));
    ImageObject* pEqualized = first.output("equalized");
    first.parameters("raw", MODIFIER_EQUALIZE, {{ImageModifierEqualize::MODIFIER_EQUALIZE_ENABLED, false}});
    first.parameters("equalized", MODIFIER_ROI,
                     {{ImageModifierRoi::LEFT, 0.25},
                      {ImageModifierRoi::RIGHT, 0.75},
                      {ImageModifierRoi::TOP, 0.125},
                      {ImageModifierRoi::BOTTOM, 0.875}});
    first.run(equalize);
    EXPECT_EQ(pixels(pEqualized), vRamp);
    ASSERT_NE(pEqualized->getRasterReadOnly(), nullptr);
    EXPECT_EQ(pEqualized->getRasterReadOnly()->getRoi(), QRectF(0.25, 0.125, 0.5, 0.75));

    ImageProcessorCrop crop;
    StepRun second;
    ImageObject* pInput = second.input("equalized", pEqualized->getRaster()->clone());
    ImageObject* pCropped = second.output("cropped");
    second.parameters("equalized", MODIFIER_ROI, {});
    second.parameters("equalized", MODIFIER_CROP, {});
    second.run(crop);
    ASSERT_NE(pInput, nullptr);
    const auto* pResult = dynamic_cast<const Raster2d<unsigned char>*>(pCropped->getRasterReadOnly());
    ASSERT_NE(pResult, nullptr);
    ASSERT_EQ(pResult->getWidth(), 50u);
    ASSERT_EQ(pResult->getHeight(), 60u);
    for (unsigned r = 0; r < 60; ++r)
    {
        EXPECT_EQ(pResult->at(0, r), vRamp[(10 + r) * 100 + 25]);
        EXPECT_EQ(pResult->at(49, r), vRamp[(10 + r) * 100 + 74]);
    }
}

TEST_F(MaskPathStepsTest, ProvidersResizeToTheStoredResolutionAndKeepTheTimeStamp)
{
    struct Case
    {
        std::function<ImagePipeline*(const QString&, const QStringList&, const QStringList&)> create;
        QString sOutput;
        int nPixels;
        QSize expected;
    };
    ImagePipelineFactoryDownsizedResolutionProvider downsized;
    ImagePipelineFactoryUpsizedResolutionProvider upsized;
    auto down = [&](const QString& a, const QStringList& b, const QStringList& c) { return downsized.create(a, b, c); };
    auto up = [&](const QString& a, const QStringList& b, const QStringList& c) { return upsized.create(a, b, c); };
    for (const Case& c : {Case{down, "low", 262144, QSize(724, 362)}, Case{up, "high", 1048576, QSize(1448, 724)}})
    {
        std::unique_ptr<ImagePipeline> pPipeline(c.create("pipeline " + c.sOutput, {"picture"}, {c.sOutput}));
        ASSERT_NE(ObjectRoot::getInstance()->findChild<ImageObject*>(c.sOutput), nullptr);
        const QString sParameters = c.sOutput + "/" + MODIFIER_RESIZE + "/0";
        EXPECT_EQ(pPipeline->getParameterNames(), QStringList{sParameters});
        ParameterObject* pParameters = ObjectRoot::getInstance()->findChild<ParameterObject*>(sParameters);
        ASSERT_NE(pParameters, nullptr);
        EXPECT_EQ(pParameters->getParameters(), (ParameterMap{{ImageModifierResize::PIXELS, c.nPixels}}));

        // The processor of the same kind, called directly on a 2000 × 1000 picture.
        std::unique_ptr<ImageProcessorBase> pProcessor;
        if (c.sOutput == "low")
        {
            pProcessor.reset(new ImageProcessorDownsizedResolutionProvider());
        }
        else
        {
            pProcessor.reset(new ImageProcessorUpsizedResolutionProvider());
        }
        StepRun run;
        ImageObject* pInput = run.input("picture", raster8(2000, 1000));
        pInput->setTimeStamp(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
        ImageObject* pOutput = run.output(c.sOutput);
        run.parameters(c.sOutput, MODIFIER_RESIZE, pParameters->getParameters());
        run.run(*pProcessor);
        ASSERT_NE(pOutput->getRasterReadOnly(), nullptr);
        EXPECT_EQ(QSize(int(pOutput->getRasterReadOnly()->getWidth()), int(pOutput->getRasterReadOnly()->getHeight())),
                  c.expected);
        EXPECT_EQ(pOutput->getTimeStamp(), pInput->getTimeStamp());
    }

    // A new setting counts for pipelines created afterwards; the existing
    // object is reset to it. An unusable setting falls back with a warning.
    GlobalParameterStore::setValue<int>("DownsizedResolution", 256);
    delete downsized.create("again", {"picture"}, {"low"});
    ParameterObject* pLow = ObjectRoot::getInstance()->findChild<ParameterObject*>("low/MODIFIER_RESIZE/0");
    EXPECT_EQ(pLow->getParameters(), (ParameterMap{{ImageModifierResize::PIXELS, 65536}}));
    LogCapture log;
    GlobalParameterStore::setValue<int>("DownsizedResolution", 0);
    delete downsized.create("zero", {"picture"}, {"low"});
    EXPECT_EQ(pLow->getParameters(), (ParameterMap{{ImageModifierResize::PIXELS, 262144}}));
    GlobalParameterStore::setValue<int>("DownsizedResolution", 50000); // 50000² overflows an int
    delete downsized.create("huge", {"picture"}, {"low"});
    EXPECT_EQ(pLow->getParameters(), (ParameterMap{{ImageModifierResize::PIXELS, 262144}}));
    EXPECT_EQ(log.count("WARNING"), 2);
}

TEST_F(MaskPathStepsTest, FactoriesShareTheMarginsAndKeepExistingValues)
{
    ImagePipelineFactoryEqualizeAndCalculateMargins equalizeFactory;
    ImagePipelineFactoryCrop cropFactory;
    std::unique_ptr<ImagePipeline> pEqualize(equalizeFactory.create("eq", {"raw"}, {"equalized"}));
    EXPECT_EQ(pEqualize->getParameterNames(), (QStringList{"raw/MODIFIER_EQUALIZE/0", "equalized/MODIFIER_ROI/0"}));
    ParameterObject* pMargins = ObjectRoot::getInstance()->findChild<ParameterObject*>("equalized/MODIFIER_ROI/0");
    ASSERT_NE(pMargins, nullptr);
    ParameterMap map = pMargins->getParameters();
    EXPECT_EQ(map[ImageModifierRoi::RIGHT].toDouble(), 1.0);
    map[ImageModifierRoi::LEFT] = 0.5;
    pMargins->setParameters(map);

    std::unique_ptr<ImagePipeline> pCrop(cropFactory.create("crop", {"equalized"}, {"cropped"}));
    EXPECT_EQ(pCrop->getParameterNames(), (QStringList{"equalized/MODIFIER_ROI/0", "equalized/MODIFIER_CROP/0"}));
    EXPECT_EQ(pMargins->getParameters().at(ImageModifierRoi::LEFT).toDouble(), 0.5);
    EXPECT_NE(ObjectRoot::getInstance()->findChild<ImageObject*>("cropped"), nullptr);

    EXPECT_ASSERTION(delete cropFactory.create("bad", {"a", "b"}, {"c"}),
                     "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1");
    ImagePipelineFactoryRawImageImport importFactory;
    EXPECT_ASSERTION(delete importFactory.create("bad", {"a"}, {"c"}),
                     "slInputImageNames.size() == 0 && slOutputImageNames.size() == 1");
}

TEST_F(MaskPathStepsTest, ImportReadsThePathAndKeepsThePreviousRasterOnFailure)
{
    QTemporaryDir dir;
    const QString sFile = dir.filePath("gray.png");
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(200, 100, 50));
    ASSERT_TRUE(picture.save(sFile, "PNG"));

    // An existing path survives a new factory; a missing one is added empty.
    ParameterObject* pExisting = new ParameterObject("raw/RAW_IMAGE_IMPORT/0");
    pExisting->setParameters({{QStringLiteral("OTHER"), 1}});
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pExisting));
    ImagePipelineFactoryRawImageImport factory;
    delete factory.create("import", {}, {"raw"});
    EXPECT_EQ(pExisting->getParameters(),
              (ParameterMap{{QStringLiteral("OTHER"), 1}, {ImageProcessorRawImageImport::PATH, QString()}}));
    pExisting->setParameters({{ImageProcessorRawImageImport::PATH, sFile}});
    delete factory.create("import", {}, {"raw"});
    EXPECT_EQ(pExisting->getParameters().at(ImageProcessorRawImageImport::PATH).toString(), sFile);

    ImageProcessorRawImageImport processor;
    StepRun run;
    ImageObject* pOutput = run.output("raw");
    run.parameters("raw", RAW_IMAGE_IMPORT, {{ImageProcessorRawImageImport::PATH, sFile}});
    run.run(processor);
    EXPECT_EQ(pixels(pOutput), std::vector<unsigned char>(6, 126));
    const Raster2dBase* pFirst = pOutput->getRasterReadOnly();

    LogCapture log;
    run.mapParameters.begin()->second->setParameters(
        {{ImageProcessorRawImageImport::PATH, dir.filePath("missing.png")}});
    run.run(processor);
    EXPECT_EQ(pOutput->getRasterReadOnly(), pFirst);
    EXPECT_EQ(log.count("ERROR"), 1);

    run.mapParameters.begin()->second->setParameters({{QStringLiteral("OTHER"), 1}});
    EXPECT_ASSERTION(run.run(processor), "bParameterOk");
}

TEST_F(MaskPathStepsTest, RotateAndScaleRefusesOutputsBeyondItsBoundBeforeAllocating)
{
    using Transformation = ImageModifierGeometricTransformation;
    struct Case
    {
        unsigned int nWidth;
        unsigned int nHeight;
        bool bKeepSize;
        bool bAccepted;
    };
    // What the upsized provider makes of 3000 x 1, 1 x 3000 and 2000 x 3
    // pictures, then the limits: a square of 8192 is the largest output, and
    // no side may reach OpenCV's warp limit of 32767.
    const std::vector<Case> cases = {
        {56086, 18, false, false}, {18, 56086, false, false}, {26440, 39, false, false},
        {8193, 100, false, false}, {8192, 100, false, true},  {40000, 1, true, false},
        {32766, 2, true, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.nWidth) + " x " + std::to_string(c.nHeight));
        StepRun run;
        run.input("I", raster8(c.nWidth, c.nHeight));
        ImageObject* pOutput = run.output("O");
        ParameterMap map = Transformation(MODIFIER_GEOMETRIC_TRANSFORMATION).getDefaultParameters();
        map[Transformation::KEEP_SIZE] = c.bKeepSize;
        run.parameters("I", MODIFIER_GEOMETRIC_TRANSFORMATION, map);
        const std::size_t nPoolBefore = MemoryManager::getInstance()->getTotalSize();

        LogCapture log;
        ImageProcessorRotateAndScale processor;
        ASSERT_NO_THROW(run.run(processor));
        const Raster2dBase* pResult = pOutput->getRasterReadOnly();
        // The reason of a refusal is kept for one reading.
        const QString sRefusal = processor.takeRefusal();
        EXPECT_TRUE(processor.takeRefusal().isEmpty());
        if (c.bAccepted)
        {
            ASSERT_NE(pResult, nullptr);
            EXPECT_EQ(pResult->getWidth(), std::max(c.nWidth, c.bKeepSize ? 0u : c.nHeight));
            EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
            EXPECT_TRUE(sRefusal.isEmpty());
            continue;
        }
        EXPECT_EQ(pResult, nullptr);
        const QStringList lines = log.lines();
        ASSERT_EQ(lines.size(), 1) << lines.join("\n").toStdString();
        EXPECT_TRUE(lines[0].startsWith("ERROR: ImagePipeline\\ImagePipelineRotateAndScale::"));
        EXPECT_TRUE(!sRefusal.isEmpty() && lines[0].endsWith(sRefusal)) << sRefusal.toStdString();
        EXPECT_TRUE(lines[0].contains(QString("the %1 x %2 picture").arg(c.nWidth).arg(c.nHeight)))
            << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains("aspect ratio is too extreme"));
        // Nothing of the output's size was taken: at most the input's copy.
        EXPECT_LE(MemoryManager::getInstance()->getTotalSize(), nPoolBefore + std::size_t(c.nWidth) * c.nHeight);
    }
}
