#include "StateImplementationImagingComposition.h"

#include "DecorationLayers.h"
#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageModifier/ImageModifierResize.h"
#include "ImageModifier/ImageModifierSliceRender.h"
#include "ImageModifier/ImageModifierSurfaceGradientSmooth.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineDepthComposite.h"
#include "ImagePipeline/ImagePipelineDepthRender.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ImagePipeline/ImagePipelineSliceRender.h"
#include "ImagePipelineManager.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "State.h"
#include "StateImplementationImagingBevelSteps.h"
#include "StateMachine.h"
#include "Uid.h"
#include "WorkflowIdentifiers.h"

namespace
{
// Names of a step's images that contain every one of the words.
QStringList imageNamesWith(const StateImplementationImaging* pStep, const QStringList& slWords)
{
    QStringList slNames = pStep->getImageObjectNames();
    for (const QString& sWord : slWords)
    {
        slNames = slNames.filter(sWord, Qt::CaseSensitive);
    }
    return slNames;
}

// The imaging steps of every element chain below the elements' state. A state
// that is gone throws when bRequired, and gives no steps otherwise.
std::vector<const StateImplementationImaging*> elementSteps(const Uid* pUidDecorationElements, bool bRequired = true)
{
    const State* pStateRootDecorationElements =
        StateMachine::getInstance()->findState(idOf(pUidDecorationElements));
    if (!bRequired && !pStateRootDecorationElements)
    {
        return {};
    }
    MOLDENA_ASSERT(pStateRootDecorationElements);
    std::vector<const StateImplementationImaging*> vSteps;
    for (const State* pElement : pStateRootDecorationElements->getChildStates())
    {
        const std::vector<const StateImplementationImaging*> vElementSteps = StateImplementationImaging::getStepsOf(pElement);
        vSteps.insert(vSteps.end(), vElementSteps.begin(), vElementSteps.end());
    }
    return vSteps;
}

void deleteAll(std::vector<ImageObject*>& vImageObjects, std::vector<ParameterObject*>& vParameterObjects)
{
    for (ImageObject* p : vImageObjects)
        delete p;
    for (ParameterObject* p : vParameterObjects)
        delete p;
    vImageObjects.clear();
    vParameterObjects.clear();
}

// Brings one depth composite's element settings in line with the elements of
// its resolution and sets up each element's placement.
void updateDepthComposite(const QString& sParameterName, const QStringList& slElementNames,
                          const QString& sSurfaceName)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ParameterObject* pParameterDepthComposite = pRoot->findObject<ParameterObject>(sParameterName);
    MOLDENA_ASSERT(pParameterDepthComposite);
    ParameterObject::ParameterMap map = pParameterDepthComposite->getParameters();
    const auto itSurface = map.find(ImageModifierDepthComposite::SURFACE_IDENTIFIER);
    if (itSurface == map.end() || itSurface->second.toString().isEmpty())
    {
        map[ImageModifierDepthComposite::SURFACE_IDENTIFIER] = sSurfaceName;
    }
    DecorationLayers layers = DecorationLayers::fromParameters(map);

    for (const QString& sName : slElementNames)
    {
        writeParameters(ParameterObject::createName(sName, MODIFIER_GEOMETRIC_TRANSFORMATION, 0),
                        QStringLiteral("pParameterTransformation"),
                        {{ImageModifierGeometricTransformation::KEEP_SIZE, true},
                         {ImageModifierGeometricTransformation::SCALE_VALUES, true},
                         {ImageModifierGeometricTransformation::USE_OUTPUT_SIZE, true},
                         {ImageModifierGeometricTransformation::USE_BLACK_BORDER, true}});
    }

    layers.update(slElementNames);
    layers.toParameters(map);
    pParameterDepthComposite->setParameters(map);
}

} // namespace

StateImplementationImagingComposition::StateImplementationImagingComposition()
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    using Signal = void (ObjectRoot::*)(QString);
    const std::pair<Signal, const char*> connections[] = {
        {&ObjectRoot::signalChildAdded, "signalChildAdded"},
        {&ObjectRoot::signalChildRemoved, "signalChildRemoved"},
        {&ObjectRoot::signalChildSilentlyAdded, "signalChildSilentlyAdded"},
        {&ObjectRoot::signalChildSilentlyRemoved, "signalChildSilentlyRemoved"},
    };
    for (const auto& [signal, szSignal] : connections)
    {
        if (!connect(pRoot, signal, this, &StateImplementationImagingComposition::slotChildAddedOrRemoved,
                     Qt::QueuedConnection))
        {
            throwAssertionFailure(QStringLiteral("connect(ObjectRoot::getInstance(), SIGNAL(%1(const QString&)), this, "
                                                 "SLOT(slotChildAddedOrRemoved(const QString&)), Qt::QueuedConnection)")
                                      .arg(QLatin1String(szSignal)));
        }
    }
}

StateImplementationImagingComposition::StateImplementationImagingComposition(unsigned long ulBevelUid,
                                                                             unsigned long ulDecorationElementsUid)
    : StateImplementationImagingComposition()
{
    m_pUidBevel = new Uid(ulBevelUid, Uid::KIND_REFERENCE);
    m_pUidDecorationElements = new Uid(ulDecorationElementsUid, Uid::KIND_REFERENCE);
}

StateImplementationImagingComposition::~StateImplementationImagingComposition()
{
    delete m_pUidBevel;
    delete m_pUidDecorationElements;
    deleteKeptObjects();
}

void StateImplementationImagingComposition::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationImaging::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationImagingComposition>(pDerivedClone);
    pClone->m_pUidBevel = cloneUid(m_pUidBevel);
    pClone->m_pUidDecorationElements = cloneUid(m_pUidDecorationElements);
}

QStringList StateImplementationImagingComposition::getInputImageNamesDecoration() const
{
    return m_slInputImageNamesDecorationHighResHQ + m_slInputImageNamesDecorationLowResHQ;
}

void StateImplementationImagingComposition::gatherDecorationElements() const
{
    m_slInputImageNamesDecorationHighResHQ.clear();
    m_slInputImageNamesDecorationLowResHQ.clear();
    for (const StateImplementationImaging* pStep : elementSteps(m_pUidDecorationElements))
    {
        m_slInputImageNamesDecorationHighResHQ << imageNamesWith(pStep, {IMAGE_BEVEL, HIGH_RES_HQ});
        m_slInputImageNamesDecorationLowResHQ << imageNamesWith(pStep, {IMAGE_BEVEL, LOW_RES_HQ});
    }
}

void StateImplementationImagingComposition::findSurfaceImages(QStringList& slHigh, QStringList& slLow) const
{
    const State* pStateRootBevel = StateMachine::getInstance()->findState(idOf(m_pUidBevel));
    MOLDENA_ASSERT(pStateRootBevel);
    slHigh.clear();
    slLow.clear();
    if (auto* pBevel = dynamic_cast<const StateImplementationImaging*>(pStateRootBevel->getImplementation()))
    {
        slHigh = imageNamesWith(pBevel, {IMAGE_BEVEL, HIGH_RES_HQ});
        slLow = imageNamesWith(pBevel, {IMAGE_BEVEL, LOW_RES_HQ});
    }
}

bool StateImplementationImagingComposition::canEnter() const
{
    gatherDecorationElements();
    MOLDENA_ASSERT(m_slInputImageNamesDecorationHighResHQ.size() == m_slInputImageNamesDecorationLowResHQ.size());
    for (const QString& sName : getInputImageNamesDecoration())
    {
        if (!hasImage(sName))
        {
            return false;
        }
    }
    QStringList slHigh;
    QStringList slLow;
    findSurfaceImages(slHigh, slLow);
    return !slHigh.isEmpty() && !slLow.isEmpty() && hasImage(slHigh.first()) && hasImage(slLow.first());
}

QStringList StateImplementationImagingComposition::getCompositionPipelineNames() const
{
    const QString sStep = getStateFullName();
    return {createObjectName(sStep, PIPELINE_DEPTH_COMPOSITE, HIGH_RES_HQ),
            createObjectName(sStep, PIPELINE_DEPTH_COMPOSITE, LOW_RES_LQ),
            createObjectName(sStep, PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER, LOW_RES_HQ),
            createObjectName(sStep, PIPELINE_SLICE_RENDER, 0, LOW_RES_HQ),
            createObjectName(sStep, PIPELINE_SLICE_RENDER, 0, LOW_RES_LQ),
            createObjectName(sStep, PIPELINE_SLICE_RENDER, 1, LOW_RES_HQ),
            createObjectName(sStep, PIPELINE_SLICE_RENDER, 1, LOW_RES_LQ),
            createObjectName(sStep, PIPELINE_DEPTH_RENDER, LOW_RES_HQ),
            createObjectName(sStep, PIPELINE_DEPTH_RENDER, LOW_RES_LQ)};
}

void StateImplementationImagingComposition::tearDownPipelines(const QStringList& slPipelineNames)
{
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    // By the names this step gives its pipelines, not by the list of the last
    // visit: a visit that failed half-way never wrote that list.
    for (int nIndex = 0; nIndex < slPipelineNames.size(); ++nIndex)
    {
        const QString& sName = slPipelineNames.at(nIndex);
        if (!pManager->hasPipeline(sName))
        {
            continue;
        }
        ImagePipeline* pPipeline = pManager->removePipeline(sName);
        std::vector<ParameterObject*> vParameterObjects;
        std::vector<ImageObject*> vImageObjects;
        ImagePipelineFactoryDepthComposite().getObjects(pPipeline, vParameterObjects, vImageObjects);
        delete pPipeline;
        if (nIndex == COMPOSITE_HIGH || nIndex == COMPOSITE_QUICK)
        {
            m_vKeptParameterObjects.insert(m_vKeptParameterObjects.end(), vParameterObjects.begin(),
                                           vParameterObjects.end());
            m_vKeptImageObjects.insert(m_vKeptImageObjects.end(), vImageObjects.begin(), vImageObjects.end());
        }
        else
        {
            deleteAll(vImageObjects, vParameterObjects);
        }
    }
}

void StateImplementationImagingComposition::deleteKeptObjects()
{
    deleteAll(m_vKeptImageObjects, m_vKeptParameterObjects);
}

void StateImplementationImagingComposition::process()
{
    const QStringList slPipelineNames = getCompositionPipelineNames();
    tearDownPipelines(slPipelineNames);
    gatherDecorationElements();
    QStringList slImagesBevelHighResHQTmp;
    QStringList slImagesBevelLowResHQTmp;
    findSurfaceImages(slImagesBevelHighResHQTmp, slImagesBevelLowResHQTmp);
    MOLDENA_ASSERT(slImagesBevelHighResHQTmp.size() == 1);
    MOLDENA_ASSERT(slImagesBevelLowResHQTmp.size() == 1);
    const QString sSurfaceHigh = slImagesBevelHighResHQTmp.first();
    const QString sSurfaceLow = slImagesBevelLowResHQTmp.first();

    const QString sStep = getStateFullName();
    const QString sCompositeHigh = createObjectName(sStep, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ);
    const QString sCompositeQuick = createObjectName(sStep, IMAGE_DEPTH_COMPOSITE, LOW_RES_LQ);
    const QString sCompositeLow = createObjectName(sStep, IMAGE_DEPTH_COMPOSITE, LOW_RES_HQ);
    const auto image = [&sStep](const QString& sKind, const QString& sTag) { return createObjectName(sStep, sKind, sTag); };

    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    const auto addComposite = [&](int nPipeline, const QString& sSurface, const QStringList& slElements,
                                  const QString& sOutput) {
        pManager->addPipeline(ImagePipelineFactoryDepthComposite().create(slPipelineNames.at(nPipeline),
                                                                          QStringList{sSurface} + slElements, {sOutput},
                                                                          m_vKeptParameterObjects, m_vKeptImageObjects));
    };
    addComposite(COMPOSITE_HIGH, sSurfaceHigh, m_slInputImageNamesDecorationHighResHQ, sCompositeHigh);
    addComposite(COMPOSITE_QUICK, sSurfaceLow, m_slInputImageNamesDecorationLowResHQ, sCompositeQuick);
    createPipeline<ImagePipelineFactoryDownsizedResolutionProvider>(slPipelineNames.at(DOWNSIZE), {sCompositeHigh},
                                                                    {sCompositeLow});
    for (int nIndex = 0; nIndex < 2; ++nIndex)
    {
        const QString sKind = nIndex == 0 ? IMAGE_SLICE_RENDER_HORIZONTAL : IMAGE_SLICE_RENDER_VERTICAL;
        createPipeline<ImagePipelineFactorySliceRender>(slPipelineNames.at(SLICE_RENDER_LOW + 2 * nIndex),
                                                        {sCompositeLow}, {image(sKind, LOW_RES_HQ)});
        createPipeline<ImagePipelineFactorySliceRender>(slPipelineNames.at(SLICE_RENDER_QUICK + 2 * nIndex),
                                                        {sCompositeQuick}, {image(sKind, LOW_RES_LQ)});
    }
    createPipeline<ImagePipelineFactoryDepthRender>(slPipelineNames.at(DEPTH_RENDER_LOW), {sCompositeLow},
                                                    {image(IMAGE_DEPTH_RENDER, LOW_RES_HQ)});
    createPipeline<ImagePipelineFactoryDepthRender>(slPipelineNames.at(DEPTH_RENDER_QUICK), {sCompositeQuick},
                                                    {image(IMAGE_DEPTH_RENDER, LOW_RES_LQ)});

    writeParameters(ParameterObject::createName(sCompositeLow, MODIFIER_RESIZE, 0),
                    QStringLiteral("pParameterDepthCompositeDownsize"), {{ImageModifierResize::SCALE_VALUES, true}});
    for (const QString& sTag : {LOW_RES_HQ, LOW_RES_LQ})
    {
        writeParameters(ParameterObject::createName(image(IMAGE_SLICE_RENDER_HORIZONTAL, sTag), MODIFIER_SLICE_RENDER, 0),
                        QStringLiteral("pParameterSliceRenderHorizontal"),
                        {{ImageModifierSliceRender::ORIENTATION, ImageModifierSliceRender::HORIZONTAL}});
    }
    for (const QString& sTag : {LOW_RES_HQ, LOW_RES_LQ})
    {
        writeParameters(ParameterObject::createName(image(IMAGE_SLICE_RENDER_VERTICAL, sTag), MODIFIER_SLICE_RENDER, 0),
                        QStringLiteral("pParameterSliceRenderVertical"),
                        {{ImageModifierSliceRender::ORIENTATION, ImageModifierSliceRender::VERTICAL}});
    }
    writeParameters(ParameterObject::createName(image(IMAGE_DEPTH_RENDER, LOW_RES_HQ), MODIFIER_SURFACE_GRADIENT_SMOOTH, 0),
                    QStringLiteral("pParameterSurfaceGradientSmooth"),
                    {{ImageModifierSurfaceGradientSmooth::ADVANCED_SMOOTHING, true}});
    updateDepthComposite(ParameterObject::createName(sCompositeHigh, MODIFIER_DEPTH_COMPOSITE, 0),
                         m_slInputImageNamesDecorationHighResHQ, sSurfaceHigh);
    updateDepthComposite(ParameterObject::createName(sCompositeQuick, MODIFIER_DEPTH_COMPOSITE, 0),
                         m_slInputImageNamesDecorationLowResHQ, sSurfaceLow);

    deleteKeptObjects();
    setPipelineNames(slPipelineNames);
}

void StateImplementationImagingComposition::removeObjects()
{
    StateImplementationImaging::removeObjects();
    deleteKeptObjects();
}

void StateImplementationImagingComposition::slotChildAddedOrRemoved(const QString& sName)
{
    // Every pipeline run passes here; only bevel images concern the composition.
    if (!sName.contains(IMAGE_BEVEL))
    {
        return;
    }
    if (getInputImageNamesDecoration().contains(sName))
    {
        setComplete(false);
        return;
    }
    // A slot must not throw: without its states (a component being replaced)
    // there is nothing to follow.
    for (const StateImplementationImaging* pStep : elementSteps(m_pUidDecorationElements, false))
    {
        if (imageNamesWith(pStep, {IMAGE_BEVEL}).contains(sName))
        {
            setComplete(false);
            return;
        }
    }
}
