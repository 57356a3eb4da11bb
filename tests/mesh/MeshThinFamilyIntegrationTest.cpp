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

namespace
{
class ThinFamily : public testing::TestWithParam<std::size_t>
{
};

TEST_P(ThinFamily, IsGeneratedSoundInOneGeneration)
{
    const ReliefShapes::FamilyMember member = ReliefShapes::thinFamily().at(GetParam());
    SCOPED_TRACE(member.name);
    const unsigned n = 256;
    ReliefShapes::Sides sides = ReliefShapes::sidesOf(n, member);
    MeshGenerator::Image front;
    front.pData = sides.front.data();
    front.nWidth = front.nHeight = n;
    MeshGenerator::Image back = front;
    back.pData = sides.back.data();
    // The budget in proportion to the member's at 1024 x 1024.
    MeshGenerator::Parameters parameters;
    parameters.NumberOfSmoothingSteps = member.nSteps;
    parameters.NumberOfVertices = std::max(2000u, member.nBudget / 16);
    // Tiles from a tenth of the size they start at on their own.
    MeshGenerator::DecimationSetup setup;
    setup.nMinimumVerticesForParts = 20000;
    MeshGenerator::Timings timings;
    std::unique_ptr<TriangleMesh> pMesh(MeshGenerator::generateMesh(front, back, parameters, setup, &timings));
    EXPECT_EQ(timings.nGenerations, 1u);
    EXPECT_EQ(timings.nReworks, 0u);
    EXPECT_TRUE(MeshCrossings::meetingPairs(*pMesh, MeshCrossings::gapFor(MeshCrossings::sizeOf(*pMesh))).empty());
    EXPECT_EQ(selfCrossingsOf(*pMesh).nPairs, 0u);
    EXPECT_TRUE(isClosedTwoManifold(*pMesh));
    EXPECT_GE(pMesh->n_vertices(), parameters.NumberOfVertices);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ThinFamily, testing::Range<std::size_t>(0, ReliefShapes::thinFamily().size()),
    [](const testing::TestParamInfo<std::size_t>& info) {
        std::string name = ReliefShapes::thinFamily().at(info.param).name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return std::to_string(info.param) + "_" + name;
    });
} // namespace
