#pragma once

#include "ImageModifierBase.h"

#include <opencv2/core.hpp>

// The shared part of erosion and dilation: an 8-bit raster filtered by
// repeated 3 x 3 passes into an 8-bit output of the same size. The area
// outside the raster never takes part.
class ImageModifierMorphologyBase : public ImageModifierBase
{
public:
    // Strength in thousandths of sqrt(width x height), int, default 0: the
    // number of passes is the integer part of sqrt(S) x ITERATIONS / 1000.
    // 0 does nothing (false, no log line); negative values are refused.
    static inline const QString ITERATIONS = QStringLiteral("ITERATIONS");

    explicit ImageModifierMorphologyBase(const QString& sName);

    ParameterMap getDefaultParameters() const override;

protected:
    // The library's erode or dilate.
    using Operation = void (*)(cv::InputArray, cv::OutputArray, cv::InputArray, cv::Point, int, int,
                               const cv::Scalar&);

    // Checks the rasters and the strength and runs the passes. Refusals are
    // logged at sLocation, the calling modifier's LOG_LOCATION.
    bool processPasses(const QString& sLocation, Raster2dBase* pInput, Raster2dBase* pOutput,
                       Operation operation);
};
