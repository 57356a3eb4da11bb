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
    ~ImageProcessorDepthRender() override;

    // Pool thread. Any modifier that refuses ends the run with "bModiferOk".
    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override;
    // The base's slots, then the intermediate ones; the slot count stays.
    void releaseBufferRasters() override;

protected:
    // Float slots: 0 and 1 the gradients in x and y, 2 and 3 the smoothed
    // gradients, 4 the copy of the input.
    std::vector<Raster2dBase*> m_vBufferRasterIntermediate;
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
