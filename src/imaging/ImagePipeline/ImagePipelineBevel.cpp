#include "ImagePipelineBevel.h"

#include "CvRaster.h"
#include "ImageModifier/ImageModifierBevel.h"
#include "ImageModifier/ImageModifierDepthScale.h"
#include "ImageModifier/ImageModifierDistanceTransform.h"
#include "ImageModifier/ImageModifierInvert.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <opencv2/imgproc.hpp>

#include <memory>
#include <utility>

ImageProcessorBevel::ImageProcessorBevel()
    : ImageProcessorBase(PIPELINE_BEVEL)
{
    // Float slots: 0 distances, 1 bevel heights, 2 scaled heights, 3 copy of
    // the profile row.
    setupBufferRastersIntermediate(4);
    setModifier(new ImageModifierInvert(MODIFIER_INVERT));
    setModifier(new ImageModifierBevel(MODIFIER_BEVEL));
    setModifier(new ImageModifierDepthScale(MODIFIER_DEPTH_SCALE));
    setModifier(new ImageModifierDistanceTransform(MODIFIER_DISTANCE_TRANSFORM));
    setupBufferRastersInput(1);
    setupBufferRastersOutput(1);
}

void ImageProcessorBevel::process(ImageObjectMap mapImageNameToInputImageObject,
                                  ImageObjectMap mapImageNameToOutputImageObject,
                                  ParameterObjectMap mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 2 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 4);

    // The bevel's parameter object names the two inputs.
    ParameterObject* pParameterBevel = NULL;
    QString sImageNameShape;
    QString sImageNameProfile;
    bool bNamesOk = false;
    for (const auto& entry : mapParameterNameToParameterObject)
    {
        if (!entry.first.contains(MODIFIER_BEVEL))
        {
            continue;
        }
        pParameterBevel = entry.second;
        bNamesOk = pParameterBevel != NULL &&
                   pParameterBevel->getValue(ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE,
                                             sImageNameShape) &&
                   pParameterBevel->getValue(ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE,
                                             sImageNameProfile);
        if (!bNamesOk)
        {
            break;
        }
    }
    if (!bNamesOk)
    {
        LOG_ERROR(ImageModifierBase::MESSAGE_PARAMETERS_NOT_SET);
        MOLDENA_ASSERT(false);
    }

    ImageObject* pInputImageShape = NULL;
    ImageObject* pInputImageProfile = NULL;
    for (const auto& entry : mapImageNameToInputImageObject)
    {
        if (entry.first.contains(sImageNameShape))
        {
            pInputImageShape = entry.second;
        }
        else if (entry.first.contains(sImageNameProfile))
        {
            pInputImageProfile = entry.second;
        }
    }
    MOLDENA_ASSERT(pInputImageShape);
    MOLDENA_ASSERT(pInputImageProfile);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);
    const QString sOutputName = pOutput->objectName();

    Raster2dBase*& pShapeBuffer = m_vBufferRasterInput[0];
    Raster2dBase*& pInvertBuffer = m_vBufferRasterOutput[0];
    Raster2dBase*& pDistances = m_vBufferRasterIntermediate[0];
    Raster2dBase*& pHeights = m_vBufferRasterIntermediate[1];
    Raster2dBase*& pScaledHeights = m_vBufferRasterIntermediate[2];
    Raster2dBase*& pProfile = m_vBufferRasterIntermediate[3];

    bool bBufferOk = copyToBufferRaster<unsigned char>(
        dynamic_cast<const Raster2d<unsigned char>*>(pInputImageShape->getRasterReadOnly()), pShapeBuffer);
    MOLDENA_ASSERT(bBufferOk);
    bBufferOk = copyToBufferRaster<float>(
        dynamic_cast<const Raster2d<float>*>(pInputImageProfile->getRasterReadOnly()), pProfile);
    MOLDENA_ASSERT(bBufferOk);
    bBufferOk = setupBufferRasterLike<unsigned char>(pShapeBuffer, NULL, pInvertBuffer);
    MOLDENA_ASSERT(bBufferOk);

    // An inversion switched off reports false: the shape goes on as it is.
    if (applyModifier<unsigned char>(sOutputName, MODIFIER_INVERT, mapParameterNameToParameterObject, pShapeBuffer,
                                     pInvertBuffer))
    {
        std::swap(pShapeBuffer, pInvertBuffer);
    }

    bBufferOk = setupBufferRasterLike<float>(pShapeBuffer, NULL, pDistances);
    MOLDENA_ASSERT(bBufferOk);
    bool bModiferOk = applyModifier<float>(sOutputName, MODIFIER_DISTANCE_TRANSFORM,
                                           mapParameterNameToParameterObject, pShapeBuffer, pDistances);
    MOLDENA_ASSERT(bModiferOk);

    bBufferOk = setupBufferRasterLike<float>(pDistances, NULL, pHeights);
    MOLDENA_ASSERT(bBufferOk);
    ImageModifierBase* pModifierBevel = getModifier(MODIFIER_BEVEL);
    MOLDENA_ASSERT(pModifierBevel);
    ImageModifierBase::RasterMap mapInputRasters{{pInputImageShape->objectName(), pDistances},
                                                 {pInputImageProfile->objectName(), pProfile}};
    // A shape of three or more gray values is a bas-relief: its (inverted)
    // values become the heights instead of the profile's.
    if (getNumberOfGrayValues(dynamic_cast<const Raster2d<unsigned char>*>(pShapeBuffer)) > 2)
    {
        mapInputRasters[pInputImageShape->objectName() + ImageModifierBevel::BAS_RELIEF] = pShapeBuffer;
    }
    ImageModifierBase::RasterMap mapOutputRasters{{sOutputName, pHeights}};
    pModifierBevel->setParameters(pParameterBevel->getParameters());
    bModiferOk = pModifierBevel->process(mapInputRasters, mapOutputRasters);
    MOLDENA_ASSERT(bModiferOk);

    bBufferOk = setupBufferRasterLike<float>(pDistances, NULL, pScaledHeights);
    MOLDENA_ASSERT(bBufferOk);
    bModiferOk = applyModifier<float>(sOutputName, MODIFIER_DEPTH_SCALE, mapParameterNameToParameterObject, pHeights,
                                      pScaledHeights);
    MOLDENA_ASSERT(bModiferOk);

    finishRun<float>(pOutput, pScaledHeights);
}

unsigned int ImageProcessorBevel::getNumberOfGrayValues(const Raster2d<unsigned char>* pRaster)
{
    MOLDENA_ASSERT(pRaster);
    const cv::Mat matRaster = cvHeader(*pRaster);
    const int nChannel = 0;
    const int nBins = 256;
    const float range[] = {0.0f, 256.0f};
    const float* ranges[] = {range};
    cv::Mat matHistogram;
    cv::calcHist(&matRaster, 1, &nChannel, cv::Mat(), matHistogram, 1, &nBins, ranges);
    return static_cast<unsigned int>(cv::countNonZero(matHistogram));
}

ImagePipeline* ImagePipelineFactoryBevel::create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                                 const QStringList& slOutputImageNames)
{
    MOLDENA_ASSERT(slInputImageNames.size() == 2 && slOutputImageNames.size() == 1);
    const QString& sOutputName = slOutputImageNames.first();
    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputName);
    auto pProcessor = std::make_unique<ImageProcessorBevel>();
    QStringList slParameterNames;
    createParameterObject(MODIFIER_INVERT, sOutputName, slParameterNames, pProcessor.get());
    // The bevel always inverts its shape, whatever the object held before.
    ParameterObject* pParameterInvert = ObjectRoot::getInstance()->findChild<ParameterObject*>(
        ParameterObject::createName(sOutputName, MODIFIER_INVERT, 0));
    MOLDENA_ASSERT(pParameterInvert);
    pParameterInvert->setParameters({{ImageModifierInvert::INVERT, true}});
    createParameterObject(MODIFIER_BEVEL, sOutputName, slParameterNames, pProcessor.get());
    createParameterObject(MODIFIER_DISTANCE_TRANSFORM, sOutputName, slParameterNames, pProcessor.get());
    createParameterObject(MODIFIER_DEPTH_SCALE, sOutputName, slParameterNames, pProcessor.get());
    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, slParameterNames,
                             pProcessor.release());
}
