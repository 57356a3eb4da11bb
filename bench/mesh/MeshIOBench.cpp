// Reading mesh files that are mostly empty lines, as a fuzzer makes them:
// 50 MB of line breaks before a triangle (read), and 50 MB of line breaks
// alone (refused). Time and the process's peak resident memory during the
// read (counter peak_MB; base_MB is the resident memory before it).

#include "../../tests/malformed/MalformedMeshFiles.h"
#include "../support/PeakMemory.h"
#include "MeshIO.h"
#include "MeshObject.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace
{
const int FLOOD_BYTES = 50 * 1000 * 1000;

QTemporaryDir* g_pFolder = nullptr;

QString writeOnce(const QString& sName, const QByteArray& bytes)
{
    if (!g_pFolder)
    {
        g_pFolder = new QTemporaryDir();
    }
    const QString sPath = g_pFolder->filePath(sName);
    if (!QFile::exists(sPath))
    {
        QFile file(sPath);
        if (file.open(QIODevice::WriteOnly))
        {
            file.write(bytes);
        }
    }
    return sPath;
}

void readRepeatedly(benchmark::State& state, const QString& sPath, bool bExpected)
{
    double dPeak = 0.0;
    double dBase = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        dBase = PeakMemory::residentMiB();
        const bool bReset = PeakMemory::resetPeak();
        state.ResumeTiming();
        MeshObject object("OBJECT");
        const bool bRead = MeshIO::readMesh(&object, sPath, MeshIO::ImportParameters());
        state.PauseTiming();
        dPeak = std::max(dPeak, PeakMemory::peakMiB());
        state.ResumeTiming();
        if (!bReset || bRead != bExpected)
        {
            state.SkipWithError(bReset ? "unexpected result" : "the peak memory cannot be reset here");
            break;
        }
    }
    state.counters["peak_MB"] = dPeak;
    state.counters["base_MB"] = dBase;
}

void BM_ReadTriangleAfter50MBOfEmptyLines(benchmark::State& state)
{
    const QString sPath = writeOnce("flood.obj", MalformedMeshFiles::objAfterEmptyLines(FLOOD_BYTES));
    readRepeatedly(state, sPath, true);
}
BENCHMARK(BM_ReadTriangleAfter50MBOfEmptyLines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Refuse50MBOfEmptyLines(benchmark::State& state)
{
    const QString sPath = writeOnce("empty-lines.obj", QByteArray(FLOOD_BYTES, '\n'));
    readRepeatedly(state, sPath, false);
}
BENCHMARK(BM_Refuse50MBOfEmptyLines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_pFolder;
    return 0;
}
