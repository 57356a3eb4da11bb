#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

inline const QString PIPELINE_HEIGHT_PROFILE_RENDER = QStringLiteral("PIPELINE_HEIGHT_PROFILE_RENDER");

// From a row of float heights (one input), an 8-bit black-on-white chart of
// the profile for display (one output, as wide as the row, as high as its
// largest value, at least one row). Its parameter object is named after the
// input: input/MODIFIER_HEIGHT_PROFILE_RENDER/0.
class ImageProcessorHeightProfileRender : public ImageProcessorBase
{
public:
    ImageProcessorHeightProfileRender();

    // Throws (ending the run, output untouched) for other map sizes, null
    // objects, an input that is not a float raster ("pInputRaster") or a
    // refusing modifier ("bModiferOk").
    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override;
};

class ImagePipelineFactoryHeightProfileRender : public ImagePipelineFactoryBase
{
public:
    // Exactly one input and one output name ("slInputImageNames.size() == 1 &&
    // slOutputImageNames.size() == 1"). Gets or creates the output image object.
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
