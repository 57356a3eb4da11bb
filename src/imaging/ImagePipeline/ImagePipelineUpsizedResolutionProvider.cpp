#include "ImagePipelineUpsizedResolutionProvider.h"

#include "ImageModifier/ImageModifierResize.h"
#include "ImageObject.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ParameterObject.h"
#include "SimpleException.h"

ImageProcessorUpsizedResolutionProvider::ImageProcessorUpsizedResolutionProvider()
    : ImageProcessorBase(PIPELINE_UPSIZED_RESOLUTION_PROVIDER)
{
    setModifier(new ImageModifierResize(MODIFIER_RESIZE));
    setTimeStampMode(1);
}

void ImageProcessorUpsizedResolutionProvider::process(
    std::map<QString, ImageObject*> mapImageNameToInputImageObject,
    std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
    std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 1);
    ImageObject* pInput = mapImageNameToInputImageObject.begin()->second;
    MOLDENA_ASSERT(pInput);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);

    const bool bModiferOk =
        applyModifier(pInput->objectName(), MODIFIER_RESIZE, mapParameterNameToParameterObject, pInput, pOutput);
    MOLDENA_ASSERT(bModiferOk);
}

ImagePipeline* ImagePipelineFactoryUpsizedResolutionProvider::create(const QString& sPipelineName,
                                                                     const QStringList& slInputImageNames,
                                                                     const QStringList& slOutputImageNames)
{
    return createResolutionProvider(sPipelineName, slInputImageNames, slOutputImageNames, RESOLUTION_KEY,
                                    DEFAULT_RESOLUTION, new ImageProcessorUpsizedResolutionProvider());
}
