#include "ImagePipelineHeightProfileRender.h"

#include "ImageModifier/ImageModifierHeightProfileRender.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorHeightProfileRender::ImageProcessorHeightProfileRender()
    : ImageProcessorBase(PIPELINE_HEIGHT_PROFILE_RENDER)
{
    setModifier(new ImageModifierHeightProfileRender(MODIFIER_HEIGHT_PROFILE_RENDER));
    setupBufferRastersOutput(1);
}

void ImageProcessorHeightProfileRender::process(ImageObjectMap mapImageNameToInputImageObject,
                                                ImageObjectMap mapImageNameToOutputImageObject,
                                                ParameterObjectMap mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    // The row goes to the modifier without a copy; a raster of another
    // element type ends the run here instead of reaching it as null.
    Raster2d<float>* pInputRaster = dynamic_cast<Raster2d<float>*>(pInput->getRaster());
    MOLDENA_ASSERT(pInputRaster);

    const bool bModiferOk =
        applyModifier<unsigned char>(pInput->objectName(), MODIFIER_HEIGHT_PROFILE_RENDER,
                                     mapParameterNameToParameterObject, pInputRaster, m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bModiferOk);

    finishRun<unsigned char>(pOutput, m_vBufferRasterOutput[0]);
}

ImagePipeline* ImagePipelineFactoryHeightProfileRender::create(const QString& sPipelineName,
                                                               const QStringList& slInputImageNames,
                                                               const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorHeightProfileRender>(),
                          {{MODIFIER_HEIGHT_PROFILE_RENDER, INPUT_IMAGE}});
}
