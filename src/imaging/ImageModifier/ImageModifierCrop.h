#pragma once

#include "ImageModifierBase.h"

#include <QRectF>

inline const QString MODIFIER_CROP = QStringLiteral("MODIFIER_CROP");

// Cuts the input's region of interest out of an 8-bit raster into an 8-bit
// output of the region's size. No parameters; the output's region of
// interest is left as it was.
class ImageModifierCrop : public ImageModifierBase
{
public:
    explicit ImageModifierCrop(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    // The size of the input's region of interest in pixels. False for a null
    // input and for a region that is empty in pixels or reaches outside the
    // raster (negative margins). The output raster is not looked at.
    bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                       unsigned int& nHeight) override;

    // Margins in pixels of a normalised region on a raster of nWidth x
    // nHeight: products truncated toward zero, not rounded. A margin is
    // negative when the region reaches beyond that side. False (margins
    // untouched) when a margin is not a finite number within int range.
    bool calculateMargins(QRectF roi, unsigned int nWidth, unsigned int nHeight, int& nLeft, int& nRight,
                          int& nTop, int& nBottom) const;
};
