#pragma once

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
// input's longer side). Runs on a pool thread.
class ImageProcessorRotateAndScale : public ImageProcessorBase
{
public:
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
