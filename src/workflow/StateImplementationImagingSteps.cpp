#include "StateImplementationImagingSteps.h"

#include "FileStorage.h"
#include "ImageObject.h"
#include "ImagePipeline/ImagePipelineCrop.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ImagePipeline/ImagePipelineEqualizeAndCalculateMargins.h"
#include "ImagePipeline/ImagePipelineHeightHistogram.h"
#include "ImagePipeline/ImagePipelineHeightProfileRender.h"
#include "ImagePipeline/ImagePipelinePenAndBucket.h"
#include "ImagePipeline/ImagePipelineRawImageImport.h"
#include "ImagePipeline/ImagePipelineRotateAndScale.h"
#include "ImagePipeline/ImagePipelineSmoothingAndMorphology.h"
#include "ImagePipeline/ImagePipelineThreshold.h"
#include "ImagePipeline/ImagePipelineUpsizedResolutionProvider.h"
#include "Identifiers.h"
#include "Logger.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "QImageHelper.h"
#include "Raster2d.h"
#include "SimpleException.h"
#include "WorkflowIdentifiers.h"

#include <QDir>
#include <QImage>

#include <algorithm>
#include <optional>

void StateImplementationImagingLoadImage::process()
{
    const QString sChain = getParentStateFullName();
    const QString sStep = getStateFullName();
    const QString sRaw = createObjectName(sChain, IMAGE_RAW, ORIGINAL_RES_HQ);
    const QString sEqualized = createObjectName(sChain, IMAGE_EQUALIZED, ORIGINAL_RES_HQ);
    const QString sEqualizedLow = createObjectName(sChain, IMAGE_EQUALIZED, LOW_RES_HQ);
    setPipelineNames({
        createPipeline<ImagePipelineFactoryRawImageImport>(
            createObjectName(sStep, PIPELINE_RAW_IMAGE_IMPORT, ORIGINAL_RES_HQ), {}, {sRaw}),
        createPipeline<ImagePipelineFactoryEqualizeAndCalculateMargins>(
            createObjectName(sStep, PIPELINE_EQUALIZE_AND_CALCULATE_MARGINS, ORIGINAL_RES_HQ), {sRaw}, {sEqualized}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ), {sEqualized}, {sEqualizedLow}),
    });
}

bool StateImplementationImagingTransformImage::canEnter() const
{
    return hasImage(createObjectName(getParentStateFullName(), IMAGE_EQUALIZED, ORIGINAL_RES_HQ));
}

void StateImplementationImagingTransformImage::process()
{
    const QString sChain = getParentStateFullName();
    const QString sStep = getStateFullName();
    const QString sEqualized = createObjectName(sChain, IMAGE_EQUALIZED, ORIGINAL_RES_HQ);
    const QString sCropped = createObjectName(sChain, IMAGE_CROPPED, ORIGINAL_RES_HQ);
    const QString sResizedLow = createObjectName(sChain, IMAGE_RESIZED, LOW_RES_HQ);
    const QString sResizedHigh = createObjectName(sChain, IMAGE_RESIZED, HIGH_RES_HQ);
    const QString sIntermediateHigh = createObjectName(sChain, IMAGE_TRANSFORMED, INTERMEDIATE_RES_HQ);
    const QString sIntermediateLow = createObjectName(sChain, IMAGE_TRANSFORMED, INTERMEDIATE_RES_LQ);
    const QString sTransformedLow = createObjectName(sChain, IMAGE_TRANSFORMED, LOW_RES_HQ);
    const QString sTransformedHigh = createObjectName(sChain, IMAGE_TRANSFORMED, HIGH_RES_HQ);
    setPipelineNames({
        createPipeline<ImagePipelineFactoryCrop>(createObjectName(sStep, PIPELINE_CROP, ORIGINAL_RES_HQ),
                                                 {sEqualized}, {sCropped}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, ORIGINAL_RES_HQ), {sCropped}, {sResizedLow}),
        createPipeline<ImagePipelineFactoryUpsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_UPSIZED_RESOLUTION_PROVIDER, ORIGINAL_RES_HQ), {sCropped}, {sResizedHigh}),
        createPipeline<ImagePipelineFactoryRotateAndScale>(
            createObjectName(sStep, PIPELINE_ROTATE_AND_SCALE, HIGH_RES_HQ), {sResizedHigh}, {sIntermediateHigh}),
        createPipeline<ImagePipelineFactoryRotateAndScale>(
            createObjectName(sStep, PIPELINE_ROTATE_AND_SCALE, LOW_RES_LQ), {sResizedLow}, {sIntermediateLow}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ), {sIntermediateLow},
            {sTransformedLow}),
        createPipeline<ImagePipelineFactoryUpsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_UPSIZED_RESOLUTION_PROVIDER, HIGH_RES_HQ), {sIntermediateHigh},
            {sTransformedHigh}),
    });
}

bool StateImplementationImagingThreshold::canEnter() const
{
    const QString sChain = getParentStateFullName();
    return hasImage(createObjectName(sChain, IMAGE_TRANSFORMED, HIGH_RES_HQ)) &&
           hasImage(createObjectName(sChain, IMAGE_TRANSFORMED, LOW_RES_HQ));
}

void StateImplementationImagingThreshold::process()
{
    const QString sChain = getParentStateFullName();
    const QString sStep = getStateFullName();
    const QString sTransformedHigh = createObjectName(sChain, IMAGE_TRANSFORMED, HIGH_RES_HQ);
    const QString sTransformedLow = createObjectName(sChain, IMAGE_TRANSFORMED, LOW_RES_HQ);
    const QString sSmoothedHigh = createObjectName(sChain, IMAGE_SMOOTHED, HIGH_RES_HQ);
    const QString sSmoothedLowQuick = createObjectName(sChain, IMAGE_SMOOTHED, LOW_RES_LQ);
    const QString sSmoothedLow = createObjectName(sChain, IMAGE_SMOOTHED, LOW_RES_HQ);
    const QString sThresholdedHigh = createObjectName(sChain, IMAGE_THRESHOLDED, HIGH_RES_HQ);
    const QString sThresholdedLow = createObjectName(sChain, IMAGE_THRESHOLDED, LOW_RES_HQ);
    setPipelineNames({
        createPipeline<ImagePipelineFactorySmoothingAndMorphology>(
            createObjectName(sStep, PIPELINE_SMOOTHING_AND_MORPHOLOGY, HIGH_RES_HQ), {sTransformedHigh}, {sSmoothedHigh}),
        createPipeline<ImagePipelineFactorySmoothingAndMorphology>(
            createObjectName(sStep, PIPELINE_SMOOTHING_AND_MORPHOLOGY, LOW_RES_LQ), {sTransformedLow},
            {sSmoothedLowQuick}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, 0, LOW_RES_HQ), {sSmoothedHigh},
            {sSmoothedLow}),
        createPipeline<ImagePipelineFactoryThreshold>(createObjectName(sStep, PIPELINE_THRESHOLD, HIGH_RES_HQ),
                                                      {sSmoothedHigh}, {sThresholdedHigh}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, 1, LOW_RES_HQ), {sThresholdedHigh},
            {sThresholdedLow}),
    });
}

bool StateImplementationImagingPaint::canEnter() const
{
    return hasImage(createObjectName(getParentStateFullName(), IMAGE_THRESHOLDED, HIGH_RES_HQ));
}

namespace
{
// Whether the painted working image of the chain is one single grey value
// everywhere; nothing while it is missing or holds no raster. Throws
// "pRaster" for a raster that is not 8-bit.
std::optional<bool> isOneGreyValue(const QString& sChain)
{
    const ImageObject* pPainted =
        ObjectRoot::getInstance()->findObject<ImageObject>(createObjectName(sChain, IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ));
    if (!pPainted || !pPainted->getRasterReadOnly())
    {
        return std::nullopt;
    }
    const auto* pRaster = dynamic_cast<const Raster2d<unsigned char>*>(pPainted->getRasterReadOnly());
    MOLDENA_ASSERT(pRaster);
    const unsigned char* pBegin = pRaster->getData();
    const auto [itMin, itMax] = std::minmax_element(pBegin, pBegin + pRaster->getSize());
    return *itMin == *itMax;
}
} // namespace

bool StateImplementationImagingPaint::canMoveOn() const
{
    if (!StateImplementationImaging::canMoveOn())
    {
        return false;
    }
    const std::optional<bool> bOneGreyValue = isOneGreyValue(getParentStateFullName());
    return bOneGreyValue && !*bOneGreyValue;
}

bool StateImplementationImagingPaint::isPaintedImageOneGreyValue() const
{
    return isOneGreyValue(getParentStateFullName()).value_or(false);
}

void StateImplementationImagingPaint::process()
{
    const QString sChain = getParentStateFullName();
    const QString sStep = getStateFullName();
    const QString sThresholdedHigh = createObjectName(sChain, IMAGE_THRESHOLDED, HIGH_RES_HQ);
    const QString sPaintedHigh = createObjectName(sChain, IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ);
    const QString sPaintedLow = createObjectName(sChain, IMAGE_PEN_AND_BUCKET, LOW_RES_HQ);
    setPipelineNames({
        createPipeline<ImagePipelineFactoryPenAndBucket>(createObjectName(sStep, PIPELINE_PEN_AND_BUCKET, HIGH_RES_HQ),
                                                         {sThresholdedHigh}, {sPaintedHigh}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ), {sPaintedHigh}, {sPaintedLow}),
    });
}

QString StateImplementationImagingPaint::getSavedImagePath(const QString& sImageName)
{
    // toFileName replaces every "/", so no name can lead out of the directory.
    return FileStorage::getTempDir() + QLatin1Char('/') + ObjectBase::toFileName(sImageName) + QStringLiteral(".png");
}

void StateImplementationImagingPaint::onLeft()
{
    StateImplementationImaging::onLeft();
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    for (const QString& sName : getImageObjectNames())
    {
        const ImageObject* pImageObject = pRoot->findObject<ImageObject>(sName);
        MOLDENA_ASSERT(pImageObject);
        if (!sName.contains(HIGH_RES_HQ) || sName.contains(MASK) || sName.contains(OVERLAY))
        {
            continue;
        }
        const auto* pRaster = dynamic_cast<const Raster2d<unsigned char>*>(pImageObject->getRasterReadOnly());
        if (!pRaster)
        {
            continue;
        }
        QImage image(int(pRaster->getWidth()), int(pRaster->getHeight()), QImage::Format_RGB32);
        if (!QImageHelper::convertToQImage(pRaster, image, false))
        {
            LOG_WARNING(QStringLiteral("Unable to convert image %1 to QImage").arg(sName));
            continue;
        }
        const QString sPath = getSavedImagePath(sName);
        if (!image.save(sPath, "PNG"))
        {
            LOG_ERROR(QStringLiteral("Unable to store image %1 to QImage").arg(sPath));
        }
    }
}

bool StateImplementationImagingHeightHistogram::canEnter() const
{
    return hasImage(createObjectName(getParentStateFullName(), IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ));
}

void StateImplementationImagingHeightHistogram::process()
{
    const QString sChain = getParentStateFullName();
    const QString sStep = getStateFullName();
    const QString sPaintedHigh = createObjectName(sChain, IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ);
    const QString sHistogram = createObjectName(sChain, IMAGE_HEIGHT_HISTOGRAM, HIGH_RES_HQ);
    const QString sRenderHigh = createObjectName(sChain, IMAGE_HEIGHT_PROFILE_RENDER, HIGH_RES_HQ);
    const QString sRenderLow = createObjectName(sChain, IMAGE_HEIGHT_PROFILE_RENDER, LOW_RES_HQ);
    setPipelineNames({
        createPipeline<ImagePipelineFactoryHeightHistogram>(
            createObjectName(sStep, PIPELINE_HEIGHT_HISTOGRAM, HIGH_RES_HQ), {sPaintedHigh}, {sHistogram}),
        createPipeline<ImagePipelineFactoryHeightProfileRender>(
            createObjectName(sStep, PIPELINE_HEIGHT_PROFILE_RENDER, HIGH_RES_HQ), {sHistogram}, {sRenderHigh}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ), {sRenderHigh}, {sRenderLow}),
    });
}
