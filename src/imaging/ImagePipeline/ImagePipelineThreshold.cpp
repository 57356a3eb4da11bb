#include "ImagePipelineThreshold.h"

#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
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
    ImageObject* pInput = mapImageNameToInputImageObject.begin()->second;
    MOLDENA_ASSERT(pInput);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);

    // Threshold first, inversion second; each result that was applied becomes
    // the input of the next modifier.
    processChain<unsigned char>(pInput, pOutput, {MODIFIER_THRESHOLD, MODIFIER_INVERT}, mapParameterNameToParameterObject);
}

ImagePipeline* ImagePipelineFactoryThreshold::create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                                     const QStringList& slOutputImageNames)
{
    MOLDENA_ASSERT(slInputImageNames.size() == 1 && slOutputImageNames.size() == 1);
    const QString sInputImageName = slInputImageNames.first();
    const QString sOutputImageName = slOutputImageNames.first();

    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputImageName);

    QStringList slParameterNames;
    std::unique_ptr<ImageProcessorThreshold> pProcessor(new ImageProcessorThreshold());
    createParameterObject(MODIFIER_INVERT, sInputImageName, slParameterNames, pProcessor.get());
    createParameterObject(MODIFIER_THRESHOLD, sInputImageName, slParameterNames, pProcessor.get());
    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, slParameterNames,
                             pProcessor.release());
}
