#include "ImagePipelineRotateAndScale.h"

#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorRotateAndScale::ImageProcessorRotateAndScale() : ImageProcessorBase(PIPELINE_ROTATE_AND_SCALE)
{
    setModifier(new ImageModifierGeometricTransformation(MODIFIER_GEOMETRIC_TRANSFORMATION));
    setupBufferRastersInput(1);
    setupBufferRastersOutput(1);
}

void ImageProcessorRotateAndScale::process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                                           std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                                           std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 1);
    ImageObject* pInput = mapImageNameToInputImageObject.begin()->second;
    MOLDENA_ASSERT(pInput);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);

    processChain<unsigned char>(pInput, pOutput, {MODIFIER_GEOMETRIC_TRANSFORMATION}, mapParameterNameToParameterObject);
}

ImagePipeline* ImagePipelineFactoryRotateAndScale::create(const QString& sPipelineName,
                                                          const QStringList& slInputImageNames,
                                                          const QStringList& slOutputImageNames)
{
    MOLDENA_ASSERT(slInputImageNames.size() == 1 && slOutputImageNames.size() == 1);
    const QString sInputImageName = slInputImageNames.first();
    const QString sOutputImageName = slOutputImageNames.first();

    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputImageName);

    QStringList slParameterNames;
    std::unique_ptr<ImageProcessorRotateAndScale> pProcessor(new ImageProcessorRotateAndScale());
    createParameterObject(MODIFIER_GEOMETRIC_TRANSFORMATION, sInputImageName, slParameterNames, pProcessor.get());
    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, slParameterNames,
                             pProcessor.release());
}
