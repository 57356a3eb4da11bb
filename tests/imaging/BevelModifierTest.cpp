#include "ImageModifier/ImageModifierBevel.h"
#include "support/ModifierTestSupport.h"

#include <limits>
#include <memory>
#include <vector>

namespace
{
template <typename T>
std::unique_ptr<Raster2d<T>> makeRaster(unsigned int nWidth, unsigned int nHeight, const std::vector<T>& values)
{
    EXPECT_EQ(values.size(), std::size_t(nWidth) * nHeight);
    auto pRaster = std::make_unique<Raster2d<T>>(nWidth, nHeight);
    for (unsigned int i = 0; i < pRaster->getSize() && i < values.size(); ++i)
    {
        pRaster->getData()[i] = values[i];
    }
    return pRaster;
}


ImageModifierBevel::ParameterMap names(const QString& sShape, const QString& sProfile)
{
    return {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, sShape},
            {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, sProfile}};
}

// Distances of a 5 by 5 shape; the frame element (0, 2) is not zero but is
// cleared by the frame rule, (1, 3) is a hole.
std::unique_ptr<Raster2d<float>> makeShape()
{
    return makeRaster<float>(5, 5, {0, 0, 0, 0, 0, //
                                    0, 0.25f, 1, 0.75f, 0, //
                                    1, 1, 2, 1, 0, //
                                    0, 0, 1, 1.5f, 0, //
                                    0, 0, 0, 0, 0});
}

class BevelModifierTest : public ::testing::Test
{
protected:
    void SetUp() override { m_modifier.setParameters(names("SHAPE", "PROFILE")); }

    bool bevel(Raster2dBase* pShape, Raster2dBase* pProfile, Raster2dBase* pBasRelief = nullptr)
    {
        ImageModifierBase::RasterMap inputs{{"C/SHAPE", pShape}, {"C/PROFILE", pProfile}};
        if (pBasRelief)
        {
            inputs["C/SHAPEBAS_RELIEF"] = pBasRelief;
        }
        ImageModifierBase::RasterMap outputs{{"C/BEVEL", &m_output}};
        return m_modifier.process(inputs, outputs);
    }

    ImageModifierBevel m_modifier;
    Raster2d<float> m_output{5, 5};
};
} // namespace

TEST_F(BevelModifierTest, ShapeIsBevelledThroughEitherProfile)
{
    auto pShape = makeShape();
    // Shape range 0..2 over a profile of 5 columns: factor 2.
    auto pIdentity = makeRaster<float>(5, 1, {0, 1, 2, 3, 4});
    m_output.fill(-1);
    ASSERT_TRUE(bevel(pShape.get(), pIdentity.get()));
    // The identity gives every element its shape value rounded half up:
    // 0.25 -> 0, 0.75 -> 1, 1.5 -> 2.
    EXPECT_EQ(elements(m_output), (std::vector<float>{0, 0, 0, 0, 0, //
                                                      0, 0, 1, 1, 0, //
                                                      0, 1, 2, 1, 0, //
                                                      0, 0, 1, 2, 0, //
                                                      0, 0, 0, 0, 0}));

    // 0.25 -> column 0.5: (0 + 2) / 2 / 2 = 0.5 -> 1; 1 -> 3 / 2 -> 2;
    // 0.75 -> column 1.5: (2 + 3) / 2 / 2 = 1.25 -> 1; 1.5 -> 5 / 2 -> 3; 2 -> 8 / 2.
    auto pSteep = makeRaster<float>(5, 2, {0, 2, 3, 5, 8, 100, 100, 100, 100, 100});
    m_output.fill(-1);
    ASSERT_TRUE(bevel(pShape.get(), pSteep.get()));
    EXPECT_EQ(elements(m_output), (std::vector<float>{0, 0, 0, 0, 0, //
                                                      0, 1, 2, 1, 0, //
                                                      0, 2, 4, 2, 0, //
                                                      0, 0, 2, 3, 0, //
                                                      0, 0, 0, 0, 0}));
}

TEST_F(BevelModifierTest, ConstantProfileAndValuesBeyondTheLastColumn)
{
    // Shape 0..100 over 101 columns: factor 1, every shape element gets P.
    std::vector<float> shapeValues(25, 0.0f);
    shapeValues[6] = 100;
    shapeValues[12] = 37.5f;
    auto pShape = makeRaster<float>(5, 5, shapeValues);
    auto pConstant = makeRaster<float>(101, 1, std::vector<float>(101, 6.5f));
    ASSERT_TRUE(bevel(pShape.get(), pConstant.get()));
    EXPECT_EQ(m_output.at(1, 1), 7.0f);
    EXPECT_EQ(m_output.at(2, 2), 7.0f);
    EXPECT_EQ(m_output.at(3, 3), 0.0f);

    // Minimum 1 above 0: shape values 1..3 on 3 columns (factor 1) map to
    // columns 1..3, and column 3 lies beyond the last one.
    auto pRaised = makeRaster<float>(3, 3, {1, 1, 1, 1, 3, 1, 1, 1, 1});
    auto pProfile = makeRaster<float>(3, 1, {0, 1, 2});
    Raster2d<float> output(3, 3);
    ImageModifierBase::RasterMap inputs{{"SHAPE", pRaised.get()}, {"PROFILE", pProfile.get()}};
    ImageModifierBase::RasterMap outputs{{"OUT", &output}};
    ASSERT_TRUE(m_modifier.process(inputs, outputs));
    EXPECT_EQ(output.at(1, 1), 2.0f);
}

TEST_F(BevelModifierTest, BasReliefReplacesProfileInsideTheShape)
{
    auto pShape = makeShape();
    auto pProfile = makeRaster<float>(5, 1, {0, 1, 2, 3, 4});
    Raster2d<unsigned char> relief(5, 5);
    for (unsigned int i = 0; i < relief.getSize(); ++i)
    {
        relief.getData()[i] = static_cast<unsigned char>(200 + i);
    }
    ASSERT_TRUE(bevel(pShape.get(), pProfile.get(), &relief));
    EXPECT_EQ(m_output.at(1, 1), 206.0f);
    EXPECT_EQ(m_output.at(3, 3), 218.0f);
    EXPECT_EQ(m_output.at(1, 3), 0.0f); // a hole stays 0 whatever the relief holds
    EXPECT_EQ(m_output.at(0, 2), 0.0f); // frame

    // Stored as float it is no bas-relief: the profile is used.
    Raster2d<float> floatRelief(5, 5);
    floatRelief.fill(99);
    ASSERT_TRUE(bevel(pShape.get(), pProfile.get(), &floatRelief));
    EXPECT_EQ(m_output.at(2, 2), 2.0f);
    EXPECT_EQ(m_output.at(1, 1), 0.0f);

    // A bas-relief of another size is refused.
    LogCapture log;
    Raster2d<unsigned char> smallRelief(4, 5);
    m_output.fill(-1);
    EXPECT_FALSE(bevel(pShape.get(), pProfile.get(), &smallRelief));
    EXPECT_EQ(elements(m_output), std::vector<float>(25, -1.0f));
    expectOneError(log, "ImageModifierBevel", "Size of input and output are not identical");
}

TEST_F(BevelModifierTest, KeyWithBothNamesIsTheProfile)
{
    m_modifier.setParameters(names("A", "B"));
    auto pShape = makeShape();
    auto pProfile = makeRaster<float>(5, 1, {0, 1, 2, 3, 4});
    Raster2d<float> other(5, 5);
    other.fill(1);
    // "AB" holds the profile; the shape is found under "A".
    ImageModifierBase::RasterMap inputs{{"A", pShape.get()}, {"AB", pProfile.get()}};
    ImageModifierBase::RasterMap outputs{{"OUT", &m_output}};
    ASSERT_TRUE(m_modifier.process(inputs, outputs));
    EXPECT_EQ(m_output.at(2, 2), 2.0f);
    // Without any key for the profile alone, the shape is missing.
    LogCapture log;
    ImageModifierBase::RasterMap onlyBoth{{"AB", pProfile.get()}, {"XB", pProfile.get()}};
    EXPECT_FALSE(m_modifier.process(onlyBoth, outputs));
    EXPECT_EQ(log.count("ERROR"), 1);
}

TEST_F(BevelModifierTest, RefusalsLeaveOutputUntouched)
{
    LogCapture log;
    auto pShape = makeShape();
    auto pProfile = makeRaster<float>(5, 1, {0, 1, 2, 3, 4});
    Raster2d<unsigned char> bytes(5, 5);
    Raster2d<float> small(4, 4);
    m_output.fill(-1);

    m_modifier.setParameters({{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "SHAPE"}});
    EXPECT_FALSE(bevel(pShape.get(), pProfile.get()));
    m_modifier.setParameters(names("SHAPE", "PROFILE"));
    EXPECT_FALSE(bevel(&bytes, pProfile.get()));
    ImageModifierBase::RasterMap inputs{{"SHAPE", pShape.get()}, {"PROFILE", pProfile.get()}};
    ImageModifierBase::RasterMap byteOutput{{"OUT", &bytes}};
    EXPECT_FALSE(m_modifier.process(inputs, byteOutput));
    EXPECT_FALSE(bevel(&small, pProfile.get()));
    EXPECT_EQ(elements(m_output), std::vector<float>(25, -1.0f));

    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(": Parameters were not set correctly"));
    EXPECT_TRUE(lines[1].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[3].endsWith(": Size of input and output are not identical"));

    ImageModifierBase::RasterMap one{{"SHAPE", pShape.get()}};
    ImageModifierBase::RasterMap outputs{{"OUT", &m_output}};
    EXPECT_ASSERTION(m_modifier.process(one, outputs),
                     "mapInputRasters.size() >= 2 && mapOutputRasters.size() == 1");
}

TEST_F(BevelModifierTest, UnusableScaleFactorIsRefusedAndNegativeValuesClamped)
{
    LogCapture log;
    auto pProfile = makeRaster<float>(5, 1, {3, 3, 3, 3, 4});
    m_output.fill(-1);
    // All equal and non-zero: no range to stretch.
    Raster2d<float> constant(5, 5);
    constant.fill(2);
    EXPECT_FALSE(bevel(&constant, pProfile.get()));
    // A one-column profile: factor 0.
    auto pShape = makeShape();
    auto pOneColumn = makeRaster<float>(1, 1, {5});
    EXPECT_FALSE(bevel(pShape.get(), pOneColumn.get()));
    // An infinite distance: factor 0 as well.
    auto pInfinite = makeShape();
    pInfinite->set(2, 2, std::numeric_limits<float>::infinity());
    EXPECT_FALSE(bevel(pInfinite.get(), pProfile.get()));
    EXPECT_EQ(elements(m_output), std::vector<float>(25, -1.0f));
    EXPECT_EQ(log.count("ERROR"), 3);

    // Range -1..2 over 5 columns (factor 4/3); -1 takes the first column:
    // 3 / (4/3) = 2.25 -> 2. Value 2 lands on column 2.67: 3 / (4/3) -> 2.
    auto pNegative = makeShape();
    pNegative->set(1, 1, -1);
    ASSERT_TRUE(bevel(pNegative.get(), pProfile.get()));
    EXPECT_EQ(m_output.at(1, 1), 2.0f);
    EXPECT_EQ(m_output.at(2, 2), 2.0f);
    for (float fHeight : elements(m_output))
    {
        EXPECT_TRUE(std::isfinite(fHeight));
    }
}
