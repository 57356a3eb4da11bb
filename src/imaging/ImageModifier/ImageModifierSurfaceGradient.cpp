#include "ImageModifierSurfaceGradient.h"

#include "CvRaster.h"
#include "Identifiers.h"
#include "SimpleException.h"

#include <opencv2/imgproc.hpp>

GradientRoles GradientRoles::sort(const ImageModifierBase::RasterMap& mapRasters)
{
    GradientRoles roles;
    for (const auto& entry : mapRasters)
    {
        if (entry.first.contains(GRADIENT_X))
        {
            roles.pGradientX = entry.second;
        }
        else if (entry.first.contains(GRADIENT_Y))
        {
            roles.pGradientY = entry.second;
        }
        else
        {
            roles.pOther = entry.second;
        }
    }
    return roles;
}

ImageModifierSurfaceGradient::ImageModifierSurfaceGradient(const QString& sName)
    : ImageModifierBase(sName)
{
}

bool ImageModifierSurfaceGradient::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() == 1 && mapOutputRasters.size() == 2);

    const Raster2d<float>* pHeights = as<float>(mapInputRasters.begin()->second);
    if (!pHeights)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }

    const GradientRoles outputs = GradientRoles::sort(mapOutputRasters);
    Raster2d<float>* pGradientX = as<float>(outputs.pGradientX);
    Raster2d<float>* pGradientY = as<float>(outputs.pGradientY);
    if (!pGradientX || !pGradientY)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (!sameSize(pGradientX, pGradientY) || !sameSize(pHeights, pGradientY))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    // Kernel size 1 is the plain [-1 0 1] difference without smoothing across.
    const cv::Mat heights = cvHeader(*pHeights);
    cv::Mat gradientX = cvHeader(*pGradientX);
    cv::Mat gradientY = cvHeader(*pGradientY);
    cv::Sobel(heights, gradientX, CV_32F, 1, 0, 1, 1.0, 0.0, cv::BORDER_DEFAULT);
    cv::Sobel(heights, gradientY, CV_32F, 0, 1, 1, 1.0, 0.0, cv::BORDER_DEFAULT);
    return true;
}
