#include "ImagePipelinePenAndBucket.h"

#include "Identifiers.h"
#include "ImageModifier/ImageModifierBucket.h"
#include "ImageModifier/ImageModifierOverlayComposite.h"
#include "ImageModifier/ImageModifierOverlayDelete.h"
#include "ImageModifier/ImageModifierPen.h"
#include "ImageObject.h"
#include "ImageObjectSynchronizer.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "SimpleException.h"

#include <memory>
#include <utility>

namespace
{
enum Slot
{
    SLOT_CANVAS = 0,
    SLOT_OVERLAY = 1,
    SLOT_MASK = 2,
    SLOT_COUNT = 3
};

// The first parameter object whose name contains the modifier's name.
ParameterObject* parameterObjectOf(const std::map<QString, ParameterObject*>& mapParameterNameToParameterObject,
                                     const QString& sModifierName)
{
    for (const auto& entry : mapParameterNameToParameterObject)
    {
        if (entry.first.contains(sModifierName))
        {
            return entry.second;
        }
    }
    return nullptr;
}

// The same role test as the paint modifiers use on their raster keys.
template <typename T>
void assignRole(const QString& sName, T pValue, T& pOverlay, T& pMask, T& pCanvas)
{
    if (sName.contains(OVERLAY))
    {
        pOverlay = pValue;
    }
    else if (sName.contains(MASK))
    {
        pMask = pValue;
    }
    else
    {
        pCanvas = pValue;
    }
}

// The new synchronizer, or null when one of that name exists already.
ImageObjectSynchronizer* addSynchronizer(const QString& sSourceName, const QString& sTargetName)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    const QString sName = ParameterObject::createName(IMAGE_OBJECT_SYNCHRONIZER, sSourceName, sTargetName);
    if (pRoot->findChild<ImageObjectSynchronizer*>(sName))
    {
        return nullptr;
    }
    auto* pSynchronizer = new ImageObjectSynchronizer(sName, sSourceName, sTargetName, true);
    const bool bAddOk = pRoot->addChild(pSynchronizer, false);
    if (!bAddOk)
    {
        delete pSynchronizer;
    }
    MOLDENA_ASSERT(bAddOk);
    return pSynchronizer;
}

// A paint layer that holds no raster gets a 1 x 1 placeholder, so that every
// run finds a raster to compare with the canvas. Done out of the tree and
// silently: nobody is to react to it.
void ensureRaster(ImageObject* pImageObject)
{
    if (pImageObject->getRasterReadOnly())
    {
        return;
    }
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    pRoot->removeChild(pImageObject, true);
    pImageObject->setRaster(new Raster2d<unsigned char>(1, 1), true);
    pRoot->addChild(pImageObject, true);
}
} // namespace

ImageProcessorPenAndBucket::ImageProcessorPenAndBucket()
    : ImageProcessorBase(PIPELINE_PEN_AND_BUCKET)
{
    setModifier(new ImageModifierOverlayDelete(MODIFIER_OVERLAY_DELETE));
    setModifier(new ImageModifierOverlayComposite(MODIFIER_OVERLAY_COMPOSITE));
    setModifier(new ImageModifierPen(MODIFIER_PEN));
    setModifier(new ImageModifierBucket(MODIFIER_BUCKET));
    setupBufferRastersInput(SLOT_COUNT);
    setupBufferRastersOutput(SLOT_COUNT);
}

ImageProcessorPenAndBucket::~ImageProcessorPenAndBucket()
{
    for (const QPointer<ImageObjectSynchronizer>& pSynchronizer : m_vSynchronizers)
    {
        if (pSynchronizer)
        {
            // Silently: its going concerns no pipeline, and the one that owns
            // this processor is being deleted.
            ObjectRoot::getInstance()->removeChild(pSynchronizer, true);
            delete pSynchronizer.data();
        }
    }
}

void ImageProcessorPenAndBucket::keepSynchronizer(ImageObjectSynchronizer* pSynchronizer)
{
    m_vSynchronizers.emplace_back(pSynchronizer);
}

void ImageProcessorPenAndBucket::process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                                         std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                                         std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 3 && mapImageNameToOutputImageObject.size() == 3 &&
                   mapParameterNameToParameterObject.size() == 4);

    ImageObject* pInputOverlay = nullptr;
    ImageObject* pInputMask = nullptr;
    ImageObject* pInputCanvas = nullptr;
    for (const auto& entry : mapImageNameToInputImageObject)
    {
        if (entry.second)
        {
            assignRole(entry.second->objectName(), entry.second, pInputOverlay, pInputMask, pInputCanvas);
        }
    }
    MOLDENA_ASSERT(pInputOverlay && pInputMask && pInputCanvas && pInputCanvas->getRasterReadOnly());

    ImageObject* pOutputOverlay = nullptr;
    ImageObject* pOutputMask = nullptr;
    ImageObject* pOutputCanvas = nullptr;
    QString sOutputOverlay;
    QString sOutputMask;
    QString sOutputCanvas;
    for (const auto& entry : mapImageNameToOutputImageObject)
    {
        assignRole(entry.first, entry.second, pOutputOverlay, pOutputMask, pOutputCanvas);
        assignRole(entry.first, entry.first, sOutputOverlay, sOutputMask, sOutputCanvas);
    }
    MOLDENA_ASSERT(pOutputOverlay && pOutputMask && pOutputCanvas);

    const QString sInputOverlay = pInputOverlay->objectName();
    const QString sInputMask = pInputMask->objectName();
    const QString sInputCanvas = pInputCanvas->objectName();

    std::vector<Raster2dBase*>& vIn = m_vBufferRasterInput;
    std::vector<Raster2dBase*>& vOut = m_vBufferRasterOutput;

    // Current state: the canvas, and the stored paint when it fits the canvas;
    // paint of another size (the first run, or a canvas that changed size)
    // starts empty.
    const auto* pCanvasRaster = dynamic_cast<const Raster2d<unsigned char>*>(pInputCanvas->getRasterReadOnly());
    bool bBufferOk = copyToBufferRaster(pCanvasRaster, vIn[SLOT_CANVAS]);
    MOLDENA_ASSERT(bBufferOk);
    const struct
    {
        ImageObject* pObject;
        Slot nSlot;
        unsigned char nEmptyValue;
    } layers[] = {{pInputOverlay, SLOT_OVERLAY, 255}, {pInputMask, SLOT_MASK, 0}};
    for (const auto& layer : layers)
    {
        const auto* pLayerRaster = dynamic_cast<const Raster2d<unsigned char>*>(layer.pObject->getRasterReadOnly());
        if (pLayerRaster && pLayerRaster->getWidth() == pCanvasRaster->getWidth() &&
            pLayerRaster->getHeight() == pCanvasRaster->getHeight())
        {
            bBufferOk = copyToBufferRaster(pLayerRaster, vIn[layer.nSlot]);
            MOLDENA_ASSERT(bBufferOk);
        }
        else
        {
            bBufferOk = copyToBufferRaster(pCanvasRaster, vIn[layer.nSlot]);
            MOLDENA_ASSERT(bBufferOk);
            static_cast<Raster2d<unsigned char>*>(vIn[layer.nSlot])->fill(layer.nEmptyValue);
        }
    }

    // Scratch buffers of the canvas's size. Sizing them after the previous
    // output instead would make the first run after the canvas changed size
    // fail every modifier and swallow the action of that run.
    for (int nSlot = SLOT_CANVAS; nSlot < SLOT_COUNT; ++nSlot)
    {
        bBufferOk = setupBufferRasterLike<unsigned char>(vIn[nSlot], nullptr, vOut[nSlot]);
        MOLDENA_ASSERT(bBufferOk);
    }

    auto swapSlots = [&](std::initializer_list<Slot> listSlots) {
        for (Slot nSlot : listSlots)
        {
            std::swap(vIn[nSlot], vOut[nSlot]);
        }
    };

    // Pen.
    ParameterObject* pParameterObjectPen = parameterObjectOf(mapParameterNameToParameterObject, MODIFIER_PEN);
    MOLDENA_ASSERT(pParameterObjectPen);
    ImageModifierBase* pModifierPen = getModifier(MODIFIER_PEN);
    MOLDENA_ASSERT(pModifierPen);
    pModifierPen->setParameters(pParameterObjectPen->getParameters());
    {
        const ImageModifierBase::RasterMap mapIn{{sInputOverlay, vIn[SLOT_OVERLAY]}, {sInputMask, vIn[SLOT_MASK]}};
        ImageModifierBase::RasterMap mapOut{{sOutputOverlay, vOut[SLOT_OVERLAY]}, {sOutputMask, vOut[SLOT_MASK]}};
        if (pModifierPen->process(mapIn, mapOut))
        {
            swapSlots({SLOT_OVERLAY, SLOT_MASK});
        }
    }

    // Composition, so that the bucket starts from the image as the user sees it.
    ParameterObject* pParameterObjectOverlayComposite =
        parameterObjectOf(mapParameterNameToParameterObject, MODIFIER_OVERLAY_COMPOSITE);
    MOLDENA_ASSERT(pParameterObjectOverlayComposite);
    ImageModifierBase* pModifierOverlayComposite = getModifier(MODIFIER_OVERLAY_COMPOSITE);
    MOLDENA_ASSERT(pModifierOverlayComposite);
    pModifierOverlayComposite->setParameters(pParameterObjectOverlayComposite->getParameters());
    auto compose = [&]() {
        const ImageModifierBase::RasterMap mapIn{
            {sInputCanvas, vIn[SLOT_CANVAS]}, {sInputOverlay, vIn[SLOT_OVERLAY]}, {sInputMask, vIn[SLOT_MASK]}};
        ImageModifierBase::RasterMap mapOut{{sOutputCanvas, vOut[SLOT_CANVAS]}};
        if (pModifierOverlayComposite->process(mapIn, mapOut))
        {
            swapSlots({SLOT_CANVAS});
        }
    };
    compose();

    // Bucket.
    ParameterObject* pParameterObjectBucket = parameterObjectOf(mapParameterNameToParameterObject, MODIFIER_BUCKET);
    MOLDENA_ASSERT(pParameterObjectBucket);
    ImageModifierBase* pModifierBucket = getModifier(MODIFIER_BUCKET);
    MOLDENA_ASSERT(pModifierBucket);
    pModifierBucket->setParameters(pParameterObjectBucket->getParameters());
    {
        const ImageModifierBase::RasterMap mapIn{
            {sInputCanvas, vIn[SLOT_CANVAS]}, {sInputOverlay, vIn[SLOT_OVERLAY]}, {sInputMask, vIn[SLOT_MASK]}};
        ImageModifierBase::RasterMap mapOut{{sOutputCanvas, vOut[SLOT_CANVAS]},
                                            {sOutputOverlay, vOut[SLOT_OVERLAY]},
                                            {sOutputMask, vOut[SLOT_MASK]}};
        if (pModifierBucket->process(mapIn, mapOut))
        {
            swapSlots({SLOT_CANVAS, SLOT_OVERLAY, SLOT_MASK});
        }
    }

    // Deletion.
    ParameterObject* pParameterObjectOverlayDelete =
        parameterObjectOf(mapParameterNameToParameterObject, MODIFIER_OVERLAY_DELETE);
    MOLDENA_ASSERT(pParameterObjectOverlayDelete);
    ImageModifierBase* pModifierOverlayDelete = getModifier(MODIFIER_OVERLAY_DELETE);
    MOLDENA_ASSERT(pModifierOverlayDelete);
    pModifierOverlayDelete->setParameters(pParameterObjectOverlayDelete->getParameters());
    {
        const ImageModifierBase::RasterMap mapIn{{sInputOverlay, vIn[SLOT_OVERLAY]}, {sInputMask, vIn[SLOT_MASK]}};
        ImageModifierBase::RasterMap mapOut{{sOutputOverlay, vOut[SLOT_OVERLAY]}, {sOutputMask, vOut[SLOT_MASK]}};
        if (pModifierOverlayDelete->process(mapIn, mapOut))
        {
            swapSlots({SLOT_OVERLAY, SLOT_MASK});
        }
    }

    // The output shows the final paint over the plain canvas, not over the
    // canvas that the first composition and the bucket worked on.
    bBufferOk = copyToBufferRaster(pCanvasRaster, vIn[SLOT_CANVAS]);
    MOLDENA_ASSERT(bBufferOk);
    compose();

    swapSlots({SLOT_CANVAS, SLOT_OVERLAY, SLOT_MASK});

    bool bOutputOk = copyBufferRasterToOutput<unsigned char>(pOutputCanvas, vOut[SLOT_CANVAS]);
    MOLDENA_ASSERT(bOutputOk);
    bOutputOk = copyBufferRasterToOutput<unsigned char>(pOutputOverlay, vOut[SLOT_OVERLAY]);
    MOLDENA_ASSERT(bOutputOk);
    bOutputOk = copyBufferRasterToOutput<unsigned char>(pOutputMask, vOut[SLOT_MASK]);
    MOLDENA_ASSERT(bOutputOk);

    releaseBufferRasters();
}

ImagePipeline* ImagePipelineFactoryPenAndBucket::create(const QString& sPipelineName,
                                                        const QStringList& slInputImageNames,
                                                        const QStringList& slOutputImageNames)
{
    MOLDENA_ASSERT(slInputImageNames.size() == 1 && slOutputImageNames.size() == 1);

    const QString sInputImageNameCanvas = slInputImageNames.first();
    const QString sInputImageNameOverlay = paintLayerName(sInputImageNameCanvas, OVERLAY);
    const QString sInputImageNameMask = paintLayerName(sInputImageNameCanvas, MASK);
    const QString sOutputImageNameCanvas = slOutputImageNames.first();
    const QString sOutputImageNameOverlay = paintLayerName(sOutputImageNameCanvas, OVERLAY);
    const QString sOutputImageNameMask = paintLayerName(sOutputImageNameCanvas, MASK);
    MOLDENA_ASSERT(!sInputImageNameCanvas.isEmpty() && !sOutputImageNameCanvas.isEmpty() &&
                   !sInputImageNameOverlay.isEmpty() && !sOutputImageNameOverlay.isEmpty() &&
                   !sInputImageNameMask.isEmpty() && !sOutputImageNameMask.isEmpty());

    ObjectRoot* pRoot = ObjectRoot::getInstance();
    pRoot->getOrCreateChild<ImageObject>(sOutputImageNameCanvas);
    pRoot->getOrCreateChild<ImageObject>(sOutputImageNameOverlay);
    pRoot->getOrCreateChild<ImageObject>(sOutputImageNameMask);
    ImageObject* pInputOverlay = pRoot->getOrCreateChild<ImageObject>(sInputImageNameOverlay);
    ImageObject* pInputMask = pRoot->getOrCreateChild<ImageObject>(sInputImageNameMask);
    ensureRaster(pInputOverlay);
    ensureRaster(pInputMask);

    // Owned here until the pipeline takes it, so a failed assertion below
    // does not leak it.
    auto pProcessor = std::make_unique<ImageProcessorPenAndBucket>();

    QStringList slParameterNames;
    for (const QString& sModifierName :
         {MODIFIER_PEN, MODIFIER_BUCKET, MODIFIER_OVERLAY_DELETE, MODIFIER_OVERLAY_COMPOSITE})
    {
        createParameterObject(sModifierName, sInputImageNameCanvas, slParameterNames, pProcessor.get());
    }

    const QStringList slInputs{sInputImageNameCanvas, sInputImageNameOverlay, sInputImageNameMask};
    const QStringList slOutputs{sOutputImageNameCanvas, sOutputImageNameOverlay, sOutputImageNameMask};

    // One that existed already belongs to the processor that made it.
    for (ImageObjectSynchronizer* pSynchronizer : {addSynchronizer(sOutputImageNameOverlay, sInputImageNameOverlay),
                                                   addSynchronizer(sOutputImageNameMask, sInputImageNameMask)})
    {
        if (pSynchronizer)
        {
            pProcessor->keepSynchronizer(pSynchronizer);
        }
    }

    return new ImagePipeline(sPipelineName, slInputs, slOutputs, slParameterNames, pProcessor.release());
}
