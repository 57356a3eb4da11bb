// The shape's whole mask path on a 12-megapixel photograph-like picture: from
// setting the file name until the last output of the chain is back in the
// tree, and one threshold change on the finished chain. Wall time of the GUI
// thread, which waits in the event loop while the pool works.

#include "ImageModifier/ImageModifierThreshold.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineCrop.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ImagePipeline/ImagePipelineEqualizeAndCalculateMargins.h"
#include "ImagePipeline/ImagePipelineRawImageImport.h"
#include "ImagePipeline/ImagePipelineRotateAndScale.h"
#include "ImagePipeline/ImagePipelineSmoothingAndMorphology.h"
#include "ImagePipeline/ImagePipelineThreshold.h"
#include "ImagePipeline/ImagePipelineUpsizedResolutionProvider.h"
#include "ImagePipelineManager.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "RawImageImporter.h"
#include "WorkflowIdentifiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace
{
const QString CHAIN = QStringLiteral("/ARTIFACT:2/FRONT:5/COMPONENT:7/SHAPE:12");

QString image(const QString& sKind, const QString& sTag)
{
    return CHAIN + "#" + sKind + "/" + sTag;
}

// Smooth lighting, a few soft-edged objects and sensor noise, as a photograph
// of an object on a table would have; saved as JPEG (PNG when the JPEG
// writer is missing).
QString writePhotograph(const QString& sFolder, const QString& sBaseName, unsigned int nSeed)
{
    const int nWidth = 4000, nHeight = 3000;
    QImage picture(nWidth, nHeight, QImage::Format_RGB32);
    std::mt19937 random(nSeed);
    for (int y = 0; y < nHeight; ++y)
    {
        QRgb* pLine = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < nWidth; ++x)
        {
            double dValue = 150.0 + 60.0 * x / nWidth - 30.0 * y / nHeight;
            const double dx = (x - 2000.0) / 1100.0, dy = (y - 1500.0) / 800.0;
            const double dr = std::sqrt(dx * dx + dy * dy);
            dValue -= 110.0 / (1.0 + std::exp((dr - 1.0) * 40.0));
            const double dx2 = (x - 700.0) / 250.0, dy2 = (y - 600.0) / 250.0;
            dValue -= 50.0 / (1.0 + std::exp((std::sqrt(dx2 * dx2 + dy2 * dy2) - 1.0) * 25.0));
            dValue += double(int(random() % 21) - 10);
            const int nGray = std::max(0, std::min(255, int(dValue)));
            pLine[x] = qRgb(std::min(255, nGray + 12), nGray, std::max(0, nGray - 10));
        }
    }
    QString sPath = sFolder + "/" + sBaseName + ".jpg";
    if (!picture.save(sPath, "JPG", 90))
    {
        sPath = sFolder + "/" + sBaseName + ".png";
        picture.save(sPath, "PNG");
    }
    return sPath;
}

class MaskPathChain
{
public:
    MaskPathChain()
    {
        registerParameterMetaTypes();
        const QString sLoad = CHAIN + "/LOAD:13", sTransform = CHAIN + "/TRANSFORM:14",
                      sThreshold = CHAIN + "/THRESHOLD:15";
        add<ImagePipelineFactoryRawImageImport>(sLoad, PIPELINE_RAW_IMAGE_IMPORT, ORIGINAL_RES_HQ, {},
                                                image(IMAGE_RAW, ORIGINAL_RES_HQ));
        add<ImagePipelineFactoryEqualizeAndCalculateMargins>(sLoad, PIPELINE_EQUALIZE_AND_CALCULATE_MARGINS,
                                                             ORIGINAL_RES_HQ, {image(IMAGE_RAW, ORIGINAL_RES_HQ)},
                                                             image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ));
        add<ImagePipelineFactoryDownsizedResolutionProvider>(sLoad, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ,
                                                             {image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ)},
                                                             image(IMAGE_EQUALIZED, LOW_RES_HQ));
        add<ImagePipelineFactoryCrop>(sTransform, PIPELINE_CROP, ORIGINAL_RES_HQ,
                                      {image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ)}, image(IMAGE_CROPPED, ORIGINAL_RES_HQ));
        add<ImagePipelineFactoryDownsizedResolutionProvider>(sTransform, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER,
                                                             ORIGINAL_RES_HQ, {image(IMAGE_CROPPED, ORIGINAL_RES_HQ)},
                                                             image(IMAGE_RESIZED, LOW_RES_HQ));
        add<ImagePipelineFactoryUpsizedResolutionProvider>(sTransform, PIPELINE_UPSIZED_RESOLUTION_PROVIDER,
                                                           ORIGINAL_RES_HQ, {image(IMAGE_CROPPED, ORIGINAL_RES_HQ)},
                                                           image(IMAGE_RESIZED, HIGH_RES_HQ));
        add<ImagePipelineFactoryRotateAndScale>(sTransform, PIPELINE_ROTATE_AND_SCALE, HIGH_RES_HQ,
                                                {image(IMAGE_RESIZED, HIGH_RES_HQ)},
                                                image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_HQ));
        add<ImagePipelineFactoryRotateAndScale>(sTransform, PIPELINE_ROTATE_AND_SCALE, LOW_RES_LQ,
                                                {image(IMAGE_RESIZED, LOW_RES_HQ)},
                                                image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_LQ));
        add<ImagePipelineFactoryDownsizedResolutionProvider>(
            sTransform, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ,
            {image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_LQ)}, image(IMAGE_TRANSFORMED, LOW_RES_HQ));
        add<ImagePipelineFactoryUpsizedResolutionProvider>(sTransform, PIPELINE_UPSIZED_RESOLUTION_PROVIDER,
                                                           HIGH_RES_HQ, {image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_HQ)},
                                                           image(IMAGE_TRANSFORMED, HIGH_RES_HQ));
        add<ImagePipelineFactorySmoothingAndMorphology>(sThreshold, PIPELINE_SMOOTHING_AND_MORPHOLOGY, HIGH_RES_HQ,
                                                        {image(IMAGE_TRANSFORMED, HIGH_RES_HQ)},
                                                        image(IMAGE_SMOOTHED, HIGH_RES_HQ));
        add<ImagePipelineFactorySmoothingAndMorphology>(sThreshold, PIPELINE_SMOOTHING_AND_MORPHOLOGY, LOW_RES_LQ,
                                                        {image(IMAGE_TRANSFORMED, LOW_RES_HQ)},
                                                        image(IMAGE_SMOOTHED, LOW_RES_LQ));
        add<ImagePipelineFactoryDownsizedResolutionProvider>(sThreshold, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER,
                                                             "0/" + LOW_RES_HQ, {image(IMAGE_SMOOTHED, HIGH_RES_HQ)},
                                                             image(IMAGE_SMOOTHED, LOW_RES_HQ));
        add<ImagePipelineFactoryThreshold>(sThreshold, PIPELINE_THRESHOLD, HIGH_RES_HQ,
                                           {image(IMAGE_SMOOTHED, HIGH_RES_HQ)}, image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
        add<ImagePipelineFactoryDownsizedResolutionProvider>(sThreshold, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER,
                                                             "1/" + LOW_RES_HQ, {image(IMAGE_THRESHOLDED, HIGH_RES_HQ)},
                                                             image(IMAGE_THRESHOLDED, LOW_RES_HQ));

        // Settings a user would pick for a photograph: evened-out lighting and
        // some cleaning of the shape.
        set(image(IMAGE_RAW, ORIGINAL_RES_HQ) + "/MODIFIER_EQUALIZE/0", "MODIFIER_EQUALIZE_ENABLED", true);
        for (const QString& sTag : {HIGH_RES_HQ, LOW_RES_HQ})
        {
            set(image(IMAGE_TRANSFORMED, sTag) + "/MODIFIER_MEDIAN/0", "SIZE", 5);
            set(image(IMAGE_TRANSFORMED, sTag) + "/MODIFIER_ERODE/0", "ITERATIONS", 2);
            set(image(IMAGE_TRANSFORMED, sTag) + "/MODIFIER_DILATE/0", "ITERATIONS", 2);
            set(image(IMAGE_TRANSFORMED, sTag) + "/MODIFIER_BLUR/0", "SIZE", 5);
        }
        for (const QString& sName : m_slPipelineNames)
        {
            ImagePipelineManager::getInstance()->enablePipeline(sName);
            ImagePipelineManager::getInstance()->processPipeline(sName);
        }
        waitIdle();
    }

    ~MaskPathChain()
    {
        waitIdle();
        for (const QString& sName : m_slPipelineNames)
        {
            delete ImagePipelineManager::getInstance()->removePipeline(sName);
        }
        ObjectRoot::getInstance()->clear();
    }

    static void set(const QString& sObjectName, const QString& sKey, const QVariant& value)
    {
        ParameterObject* pParameters = ObjectRoot::getInstance()->findChild<ParameterObject*>(sObjectName);
        if (!pParameters)
        {
            std::fprintf(stderr, "missing parameter object %s\n", qPrintable(sObjectName));
            std::abort();
        }
        ParameterObject::ParameterMap map = pParameters->getParameters();
        map[sKey] = value;
        pParameters->setParameters(map);
    }

    bool idle() const
    {
        for (const QString& sName : m_slPipelineNames)
        {
            ImagePipeline* pPipeline = ImagePipelineManager::getInstance()->getPipeline(sName);
            if (pPipeline->isCurrentlyBusy() || pPipeline->isTryAgainLater())
            {
                return false;
            }
        }
        return true;
    }

    // Every run ends with a queued event on this thread, so waiting for the
    // next event cannot block while a run is still in flight.
    void waitIdle()
    {
        while (!idle())
        {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();
    }

    static QDateTime shapeTimeStamp()
    {
        ImageObject* pShape = ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
        return pShape ? pShape->getTimeStamp() : QDateTime();
    }

    // Sum of the working-resolution shape's elements (-1 without a shape).
    static long long shapeSum()
    {
        ImageObject* pShape = ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
        const auto* pRaster =
            pShape ? dynamic_cast<const Raster2d<unsigned char>*>(pShape->getRasterReadOnly()) : nullptr;
        if (!pRaster)
        {
            return -1;
        }
        long long nSum = 0;
        for (unsigned int i = 0; i < pRaster->getSize(); ++i)
        {
            nSum += pRaster->getData()[i];
        }
        return nSum;
    }

    bool finished() const
    {
        ImageObject* pShape = ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_THRESHOLDED, LOW_RES_HQ));
        return pShape && pShape->getRasterReadOnly();
    }

private:
    template <typename Factory>
    void add(const QString& sStep, const QString& sWord, const QString& sTag, const QStringList& slInputs,
             const QString& sOutput)
    {
        Factory factory;
        const QString sName = sStep + "#" + sWord + "/" + sTag;
        ImagePipelineManager::getInstance()->addPipeline(factory.create(sName, slInputs, {sOutput}));
        m_slPipelineNames.append(sName);
    }

    QStringList m_slPipelineNames;
};

QTemporaryDir* g_pFolder = nullptr;
QString g_sPhotographA;
QString g_sPhotographB;

void prepareFiles()
{
    if (!g_pFolder)
    {
        g_pFolder = new QTemporaryDir();
        g_sPhotographA = writePhotograph(g_pFolder->path(), "photograph-a", 1);
        g_sPhotographB = writePhotograph(g_pFolder->path(), "photograph-b", 2);
    }
}

const QString IMPORT_PARAMETERS = image(IMAGE_RAW, ORIGINAL_RES_HQ) + "/RAW_IMAGE_IMPORT/0";

// Each iteration imports the other of two photographs, so the file name really
// changes and the whole chain runs.
void BM_WholeChainFromFileName(benchmark::State& state)
{
    prepareFiles();
    MaskPathChain chain;
    bool bFirst = true;
    for (auto _ : state)
    {
        const QDateTime before = MaskPathChain::shapeTimeStamp();
        MaskPathChain::set(IMPORT_PARAMETERS, ImageProcessorRawImageImport::PATH,
                           bFirst ? g_sPhotographA : g_sPhotographB);
        chain.waitIdle();
        bFirst = !bFirst;
        if (MaskPathChain::shapeTimeStamp() == before)
        {
            state.SkipWithError("the shape was not made again");
            break;
        }
    }
    if (!chain.finished())
    {
        state.SkipWithError("the chain produced no shape");
    }
}
BENCHMARK(BM_WholeChainFromFileName)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

// Only the threshold and its preview copy run again.
void BM_ThresholdChangeOnFinishedChain(benchmark::State& state)
{
    prepareFiles();
    MaskPathChain chain;
    MaskPathChain::set(IMPORT_PARAMETERS, ImageProcessorRawImageImport::PATH, g_sPhotographA);
    chain.waitIdle();
    const QString sThreshold = image(IMAGE_SMOOTHED, HIGH_RES_HQ) + "/" + MODIFIER_THRESHOLD + "/0";
    int nThreshold = 100;
    long long nPreviousSum = MaskPathChain::shapeSum();
    for (auto _ : state)
    {
        nThreshold = nThreshold == 100 ? 140 : 100;
        MaskPathChain::set(sThreshold, ImageModifierThreshold::THRESHOLD, nThreshold);
        chain.waitIdle();
        state.PauseTiming();
        const long long nSum = MaskPathChain::shapeSum();
        state.ResumeTiming();
        if (nSum == nPreviousSum)
        {
            state.SkipWithError("the threshold did not run again");
            break;
        }
        nPreviousSum = nSum;
    }
    if (!chain.finished())
    {
        state.SkipWithError("the chain produced no shape");
    }
}
BENCHMARK(BM_ThresholdChangeOnFinishedChain)->Unit(benchmark::kMillisecond)->Iterations(30)->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_pFolder;
    return 0;
}
