#include "ImagePipelineHeightHistogram.h"

#include "ImageModifier/ImageModifierHeightHistogram.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorHeightHistogram::ImageProcessorHeightHistogram()
    : ImageProcessorBase(PIPELINE_HEIGHT_HISTOGRAM)
{
    // Slot 0: the float height row.
    setupBufferRastersIntermediate(1);
    setModifier(new ImageModifierHeightHistogram(MODIFIER_HEIGHT_HISTOGRAM));
}

void ImageProcessorHeightHistogram::process(ImageObjectMap mapImageNameToInputImageObject,
                                            ImageObjectMap mapImageNameToOutputImageObject,
                                            ParameterObjectMap mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    // The drawing goes to the modifier as it is, without a copy; anything but
    // an 8-bit raster ends the run here, before the output is touched.
    Raster2d<unsigned char>* pInputRaster = dynamic_cast<Raster2d<unsigned char>*>(pInput->getRaster());
    MOLDENA_ASSERT(pInputRaster);

    const bool bModiferOk =
        applyModifier<float>(pInput->objectName(), MODIFIER_HEIGHT_HISTOGRAM, mapParameterNameToParameterObject,
                             pInputRaster, m_vBufferRasterIntermediate[0]);
    MOLDENA_ASSERT(bModiferOk);

    finishRun<float>(pOutput, m_vBufferRasterIntermediate[0]);
}

ImagePipeline* ImagePipelineFactoryHeightHistogram::create(const QString& sPipelineName,
                                                           const QStringList& slInputImageNames,
                                                           const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorHeightHistogram>(),
                          {{MODIFIER_HEIGHT_HISTOGRAM, INPUT_IMAGE}});
}
