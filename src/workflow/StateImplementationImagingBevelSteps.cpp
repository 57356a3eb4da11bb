#include "StateImplementationImagingBevelSteps.h"

#include "ImageModifier/ImageModifierBevel.h"
#include "ImageModifier/ImageModifierResize.h"
#include "ImageModifier/ImageModifierSliceRender.h"
#include "ImageModifier/ImageModifierSurfaceGradientSmooth.h"
#include "ImagePipeline/ImagePipelineBevel.h"
#include "ImagePipeline/ImagePipelineDepthRender.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ImagePipeline/ImagePipelineHeightHistogram.h"
#include "ImagePipeline/ImagePipelineRawImageImport.h"
#include "ImagePipeline/ImagePipelineSliceRender.h"
#include "MoldenaResources.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Uid.h"
#include "WorkflowIdentifiers.h"

namespace
{
// The full name of the state a reference designates; throws sAssertion when
// that state is gone.
QString designatedFullName(const Uid* pUid, const QString& sAssertion)
{
    const State* pState = StateMachine::getInstance()->findState(idOf(pUid));
    if (!pState)
    {
        throwAssertionFailure(sAssertion);
    }
    return pState->getFullName();
}

QString paintedImageName(const QString& sShape)
{
    return createObjectName(sShape, IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ);
}
} // namespace

void writeParameters(const QString& sObjectName, const QString& sAssertion,
                     const std::vector<std::pair<QString, QVariant>>& vValues)
{
    ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sObjectName);
    if (!pObject)
    {
        throwAssertionFailure(sAssertion);
    }
    pObject->setValues(vValues);
}

StateImplementationImagingPresetBevel::StateImplementationImagingPresetBevel()
{
    initPlaceholderResources();
}

StateImplementationImagingPresetBevel::StateImplementationImagingPresetBevel(unsigned long ulShapeUid)
    : StateImplementationImagingPresetBevel()
{
    m_pUidShape = new Uid(ulShapeUid, Uid::KIND_REFERENCE);
}

StateImplementationImagingPresetBevel::~StateImplementationImagingPresetBevel()
{
    delete m_pUidShape;
}

void StateImplementationImagingPresetBevel::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationImaging::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationImagingPresetBevel>(pDerivedClone);
    pClone->m_pUidShape = cloneUid(m_pUidShape);
}

bool StateImplementationImagingPresetBevel::canEnter() const
{
    return hasImage(paintedImageName(designatedFullName(m_pUidShape, QStringLiteral("pShape"))));
}

void StateImplementationImagingPresetBevel::process()
{
    const QString sShape = designatedFullName(m_pUidShape, QStringLiteral("pShape"));
    const QString sChain = getParentStateFullName();
    const QString sStep = getStateFullName();
    const QString sPainted = paintedImageName(sShape);
    const QString sProfile = createObjectName(sStep, PROFILE, ORIGINAL_RES_HQ);
    const QString sHistogram = createObjectName(sStep, IMAGE_HEIGHT_HISTOGRAM, HIGH_RES_HQ);
    const QString sBevelHigh = createObjectName(sChain, IMAGE_BEVEL, HIGH_RES_HQ);
    const QString sBevelLow = createObjectName(sChain, IMAGE_BEVEL, LOW_RES_HQ);

    const QString sHistogramPipeline = createPipeline<ImagePipelineFactoryHeightHistogram>(
        createObjectName(sStep, PIPELINE_HEIGHT_HISTOGRAM, HIGH_RES_HQ), {sProfile}, {sHistogram});
    const QString sBevelPipeline = createPipeline<ImagePipelineFactoryBevel>(
        createObjectName(sStep, PIPELINE_BEVEL, HIGH_RES_HQ), {sPainted, sHistogram}, {sBevelHigh});
    const QString sDownsizePipeline = createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
        createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ), {sBevelHigh}, {sBevelLow});
    const QString sImportPipeline = createPipeline<ImagePipelineFactoryRawImageImport>(
        createObjectName(sStep, PIPELINE_RAW_IMAGE_IMPORT, ORIGINAL_RES_HQ), {}, {sProfile});

    writeParameters(ParameterObject::createName(sBevelLow, MODIFIER_RESIZE, 0), QStringLiteral("pParameterBevelDownsize"),
                    {{ImageModifierResize::SCALE_VALUES, true}});
    writeParameters(ParameterObject::createName(sBevelHigh, MODIFIER_BEVEL, 0), QStringLiteral("pParameterBevel"),
                    {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, sPainted},
                     {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, sHistogram}});
    setPipelineNames({sBevelPipeline, sDownsizePipeline, sImportPipeline, sHistogramPipeline});
}

StateImplementationImagingBevel::StateImplementationImagingBevel() = default;

StateImplementationImagingBevel::StateImplementationImagingBevel(unsigned long ulShapeUid, unsigned long ulProfileUid)
    : m_pUidShape(new Uid(ulShapeUid, Uid::KIND_REFERENCE))
    , m_pUidProfile(new Uid(ulProfileUid, Uid::KIND_REFERENCE))
{
}

StateImplementationImagingBevel::~StateImplementationImagingBevel()
{
    delete m_pUidShape;
    delete m_pUidProfile;
}

void StateImplementationImagingBevel::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationImaging::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationImagingBevel>(pDerivedClone);
    pClone->m_pUidShape = cloneUid(m_pUidShape);
    pClone->m_pUidProfile = cloneUid(m_pUidProfile);
}

bool StateImplementationImagingBevel::canEnter() const
{
    const QString sShape = designatedFullName(m_pUidShape, QStringLiteral("pShape"));
    const QString sProfile = designatedFullName(m_pUidProfile, QStringLiteral("pProfile"));
    return hasImage(paintedImageName(sShape)) &&
           hasImage(createObjectName(sProfile, IMAGE_HEIGHT_HISTOGRAM, HIGH_RES_HQ));
}

void StateImplementationImagingBevel::process()
{
    const QString sShape = designatedFullName(m_pUidShape, QStringLiteral("pShape"));
    const QString sProfile = designatedFullName(m_pUidProfile, QStringLiteral("pProfile"));
    const QString sStep = getStateFullName();
    const QString sPainted = paintedImageName(sShape);
    const QString sHistogram = createObjectName(sProfile, IMAGE_HEIGHT_HISTOGRAM, HIGH_RES_HQ);
    const QString sBevelHigh = createObjectName(sStep, IMAGE_BEVEL, HIGH_RES_HQ);
    const QString sBevelLow = createObjectName(sStep, IMAGE_BEVEL, LOW_RES_HQ);
    const QString sSliceHorizontal = createObjectName(sStep, IMAGE_SLICE_RENDER_HORIZONTAL, LOW_RES_HQ);
    const QString sSliceVertical = createObjectName(sStep, IMAGE_SLICE_RENDER_VERTICAL, LOW_RES_HQ);
    const QString sDepthRender = createObjectName(sStep, IMAGE_DEPTH_RENDER, LOW_RES_HQ);
    const QString sDepthRenderQuick = createObjectName(sStep, IMAGE_DEPTH_RENDER, LOW_RES_LQ);

    const QStringList slPipelineNames = {
        createPipeline<ImagePipelineFactoryBevel>(createObjectName(sStep, PIPELINE_BEVEL, HIGH_RES_HQ),
                                                  {sPainted, sHistogram}, {sBevelHigh}),
        createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ), {sBevelHigh}, {sBevelLow}),
        createPipeline<ImagePipelineFactorySliceRender>(createObjectName(sStep, PIPELINE_SLICE_RENDER, 0, LOW_RES_HQ),
                                                        {sBevelLow}, {sSliceHorizontal}),
        createPipeline<ImagePipelineFactorySliceRender>(createObjectName(sStep, PIPELINE_SLICE_RENDER, 1, LOW_RES_HQ),
                                                        {sBevelLow}, {sSliceVertical}),
        createPipeline<ImagePipelineFactoryDepthRender>(createObjectName(sStep, PIPELINE_DEPTH_RENDER, LOW_RES_HQ),
                                                        {sBevelLow}, {sDepthRender}),
        createPipeline<ImagePipelineFactoryDepthRender>(createObjectName(sStep, PIPELINE_DEPTH_RENDER, LOW_RES_LQ),
                                                        {sBevelLow}, {sDepthRenderQuick}),
    };

    writeParameters(ParameterObject::createName(sBevelLow, MODIFIER_RESIZE, 0), QStringLiteral("pParameterBevelDownsize"),
                    {{ImageModifierResize::SCALE_VALUES, true}});
    writeParameters(ParameterObject::createName(sSliceHorizontal, MODIFIER_SLICE_RENDER, 0),
                    QStringLiteral("pParameterSliceRenderHorizontal"),
                    {{ImageModifierSliceRender::ORIENTATION, ImageModifierSliceRender::HORIZONTAL}});
    writeParameters(ParameterObject::createName(sSliceVertical, MODIFIER_SLICE_RENDER, 0),
                    QStringLiteral("pParameterSliceRenderVertical"),
                    {{ImageModifierSliceRender::ORIENTATION, ImageModifierSliceRender::VERTICAL}});
    writeParameters(ParameterObject::createName(sDepthRender, MODIFIER_SURFACE_GRADIENT_SMOOTH, 0),
                    QStringLiteral("pParameterSurfaceGradientSmooth"),
                    {{ImageModifierSurfaceGradientSmooth::ADVANCED_SMOOTHING, true}});
    writeParameters(ParameterObject::createName(sBevelHigh, MODIFIER_BEVEL, 0), QStringLiteral("pParameterBevel"),
                    {{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, sPainted},
                     {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, sHistogram}});
    setPipelineNames(slPipelineNames);
}
