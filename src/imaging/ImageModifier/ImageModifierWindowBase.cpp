#include "ImageModifierWindowBase.h"

#include <algorithm>
#include <climits>
#include <cmath>

ImageModifierWindowBase::ImageModifierWindowBase(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierWindowBase::getDefaultParameters() const
{
    return {{SIZE, QVariant(int(0))}};
}

bool ImageModifierWindowBase::prepareWindow(const QString& sLocation, Raster2dBase* pInput, Raster2dBase* pOutput,
                                            Raster2d<unsigned char>*& pIn, Raster2d<unsigned char>*& pOut,
                                            int& nSide)
{
    if (!castRasters(sLocation, pInput, pOutput, pIn, pOut))
    {
        return false;
    }
    int nSize = 0;
    if (!getValue(SIZE, nSize))
    {
        return fail(sLocation, MESSAGE_PARAMETERS_NOT_SET);
    }
    const double dStrength = std::sqrt(double(pIn->getSize())) * (double(nSize) / 1000.0);
    if (dStrength < 2.0)
    {
        return false;
    }
    // Kept within int so that the window arithmetic cannot overflow.
    const int n = int(std::min(dStrength, double(INT_MAX - 1)));
    nSide = (n % 2 == 1) ? n : n + 1;
    return true;
}
