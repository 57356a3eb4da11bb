#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_CROP = QStringLiteral("PIPELINE_CROP");

// Cuts the input's region of interest out of an 8-bit picture; the output
// has the region's size. Runs on a pool thread.
class ImageProcessorCrop : public ImageProcessorBase
{
public:
    ImageProcessorCrop();

    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;
};

// One input I, one output O. Creates O (without a raster) and the parameter
// objects I/MODIFIER_ROI/0 and I/MODIFIER_CROP/0 when they are missing. The
// region object is the one the equalise step writing I names after its
// output, so a change of the margins re-runs this step too, although it never
// applies a region modifier itself. GUI thread; the caller owns the result.
class ImagePipelineFactoryCrop : public ImagePipelineFactoryBase
{
public:
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
