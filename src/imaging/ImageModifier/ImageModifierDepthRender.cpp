#include "ImageModifierDepthRender.h"

#include "ImageModifierSurfaceGradient.h"
#include "SimpleException.h"

#include <cmath>

ImageModifierDepthRender::ImageModifierDepthRender(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierDepthRender::getDefaultParameters() const
{
    return {{LIGHT_DIRECTION, QVariant::fromValue(QList<double>{1.0, 1.0})}};
}

bool ImageModifierDepthRender::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() == 3 && mapOutputRasters.size() == 1);

    QList<double> lightDirection;
    if (!getValue(LIGHT_DIRECTION, lightDirection) || lightDirection.size() != 2)
    {
        return false;
    }

    const GradientRoles inputs = GradientRoles::sort(mapInputRasters);
    const Raster2d<float>* pDepth = as<float>(inputs.pOther);
    const Raster2d<float>* pGradientX = as<float>(inputs.pGradientX);
    const Raster2d<float>* pGradientY = as<float>(inputs.pGradientY);
    if (!pDepth || !pGradientX || !pGradientY)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    Raster2d<unsigned char>* pRender = as<unsigned char>(mapOutputRasters.begin()->second);
    if (!pRender)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (!sameSize(pDepth, pRender))
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_SIZE);
    }
    // The slopes are read at the heights' indices, so they must match too.
    if (!sameSize(pDepth, pGradientX) || !sameSize(pDepth, pGradientY))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    const bool bRenderOk = render(pDepth, pGradientX, pGradientY, pRender, lightDirection[0], lightDirection[1]);
    MOLDENA_ASSERT(bRenderOk);
    return true;
}

bool ImageModifierDepthRender::render(const Raster2d<float>* pRaster2dInputDepth,
                                      const Raster2d<float>* pRaster2dInputGradientX,
                                      const Raster2d<float>* pRaster2dInputGradientY,
                                      Raster2d<unsigned char>* pRaster2dOutput, double dLightX, double dLightY)
{
    MOLDENA_ASSERT(pRaster2dInputDepth);
    MOLDENA_ASSERT(pRaster2dInputGradientX);
    MOLDENA_ASSERT(pRaster2dInputGradientY);
    MOLDENA_ASSERT(pRaster2dOutput);
    const unsigned int nSize = pRaster2dOutput->getSize();
    if (pRaster2dInputDepth->getSize() != nSize || pRaster2dInputGradientX->getSize() != nSize ||
        pRaster2dInputGradientY->getSize() != nSize)
    {
        return false;
    }

    const float* pDepth = pRaster2dInputDepth->getData();
    const float* pGradientX = pRaster2dInputGradientX->getData();
    const float* pGradientY = pRaster2dInputGradientY->getData();
    unsigned char* pOutput = pRaster2dOutput->getData();

    // Written as a loop rather than cv::minMaxLoc because not-a-number
    // heights must be passed over, which the vectorised search does not
    // promise.
    double dMaximum = 0.0;
    for (unsigned int i = 0; i < nSize; ++i)
    {
        if (pDepth[i] > dMaximum)
        {
            dMaximum = pDepth[i];
        }
    }
    // With no positive height there is no scale for the height term.
    const bool bHeightTerm = dMaximum > 0.0;

    // The vector towards the light.
    double dLx = -dLightX;
    double dLy = -dLightY;
    const double dLength = std::sqrt(dLx * dLx + dLy * dLy);
    if (dLength >= 0.00001)
    {
        dLx /= dLength;
        dLy /= dLength;
    }
    // |dot| never exceeds S, so dot / S lies in -1..1; without a light
    // direction every pixel gets the middle shade.
    const double dS = std::fabs(dLx) + std::fabs(dLy);
    const bool bLightTerm = dS > 0.0;

    for (unsigned int i = 0; i < nSize; ++i)
    {
        const double dHeight = pDepth[i];
        if (dHeight == 0.0)
        {
            pOutput[i] = 0;
            continue;
        }
        const double dGx = pGradientX[i];
        const double dGy = pGradientY[i];
        const double dRootX = std::sqrt(dGx * dGx + 1.0);
        const double dRootY = std::sqrt(dGy * dGy + 1.0);
        const double dNx = dRootX >= 0.00001 ? -dGx / dRootX : -dGx;
        const double dNy = dRootY >= 0.00001 ? -dGy / dRootY : -dGy;
        const double dDot = dNx * dLx + dNy * dLy;
        const double dShade = ((bLightTerm ? dDot / dS : 0.0) + 1.0) * 0.5 * 85.0;
        const double dValue = dShade + (bHeightTerm ? dHeight / dMaximum * 170.0 : 0.0);
        // The comparison order sends not-a-number to 0.
        if (!(dValue >= 0.0))
        {
            pOutput[i] = 0;
        }
        else if (dValue >= 255.0)
        {
            pOutput[i] = 255;
        }
        else
        {
            pOutput[i] = static_cast<unsigned char>(dValue);
        }
    }
    return true;
}
