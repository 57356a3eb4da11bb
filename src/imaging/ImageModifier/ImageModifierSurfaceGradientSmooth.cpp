#include "ImageModifierSurfaceGradientSmooth.h"

#include "CvRaster.h"
#include "ImageModifierSurfaceGradient.h"
#include "SimpleException.h"

#include <opencv2/imgproc.hpp>

ImageModifierSurfaceGradientSmooth::ImageModifierSurfaceGradientSmooth(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierSurfaceGradientSmooth::getDefaultParameters() const
{
    return {{ADVANCED_SMOOTHING, false}};
}

bool ImageModifierSurfaceGradientSmooth::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() == 2 && mapOutputRasters.size() == 2);

    const GradientRoles inputs = GradientRoles::sort(mapInputRasters);
    Raster2d<float>* pInputX = as<float>(inputs.pGradientX);
    Raster2d<float>* pInputY = as<float>(inputs.pGradientY);
    if (!pInputX || !pInputY)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    const GradientRoles outputs = GradientRoles::sort(mapOutputRasters);
    Raster2d<float>* pOutputX = as<float>(outputs.pGradientX);
    Raster2d<float>* pOutputY = as<float>(outputs.pGradientY);
    if (!pOutputX || !pOutputY)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (!sameSize(pInputX, pInputY) || !sameSize(pInputX, pOutputX) || !sameSize(pInputX, pOutputY))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    bool bAdvancedSmoothing = false;
    getValue(ADVANCED_SMOOTHING, bAdvancedSmoothing);

    smooth(*pInputX, *pOutputX, bAdvancedSmoothing);
    smooth(*pInputY, *pOutputY, bAdvancedSmoothing);
    return true;
}

void ImageModifierSurfaceGradientSmooth::smooth(Raster2d<float>& input, Raster2d<float>& output,
                                                bool bAdvancedSmoothing)
{
    cv::Mat source = cvHeader(input);
    cv::Mat target = cvHeader(output);
    if (bAdvancedSmoothing)
    {
        // The bilateral filter refuses to work in place.
        if (input.getData() == output.getData())
        {
            source = source.clone();
        }
        cv::bilateralFilter(source, target, -1, 1.5, 4.0, cv::BORDER_DEFAULT);
    }
    else
    {
        cv::blur(source, target, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_DEFAULT);
    }
}
