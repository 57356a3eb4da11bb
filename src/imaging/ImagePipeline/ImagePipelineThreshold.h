#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_THRESHOLD = QStringLiteral("PIPELINE_THRESHOLD");

// Binarises an 8-bit picture, then optionally inverts it: elements above the
// threshold become 255, the rest 0. A modifier that declines (switched off)
// leaves the picture as it was. Runs on a pool thread.
class ImageProcessorThreshold : public ImageProcessorBase
{
public:
    ImageProcessorThreshold();

    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;
};

// One input, one output. Creates the output image object (without a raster)
// and the parameter objects <input>/MODIFIER_INVERT/0 and
// <input>/MODIFIER_THRESHOLD/0 when they are missing. GUI thread; the caller
// owns the returned pipeline.
class ImagePipelineFactoryThreshold : public ImagePipelineFactoryBase
{
public:
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
