#include "ImagePipelineCrop.h"

#include "ImageModifier/ImageModifierCrop.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorCrop::ImageProcessorCrop() : ImageProcessorBase(PIPELINE_CROP)
{
    // The crop registered under the region's name is never applied: it only
    // lets the factory create the shared region object through this processor.
    setModifier(new ImageModifierCrop(MODIFIER_ROI));
    setModifier(new ImageModifierCrop(MODIFIER_CROP));
    setupBufferRastersInput(1);
    setupBufferRastersOutput(1);
}

void ImageProcessorCrop::process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 2);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    processChain<unsigned char>(pInput, pOutput, {MODIFIER_CROP}, mapParameterNameToParameterObject);
}

ImagePipeline* ImagePipelineFactoryCrop::create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                                const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorCrop>(),
                          {{MODIFIER_ROI, INPUT_IMAGE}, {MODIFIER_CROP, INPUT_IMAGE}});
}
