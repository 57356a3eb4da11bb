#include "ImagePipelineEqualizeAndCalculateMargins.h"

#include "ImageModifier/ImageModifierEqualize.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorEqualizeAndCalculateMargins::ImageProcessorEqualizeAndCalculateMargins()
    : ImageProcessorBase(PIPELINE_EQUALIZE_AND_CALCULATE_MARGINS)
{
    setModifier(new ImageModifierEqualize(MODIFIER_EQUALIZE));
    setModifier(new ImageModifierRoi(MODIFIER_ROI));
    setupBufferRastersInput(1);
    setupBufferRastersOutput(1);
}

void ImageProcessorEqualizeAndCalculateMargins::process(
    std::map<QString, ImageObject*> mapImageNameToInputImageObject,
    std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
    std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 2);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    startChain<unsigned char>(pInput, pOutput);

    // A declined equalisation (switched off, or a uniform picture) keeps the
    // picture as imported.
    applyInChain<unsigned char>(pInput->objectName(), MODIFIER_EQUALIZE, mapParameterNameToParameterObject);

    // The region modifier works in place on the latest result. The margins
    // belong to the output image, so they are looked up under its name. A
    // refused region leaves the whole picture selected.
    applyModifier<unsigned char>(pOutput->objectName(), MODIFIER_ROI, mapParameterNameToParameterObject,
                                 m_vBufferRasterInput[0], m_vBufferRasterInput[0]);

    finishChain<unsigned char>(pOutput);
}

ImagePipeline* ImagePipelineFactoryEqualizeAndCalculateMargins::create(const QString& sPipelineName,
                                                                       const QStringList& slInputImageNames,
                                                                       const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorEqualizeAndCalculateMargins>(),
                          {{MODIFIER_EQUALIZE, INPUT_IMAGE}, {MODIFIER_ROI, OUTPUT_IMAGE}});
}
