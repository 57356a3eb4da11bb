// Every layout of the thin families (combs, slots, loops, spirals, lettering;
// see ReliefShapes::thinFamily) is generated sound in one generation: the
// thin parts are found from the rasters and looked after from the start, so
// nothing is worked again and nothing made anew. Run at sizes that fit the
// test run, in tiles as large rasters are.

#include "CrossingGuard/MeshCrossings.h"
#include "MeshGenerator.h"
#include "ReliefShapes.h"
#include "SelfCrossings.h"
#include "support/MeshTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include <sched.h>

namespace
{
// A member's rasters and the generator's setup as the tests run them: at
// 256 x 256, the budget in proportion to the member's at 1024 x 1024, tiles
// from a tenth of the size they start at on their own.
struct MemberRun
{
    explicit MemberRun(const ReliefShapes::FamilyMember& member)
        : sides(ReliefShapes::sidesOf(SIZE, member))
    {
        front.pData = sides.front.data();
        front.nWidth = front.nHeight = SIZE;
        back = front;
        back.pData = sides.back.data();
        parameters.NumberOfSmoothingSteps = member.nSteps;
        parameters.NumberOfVertices = std::max(2000u, member.nBudget / 16);
        setup.nMinimumVerticesForParts = 20000;
    }

    std::unique_ptr<TriangleMesh> generate()
    {
        return std::unique_ptr<TriangleMesh>(MeshGenerator::generateMesh(front, back, parameters, setup, &timings));
    }

    static constexpr unsigned SIZE = 256;
    ReliefShapes::Sides sides;
    MeshGenerator::Image front;
    MeshGenerator::Image back;
    MeshGenerator::Parameters parameters;
    MeshGenerator::DecimationSetup setup;
    MeshGenerator::Timings timings;
};

class ThinFamily : public testing::TestWithParam<std::size_t>
{
};

TEST_P(ThinFamily, IsGeneratedSoundInOneGeneration)
{
    const ReliefShapes::FamilyMember member = ReliefShapes::thinFamily().at(GetParam());
    SCOPED_TRACE(member.name);
    MemberRun run(member);
    std::unique_ptr<TriangleMesh> pMesh = run.generate();
    const MeshGenerator::Timings& timings = run.timings;
    EXPECT_EQ(timings.nGenerations, 1u);
    EXPECT_EQ(timings.nReworks, 0u);
    EXPECT_TRUE(MeshCrossings::meetingPairs(*pMesh, MeshCrossings::gapFor(MeshCrossings::sizeOf(*pMesh))).empty());
    EXPECT_EQ(selfCrossingsOf(*pMesh).nPairs, 0u);
    EXPECT_TRUE(isClosedTwoManifold(*pMesh));
    EXPECT_GE(pMesh->n_vertices(), run.parameters.NumberOfVertices);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ThinFamily, testing::Range<std::size_t>(0, ReliefShapes::thinFamily().size()),
    [](const testing::TestParamInfo<std::size_t>& info) {
        std::string name = ReliefShapes::thinFamily().at(info.param).name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return std::to_string(info.param) + "_" + name;
    });

// Once a tile's margin is gone it sees no face of another tile: combs whose
// walls cross the cuts stay apart across them all the same. At 512 x 512: 3 px
// teeth hanging below their strip, joined at their ends, smoothed whole at
// 99 steps and decimated in tiles cut out of the mesh; and bent 3 px teeth
// joined at 40 steps, in tiles built from windows of the rasters.
TEST(ThinFamilyAcrossCuts, JoinedCombsStayApartAcrossTheCutsOfTheirTiles)
{
    struct Case
    {
        unsigned nGap;
        float fTeeth;
        bool bCurved;
        unsigned nSteps;
    };
    for (const Case& c : {Case{3, 20.0f, false, 99}, Case{2, 30.0f, true, 40}})
    {
        SCOPED_TRACE(c.nSteps);
        const unsigned n = 512;
        ReliefShapes::CombLayout layout;
        layout.nTooth = 3;
        layout.nGap = c.nGap;
        layout.fStrip = 40.0f;
        layout.fTeeth = c.fTeeth;
        layout.bJoined = true;
        layout.bCurved = c.bCurved;
        ReliefShapes::Sides sides = ReliefShapes::combOf(n, layout);
        MeshGenerator::Image front;
        front.pData = sides.front.data();
        front.nWidth = front.nHeight = n;
        MeshGenerator::Image back = front;
        back.pData = sides.back.data();
        MeshGenerator::Parameters parameters;
        parameters.NumberOfSmoothingSteps = c.nSteps;
        parameters.NumberOfVertices = 8000;
        MeshGenerator::Timings timings;
        const std::unique_ptr<TriangleMesh> pMesh(
            MeshGenerator::generateMesh(front, back, parameters, MeshGenerator::DecimationSetup(), &timings));
        EXPECT_EQ(timings.nGenerations, 1u);
        EXPECT_EQ(timings.nReworks, 0u);
        EXPECT_TRUE(
            MeshCrossings::meetingPairs(*pMesh, MeshCrossings::gapFor(MeshCrossings::sizeOf(*pMesh))).empty());
    }
}

// The work of a stalled decimation goes on in rounds of tiles across the
// cores; how many cores there are must not change the mesh, or a design
// would come out otherwise on another machine.
TEST(ThinFamilyCores, TheMeshIsTheSameOnOneCoreAsOnAll)
{
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof(all), &all), 0);
    if (CPU_COUNT(&all) < 3)
    {
        GTEST_SKIP() << "needs three cores or more to tell the counts apart";
    }
    for (const std::size_t nMember : {std::size_t(2), std::size_t(7)})
    {
        SCOPED_TRACE(ReliefShapes::thinFamily().at(nMember).name);
        MemberRun onAll(ReliefShapes::thinFamily().at(nMember));
        const std::unique_ptr<TriangleMesh> pOnAll = onAll.generate();
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int c = 0; c < CPU_SETSIZE; ++c)
        {
            if (CPU_ISSET(c, &all))
            {
                CPU_SET(c, &one);
                break;
            }
        }
        ASSERT_EQ(sched_setaffinity(0, sizeof(one), &one), 0);
        std::unique_ptr<TriangleMesh> pOnOne;
        try
        {
            MemberRun onOne(ReliefShapes::thinFamily().at(nMember));
            pOnOne = onOne.generate();
        }
        catch (...)
        {
            sched_setaffinity(0, sizeof(all), &all);
            throw;
        }
        ASSERT_EQ(sched_setaffinity(0, sizeof(all), &all), 0);
        ASSERT_EQ(pOnOne->n_vertices(), pOnAll->n_vertices());
        ASSERT_EQ(pOnOne->n_faces(), pOnAll->n_faces());
        std::size_t nMoved = 0;
        for (const auto vh : pOnAll->vertices())
        {
            nMoved += pOnAll->point(vh) != pOnOne->point(vh) ? 1 : 0;
        }
        EXPECT_EQ(nMoved, 0u);
    }
}
} // namespace
