// Reading mesh files: ordinary hooks of 28 to 62 MB (a closed torus of 1.2
// million facets as binary STL, as OBJ of quads and as ASCII STL, each in the
// order an exporter writes them and shuffled, the binary STL also with its
// quads shuffled whole); the slowest files found at the size limit, whose
// facets take their corners at random from points shared by about as many
// facets as in a closed mesh, so that the work looks ordinary while
// OpenMesh's steps miss the caches (now refused), and the slowest found that
// are still read; files that are mostly empty lines, as a fuzzer makes them:
// 50 MB of line breaks before a triangle (read), and 50 MB of line breaks
// alone (refused); and facets whose corners are drawn at random from 1 500
// points, which OpenMesh would take minutes to join (refused): a 64 MB binary
// STL of 1.34 million facets and a 6 MB OBJ of 400 000 triangles. Time and
// the process's peak resident memory during the read (counter peak_MB;
// base_MB is the resident memory before it; read is 1 for a file read and 0
// for one refused).

#include "../../tests/malformed/MalformedMeshFiles.h"
#include "../support/PeakMemory.h"
#include "MeshIO.h"
#include "MeshObject.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <random>

namespace
{
using MalformedMeshFiles::IndexedMesh;

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

// Reads the file as often as the state asks; nExpected is 1 when it must be
// read, 0 when it must be refused, -1 when either is right.
void readRepeatedly(benchmark::State& state, const QString& sPath, int nExpected)
{
    double dPeak = 0.0;
    double dBase = 0.0;
    bool bRead = false;
    for (auto _ : state)
    {
        state.PauseTiming();
        dBase = PeakMemory::residentMiB();
        const bool bReset = PeakMemory::resetPeak();
        state.ResumeTiming();
        MeshObject object("OBJECT");
        bRead = MeshIO::readMesh(&object, sPath, MeshIO::ImportParameters());
        state.PauseTiming();
        dPeak = std::max(dPeak, PeakMemory::peakMiB());
        state.ResumeTiming();
        if (!bReset || (nExpected >= 0 && bRead != (nExpected == 1)))
        {
            state.SkipWithError(bReset ? "unexpected result" : "the peak memory cannot be reset here");
            break;
        }
    }
    state.counters["peak_MB"] = dPeak;
    state.counters["base_MB"] = dBase;
    state.counters["read"] = bRead ? 1 : 0;
}

// The file of the most facets, a multiple of 8, that make writes within the
// size limit.
QByteArray atSizeLimit(int nGuess, const std::function<QByteArray(int nFacets)>& make)
{
    const double dLimit = 64.0 * 1024 * 1024;
    QByteArray bytes = make(nGuess);
    int nFacets = int(nGuess * dLimit / double(bytes.size())) / 8 * 8;
    for (bytes = make(nFacets); bytes.size() > dLimit; bytes = make(nFacets))
    {
        nFacets = int(nFacets * 0.998) / 8 * 8;
    }
    return bytes;
}

// A torus of nAround x nTube quads as write makes it, its facets shuffled by
// nSeed when that is not 0, in groups of nGroup (2: each quad's two facets
// stay together).
void readTorus(benchmark::State& state, const QString& sName, int nAround, int nTube, unsigned nSeed,
               const std::function<QByteArray(const IndexedMesh&)>& write, size_t nGroup = 1)
{
    IndexedMesh torus = MalformedMeshFiles::torus(nAround, nTube);
    if (nSeed != 0)
    {
        torus = MalformedMeshFiles::shuffled(torus, nSeed, nGroup);
    }
    readRepeatedly(state, writeOnce(sName, write(torus)), 1);
}

QByteArray binaryStl(const IndexedMesh& mesh)
{
    return MalformedMeshFiles::stlOf(mesh, false);
}

QByteArray asciiStl(const IndexedMesh& mesh)
{
    return MalformedMeshFiles::stlOf(mesh, true);
}

QByteArray objOfQuads(const IndexedMesh& mesh)
{
    return MalformedMeshFiles::objOf(mesh, {true, false});
}

QByteArray objOfQuadsCountedBack(const IndexedMesh& mesh)
{
    return MalformedMeshFiles::objOf(mesh, {true, true});
}

// 1000 x 600 quads: 1 200 000 facets, 60 000 084 bytes; in order, shuffled,
// and with its quads shuffled (each quad's two facets share an edge, so that
// half the file seems to follow on).
void BM_Read60MBBinaryStl(benchmark::State& state)
{
    readTorus(state, "torus.stl", 1000, 600, 0, binaryStl);
}
BENCHMARK(BM_Read60MBBinaryStl)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Read60MBBinaryStlShuffled(benchmark::State& state)
{
    readTorus(state, "torus-shuffled.stl", 1000, 600, 2, binaryStl);
}
BENCHMARK(BM_Read60MBBinaryStlShuffled)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Read60MBBinaryStlOfShuffledQuads(benchmark::State& state)
{
    readTorus(state, "torus-shuffled-quads.stl", 1000, 600, 2, binaryStl, 2);
}
BENCHMARK(BM_Read60MBBinaryStlOfShuffledQuads)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same torus as an OBJ of 600 000 quads, each written after its last
// vertex with indices counted back from it (28 MB); and shuffled, by index
// from the first (35 MB).
void BM_Read28MBObjOfQuads(benchmark::State& state)
{
    readTorus(state, "torus.obj", 1000, 600, 0, objOfQuadsCountedBack);
}
BENCHMARK(BM_Read28MBObjOfQuads)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Read35MBObjOfQuadsShuffled(benchmark::State& state)
{
    readTorus(state, "torus-shuffled.obj", 1000, 600, 3, objOfQuads, 2);
}
BENCHMARK(BM_Read35MBObjOfQuadsShuffled)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A torus of 416 000 facets as ASCII STL (62 MB), in order and shuffled.
void BM_Read62MBAsciiStl(benchmark::State& state)
{
    readTorus(state, "torus-ascii.stl", 520, 400, 0, asciiStl);
}
BENCHMARK(BM_Read62MBAsciiStl)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Read62MBAsciiStlShuffled(benchmark::State& state)
{
    readTorus(state, "torus-ascii-shuffled.stl", 520, 400, 4, asciiStl);
}
BENCHMARK(BM_Read62MBAsciiStlShuffled)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The slowest files found within the bounds at the size limit: corners at
// random from points shared by about as many facets as in a closed mesh.
// They may be read or refused; either must be quick.
void scatteredAtLimit(benchmark::State& state, const QString& sName, int nGuess,
                      const std::function<QByteArray(int nFacets)>& make)
{
    readRepeatedly(state, writeOnce(sName, atSizeLimit(nGuess, make)), -1);
}

// A binary STL of 1.34 million facets over 580 000 points.
void BM_ReadBinaryStlOfScatteredFacets(benchmark::State& state)
{
    scatteredAtLimit(state, "scattered-read.stl", 1000000, [](int nFacets) {
        return MalformedMeshFiles::stlOf(MalformedMeshFiles::scatteredCorners(nFacets, nFacets * 13 / 30), false);
    });
}
BENCHMARK(BM_ReadBinaryStlOfScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The same with every point at x = 0: an order along x is the file's.
void BM_ReadBinaryStlOfScatteredFacetsAtOneX(benchmark::State& state)
{
    scatteredAtLimit(state, "scattered-flat.stl", 1000000, [](int nFacets) {
        return MalformedMeshFiles::stlOf(
            MalformedMeshFiles::flattened(MalformedMeshFiles::scatteredCorners(nFacets, nFacets * 13 / 30)), false);
    });
}
BENCHMARK(BM_ReadBinaryStlOfScatteredFacetsAtOneX)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Every facet written twice in a row, each point in 8: the file looks
// ordered.
void BM_ReadBinaryStlOfDoubledScatteredFacets(benchmark::State& state)
{
    scatteredAtLimit(state, "scattered-doubled.stl", 1000000, [](int nFacets) {
        return MalformedMeshFiles::stlOf(
            MalformedMeshFiles::doubled(MalformedMeshFiles::scatteredCorners(nFacets / 2, 0, 4)), false);
    });
}
BENCHMARK(BM_ReadBinaryStlOfDoubledScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// An ASCII STL of 700 000 facets on a grid, each point in 8.
void BM_ReadAsciiStlOfScatteredFacets(benchmark::State& state)
{
    scatteredAtLimit(state, "scattered-ascii.stl", 400000, [](int nFacets) {
        return MalformedMeshFiles::stlOf(
            MalformedMeshFiles::onGrid(MalformedMeshFiles::scatteredCorners(nFacets, 0, 8)), true);
    });
}
BENCHMARK(BM_ReadAsciiStlOfScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// An OBJ of triangles over 800 000 vertices; one whose every vertex is in
// exactly 8, on a grid (short lines, so 2.5 million triangles); one of quads
// on a grid whose every vertex is in 5.
void BM_ReadObjOfScatteredFacets(benchmark::State& state)
{
    scatteredAtLimit(state, "scattered-read.obj", 1000000, [](int nFacets) {
        return MalformedMeshFiles::objOf(MalformedMeshFiles::scatteredCorners(nFacets, nFacets * 4 / 9));
    });
}
BENCHMARK(BM_ReadObjOfScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_ReadObjOfEvenlySharedScatteredFacets(benchmark::State& state)
{
    scatteredAtLimit(state, "scattered-even.obj", 1000000, [](int nFacets) {
        return MalformedMeshFiles::objOf(
            MalformedMeshFiles::onGrid(MalformedMeshFiles::scatteredCorners(nFacets, 0, 8)));
    });
}
BENCHMARK(BM_ReadObjOfEvenlySharedScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_ReadObjOfScatteredQuads(benchmark::State& state)
{
    scatteredAtLimit(state, "scattered-quads.obj", 1000000, [](int nFacets) {
        return MalformedMeshFiles::objOf(
            MalformedMeshFiles::onGrid(MalformedMeshFiles::scatteredCorners(nFacets, 0, 5, true)), {true, false});
    });
}
BENCHMARK(BM_ReadObjOfScatteredQuads)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The mesh with every nEvery-th triangle taking its last corner at random
// from all the points (one other than its first two).
IndexedMesh withScatteredCorners(IndexedMesh mesh, int nEvery)
{
    std::mt19937 random(6);
    std::uniform_int_distribution<int> point(0, int(mesh.points.size()) - 1);
    for (size_t t = 0; t < mesh.triangles.size(); t += size_t(nEvery))
    {
        auto& triangle = mesh.triangles[t];
        do
        {
            triangle[2] = point(random);
        } while (triangle[2] == triangle[0] || triangle[2] == triangle[1]);
    }
    return mesh;
}

// The mesh with nFacets more triangles whose corners are drawn at random
// from its points.
IndexedMesh withScatteredFacets(IndexedMesh mesh, int nFacets)
{
    const IndexedMesh scattered = MalformedMeshFiles::scatteredCorners(nFacets, int(mesh.points.size()));
    mesh.triangles.insert(mesh.triangles.end(), scattered.triangles.begin(), scattered.triangles.end());
    return mesh;
}

// The slowest files found that are read, at the size limit, as binary STL
// and as OBJ: the torus in an exporter's order with every sixth facet's last
// corner drawn at random, as many far corners as a file's order may have;
// and shuffled, with nearly as many facets of random corners as its facets'
// order may leave far.
IndexedMesh torusWithScatteredCorners(int nFacets)
{
    return withScatteredCorners(MalformedMeshFiles::torus(nFacets / 1200, 600), 6);
}

IndexedMesh shuffledTorusWithScatteredFacets(int nFacets)
{
    const int nScattered = nFacets / 25;
    return MalformedMeshFiles::shuffled(
        withScatteredFacets(MalformedMeshFiles::torus((nFacets - nScattered) / 1200, 600), nScattered), 7);
}

void BM_ReadBinaryStlInOrderWithScatteredCorners(benchmark::State& state)
{
    scatteredAtLimit(state, "torus-scattered-corners.stl", 1000000,
                     [](int nFacets) { return binaryStl(torusWithScatteredCorners(nFacets)); });
}
BENCHMARK(BM_ReadBinaryStlInOrderWithScatteredCorners)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_ReadBinaryStlShuffledWithScatteredFacets(benchmark::State& state)
{
    scatteredAtLimit(state, "torus-scattered-facets.stl", 1000000,
                     [](int nFacets) { return binaryStl(shuffledTorusWithScatteredFacets(nFacets)); });
}
BENCHMARK(BM_ReadBinaryStlShuffledWithScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_ReadObjInOrderWithScatteredCorners(benchmark::State& state)
{
    scatteredAtLimit(state, "torus-scattered-corners.obj", 1000000,
                     [](int nFacets) { return MalformedMeshFiles::objOf(torusWithScatteredCorners(nFacets)); });
}
BENCHMARK(BM_ReadObjInOrderWithScatteredCorners)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_ReadObjShuffledWithScatteredFacets(benchmark::State& state)
{
    scatteredAtLimit(state, "torus-scattered-facets.obj", 1000000,
                     [](int nFacets) { return MalformedMeshFiles::objOf(shuffledTorusWithScatteredFacets(nFacets)); });
}
BENCHMARK(BM_ReadObjShuffledWithScatteredFacets)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Refuse64MBBinaryStlOverFewPoints(benchmark::State& state)
{
    const QString sPath =
        writeOnce("scattered.stl",
                  MalformedMeshFiles::stlOf(MalformedMeshFiles::scatteredCorners(1340000, 1500), false));
    readRepeatedly(state, sPath, 0);
}
BENCHMARK(BM_Refuse64MBBinaryStlOverFewPoints)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Refuse6MBObjOverFewVertices(benchmark::State& state)
{
    const QString sPath =
        writeOnce("scattered.obj", MalformedMeshFiles::objOf(MalformedMeshFiles::scatteredCorners(400000, 1500)));
    readRepeatedly(state, sPath, 0);
}
BENCHMARK(BM_Refuse6MBObjOverFewVertices)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ReadTriangleAfter50MBOfEmptyLines(benchmark::State& state)
{
    const QString sPath = writeOnce("flood.obj", MalformedMeshFiles::objAfterEmptyLines(FLOOD_BYTES));
    readRepeatedly(state, sPath, 1);
}
BENCHMARK(BM_ReadTriangleAfter50MBOfEmptyLines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Refuse50MBOfEmptyLines(benchmark::State& state)
{
    const QString sPath = writeOnce("empty-lines.obj", QByteArray(FLOOD_BYTES, '\n'));
    readRepeatedly(state, sPath, 0);
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
