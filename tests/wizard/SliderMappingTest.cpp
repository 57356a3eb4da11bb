// Factor sliders place themselves where the factor they wrote lies.

#include "SliderMapping.h"

#include <gtest/gtest.h>

TEST(SliderMappingTest, EveryPositionReadsBackAsItselfAndStoredFactorsRound)
{
    const FactorSliderMapping transform{2.0, 2.0 / 3.0};  // 1/3 to 3 on -100..100
    const FactorSliderMapping depth{9.0, 0.9};            // 0.1 to 10
    for (const FactorSliderMapping& mapping : {transform, depth})
    {
        for (int nPosition = -100; nPosition <= 100; ++nPosition)
        {
            ASSERT_EQ(mapping.toPosition(mapping.toFactor(nPosition, -100, 100), -100, 100), nPosition);
        }
    }
    EXPECT_DOUBLE_EQ(transform.toFactor(50, -100, 100), 2.0);
    EXPECT_NEAR(transform.toFactor(-75, -100, 100), 0.5, 1e-12);
    EXPECT_EQ(transform.toPosition(0.5, -100, 100), -75);
    EXPECT_EQ(transform.toPosition(100.0, -100, 100), 100); // clamped
    EXPECT_EQ(sliderPosition(127.6, 0, 255), 128);
    EXPECT_EQ(sliderPosition(-3.0, 0, 255), 0);
}
