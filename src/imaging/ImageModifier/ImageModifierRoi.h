#pragma once

#include "ImageModifierBase.h"

inline const QString MODIFIER_ROI = QStringLiteral("MODIFIER_ROI");

// Sets the region of interest of an 8-bit raster from four edge positions;
// the elements are not touched. Input and output must be the same raster.
class ImageModifierRoi : public ImageModifierBase
{
public:
    // Edge positions as fractions of the raster's width (LEFT, RIGHT) and
    // height (TOP, BOTTOM), measured from its left and top sides; doubles,
    // defaults 0, 1, 0, 1 (the whole raster). The region must lie inside the
    // raster and not be empty: 0 <= LEFT < RIGHT <= 1, 0 <= TOP < BOTTOM <= 1.
    static inline const QString LEFT = QStringLiteral("LEFT");
    static inline const QString RIGHT = QStringLiteral("RIGHT");
    static inline const QString TOP = QStringLiteral("TOP");
    static inline const QString BOTTOM = QStringLiteral("BOTTOM");

    static inline const QString MESSAGE_REQUIRES_SAME_RASTER =
        QStringLiteral("This modifier requires pInput == pOutput");

    explicit ImageModifierRoi(const QString& sName);

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    ParameterMap getDefaultParameters() const override;

    // Reads the four edges (results first set to 0); false at the first one
    // missing, with one ERROR line.
    bool getMargins(double& dLeft, double& dRight, double& dTop, double& dBottom) const;
};
