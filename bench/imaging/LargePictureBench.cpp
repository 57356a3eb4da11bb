// Memory and time of importing a 12000 x 12000 picture (144 megapixels, above
// the working limit, so it is reduced after decoding), as a PNG and as a
// progressive JPEG (whose decoder holds the whole picture's coefficients
// besides the picture), and of the shape's whole mask path from that PNG.
// The header walk that comes before decoding is timed alone on that JPEG, on
// a picture with a camera's metadata and on hostile JPEGs it refuses.
// The counter peak_MB is the process's peak resident memory during the
// measured work: the peak is reset before each iteration (Linux clear_refs),
// after the test pictures were written. base_MB is the resident memory
// before the work.

#include "../../tests/imaging/support/MaskPathChainSupport.h"
#include "../../tests/malformed/MalformedPictures.h"
#include "../support/PeakMemory.h"
#include "ImageObject.h"
#include "Logger.h"
#include "Raster2d.h"
#include "RawImageImporter.h"
#include "RawImageImporterFileHeader.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{
using MaskPathChainSupport::image;

const int SIDE = 12000;

// A photograph-like 8-bit value: light background, a dark disc, fine texture.
unsigned char sample(quint32 x, quint32 y)
{
    const double dx = double(x) - SIDE / 2.0, dy = double(y) - SIDE / 2.0;
    const int nBase = dx * dx + dy * dy < 0.09 * SIDE * SIDE ? 50 : 190;
    return static_cast<unsigned char>(nBase + int((x * 7 + y * 13) % 23) + int(40 * x / SIDE));
}

QTemporaryDir* g_pFolder = nullptr;
QString g_sPng;
QString g_sJpeg;

void prepareFiles()
{
    if (g_pFolder)
    {
        return;
    }
    g_pFolder = new QTemporaryDir();
    g_sPng = g_pFolder->filePath("photograph.png");
    QFile png(g_sPng);
    if (png.open(QIODevice::WriteOnly))
    {
        png.write(MalformedPictures::png(SIDE, SIDE, 2, true, [](quint32 y, char* pSamples) {
            for (quint32 x = 0; x < quint32(SIDE); ++x)
            {
                const char c = char(sample(x, y));
                pSamples[3 * x] = char(std::min(255, int(static_cast<unsigned char>(c)) + 10));
                pSamples[3 * x + 1] = c;
                pSamples[3 * x + 2] = char(std::max(0, int(static_cast<unsigned char>(c)) - 10));
            }
        }));
    }
    g_sJpeg = g_pFolder->filePath("photograph.jpg");
    QImage picture(SIDE, SIDE, QImage::Format_RGB32);
    for (int y = 0; y < SIDE; ++y)
    {
        QRgb* pLine = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < SIDE; ++x)
        {
            const int c = sample(quint32(x), quint32(y));
            pLine[x] = qRgb(std::min(255, c + 10), c, std::max(0, c - 10));
        }
    }
    QImageWriter writer(g_sJpeg, "jpeg");
    writer.setQuality(92);
    writer.setProgressiveScanWrite(true);
    if (!writer.write(picture))
    {
        g_sJpeg.clear();
    }
}

void importFile(benchmark::State& state, const QString& sFile)
{
    if (sFile.isEmpty())
    {
        state.SkipWithError("the test picture could not be written");
        return;
    }
    double dPeak = 0.0;
    double dBase = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        dBase = PeakMemory::residentMiB();
        if (!PeakMemory::resetPeak())
        {
            state.SkipWithError("the peak memory cannot be reset here");
            break;
        }
        state.ResumeTiming();
        RawImageImporter importer;
        std::unique_ptr<Raster2dBase> pRaster(importer.import(sFile));
        state.PauseTiming();
        dPeak = std::max(dPeak, PeakMemory::peakMiB());
        const bool bReduced = pRaster && qint64(pRaster->getSize()) <= RawImageImporter::MAXIMUM_WORKING_PIXELS &&
                              pRaster->getWidth() == pRaster->getHeight() && pRaster->getWidth() >= 8191;
        pRaster.reset();
        state.ResumeTiming();
        if (!bReduced)
        {
            state.SkipWithError("the picture was not imported and reduced");
            break;
        }
    }
    state.counters["peak_MB"] = dPeak;
    state.counters["base_MB"] = dBase;
}

void BM_Import12000Png(benchmark::State& state)
{
    prepareFiles();
    importFile(state, g_sPng);
}
BENCHMARK(BM_Import12000Png)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Import12000ProgressiveJpeg(benchmark::State& state)
{
    prepareFiles();
    importFile(state, g_sJpeg);
}
BENCHMARK(BM_Import12000ProgressiveJpeg)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Files for the header walk, and whether it must refuse them.
std::vector<std::pair<QString, bool>> walkedFiles()
{
    prepareFiles();
    static std::vector<std::pair<QString, bool>> s_files;
    const auto add = [](const char* szName, const QByteArray& bytes, bool bRefused) {
        QFile file(g_pFolder->filePath(szName));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        s_files.emplace_back(file.fileName(), bRefused);
    };
    if (s_files.empty())
    {
        s_files.emplace_back(g_sJpeg, false);
        add("camera.jpg", MalformedPictures::cameraJpeg(), false);
        // Behind a DNL whose length word is 0, 100 000 empty comments (Qt's
        // decoder takes 7.6 s over them) and 3 000 scans (each a pass over
        // the whole picture); ten scans each followed by a reserved marker
        // where a restart marker is due and 16 383 empty comments (21 s).
        const QByteArray dnl = MalformedPictures::jpegShortDnl(0);
        add("comments.jpg", MalformedPictures::jpegWithSavedSegments(100000, false, {}, dnl), true);
        add("scans.jpg", MalformedPictures::progressiveJpegWithScans(3000, dnl), true);
        add("restarts.jpg", MalformedPictures::jpegWithCommentsAtRestarts(16383, 10), true);
    }
    return s_files;
}

void BM_JpegHeaderWalk(benchmark::State& state)
{
    const auto [sFile, bRefused] = walkedFiles()[std::size_t(state.range(0))];
    state.SetLabel(QFileInfo(sFile).fileName().toStdString());
    for (auto _ : state)
    {
        const RawImageImporterFileHeader header = RawImageImporterFileHeader::read(sFile);
        if ((header.nScans > RawImageImporter::MAXIMUM_JPEG_SCANS ||
             header.nSavedSegments > RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS) != bRefused)
        {
            state.SkipWithError("the walk took the file otherwise than it must");
            break;
        }
    }
    state.counters["file_MB"] = double(QFileInfo(sFile).size()) / 1e6;
}
BENCHMARK(BM_JpegHeaderWalk)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

// From setting the file name until the whole chain has run on the reduced
// picture.
void BM_MaskPathFrom12000Png(benchmark::State& state)
{
    prepareFiles();
    registerParameterMetaTypes();
    QStringList slPipelineNames;
    MaskPathChainSupport::addPipelines(slPipelineNames);
    MaskPathChainSupport::enableAndProcess(slPipelineNames);
    const auto waitIdle = [&] {
        while (!MaskPathChainSupport::idle(slPipelineNames))
        {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();
    };
    waitIdle();
    const QString sImport = image(IMAGE_RAW, ORIGINAL_RES_HQ) + "/" + RAW_IMAGE_IMPORT + "/0";
    double dPeak = 0.0;
    double dBase = 0.0;
    bool bEven = false;
    for (auto _ : state)
    {
        state.PauseTiming();
        // The path must change for the import to run again.
        MaskPathChainSupport::setParameter(sImport, ImageProcessorRawImageImport::PATH, QString());
        waitIdle();
        dBase = PeakMemory::residentMiB();
        PeakMemory::resetPeak();
        state.ResumeTiming();
        const QString sPath = bEven ? g_sPng : g_pFolder->path() + "/./photograph.png";
        bEven = !bEven;
        MaskPathChainSupport::setParameter(sImport, ImageProcessorRawImageImport::PATH, sPath);
        waitIdle();
        state.PauseTiming();
        dPeak = std::max(dPeak, PeakMemory::peakMiB());
        ImageObject* pShape = ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
        const bool bShape = pShape && pShape->getRasterReadOnly();
        state.ResumeTiming();
        if (!bShape)
        {
            state.SkipWithError("the chain produced no shape");
            break;
        }
    }
    state.counters["peak_MB"] = dPeak;
    state.counters["base_MB"] = dBase;
    MaskPathChainSupport::removePipelines(slPipelineNames);
}
BENCHMARK(BM_MaskPathFrom12000Png)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The reductions' warnings go to a log file as in the program.
    QTemporaryDir logFolder;
    Logger::getInstance()->setLogFile(logFolder.filePath("bench.log"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_pFolder;
    return 0;
}
