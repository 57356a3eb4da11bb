// Reading mesh files: an ordinary hook of 60 MB as binary STL (a closed torus
// of 1.2 million facets in the order an exporter writes them, and shuffled);
// the slowest files within the bounds, at the size limit; files that
// are mostly empty lines, as a fuzzer makes them: 50 MB of line breaks before
// a triangle (read), and 50 MB of line breaks alone (refused); and facets
// whose corners are drawn at random from 1 500 points, which OpenMesh would
// take minutes to join (refused): a 64 MB binary STL of 1.34 million facets
// and a 6 MB OBJ of 400 000 triangles. Time and the process's peak resident
// memory during the read (counter peak_MB; base_MB is the resident memory
// before it).

#include "../../tests/malformed/MalformedMeshFiles.h"
#include "../support/PeakMemory.h"
#include "MeshIO.h"
#include "MeshObject.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

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

// nFacets facets whose three corners are drawn at random from nPoints points
// on the unit sphere.
MalformedMeshFiles::IndexedMesh scatteredCorners(int nFacets, int nPoints)
{
    MalformedMeshFiles::IndexedMesh mesh;
    for (int i = 0; i < nPoints; ++i)
    {
        const double dZ = -1.0 + 2.0 * (i + 0.5) / nPoints;
        const double dRadius = std::sqrt(1.0 - dZ * dZ);
        const double dAngle = 2.399963229728653 * i;
        mesh.points.push_back({float(dRadius * std::cos(dAngle)), float(dRadius * std::sin(dAngle)), float(dZ)});
    }
    std::mt19937 random(1);
    std::uniform_int_distribution<int> point(0, nPoints - 1);
    for (int k = 0; k < nFacets; ++k)
    {
        std::array<int, 3> corners{point(random), 0, 0};
        do
        {
            corners[1] = point(random);
        } while (corners[1] == corners[0]);
        do
        {
            corners[2] = point(random);
        } while (corners[2] == corners[0] || corners[2] == corners[1]);
        mesh.triangles.push_back(corners);
    }
    return mesh;
}

void BM_Read60MBBinaryStl(benchmark::State& state)
{
    // 1000 x 600 quads: 1 200 000 facets, 60 000 084 bytes.
    const QString sPath =
        writeOnce("torus.stl", MalformedMeshFiles::stlOf(MalformedMeshFiles::torus(1000, 600), false));
    readRepeatedly(state, sPath, true);
}
BENCHMARK(BM_Read60MBBinaryStl)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same torus with its facets in a random order.
void BM_Read60MBBinaryStlShuffled(benchmark::State& state)
{
    MalformedMeshFiles::IndexedMesh torus = MalformedMeshFiles::torus(1000, 600);
    std::mt19937 random(2);
    std::shuffle(torus.triangles.begin(), torus.triangles.end(), random);
    const QString sPath = writeOnce("torus-shuffled.stl", MalformedMeshFiles::stlOf(torus, false));
    readRepeatedly(state, sPath, true);
}
BENCHMARK(BM_Read60MBBinaryStlShuffled)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The slowest files found within the bounds at the size limit: corners at
// random from points shared by about six facets each, as many as in a
// closed mesh, so that the work looks ordinary while every step misses the
// caches. A binary STL of 1.34 million facets over 670 000 points, an OBJ of
// 1.8 million triangles over 800 000 vertices.
void BM_Read64MBBinaryStlOfScatteredFacets(benchmark::State& state)
{
    const QString sPath =
        writeOnce("scattered-read.stl", MalformedMeshFiles::stlOf(scatteredCorners(1340000, 670000), false));
    readRepeatedly(state, sPath, true);
}
BENCHMARK(BM_Read64MBBinaryStlOfScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Read64MBObjOfScatteredFacets(benchmark::State& state)
{
    const QString sPath = writeOnce("scattered-read.obj", MalformedMeshFiles::objOf(scatteredCorners(1800000, 800000)));
    readRepeatedly(state, sPath, true);
}
BENCHMARK(BM_Read64MBObjOfScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Refuse64MBBinaryStlOverFewPoints(benchmark::State& state)
{
    const QString sPath = writeOnce("scattered.stl", MalformedMeshFiles::stlOf(scatteredCorners(1340000, 1500), false));
    readRepeatedly(state, sPath, false);
}
BENCHMARK(BM_Refuse64MBBinaryStlOverFewPoints)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Refuse6MBObjOverFewVertices(benchmark::State& state)
{
    const QString sPath = writeOnce("scattered.obj", MalformedMeshFiles::objOf(scatteredCorners(400000, 1500)));
    readRepeatedly(state, sPath, false);
}
BENCHMARK(BM_Refuse6MBObjOverFewVertices)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

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
