#pragma once

#include "ImageModifierBase.h"

#include <opencv2/core.hpp>

inline const QString MODIFIER_GEOMETRIC_TRANSFORMATION = QStringLiteral("MODIFIER_GEOMETRIC_TRANSFORMATION");
inline const QString MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_VALUES = QStringLiteral("SCALE_VALUES");
inline const QString MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_X = QStringLiteral("SCALE_X");
inline const QString MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_Y = QStringLiteral("SCALE_Y");

// Rotates, scales and moves a raster about its centre (bilinear sampling)
// into an output whose size follows the size rule of getOutputSize().
// Input and output are both 8-bit or both float rasters; they may be the
// same raster when the sizes agree. The uncovered area gets the border value.
class ImageModifierGeometricTransformation : public ImageModifierBase
{
public:
    // Rotation in degrees, int, default 0; positive turns counter-clockwise
    // on screen.
    static inline const QString ANGLE = QStringLiteral("ANGLE");
    // Scale factors, read as double, defaults 1 (stored as int).
    static inline const QString SCALE_X = MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_X;
    static inline const QString SCALE_Y = MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_Y;
    // Shift as a fraction of the geometric mean of the output's sides,
    // doubles, default 0.0.
    static inline const QString TRANSLATE_X = QStringLiteral("TRANSLATE_X");
    static inline const QString TRANSLATE_Y = QStringLiteral("TRANSLATE_Y");
    // Multiply the values by the mean scale factor; 8-bit results limited to
    // 0..255, float results to at most 65535. Default false.
    static inline const QString SCALE_VALUES = MODIFIER_GEOMETRIC_TRANSFORMATION_PARAMETER_SCALE_VALUES;
    // Size rule: measure the given output raster instead of the input.
    static inline const QString USE_OUTPUT_SIZE = QStringLiteral("USE_OUTPUT_SIZE");
    // Uncovered area 0 instead of white (255, or the largest float).
    static inline const QString USE_BLACK_BORDER = QStringLiteral("USE_BLACK_BORDER");
    // Size rule: keep the measured width and height instead of a square of
    // the longer side. Not among the defaults; absent counts as false.
    static inline const QString KEEP_SIZE = QStringLiteral("KEEP_SIZE");

    explicit ImageModifierGeometricTransformation(const QString& sName);

    // False after a logged refusal; throws SimpleException when SCALE_VALUES,
    // SCALE_X or SCALE_Y cannot be read.
    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override;
    // The measured raster's size with KEEP_SIZE, else a square of its longer
    // side. pOutput may be null. False only when there is nothing to measure.
    bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                       unsigned int& nHeight) override;
    ParameterMap getDefaultParameters() const override;

    // The 3 x 3 double matrix mapping input positions (x right, y down) to
    // output positions: translate, rotate and scale about the centres.
    bool getTransformationMatrix(cv::Mat& matrix, unsigned int nInputWidth, unsigned int nInputHeight,
                                 unsigned int nOutputWidth, unsigned int nOutputHeight) const;
    // Value of the uncovered area for each element type.
    unsigned char getBorderValue(const Raster2d<unsigned char>* pRaster) const;
    float getBorderValue(const Raster2d<float>* pRaster) const;
};
