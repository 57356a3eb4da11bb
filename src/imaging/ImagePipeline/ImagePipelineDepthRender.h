#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <vector>

inline const QString PIPELINE_DEPTH_RENDER = QStringLiteral("PIPELINE_DEPTH_RENDER");

// The shaded 8-bit rendering of a float depth raster: surface gradients,
// smoothed, then lit. One input (float), one output (8-bit), three parameter
// objects on the output name: MODIFIER_SURFACE_GRADIENT_SMOOTH,
// MODIFIER_SURFACE_GRADIENT and MODIFIER_DEPTH_RENDER.
class ImageProcessorDepthRender : public ImageProcessorBase
{
public:
    ImageProcessorDepthRender();

    // Pool thread. Any modifier that refuses ends the run with "bModiferOk".
    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override;
};

// GUI thread; holds nothing.
class ImagePipelineFactoryDepthRender : public ImagePipelineFactoryBase
{
public:
    // Exactly one input and one output name (throws otherwise). Creates the
    // output image object and the parameter objects when missing.
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
