#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

inline const QString PIPELINE_HEIGHT_HISTOGRAM = QStringLiteral("PIPELINE_HEIGHT_HISTOGRAM");

// From the 8-bit drawing of a height profile (one input), the profile as one
// row of float heights in pixels (one output, as wide as the drawing). Its
// parameter object is named after the input: input/MODIFIER_HEIGHT_HISTOGRAM/0.
class ImageProcessorHeightHistogram : public ImageProcessorBase
{
public:
    ImageProcessorHeightHistogram();

    // Throws (ending the run, output untouched) for other map sizes, null
    // objects, an input that is not an 8-bit raster ("pInputRaster") or a
    // refusing modifier ("bModiferOk").
    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override;
};

class ImagePipelineFactoryHeightHistogram : public ImagePipelineFactoryBase
{
public:
    // Exactly one input and one output name ("slInputImageNames.size() == 1 &&
    // slOutputImageNames.size() == 1"). Gets or creates the output image
    // object; two pipelines over one input share the parameter object.
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
