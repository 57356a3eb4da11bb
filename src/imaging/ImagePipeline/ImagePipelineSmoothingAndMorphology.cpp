#include "ImagePipelineSmoothingAndMorphology.h"

#include "ImageModifier/ImageModifierBlur.h"
#include "ImageModifier/ImageModifierDilate.h"
#include "ImageModifier/ImageModifierErode.h"
#include "ImageModifier/ImageModifierFlip.h"
#include "ImageModifier/ImageModifierMedian.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
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
    ImageObject* pInput = mapImageNameToInputImageObject.begin()->second;
    MOLDENA_ASSERT(pInput);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);

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
    MOLDENA_ASSERT(slInputImageNames.size() == 1 && slOutputImageNames.size() == 1);
    const QString sInputImageName = slInputImageNames.first();
    const QString sOutputImageName = slOutputImageNames.first();

    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputImageName);

    QStringList slParameterNames;
    std::unique_ptr<ImageProcessorSmoothingAndMorphology> pProcessor(new ImageProcessorSmoothingAndMorphology());
    for (const QString& sModifierName :
         {MODIFIER_BLUR, MODIFIER_MEDIAN, MODIFIER_ERODE, MODIFIER_DILATE, MODIFIER_FLIP})
    {
        createParameterObject(sModifierName, sInputImageName, slParameterNames, pProcessor.get());
    }
    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, slParameterNames,
                             pProcessor.release());
}
