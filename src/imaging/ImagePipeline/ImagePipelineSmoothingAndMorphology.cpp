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
#include <utility>

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

    bool bBufferOk = copyToBufferRaster(dynamic_cast<const Raster2d<unsigned char>*>(pInput->getRasterReadOnly()),
                                        m_vBufferRasterInput[0]);
    MOLDENA_ASSERT(bBufferOk);
    bBufferOk = setupBufferRasterLike<unsigned char>(
        m_vBufferRasterInput[0], dynamic_cast<const Raster2d<unsigned char>*>(pOutput->getRasterReadOnly()),
        m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bBufferOk);

    // Median removes speckles before the morphology can grow them; erosion
    // then dilation opens the shape; the blur rounds what is left for the
    // threshold.
    const QString sImageName = pInput->objectName();
    for (const QString& sModifierName :
         {MODIFIER_MEDIAN, MODIFIER_ERODE, MODIFIER_DILATE, MODIFIER_BLUR, MODIFIER_FLIP})
    {
        if (applyModifier<unsigned char>(sImageName, sModifierName, mapParameterNameToParameterObject,
                                         m_vBufferRasterInput[0], m_vBufferRasterOutput[0]))
        {
            std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
        }
    }

    std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
    const bool bOutputOk = copyBufferRasterToOutput<unsigned char>(pOutput, m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bOutputOk);
    releaseBufferRasters();
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
