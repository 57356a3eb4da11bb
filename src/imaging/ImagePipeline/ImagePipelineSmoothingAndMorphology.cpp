#include "ImagePipelineSmoothingAndMorphology.h"

#include "ImageModifier/ImageModifierBlur.h"
#include "ImageModifier/ImageModifierDilate.h"
#include "ImageModifier/ImageModifierErode.h"
#include "ImageModifier/ImageModifierFlip.h"
#include "ImageModifier/ImageModifierMedian.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorSmoothingAndMorphology::ImageProcessorSmoothingAndMorphology()
    : ImageProcessorBase(PIPELINE_SMOOTHING_AND_MORPHOLOGY)
{
    setModifier(new ImageModifierBlur(MODIFIER_BLUR));
    setModifier(new ImageModifierMedian(MODIFIER_MEDIAN));
    setModifier(new ImageModifierErode(MODIFIER_ERODE));
    setModifier(new ImageModifierDilate(MODIFIER_DILATE));
    setModifier(new ImageModifierFlip(MODIFIER_FLIP));
    setupBufferRastersInput(1);
    setupBufferRastersOutput(1);
}

void ImageProcessorSmoothingAndMorphology::process(
    std::map<QString, ImageObject*> mapImageNameToInputImageObject,
    std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
    std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 5);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    // Median removes speckles before the morphology can grow them; erosion
    // then dilation opens the shape; the blur rounds what is left for the
    // threshold.
    processChain<unsigned char>(pInput, pOutput,
                                {MODIFIER_MEDIAN, MODIFIER_ERODE, MODIFIER_DILATE, MODIFIER_BLUR, MODIFIER_FLIP},
                                mapParameterNameToParameterObject);
}

ImagePipeline* ImagePipelineFactorySmoothingAndMorphology::create(const QString& sPipelineName,
                                                                  const QStringList& slInputImageNames,
                                                                  const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorSmoothingAndMorphology>(),
                          {{MODIFIER_BLUR, INPUT_IMAGE}, {MODIFIER_MEDIAN, INPUT_IMAGE},
                           {MODIFIER_ERODE, INPUT_IMAGE}, {MODIFIER_DILATE, INPUT_IMAGE},
                           {MODIFIER_FLIP, INPUT_IMAGE}});
}
