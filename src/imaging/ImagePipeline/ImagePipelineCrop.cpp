#include "ImagePipelineCrop.h"

#include "ImageModifier/ImageModifierCrop.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <memory>
#include <utility>

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

    if (applyModifier<unsigned char>(pInput->objectName(), MODIFIER_CROP, mapParameterNameToParameterObject,
                                     m_vBufferRasterInput[0], m_vBufferRasterOutput[0]))
    {
        std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
    }

    std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
    const bool bOutputOk = copyBufferRasterToOutput<unsigned char>(pOutput, m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bOutputOk);
    releaseBufferRasters();
}

ImagePipeline* ImagePipelineFactoryCrop::create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                                const QStringList& slOutputImageNames)
{
    MOLDENA_ASSERT(slInputImageNames.size() == 1 && slOutputImageNames.size() == 1);
    const QString sInputImageName = slInputImageNames.first();
    const QString sOutputImageName = slOutputImageNames.first();

    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputImageName);

    QStringList slParameterNames;
    std::unique_ptr<ImageProcessorCrop> pProcessor(new ImageProcessorCrop());
    createParameterObject(MODIFIER_ROI, sInputImageName, slParameterNames, pProcessor.get());
    createParameterObject(MODIFIER_CROP, sInputImageName, slParameterNames, pProcessor.get());
    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, slParameterNames,
                             pProcessor.release());
}
