// Mesh generation from a relief at the defaults the user gets (8 smoothing
// steps, 128000 vertices) and at the heaviest smoothing: the time of each
// phase, the peak memory, the error of the decimated mesh against the
// undecimated smoothed one, and the pairs of facets that meet (the surface
// passing through itself).
//
// Arguments of each case: raster size, decimation setup
//   0 = OpenMesh's decimater in one pass over the whole mesh (the plain
//       setup: every candidate weighed with every module)
//   1 = our decimater in one pass over the whole mesh
//   2 = tiles, each built, smoothed and decimated on its own core, then
//       joined for a final pass (the default, what generate does)
// then, for setup 2, the number of tiles (0 = the default) and the reserve
// the tiles keep for the final pass in percent of the budget, the vertex
// budget, and last the smoothing steps. The reference is always the whole
// mesh, built and smoothed in one piece. Run one case per process for a clean peak memory figure.

#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"
#include "MeshObject.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// A disc of radius 500 * s with a rounded bevel rising from 1 to 20 over
// 60 * s pixels, thirty shapes (discs, rings and bars) carved 3 deep into its
// flat top; the back is a flat 5 under the disc. s = size / 1024.
void makeRelief(unsigned nSize, std::vector<float>& front, std::vector<float>& back)
{
    const float s = float(nSize) / 1024.0f;
    const float fRadius = 500.0f * s;
    const float fBevel = 60.0f * s;
    const float fCentre = (float(nSize) - 1.0f) * 0.5f;
    front.assign(std::size_t(nSize) * nSize, 0.0f);
    back.assign(std::size_t(nSize) * nSize, 0.0f);

    struct Shape
    {
        int nKind;
        float fX, fY, fSize, fAngle;
    };
    std::mt19937 random(2024);
    auto uniform = [&](float a, float b) { return a + (b - a) * float(random() % 100000) / 100000.0f; };
    std::vector<Shape> shapes;
    while (shapes.size() < 30)
    {
        const float fX = uniform(-380, 380) * s;
        const float fY = uniform(-380, 380) * s;
        if (std::sqrt(fX * fX + fY * fY) < 380.0f * s)
        {
            shapes.push_back({int(shapes.size() % 3), fX, fY, uniform(15, 50) * s, uniform(0, 3.14159f)});
        }
    }

    for (unsigned y = 0; y < nSize; ++y)
    {
        for (unsigned x = 0; x < nSize; ++x)
        {
            const float dx = float(x) - fCentre;
            const float dy = float(y) - fCentre;
            const float r = std::sqrt(dx * dx + dy * dy);
            if (r > fRadius)
            {
                continue;
            }
            const float t = std::min(1.0f, (fRadius - r) / fBevel);
            float h = 1.0f + 19.0f * std::sqrt(1.0f - (1.0f - t) * (1.0f - t));
            for (const Shape& shape : shapes)
            {
                const float u = dx - shape.fX;
                const float v = dy - shape.fY;
                const float d = std::sqrt(u * u + v * v);
                bool bInside = false;
                if (shape.nKind == 0)
                {
                    bInside = d < shape.fSize;
                }
                else if (shape.nKind == 1)
                {
                    bInside = d < shape.fSize && d > shape.fSize * 0.6f;
                }
                else
                {
                    const float a = u * std::cos(shape.fAngle) + v * std::sin(shape.fAngle);
                    const float b = -u * std::sin(shape.fAngle) + v * std::cos(shape.fAngle);
                    bInside = std::abs(a) < shape.fSize * 1.5f && std::abs(b) < 6.0f * s;
                }
                if (bInside)
                {
                    h = 17.0f;
                    break;
                }
            }
            front[std::size_t(y) * nSize + x] = h;
            back[std::size_t(y) * nSize + x] = 5.0f;
        }
    }
}

// The relief above with images over its heights.
struct Relief
{
    explicit Relief(unsigned nSize)
    {
        makeRelief(nSize, front, back);
        imageFront.pData = front.data();
        imageFront.nWidth = imageFront.nHeight = nSize;
        imageBack = imageFront;
        imageBack.pData = back.data();
    }
    Relief(const Relief&) = delete;
    Relief& operator=(const Relief&) = delete;

    std::vector<float> front;
    std::vector<float> back;
    MeshGenerator::Image imageFront;
    MeshGenerator::Image imageBack;
};

// Front and back heights of a mesh in build coordinates (front at -z, back at
// +z), sampled at the pixel centres; NaN where no surface covers a pixel.
void rasterise(const TriangleMesh& mesh, unsigned nSize, std::vector<float>& front, std::vector<float>& back)
{
    const float fNone = std::numeric_limits<float>::quiet_NaN();
    front.assign(std::size_t(nSize) * nSize, fNone);
    back.assign(std::size_t(nSize) * nSize, fNone);
    for (const auto fh : mesh.faces())
    {
        TriangleMesh::Point p[3];
        int i = 0;
        for (auto it = mesh.cfv_iter(fh); it.is_valid(); ++it, ++i)
        {
            p[i] = mesh.point(*it);
        }
        const float fArea = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
        if (std::abs(fArea) < 1e-6f)
        {
            continue;
        }
        const float fNormalZ = (p[1] - p[0]).cross(p[2] - p[0])[2];
        const bool bFront = fNormalZ < 0.0f;
        std::vector<float>& target = bFront ? front : back;
        const int x0 = std::max(0, int(std::ceil(std::min({p[0][0], p[1][0], p[2][0]}))));
        const int x1 = std::min(int(nSize) - 1, int(std::floor(std::max({p[0][0], p[1][0], p[2][0]}))));
        const int y0 = std::max(0, int(std::ceil(std::min({p[0][1], p[1][1], p[2][1]}))));
        const int y1 = std::min(int(nSize) - 1, int(std::floor(std::max({p[0][1], p[1][1], p[2][1]}))));
        for (int y = y0; y <= y1; ++y)
        {
            for (int x = x0; x <= x1; ++x)
            {
                const float w1 = ((float(x) - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (float(y) - p[0][1])) / fArea;
                const float w2 = ((p[1][0] - p[0][0]) * (float(y) - p[0][1]) - (float(x) - p[0][0]) * (p[1][1] - p[0][1])) / fArea;
                const float w0 = 1.0f - w1 - w2;
                if (w0 < -1e-5f || w1 < -1e-5f || w2 < -1e-5f)
                {
                    continue;
                }
                const float z = w0 * p[0][2] + w1 * p[1][2] + w2 * p[2][2];
                const float h = bFront ? -z : z;
                float& fTarget = target[std::size_t(y) * nSize + std::size_t(x)];
                if (std::isnan(fTarget) || h > fTarget)
                {
                    fTarget = h;
                }
            }
        }
    }
}

struct Error
{
    double dMax = 0.0;
    double dRms = 0.0;
};

Error compare(const std::vector<float>& a, const std::vector<float>& b)
{
    Error error;
    double dSum = 0.0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (!std::isnan(a[i]) && !std::isnan(b[i]))
        {
            const double d = std::abs(double(a[i]) - double(b[i]));
            error.dMax = std::max(error.dMax, d);
            dSum += d * d;
            ++n;
        }
    }
    error.dRms = n ? std::sqrt(dSum / double(n)) : 0.0;
    return error;
}

void BM_GenerateMesh(benchmark::State& state)
{
    const unsigned nSize = unsigned(state.range(0));
    const int nSetup = int(state.range(1));
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = unsigned(state.range(4));
    parameters.NumberOfSmoothingSteps = unsigned(state.range(5));
    MeshGenerator::DecimationSetup setup;
    setup.bLibraryDecimater = nSetup == 0;
    setup.nParts = nSetup == 2 ? unsigned(state.range(2)) : 1;
    if (nSetup == 2)
    {
        setup.dPartReserve = double(state.range(3)) / 100.0;
    }

    const Relief relief(nSize);
    const MeshGenerator::Image& imageFront = relief.imageFront;
    const MeshGenerator::Image& imageBack = relief.imageBack;

    for (auto _ : state)
    {
        MeshGenerator::Timings timings;
        std::unique_ptr<TriangleMesh> pMesh(
            MeshGenerator::generateMesh(imageFront, imageBack, parameters, setup, &timings));
        const double dBuild = timings.dBuild;
        const double dNormals = timings.dNormals;
        const double dSmoothing = timings.dSmoothing;
        const double dDecimation = timings.dDecimation;
        // Peak memory of the process up to here: the generation, before the
        // reference below is built (run one case per process for a clean figure).
        const double dPeak = peakMegabytes();

        // The reference: the whole mesh, built and smoothed, undecimated.
        state.PauseTiming();
        std::vector<float> referenceFront, referenceBack;
        std::size_t nBuilt = 0;
        {
            std::unique_ptr<TriangleMesh> pReference(MeshGenerator::createMesh(imageFront, imageBack));
            MeshGenerator::removeIsolatedVertices(*pReference);
            MeshGenerator::computeNormals(*pReference);
            MeshGenerator::smooth(*pReference, parameters.NumberOfSmoothingSteps);
            nBuilt = pReference->n_vertices();
            rasterise(*pReference, nSize, referenceFront, referenceBack);
        }
        std::vector<float> resultFront, resultBack;
        rasterise(*pMesh, nSize, resultFront, resultBack);
        const Error errorFront = compare(referenceFront, resultFront);
        const Error errorBack = compare(referenceBack, resultBack);
        MeshObject closedCheck("CHECK");
        closedCheck.setMesh(new TriangleMesh(*pMesh));
        const bool bClosed = closedCheck.isClosed();
        const std::size_t nMeeting
            = MeshCrossings::meetingPairs(*pMesh, MeshCrossings::gapFor(MeshCrossings::sizeOf(*pMesh))).size();
        state.ResumeTiming();

        const Clock::time_point start = Clock::now();
        MeshObject object("MESH_GENERATED");
        const std::size_t nVertices = pMesh->n_vertices();
        object.setMesh(pMesh.release());
        object.setType(MeshObject::TYPE_GENERATED);
        object.update();
        object.normalize();
        object.rotate(180.0, 0);
        const double dHandOver = secondsSince(start);

        const double dTotal = dBuild + dNormals + dSmoothing + dDecimation + dHandOver;
        state.counters["build_s"] = dBuild;
        state.counters["normals_s"] = dNormals;
        state.counters["smooth_s"] = dSmoothing;
        state.counters["decimate_s"] = dDecimation;
        state.counters["handover_s"] = dHandOver;
        state.counters["total_s"] = dTotal;
        state.counters["peak_MB"] = dPeak;
        state.counters["vertices"] = double(nVertices);
        state.counters["front_max"] = errorFront.dMax;
        state.counters["front_rms"] = errorFront.dRms;
        state.counters["back_max"] = errorBack.dMax;
        state.counters["back_rms"] = errorBack.dRms;
        state.counters["closed"] = bClosed ? 1 : 0;
        state.counters["meeting"] = double(nMeeting);
        std::printf("size %u setup %d parts %u reserve %.2f budget %u steps %u: %zu -> %zu vertices, closed %d, meeting "
                    "%zu; build %.2f s, normals %.2f s, smoothing %.2f s, decimation %.2f s, hand-over %.2f s, total "
                    "%.2f s; peak %.0f MB; error front max %.3g rms %.3g, back max %.3g rms %.3g\n",
            nSize, nSetup, setup.nParts, setup.dPartReserve, parameters.NumberOfVertices,
            parameters.NumberOfSmoothingSteps, nBuilt, nVertices, int(bClosed), nMeeting, dBuild, dNormals, dSmoothing,
            dDecimation, dHandOver, dTotal, dPeak, errorFront.dMax, errorFront.dRms, errorBack.dMax, errorBack.dRms);
        std::fflush(stdout);
    }
}

// The build phase alone (surfaces, walls, removal of vertices without a
// face), repeated for a steadier figure.
void BM_BuildMesh(benchmark::State& state)
{
    const unsigned nSize = unsigned(state.range(0));
    const Relief relief(nSize);
    const MeshGenerator::Image& imageFront = relief.imageFront;
    const MeshGenerator::Image& imageBack = relief.imageBack;
    for (auto _ : state)
    {
        std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::createMesh(imageFront, imageBack));
        MeshGenerator::removeIsolatedVertices(*pMesh);
        benchmark::DoNotOptimize(pMesh->n_faces());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
// The smoothing phase alone at the default 8 steps, on the whole mesh.
void BM_SmoothMesh(benchmark::State& state)
{
    const unsigned nSize = unsigned(state.range(0));
    const Relief relief(nSize);
    std::unique_ptr<TriangleMesh> pBuilt(MeshGenerator::createMesh(relief.imageFront, relief.imageBack));
    MeshGenerator::removeIsolatedVertices(*pBuilt);
    MeshGenerator::computeNormals(*pBuilt);
    for (auto _ : state)
    {
        state.PauseTiming();
        TriangleMesh mesh = *pBuilt;
        state.ResumeTiming();
        MeshGenerator::smooth(mesh, 8);
        benchmark::DoNotOptimize(mesh.point(TriangleMesh::VertexHandle(0)));
    }
}

// What the workflow adds before a generation: the manager's own copy of both
// height records (so the worker never reads a raster a pipeline may rewrite).
void BM_CopyHeightRecords(benchmark::State& state)
{
    const unsigned nSize = unsigned(state.range(0));
    const Relief relief(nSize);
    for (auto _ : state)
    {
        MeshGenerator::Image front = MeshGenerator::Image::ownedCopy(relief.imageFront);
        MeshGenerator::Image back = MeshGenerator::Image::ownedCopy(relief.imageBack);
        benchmark::DoNotOptimize(front.pData);
        benchmark::DoNotOptimize(back.pData);
    }
}
} // namespace

BENCHMARK(BM_CopyHeightRecords)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SmoothMesh)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BuildMesh)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_GenerateMesh)
    ->Args({512, 2, 0, 125, 128000, 8})
    ->Args({1024, 2, 0, 125, 128000, 8})
    ->Args({1024, 2, 0, 125, 640000, 99})
    ->Args({2048, 2, 0, 125, 128000, 8})
    ->Args({512, 2, 0, 125, 32000, 8})
    ->Args({1024, 2, 0, 125, 32000, 8})
    ->Args({2048, 2, 0, 125, 32000, 8})
    ->Args({1024, 2, 16, 125, 128000, 8})
    ->Args({1024, 2, 0, 150, 128000, 8})
    ->Args({512, 1, 1, 0, 128000, 8})
    ->Args({512, 1, 1, 0, 32000, 8})
    ->Args({1024, 1, 1, 0, 128000, 8})
    ->Args({1024, 1, 1, 0, 32000, 8})
    ->Args({512, 0, 1, 0, 128000, 8})
    ->Args({512, 0, 1, 0, 32000, 8})
    ->Args({1024, 0, 1, 0, 128000, 8})
    ->Args({1024, 0, 1, 0, 32000, 8})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
