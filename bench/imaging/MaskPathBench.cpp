// The shape's whole mask path on a 12-megapixel photograph-like picture: from
// setting the file name until the last output of the chain is back in the
// tree, and one threshold change on the finished chain. Wall time of the GUI
// thread, which waits in the event loop while the pool works.

#include "../../tests/imaging/support/MaskPathChainSupport.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "RawImageImporter.h"

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
using MaskPathChainSupport::image;

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
        MaskPathChainSupport::addPipelines(m_slPipelineNames);

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
        MaskPathChainSupport::enableAndProcess(m_slPipelineNames);
        waitIdle();
    }

    ~MaskPathChain()
    {
        waitIdle();
        MaskPathChainSupport::removePipelines(m_slPipelineNames);
    }

    static void set(const QString& sObjectName, const QString& sKey, const QVariant& value)
    {
        if (!MaskPathChainSupport::setParameter(sObjectName, sKey, value))
        {
            std::fprintf(stderr, "missing parameter object %s\n", qPrintable(sObjectName));
            std::abort();
        }
    }

    bool idle() const
    {
        return MaskPathChainSupport::idle(m_slPipelineNames);
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
