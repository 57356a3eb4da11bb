#pragma once

#include "ImageModifierBase.h"

// Element-wise copy of one raster into another of the same size and element
// type (8-bit or float); the output also takes the input's region of
// interest. No parameters. Made on the stack of the thread that copies.
class ImageModifierClone : public ImageModifierBase
{
public:
    explicit ImageModifierClone(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
};
