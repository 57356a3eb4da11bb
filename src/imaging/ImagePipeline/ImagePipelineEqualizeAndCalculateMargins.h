#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_EQUALIZE_AND_CALCULATE_MARGINS =
    QStringLiteral("PIPELINE_EQUALIZE_AND_CALCULATE_MARGINS");

// Evens out the shading of an 8-bit picture and stretches its contrast (when
// enabled), then marks the margins as the picture's region of interest. The
// pixels are not cut here: the crop step that reads this output cuts them.
// Runs on a pool thread.
class ImageProcessorEqualizeAndCalculateMargins : public ImageProcessorBase
{
public:
    ImageProcessorEqualizeAndCalculateMargins();

    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;
};

// One input I, one output O. Creates O (without a raster) and the parameter
// objects I/MODIFIER_EQUALIZE/0 and O/MODIFIER_ROI/0 when they are missing.
// The margins are named after the output so that the crop step reading O
// shares them. GUI thread; the caller owns the returned pipeline.
class ImagePipelineFactoryEqualizeAndCalculateMargins : public ImagePipelineFactoryBase
{
public:
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
