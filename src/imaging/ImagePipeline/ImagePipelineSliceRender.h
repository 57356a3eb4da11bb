#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <vector>

inline const QString PIPELINE_SLICE_RENDER = QStringLiteral("PIPELINE_SLICE_RENDER");

// The height profile along one row or one column of a float depth raster,
// drawn as an 8-bit chart (the slice shown beside the depth render).
// One input (float), one output (8-bit), one parameter object:
// <output>/MODIFIER_SLICE_RENDER/0.
class ImageProcessorSliceRender : public ImageProcessorBase
{
public:
    ImageProcessorSliceRender();

    // Pool thread. A modifier that refuses its parameters ends the run with
    // "bModiferOk"; the output keeps its previous raster.
    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override;
};

// GUI thread; holds nothing.
class ImagePipelineFactorySliceRender : public ImagePipelineFactoryBase
{
public:
    // Exactly one input and one output name (throws otherwise). Creates the
    // output image object and the parameter object when missing.
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
