#include "ImagePipelineRotateAndScale.h"

#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "Logger.h"
#include "SimpleException.h"

#include <algorithm>
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

    // The output size by the transformation's rule, measured as the chain
    // will measure it (the output slot is sized like the output's raster,
    // or like the input).
    const Raster2dBase* pInputRaster = pInput->getRasterReadOnly();
    if (pInputRaster)
    {
        const Raster2dBase* pOutputRaster = dynamic_cast<const Raster2d<unsigned char>*>(pOutput->getRasterReadOnly());
        unsigned int nWidth = 0;
        unsigned int nHeight = 0;
        prepareModifier(pInput->objectName(), MODIFIER_GEOMETRIC_TRANSFORMATION, mapParameterNameToParameterObject,
                        pInputRaster, pOutputRaster ? pOutputRaster : pInputRaster, nWidth, nHeight);
        const unsigned int nLongest = std::max({pInputRaster->getWidth(), pInputRaster->getHeight(), nWidth, nHeight});
        if (qint64(nWidth) * qint64(nHeight) > MAXIMUM_OUTPUT_PIXELS || nLongest >= MAXIMUM_SIDE_EXCLUSIVE)
        {
            const QString sReason = QString("The picture's aspect ratio is too extreme: the %1 x %2 picture would "
                                            "need a %3 x %4 output to be turned (at most %5 pixels and sides below "
                                            "%6).")
                                        .arg(pInputRaster->getWidth())
                                        .arg(pInputRaster->getHeight())
                                        .arg(nWidth)
                                        .arg(nHeight)
                                        .arg(MAXIMUM_OUTPUT_PIXELS)
                                        .arg(MAXIMUM_SIDE_EXCLUSIVE);
            LOG_ERROR(QString("Rotate and scale refused %1. %2").arg(pInput->objectName(), sReason));
            setRefusal(sReason);
            return;
        }
    }
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
