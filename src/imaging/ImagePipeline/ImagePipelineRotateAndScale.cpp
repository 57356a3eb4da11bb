#include "ImagePipelineRotateAndScale.h"

#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
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
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    processChain<unsigned char>(pInput, pOutput, {MODIFIER_GEOMETRIC_TRANSFORMATION},
                                mapParameterNameToParameterObject);
}

ImagePipeline* ImagePipelineFactoryRotateAndScale::create(const QString& sPipelineName,
                                                          const QStringList& slInputImageNames,
                                                          const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorRotateAndScale>(),
                          {{MODIFIER_GEOMETRIC_TRANSFORMATION, INPUT_IMAGE}});
}
