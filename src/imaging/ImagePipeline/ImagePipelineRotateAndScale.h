#pragma once

#include "RawImageImporter.h"

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_ROTATE_AND_SCALE = QStringLiteral("PIPELINE_ROTATE_AND_SCALE");

// Rotates, scales and shifts an 8-bit picture about its centre; the output
// size follows the transformation's own rule (by default a square of the
// input's longer side). A picture of extreme aspect ratio would need a huge
// square: an output above MAXIMUM_OUTPUT_PIXELS, or a side of input or output
// at or beyond OpenCV's warp limit, is refused before anything is allocated,
// with one ERROR line and the reason for the user, and the output keeps what
// it had. Runs on a pool thread.
class ImageProcessorRotateAndScale : public ImageProcessorBase
{
public:
    // 8192 x 8192: far above the working resolutions.
    // As large as the working pictures the importer hands on.
    static constexpr qint64 MAXIMUM_OUTPUT_PIXELS = RawImageImporter::MAXIMUM_WORKING_PIXELS;
    // OpenCV's warp takes sides below this only.
    static constexpr unsigned int MAXIMUM_SIDE_EXCLUSIVE = 32767;

    ImageProcessorRotateAndScale();

    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;
};

// One input I, one output O. Creates O (without a raster) and the parameter
// object I/MODIFIER_GEOMETRIC_TRANSFORMATION/0 when missing. GUI thread; the
// caller owns the returned pipeline.
class ImagePipelineFactoryRotateAndScale : public ImagePipelineFactoryBase
{
public:
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
