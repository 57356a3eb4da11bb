// Mesh generation of the thin families (see ReliefShapes::thinFamily):
// combs, slots, loops, spirals and lettering laid out many ways, each
// generated and saved as the program does (generate, then a binary STL) at
// the smoothing and budget of its member. Reports the time of both, the
// vertices kept and the pairs of facets of the saved mesh that meet.
//
// Arguments of each case: member (index into the family), raster size.
// Run one member with --benchmark_filter=BM_Family/<member>/<size>.

#include "ReliefShapes.h"

#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"
#include "MeshIO.h"
#include "MeshObject.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::size_t meetingPairsOf(const TriangleMesh& mesh)
{
    return MeshCrossings::meetingPairs(mesh, MeshCrossings::gapFor(MeshCrossings::sizeOf(mesh))).size();
}

void BM_Family(benchmark::State& state)
{
    const std::vector<ReliefShapes::FamilyMember> family = ReliefShapes::thinFamily();
    const ReliefShapes::FamilyMember& member = family.at(std::size_t(state.range(0)));
    const unsigned nSize = unsigned(state.range(1));
    MeshGenerator::Parameters parameters;
    parameters.NumberOfSmoothingSteps = member.nSteps;
    parameters.NumberOfVertices = member.nBudget;
    ReliefShapes::Sides sides = ReliefShapes::sidesOf(nSize, member);
    MeshGenerator::Image front;
    front.pData = sides.front.data();
    front.nWidth = front.nHeight = nSize;
    MeshGenerator::Image back = front;
    back.pData = sides.back.data();
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
        const std::size_t nMeeting = pMesh ? meetingPairsOf(*pMesh) : 0;
        state.ResumeTiming();
        state.counters["generate_s"] = dGenerate;
        state.counters["total_s"] = dTotal;
        state.counters["vertices"] = double(nVertices);
        state.counters["meeting"] = double(nMeeting);
        state.counters["saved"] = bSaved ? 1 : 0;
        std::printf("%2d %-36s %4u %2u/%6u: %7zu vertices, %zu pairs meeting; generate %.2f s, with saving %.2f s\n",
            int(state.range(0)), member.name, nSize, member.nSteps, member.nBudget, nVertices, nMeeting, dGenerate,
            dTotal);
        std::fflush(stdout);
    }
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

BENCHMARK(BM_Family)->Apply(familyArguments)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
