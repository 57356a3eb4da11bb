#include "ImageModifier/ImageModifierBlur.h"
#include "ImageModifier/ImageModifierDepthScale.h"
#include "ImageModifier/ImageModifierDilate.h"
#include "ImageModifier/ImageModifierDistanceTransform.h"
#include "ImageModifier/ImageModifierEqualize.h"
#include "ImageModifier/ImageModifierErode.h"
#include "ImageModifier/ImageModifierFlip.h"
#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierMedian.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "support/ModifierTestSupport.h"

#include <functional>
#include <memory>

namespace
{
// A modifier of the element-wise family, switched on, with the element
// kinds it accepts (true: float, false: 8-bit).
struct Member
{
    QString sClass;
    std::function<std::unique_ptr<ImageModifierBase>()> make;
    bool bFloatInput;
    bool bFloatOutput;
};

template <typename T>
std::function<std::unique_ptr<ImageModifierBase>()> configured(ImageModifierBase::ParameterMap parameters)
{
    return [parameters] {
        auto pModifier = std::make_unique<T>("M");
        pModifier->setParameters(parameters);
        return std::unique_ptr<ImageModifierBase>(std::move(pModifier));
    };
}

std::unique_ptr<Raster2dBase> raster(bool bFloat, unsigned int nWidth, unsigned int nHeight)
{
    if (bFloat)
    {
        auto pRaster = std::make_unique<Raster2d<float>>(nWidth, nHeight);
        pRaster->fill(3.0f);
        return pRaster;
    }
    auto pRaster = std::make_unique<Raster2d<unsigned char>>(nWidth, nHeight);
    pRaster->fill(3);
    return pRaster;
}

// Every byte of the raster's memory, to see that a refusal wrote nothing.
std::vector<unsigned char> bytes(Raster2dBase& raster)
{
    auto* pBytes = dynamic_cast<Raster2d<unsigned char>*>(&raster);
    const unsigned char* pData = pBytes ? pBytes->getData()
                                        : reinterpret_cast<const unsigned char*>(
                                              dynamic_cast<Raster2d<float>&>(raster).getData());
    return std::vector<unsigned char>(pData, pData + raster.getByteSize());
}
} // namespace

// Wrong element kinds and sizes: one ERROR line from the modifier's own
// source, false, and the output as it was.
TEST(ModifierRefusalsTest, ElementWiseModifiersRefuseWrongRasters)
{
    const Member members[] = {
        {"ImageModifierThreshold", configured<ImageModifierThreshold>({{"THRESHOLD", 1}, {"MODIFIER_THRESHOLD_ENABLED", true}}),
         false, false},
        {"ImageModifierInvert", configured<ImageModifierInvert>({{"INVERT", true}}), false, false},
        {"ImageModifierFlip", configured<ImageModifierFlip>({{"VERTICAL", true}, {"HORIZONTAL", true}}), false, false},
        {"ImageModifierEqualize", configured<ImageModifierEqualize>({{"MODIFIER_EQUALIZE_ENABLED", true}}), false,
         false},
        {"ImageModifierDilate", configured<ImageModifierDilate>({{"ITERATIONS", 500}}), false, false},
        {"ImageModifierErode", configured<ImageModifierErode>({{"ITERATIONS", 500}}), false, false},
        {"ImageModifierMedian", configured<ImageModifierMedian>({{"SIZE", 500}}), false, false},
        {"ImageModifierBlur", configured<ImageModifierBlur>({{"SIZE", 500}}), false, false},
        {"ImageModifierDistanceTransform", configured<ImageModifierDistanceTransform>({}), false, true},
        {"ImageModifierDepthScale", configured<ImageModifierDepthScale>({{"SIZE", 2.0}}), true, true},
    };
    for (const Member& member : members)
    {
        SCOPED_TRACE(member.sClass.toStdString());
        std::unique_ptr<ImageModifierBase> pModifier = member.make();
        auto pInput = raster(member.bFloatInput, 6, 4);
        {
            LogCapture log;
            auto pWrongInput = raster(!member.bFloatInput, 6, 4);
            auto pOutput = raster(member.bFloatOutput, 6, 4);
            const std::vector<unsigned char> before = bytes(*pOutput);
            EXPECT_FALSE(pModifier->process(pWrongInput.get(), pOutput.get()));
            expectOneError(log, member.sClass, "Input raster could not be processed");
            EXPECT_EQ(bytes(*pOutput), before);
        }
        {
            LogCapture log;
            auto pWrongOutput = raster(!member.bFloatOutput, 6, 4);
            const std::vector<unsigned char> before = bytes(*pWrongOutput);
            EXPECT_FALSE(pModifier->process(pInput.get(), pWrongOutput.get()));
            expectOneError(log, member.sClass, "Output raster could not be processed");
            EXPECT_EQ(bytes(*pWrongOutput), before);
        }
        {
            LogCapture log;
            EXPECT_FALSE(pModifier->process(pInput.get(), nullptr));
            expectOneError(log, member.sClass, "Output raster could not be processed");
        }
        {
            LogCapture log;
            auto pTurned = raster(member.bFloatOutput, 4, 6);
            const std::vector<unsigned char> before = bytes(*pTurned);
            EXPECT_FALSE(pModifier->process(pInput.get(), pTurned.get()));
            expectOneError(log, member.sClass, "Size of input and output are not identical");
            EXPECT_EQ(bytes(*pTurned), before);
        }
        {
            // The same modifier still works on a proper pair.
            auto pOutput = raster(member.bFloatOutput, 6, 4);
            if (member.sClass != "ImageModifierEqualize")
            {
                EXPECT_TRUE(pModifier->process(pInput.get(), pOutput.get()));
            }
        }
    }
}
