#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_SMOOTHING_AND_MORPHOLOGY = QStringLiteral("PIPELINE_SMOOTHING_AND_MORPHOLOGY");

// Cleans an 8-bit picture before thresholding: median, erosion, dilation,
// blur and mirroring, always in this order. Strengths are thousandths of the
// square root of the element count, so one setting acts alike at every
// resolution; a modifier whose strength selects nothing is skipped. Runs on a
// pool thread.
class ImageProcessorSmoothingAndMorphology : public ImageProcessorBase
{
public:
    ImageProcessorSmoothingAndMorphology();

    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;
};

// One input I, one output O. Creates O (without a raster) and the parameter
// objects I/MODIFIER_BLUR/0, I/MODIFIER_MEDIAN/0, I/MODIFIER_ERODE/0,
// I/MODIFIER_DILATE/0 and I/MODIFIER_FLIP/0 when they are missing. GUI
// thread; the caller owns the returned pipeline.
class ImagePipelineFactorySmoothingAndMorphology : public ImagePipelineFactoryBase
{
public:
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
