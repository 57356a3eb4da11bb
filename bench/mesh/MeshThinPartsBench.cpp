// Mesh generation where facets come near each other: each shape generated
// and saved as the program does (generate, then a binary STL), the time of
// both, the vertices kept and the pairs of facets of the saved mesh that
// meet (cross or come within the gap).
//
// Arguments of each case: shape, raster size, smoothing steps, vertex budget.
// Shapes:
//   0 a five-pointed star bevelled from its outline
//   1 a comb drawn with strokes two and three pixels wide
//   2 a photograph-like relief: smooth noise with sharp steps
//   3 slots one and two pixels wide across a slab
//   4 thin strokes as lettering has
//   5 a comb of teeth 3 pixels wide
//   6 a comb of teeth 4 pixels wide
// and grooves cut into a slab rather than through it, its back flat:
//   7 small lettering, strokes one and two pixels wide, engraved 20 deep
//   8 the same engraved 8 deep
//   9 a comb of teeth two pixels wide whose gaps of one pixel keep a floor
//  10 a checkerboard of cells two pixels across, 40 and 20 high
//  11 slots one and two pixels wide cut 79 deep into a slab 80 high
//
// BM_Family generates the members of the thin families (combs, slots, loops,
// spirals, lettering laid out many ways; see ReliefShapes::thinFamily) at
// their own smoothing and budget; arguments: member, raster size. Run one
// with --benchmark_filter=BM_Family/<member>/<size>.

#include "ReliefShapes.h"

#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"
#include "MeshIO.h"
#include "MeshObject.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A five-pointed star over most of the raster, bevelled from its outline as
// a chamfer profile does: 23 at the outline, rising by one in 1.05 pixels to
// 84; the back the same as the front.
std::vector<float> bevelledStar(unsigned nSize)
{
    const double dCentre = 0.5 * nSize;
    const double dOuter = 0.43 * nSize;
    const double dInner = 0.19 * nSize;
    std::vector<std::array<double, 2>> corners;
    for (int k = 0; k < 10; ++k)
    {
        const double dAngle = M_PI * k / 5.0 - 0.5 * M_PI;
        const double dRadius = k % 2 == 0 ? dOuter : dInner;
        corners.push_back({dCentre + dRadius * std::cos(dAngle), dCentre + dRadius * std::sin(dAngle)});
    }
    std::vector<float> heights(std::size_t(nSize) * nSize, 0.0f);
    for (unsigned y = 0; y < nSize; ++y)
    {
        for (unsigned x = 0; x < nSize; ++x)
        {
            const double px = x + 0.5;
            const double py = y + 0.5;
            bool bInside = false;
            double dNearest = 1e300;
            for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++)
            {
                const auto& a = corners[i];
                const auto& b = corners[j];
                if ((a[1] > py) != (b[1] > py) && px < (b[0] - a[0]) * (py - a[1]) / (b[1] - a[1]) + a[0])
                {
                    bInside = !bInside;
                }
                const double ex = b[0] - a[0];
                const double ey = b[1] - a[1];
                const double t = std::clamp(((px - a[0]) * ex + (py - a[1]) * ey) / (ex * ex + ey * ey), 0.0, 1.0);
                dNearest = std::min(dNearest, std::hypot(px - a[0] - t * ex, py - a[1] - t * ey));
            }
            if (bInside)
            {
                heights[std::size_t(y) * nSize + x] = float(std::min(84.0, 23.0 + std::floor(dNearest / 1.05)));
            }
        }
    }
    return heights;
}

// A photograph-like relief: smooth noise over the whole raster (bilinear
// between random heights every 128, 32 and 8 pixels, up to about 100 high)
// rising in sharp steps, a cliff of 20 at every unit of height: a deep depth
// map with hard edges, as one made from a photograph can be.
std::vector<float> photographRelief(unsigned nSize)
{
    std::mt19937 random(7);
    std::vector<float> heights(std::size_t(nSize) * nSize, 0.0f);
    for (const unsigned nCell : {128u, 32u, 8u})
    {
        const unsigned nGrid = nSize / nCell + 2;
        std::vector<float> grid(std::size_t(nGrid) * nGrid);
        for (float& f : grid)
        {
            f = float(random() % 1000) / 1000.0f * float(nCell) / 1.6f;
        }
        for (unsigned y = 0; y < nSize; ++y)
        {
            for (unsigned x = 0; x < nSize; ++x)
            {
                const float fx = float(x) / float(nCell);
                const float fy = float(y) / float(nCell);
                const unsigned gx = unsigned(fx);
                const unsigned gy = unsigned(fy);
                const float u = fx - float(gx);
                const float v = fy - float(gy);
                const auto at = [&](unsigned i, unsigned j) { return grid[std::size_t(j) * nGrid + i]; };
                const float f = (1 - u) * (1 - v) * at(gx, gy) + u * (1 - v) * at(gx + 1, gy)
                    + (1 - u) * v * at(gx, gy + 1) + u * v * at(gx + 1, gy + 1);
                heights[std::size_t(y) * nSize + x] += f;
            }
        }
    }
    for (float& h : heights)
    {
        h = 2.0f + h + 20.0f * std::floor(h);
    }
    return heights;
}

// A comb drawn with a pen: a bar along the top and teeth hanging from it,
// strokes two and three pixels wide in turn, five pixels apart.
std::vector<float> drawnComb(unsigned nSize, float fHeight)
{
    return ReliefShapes::heightsWhere(nSize, fHeight, [&](unsigned x, unsigned y) {
        if (y < nSize / 16)
        {
            return true;
        }
        const unsigned nPeriod = 10;
        const unsigned nPhase = x % nPeriod;
        return nPhase < 2 || (nPhase >= 5 && nPhase < 8);
    });
}

struct Shape
{
    std::vector<float> front;
    std::vector<float> back;
};

Shape makeShape(int nShape, unsigned nSize)
{
    Shape shape;
    switch (nShape)
    {
    case 0:
        shape.front = bevelledStar(nSize);
        shape.back = shape.front;
        break;
    case 1:
        shape.front = drawnComb(nSize, 6.0f);
        shape.back = drawnComb(nSize, 3.0f);
        break;
    case 2:
        shape.front = photographRelief(nSize);
        shape.back.assign(shape.front.size(), 3.0f);
        break;
    case 3:
        shape.front = ReliefShapes::slottedSlab(nSize, 40.0f);
        shape.back = shape.front;
        break;
    case 4:
        shape.front = ReliefShapes::strokes(nSize, 6.0f);
        shape.back = ReliefShapes::strokes(nSize, 3.0f);
        break;
    case 5:
    case 6:
        shape.front = ReliefShapes::comb(nSize, 40.0f, nShape == 5 ? 3 : 4);
        shape.back = shape.front;
        break;
    default:
        switch (nShape)
        {
        case 7:
        case 8:
            shape.front = ReliefShapes::engravedLettering(nSize, 40.0f, nShape == 7 ? 20.0f : 8.0f);
            break;
        case 9:
            shape.front = ReliefShapes::flooredComb(nSize, 40.0f, 10.0f, 2, 1);
            break;
        case 10:
            shape.front = ReliefShapes::checkerboard(nSize, 40.0f, 20.0f, 2);
            break;
        default:
            shape.front = ReliefShapes::slottedSlab(nSize, 80.0f, 1.0f);
            break;
        }
        shape.back = ReliefShapes::heightsWhere(nSize, 10.0f, [](unsigned, unsigned) { return true; });
        break;
    }
    return shape;
}

// Generates the rasters' mesh and saves it as the program does, and reports
// the time of both, the vertices kept and the pairs of facets of the saved
// mesh that meet, the line of the report headed by label.
void generateAndSave(benchmark::State& state, std::vector<float> frontHeights, std::vector<float> backHeights,
    unsigned nSize, const MeshGenerator::Parameters& parameters, const std::string& sLabel)
{
    MeshGenerator::Image front;
    front.pData = frontHeights.data();
    front.nWidth = front.nHeight = nSize;
    MeshGenerator::Image back = front;
    back.pData = backHeights.data();
    QTemporaryDir folder;
    for (auto _ : state)
    {
        const Clock::time_point start = Clock::now();
        MeshObject object("MESH_GENERATED");
        const bool bGenerated = MeshGenerator::generate(front, back, parameters, &object);
        const double dGenerate = secondsSince(start);
        const bool bSaved = bGenerated && MeshIO::writeMesh(&object, folder.filePath("shape.stl"));
        const double dTotal = secondsSince(start);
        state.PauseTiming();
        const TriangleMesh* pMesh = object.getMesh();
        const std::size_t nVertices = pMesh ? pMesh->n_vertices() : 0;
        const std::size_t nMeeting = pMesh
            ? MeshCrossings::meetingPairs(*pMesh, MeshCrossings::gapFor(MeshCrossings::sizeOf(*pMesh))).size()
            : 0;
        state.ResumeTiming();
        state.counters["generate_s"] = dGenerate;
        state.counters["total_s"] = dTotal;
        state.counters["vertices"] = double(nVertices);
        state.counters["meeting"] = double(nMeeting);
        state.counters["saved"] = bSaved ? 1 : 0;
        std::printf("%s size %u steps %u budget %u: %zu vertices, %zu pairs meeting; generate %.2f s, with "
                    "saving %.2f s\n",
            sLabel.c_str(), nSize, parameters.NumberOfSmoothingSteps, parameters.NumberOfVertices, nVertices,
            nMeeting, dGenerate, dTotal);
        std::fflush(stdout);
    }
}

void BM_GenerateAndSave(benchmark::State& state)
{
    const int nShape = int(state.range(0));
    const unsigned nSize = unsigned(state.range(1));
    MeshGenerator::Parameters parameters;
    parameters.NumberOfSmoothingSteps = unsigned(state.range(2));
    parameters.NumberOfVertices = unsigned(state.range(3));
    Shape shape = makeShape(nShape, nSize);
    generateAndSave(state, std::move(shape.front), std::move(shape.back), nSize, parameters,
        "shape " + std::to_string(nShape));
}

// A member of the thin families (see ReliefShapes::thinFamily) at its own
// smoothing and budget. Arguments: member, raster size.
void BM_Family(benchmark::State& state)
{
    const ReliefShapes::FamilyMember member = ReliefShapes::thinFamily().at(std::size_t(state.range(0)));
    const unsigned nSize = unsigned(state.range(1));
    MeshGenerator::Parameters parameters;
    parameters.NumberOfSmoothingSteps = member.nSteps;
    parameters.NumberOfVertices = member.nBudget;
    ReliefShapes::Sides sides = ReliefShapes::sidesOf(nSize, member);
    char szLabel[64];
    std::snprintf(szLabel, sizeof szLabel, "member %2d %-36s", int(state.range(0)), member.name);
    generateAndSave(state, std::move(sides.front), std::move(sides.back), nSize, parameters, szLabel);
}

void familyArguments(benchmark::internal::Benchmark* pBenchmark)
{
    const int nMembers = int(ReliefShapes::thinFamily().size());
    for (const int nSize : {1024, 512})
    {
        for (int n = 0; n < nMembers; ++n)
        {
            pBenchmark->Args({n, nSize});
        }
    }
}
} // namespace

BENCHMARK(BM_GenerateAndSave)
    ->Args({0, 1024, 91, 32000})
    ->Args({0, 1024, 99, 128000})
    ->Args({0, 1024, 40, 32000})
    ->Args({1, 1024, 99, 640000})
    ->Args({2, 1024, 8, 128000})
    ->Args({3, 512, 8, 32000})
    ->Args({3, 1024, 8, 128000})
    ->Args({4, 512, 40, 32000})
    ->Args({6, 1024, 99, 32000})
    ->Args({5, 1024, 99, 32000})
    ->Args({7, 1024, 3, 128000})
    ->Args({8, 1024, 0, 32000})
    ->Args({9, 512, 0, 32000})
    ->Args({10, 512, 0, 32000})
    ->Args({11, 512, 8, 32000})
    ->Args({11, 1024, 8, 128000})
    ->Args({4, 1024, 99, 32000})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

BENCHMARK(BM_Family)->Apply(familyArguments)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
