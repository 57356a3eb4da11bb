#include "ImagePipelineRotateAndScale.h"

#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <memory>
#include <utility>

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

    bool bBufferOk = copyToBufferRaster(dynamic_cast<const Raster2d<unsigned char>*>(pInput->getRasterReadOnly()),
                                        m_vBufferRasterInput[0]);
    MOLDENA_ASSERT(bBufferOk);
    bBufferOk = setupBufferRasterLike<unsigned char>(
        m_vBufferRasterInput[0], dynamic_cast<const Raster2d<unsigned char>*>(pOutput->getRasterReadOnly()),
        m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bBufferOk);

    if (applyModifier<unsigned char>(pInput->objectName(), MODIFIER_GEOMETRIC_TRANSFORMATION,
                                     mapParameterNameToParameterObject, m_vBufferRasterInput[0],
                                     m_vBufferRasterOutput[0]))
    {
        std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
    }

    std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
    const bool bOutputOk = copyBufferRasterToOutput<unsigned char>(pOutput, m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bOutputOk);
    releaseBufferRasters();
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
