#include "ImagePipelineThreshold.h"

#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorThreshold::ImageProcessorThreshold() : ImageProcessorBase(PIPELINE_THRESHOLD)
{
    setModifier(new ImageModifierInvert(MODIFIER_INVERT));
    setModifier(new ImageModifierThreshold(MODIFIER_THRESHOLD));
    setupBufferRastersInput(1);
    setupBufferRastersOutput(1);
}

void ImageProcessorThreshold::process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                                      std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                                      std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 2);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    // Threshold first, inversion second; each result that was applied becomes
    // the input of the next modifier.
    processChain<unsigned char>(pInput, pOutput, {MODIFIER_THRESHOLD, MODIFIER_INVERT},
                                mapParameterNameToParameterObject);
}

ImagePipeline* ImagePipelineFactoryThreshold::create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                                     const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorThreshold>(),
                          {{MODIFIER_INVERT, INPUT_IMAGE}, {MODIFIER_THRESHOLD, INPUT_IMAGE}});
}
