#include "ImageModifierClone.h"

#include <cstring>

ImageModifierClone::ImageModifierClone(const QString& sName)
    : ImageModifierBase(sName)
{
}

bool ImageModifierClone::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    if (pInput == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    }
    if (pOutput == nullptr)
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_RASTER);
    }
    if (!sameSize(pInput, pOutput))
    {
        return fail(LOG_LOCATION, MESSAGE_OUTPUT_SIZE);
    }
    const bool bBytes = as<unsigned char>(pInput) && as<unsigned char>(pOutput);
    const bool bFloats = as<float>(pInput) && as<float>(pOutput);
    if (!bBytes && !bFloats)
    {
        return fail(LOG_LOCATION, MESSAGE_RASTER_TYPE);
    }
    if (pInput != pOutput)
    {
        void* pTarget = bBytes ? static_cast<void*>(as<unsigned char>(pOutput)->getData())
                               : static_cast<void*>(as<float>(pOutput)->getData());
        const void* pSource = bBytes ? static_cast<const void*>(as<unsigned char>(pInput)->getData())
                                     : static_cast<const void*>(as<float>(pInput)->getData());
        std::memcpy(pTarget, pSource, pOutput->getByteSize());
        pOutput->setRoi(pInput->getRoi());
    }
    return true;
}
