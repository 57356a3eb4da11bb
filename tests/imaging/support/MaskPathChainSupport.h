#pragma once

// The mask path of one shape as the workflow chains it (import, equalise and
// margins, crop, resolution providers, rotate and scale, smoothing and
// morphology, threshold, preview copies), shared by the integration test and
// the benchmark. Header only: the benchmarks include it without the test
// support library. GUI thread.

#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineCrop.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ImagePipeline/ImagePipelineEqualizeAndCalculateMargins.h"
#include "ImagePipeline/ImagePipelineRawImageImport.h"
#include "ImagePipeline/ImagePipelineRotateAndScale.h"
#include "ImagePipeline/ImagePipelineSmoothingAndMorphology.h"
#include "ImagePipeline/ImagePipelineThreshold.h"
#include "ImagePipeline/ImagePipelineUpsizedResolutionProvider.h"
#include "ImagePipelineManager.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "WorkflowIdentifiers.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace MaskPathChainSupport
{
inline const QString CHAIN = QStringLiteral("/ARTIFACT:2/FRONT:5/COMPONENT:7/SHAPE:12");
inline const QString STEP_LOAD = CHAIN + QStringLiteral("/LOAD:13");
inline const QString STEP_TRANSFORM = CHAIN + QStringLiteral("/TRANSFORM:14");
inline const QString STEP_THRESHOLD = CHAIN + QStringLiteral("/THRESHOLD:15");

// The name of the shape's image of one kind at one resolution tag.
inline QString image(const QString& sKind, const QString& sTag)
{
    return CHAIN + "#" + sKind + "/" + sTag;
}

// Creates the pipeline "<sStep>#<sWord>/<sTag>" with one factory of type
// Factory, adds it to the manager and appends its name.
template <typename Factory>
void addPipeline(QStringList& slPipelineNames, const QString& sStep, const QString& sWord, const QString& sTag,
                 const QStringList& slInputs, const QString& sOutput)
{
    Factory factory;
    const QString sName = sStep + "#" + sWord + "/" + sTag;
    ImagePipelineManager::getInstance()->addPipeline(factory.create(sName, slInputs, {sOutput}));
    slPipelineNames.append(sName);
}

// The three imaging steps of the shape, pipelines in the workflow's order.
inline void addPipelines(QStringList& slPipelineNames)
{
    QStringList& n = slPipelineNames;
    addPipeline<ImagePipelineFactoryRawImageImport>(n, STEP_LOAD, PIPELINE_RAW_IMAGE_IMPORT, ORIGINAL_RES_HQ, {},
                                                    image(IMAGE_RAW, ORIGINAL_RES_HQ));
    addPipeline<ImagePipelineFactoryEqualizeAndCalculateMargins>(
        n, STEP_LOAD, PIPELINE_EQUALIZE_AND_CALCULATE_MARGINS, ORIGINAL_RES_HQ, {image(IMAGE_RAW, ORIGINAL_RES_HQ)},
        image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ));
    addPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
        n, STEP_LOAD, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ, {image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ)},
        image(IMAGE_EQUALIZED, LOW_RES_HQ));

    addPipeline<ImagePipelineFactoryCrop>(n, STEP_TRANSFORM, PIPELINE_CROP, ORIGINAL_RES_HQ,
                                          {image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ)},
                                          image(IMAGE_CROPPED, ORIGINAL_RES_HQ));
    addPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
        n, STEP_TRANSFORM, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, ORIGINAL_RES_HQ,
        {image(IMAGE_CROPPED, ORIGINAL_RES_HQ)}, image(IMAGE_RESIZED, LOW_RES_HQ));
    addPipeline<ImagePipelineFactoryUpsizedResolutionProvider>(
        n, STEP_TRANSFORM, PIPELINE_UPSIZED_RESOLUTION_PROVIDER, ORIGINAL_RES_HQ,
        {image(IMAGE_CROPPED, ORIGINAL_RES_HQ)}, image(IMAGE_RESIZED, HIGH_RES_HQ));
    addPipeline<ImagePipelineFactoryRotateAndScale>(n, STEP_TRANSFORM, PIPELINE_ROTATE_AND_SCALE, HIGH_RES_HQ,
                                                    {image(IMAGE_RESIZED, HIGH_RES_HQ)},
                                                    image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_HQ));
    addPipeline<ImagePipelineFactoryRotateAndScale>(n, STEP_TRANSFORM, PIPELINE_ROTATE_AND_SCALE, LOW_RES_LQ,
                                                    {image(IMAGE_RESIZED, LOW_RES_HQ)},
                                                    image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_LQ));
    addPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
        n, STEP_TRANSFORM, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ,
        {image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_LQ)}, image(IMAGE_TRANSFORMED, LOW_RES_HQ));
    addPipeline<ImagePipelineFactoryUpsizedResolutionProvider>(
        n, STEP_TRANSFORM, PIPELINE_UPSIZED_RESOLUTION_PROVIDER, HIGH_RES_HQ,
        {image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_HQ)}, image(IMAGE_TRANSFORMED, HIGH_RES_HQ));

    addPipeline<ImagePipelineFactorySmoothingAndMorphology>(
        n, STEP_THRESHOLD, PIPELINE_SMOOTHING_AND_MORPHOLOGY, HIGH_RES_HQ, {image(IMAGE_TRANSFORMED, HIGH_RES_HQ)},
        image(IMAGE_SMOOTHED, HIGH_RES_HQ));
    addPipeline<ImagePipelineFactorySmoothingAndMorphology>(
        n, STEP_THRESHOLD, PIPELINE_SMOOTHING_AND_MORPHOLOGY, LOW_RES_LQ, {image(IMAGE_TRANSFORMED, LOW_RES_HQ)},
        image(IMAGE_SMOOTHED, LOW_RES_LQ));
    addPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
        n, STEP_THRESHOLD, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, "0/" + LOW_RES_HQ,
        {image(IMAGE_SMOOTHED, HIGH_RES_HQ)}, image(IMAGE_SMOOTHED, LOW_RES_HQ));
    addPipeline<ImagePipelineFactoryThreshold>(n, STEP_THRESHOLD, PIPELINE_THRESHOLD, HIGH_RES_HQ,
                                               {image(IMAGE_SMOOTHED, HIGH_RES_HQ)},
                                               image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
    addPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
        n, STEP_THRESHOLD, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, "1/" + LOW_RES_HQ,
        {image(IMAGE_THRESHOLDED, HIGH_RES_HQ)}, image(IMAGE_THRESHOLDED, LOW_RES_HQ));
}

// Enables each pipeline and requests one run, as entering the steps does.
inline void enableAndProcess(const QStringList& slPipelineNames)
{
    for (const QString& sName : slPipelineNames)
    {
        ImagePipelineManager::getInstance()->enablePipeline(sName);
        ImagePipelineManager::getInstance()->processPipeline(sName);
    }
}

// Deletes the pipelines and clears the object tree.
inline void removePipelines(const QStringList& slPipelineNames)
{
    for (const QString& sName : slPipelineNames)
    {
        delete ImagePipelineManager::getInstance()->removePipeline(sName);
    }
    ObjectRoot::getInstance()->clear();
}

// Sets one value of the parameter object sObjectName; false when there is no
// such object in the tree.
inline bool setParameter(const QString& sObjectName, const QString& sKey, const QVariant& value)
{
    ParameterObject* pParameters = ObjectRoot::getInstance()->findChild<ParameterObject*>(sObjectName);
    if (!pParameters)
    {
        return false;
    }
    ParameterObject::ParameterMap map = pParameters->getParameters();
    map[sKey] = value;
    pParameters->setParameters(map);
    return true;
}

// True when no pipeline of the list runs or owes a run.
inline bool idle(const QStringList& slPipelineNames)
{
    for (const QString& sName : slPipelineNames)
    {
        ImagePipeline* pPipeline = ImagePipelineManager::getInstance()->getPipeline(sName);
        if (pPipeline && (pPipeline->isCurrentlyBusy() || pPipeline->isTryAgainLater()))
        {
            return false;
        }
    }
    return true;
}
} // namespace MaskPathChainSupport
