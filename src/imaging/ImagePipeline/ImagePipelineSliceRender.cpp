#include "ImagePipelineSliceRender.h"

#include "ImageModifier/ImageModifierSliceRender.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorSliceRender::ImageProcessorSliceRender()
    : ImageProcessorBase(PIPELINE_SLICE_RENDER)
{
    // Slot 0: the float copy of the input.
    setupBufferRastersIntermediate(1);
    setModifier(new ImageModifierSliceRender(MODIFIER_SLICE_RENDER));
    setupBufferRastersOutput(1);
}

void ImageProcessorSliceRender::process(ImageObjectMap mapImageNameToInputImageObject,
                                        ImageObjectMap mapImageNameToOutputImageObject,
                                        ParameterObjectMap mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 1);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);
    const QString& sOutputName = mapImageNameToOutputImageObject.begin()->first;

    // An input of another element type arrives as a null template.
    const bool bBufferOk = copyToBufferRaster(dynamic_cast<const Raster2d<float>*>(pInput->getRasterReadOnly()),
                                              m_vBufferRasterIntermediate[0]);
    MOLDENA_ASSERT(bBufferOk);

    // A refused slice leaves the new chart buffer uninitialised: copying it
    // would show garbage, so the run ends and the output keeps its chart.
    const bool bModiferOk =
        applyModifier<unsigned char>(sOutputName, MODIFIER_SLICE_RENDER, mapParameterNameToParameterObject,
                                     m_vBufferRasterIntermediate[0], m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bModiferOk);

    finishRun<unsigned char>(pOutput, m_vBufferRasterOutput[0]);
}

ImagePipeline* ImagePipelineFactorySliceRender::create(const QString& sPipelineName,
                                                       const QStringList& slInputImageNames,
                                                       const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorSliceRender>(),
                          {{MODIFIER_SLICE_RENDER, OUTPUT_IMAGE}});
}
