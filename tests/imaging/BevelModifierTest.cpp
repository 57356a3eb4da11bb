#include "ImageModifier/ImageModifierBevel.h"
#include "support/ModifierTestSupport.h"

#include <cmath>
#include <limits>
#include <vector>

namespace
{
using Floats = std::vector<float>;

class BevelModifierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        names("SHAPE", "PROFILE");
        // Distances of a 5 by 5 shape; the frame element (0, 2) is not zero
        // but is cleared by the frame rule, (1, 3) is a hole.
        setElements<float>(m_shape, {0, 0, 0, 0, 0,          //
                                     0, 0.25f, 1, 0.75f, 0,  //
                                     1, 1, 2, 1, 0,          //
                                     0, 0, 1, 1.5f, 0,       //
                                     0, 0, 0, 0, 0});
        setElements<float>(m_identity, {0, 1, 2, 3, 4});
        m_output.fill(-1);
    }

    void names(const QString& sShape, const QString& sProfile)
    {
        m_modifier.setParameters({{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, sShape},
                                  {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, sProfile}});
    }

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

    ImageModifierBevel m_modifier{MODIFIER_BEVEL};
    Raster2d<float> m_shape{5, 5};
    Raster2d<float> m_identity{5, 1};
    Raster2d<float> m_output{5, 5};
};
} // namespace

TEST_F(BevelModifierTest, ShapeIsBevelledThroughEitherProfile)
{
    // Shape range 0..2 over 5 profile columns: factor 2. The identity gives
    // every element its shape value rounded half up: 0.25 -> 0, 0.75 -> 1, 1.5 -> 2.
    ASSERT_TRUE(bevel(&m_shape, &m_identity));
    EXPECT_EQ(elements(m_output), (Floats{0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 2, 1, 0, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0}));

    // 0.25 -> column 0.5: (0 + 2) / 2 / 2 = 0.5 -> 1; 1 -> 3 / 2 -> 2;
    // 0.75 -> column 1.5: (2 + 3) / 2 / 2 -> 1; 1.5 -> 5 / 2 -> 3; 2 -> 8 / 2.
    // Only the profile's first row is read.
    Raster2d<float> steep(5, 2);
    setElements<float>(steep, {0, 2, 3, 5, 8, 100, 100, 100, 100, 100});
    ASSERT_TRUE(bevel(&m_shape, &steep));
    EXPECT_EQ(elements(m_output), (Floats{0, 0, 0, 0, 0, 0, 1, 2, 1, 0, 0, 2, 4, 2, 0, 0, 0, 2, 3, 0, 0, 0, 0, 0, 0}));
}

TEST_F(BevelModifierTest, ConstantProfileAndValuesBeyondTheLastColumn)
{
    // Shape 0..100 over 101 columns (factor 1): every shape element gets P half up.
    m_shape.fill(0);
    m_shape.set(1, 1, 100);
    m_shape.set(2, 2, 37.5f);
    Raster2d<float> constant(101, 1);
    constant.fill(6.5f);
    ASSERT_TRUE(bevel(&m_shape, &constant));
    EXPECT_EQ(m_output.at(1, 1), 7.0f);
    EXPECT_EQ(m_output.at(2, 2), 7.0f);
    EXPECT_EQ(m_output.at(3, 3), 0.0f);

    // Minimum 1: values 1..3 on 3 columns (factor 1) map to columns 1..3, and
    // column 3 lies beyond the last one.
    Raster2d<float> raised(3, 3);
    setElements<float>(raised, {1, 1, 1, 1, 3, 1, 1, 1, 1});
    Raster2d<float> profile(3, 1);
    setElements<float>(profile, {0, 1, 2});
    Raster2d<float> output(3, 3);
    ImageModifierBase::RasterMap inputs{{"SHAPE", &raised}, {"PROFILE", &profile}};
    ImageModifierBase::RasterMap outputs{{"OUT", &output}};
    ASSERT_TRUE(m_modifier.process(inputs, outputs));
    EXPECT_EQ(output.at(1, 1), 2.0f);
}

TEST_F(BevelModifierTest, BasReliefReplacesProfileInsideTheShape)
{
    Raster2d<unsigned char> relief(5, 5);
    for (unsigned int i = 0; i < relief.getSize(); ++i)
    {
        relief.getData()[i] = static_cast<unsigned char>(200 + i);
    }
    ASSERT_TRUE(bevel(&m_shape, &m_identity, &relief));
    EXPECT_EQ(m_output.at(1, 1), 206.0f);
    EXPECT_EQ(m_output.at(3, 3), 218.0f);
    EXPECT_EQ(m_output.at(1, 3), 0.0f); // a hole stays 0 whatever the relief holds
    EXPECT_EQ(m_output.at(0, 2), 0.0f); // frame

    // Stored as float it is no bas-relief: the profile is used.
    Raster2d<float> floatRelief(5, 5);
    floatRelief.fill(99);
    ASSERT_TRUE(bevel(&m_shape, &m_identity, &floatRelief));
    EXPECT_EQ(m_output.at(2, 2), 2.0f);

    LogCapture log;
    Raster2d<unsigned char> smallRelief(4, 5);
    m_output.fill(-1);
    EXPECT_FALSE(bevel(&m_shape, &m_identity, &smallRelief));
    EXPECT_EQ(elements(m_output), Floats(25, -1.0f));
    expectOneError(log, "ImageModifierBevel", "Size of input and output are not identical");
}

TEST_F(BevelModifierTest, KeyWithBothNamesIsTheProfile)
{
    names("A", "B");
    ImageModifierBase::RasterMap inputs{{"A", &m_shape}, {"AB", &m_identity}};
    ImageModifierBase::RasterMap outputs{{"OUT", &m_output}};
    ASSERT_TRUE(m_modifier.process(inputs, outputs));
    EXPECT_EQ(m_output.at(2, 2), 2.0f);
    LogCapture log;
    ImageModifierBase::RasterMap noShape{{"AB", &m_identity}, {"XB", &m_identity}};
    EXPECT_FALSE(m_modifier.process(noShape, outputs));
    expectOneError(log, "ImageModifierBevel", "Input raster could not be processed");
}

TEST_F(BevelModifierTest, RefusalsLeaveOutputUntouched)
{
    LogCapture log;
    Raster2d<unsigned char> bytes(5, 5);
    Raster2d<float> small(4, 4);
    m_modifier.setParameters({{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "SHAPE"}});
    EXPECT_FALSE(bevel(&m_shape, &m_identity));
    names("SHAPE", "PROFILE");
    EXPECT_FALSE(bevel(&bytes, &m_identity));
    ImageModifierBase::RasterMap inputs{{"SHAPE", &m_shape}, {"PROFILE", &m_identity}};
    ImageModifierBase::RasterMap byteOutput{{"OUT", &bytes}};
    EXPECT_FALSE(m_modifier.process(inputs, byteOutput));
    EXPECT_FALSE(bevel(&small, &m_identity));
    EXPECT_EQ(elements(m_output), Floats(25, -1.0f));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(": Parameters were not set correctly"));
    EXPECT_TRUE(lines[1].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[3].endsWith(": Size of input and output are not identical"));

    ImageModifierBase::RasterMap one{{"SHAPE", &m_shape}};
    ImageModifierBase::RasterMap outputs{{"OUT", &m_output}};
    EXPECT_ASSERTION(m_modifier.process(one, outputs), "mapInputRasters.size() >= 2 && mapOutputRasters.size() == 1");
}

TEST_F(BevelModifierTest, UnusableScaleFactorIsRefusedAndNegativeValuesClamped)
{
    LogCapture log;
    Raster2d<float> profile(5, 1);
    setElements<float>(profile, {3, 3, 3, 3, 4});
    Raster2d<float> constant(5, 5); // all equal and non-zero: no range to stretch
    constant.fill(2);
    EXPECT_FALSE(bevel(&constant, &profile));
    Raster2d<float> oneColumn(1, 1); // factor 0
    oneColumn.fill(5);
    EXPECT_FALSE(bevel(&m_shape, &oneColumn));
    Raster2d<float> infinite(5, 5); // factor 0 as well
    infinite.fill(1);
    infinite.set(2, 2, std::numeric_limits<float>::infinity());
    EXPECT_FALSE(bevel(&infinite, &profile));
    EXPECT_EQ(elements(m_output), Floats(25, -1.0f));
    EXPECT_EQ(log.count("ERROR"), 3);
    // Without any element inside the shape, or with a bas-relief, no factor
    // is needed.
    Raster2d<unsigned char> relief(5, 5);
    relief.fill(40);
    ASSERT_TRUE(bevel(&constant, &oneColumn, &relief));
    EXPECT_EQ(m_output.at(2, 2), 40.0f);
    Raster2d<float> empty(5, 5);
    empty.fill(0);
    ASSERT_TRUE(bevel(&empty, &oneColumn));
    EXPECT_EQ(elements(m_output), Floats(25, 0.0f));
    EXPECT_EQ(log.count("ERROR"), 3);

    // Range -1..2 over 5 columns (factor 4/3); -1 takes the first column:
    // 3 / (4/3) = 2.25 -> 2.
    m_shape.set(1, 1, -1);
    ASSERT_TRUE(bevel(&m_shape, &profile));
    EXPECT_EQ(m_output.at(1, 1), 2.0f);
    for (float fHeight : elements(m_output))
    {
        EXPECT_TRUE(std::isfinite(fHeight));
    }
}
