#include "ImageModifierRoi.h"

#include <QRectF>

ImageModifierRoi::ImageModifierRoi(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierRoi::getDefaultParameters() const
{
    return {{LEFT, QVariant(0.0)}, {RIGHT, QVariant(1.0)}, {TOP, QVariant(0.0)}, {BOTTOM, QVariant(1.0)}};
}

bool ImageModifierRoi::getMargins(double& dLeft, double& dRight, double& dTop, double& dBottom) const
{
    dLeft = 0.0;
    dRight = 0.0;
    dTop = 0.0;
    dBottom = 0.0;
    if (!getValue(LEFT, dLeft) || !getValue(RIGHT, dRight) || !getValue(TOP, dTop) || !getValue(BOTTOM, dBottom))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    return true;
}

bool ImageModifierRoi::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pRaster = as<unsigned char>(pInput);
    if (pRaster == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    if (pInput != pOutput)
    {
        return fail(LOG_LOCATION, MESSAGE_REQUIRES_SAME_RASTER);
    }
    double dLeft = 0.0;
    double dRight = 0.0;
    double dTop = 0.0;
    double dBottom = 0.0;
    if (!getMargins(dLeft, dRight, dTop, dBottom))
    {
        return false;
    }
    // A region outside the raster, turned over or empty would make the crop
    // that follows read outside the raster; NaN fails these tests as well.
    if (!(dLeft >= 0.0 && dRight <= 1.0 && dLeft < dRight && dTop >= 0.0 && dBottom <= 1.0 && dTop < dBottom))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_INVALID);
    }
    pRaster->setRoi(QRectF(dLeft, dTop, dRight - dLeft, dBottom - dTop));
    return true;
}
