#include "ImagePipelineDepthComposite.h"

#include "Identifiers.h"
#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <memory>
#include <utility>

namespace
{
void deleteRasters(std::vector<Raster2dBase*>& vRasters)
{
    for (Raster2dBase*& pRaster : vRasters)
    {
        delete pRaster;
        pRaster = nullptr;
    }
}
} // namespace

ImageProcessorDepthComposite::ImageProcessorDepthComposite()
    : ImageProcessorBase(PIPELINE_DEPTH_COMPOSITE)
{
    setModifier(new ImageModifierGeometricTransformation(MODIFIER_GEOMETRIC_TRANSFORMATION));
    setModifier(new ImageModifierDepthComposite(MODIFIER_DEPTH_COMPOSITE));
}

ImageProcessorDepthComposite::~ImageProcessorDepthComposite()
{
    ImageProcessorDepthComposite::releaseBufferRasters();
}

void ImageProcessorDepthComposite::releaseBufferRasters()
{
    ImageProcessorBase::releaseBufferRasters();
    deleteRasters(m_vBufferRasterDecoration);
    deleteRasters(m_vBufferRasterComposite);
}

void ImageProcessorDepthComposite::process(ImageObjectMap mapImageNameToInputImageObject,
                                           ImageObjectMap mapImageNameToOutputImageObject,
                                           ParameterObjectMap mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() >= 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() >= 1);
    releaseBufferRasters();
    m_vBufferRasterDecoration.clear();
    m_vBufferRasterComposite.clear();

    ParameterObject* pParameterObjectDepthComposite =
        findLastParameterObject(mapParameterNameToParameterObject, MODIFIER_DEPTH_COMPOSITE);
    MOLDENA_ASSERT(pParameterObjectDepthComposite);
    QString sSurfaceIdentifier;
    if (!pParameterObjectDepthComposite->getValue(ImageModifierDepthComposite::SURFACE_IDENTIFIER,
                                                  sSurfaceIdentifier))
    {
        LOG_ERROR(ImageModifierBase::MESSAGE_PARAMETERS_NOT_SET);
        return;
    }

    std::pair<QString, const Raster2d<float>*> pairRaster2dInputSurface(QString(), nullptr);
    std::map<QString, const Raster2d<float>*> mapDecorations;
    for (const auto& entry : mapImageNameToInputImageObject)
    {
        const Raster2d<float>* pRaster =
            entry.second ? dynamic_cast<const Raster2d<float>*>(entry.second->getRasterReadOnly()) : nullptr;
        if (!pRaster)
        {
            LOG_ERROR(ImageModifierBase::MESSAGE_INPUT_RASTER);
            return;
        }
        if (entry.first.contains(sSurfaceIdentifier))
        {
            pairRaster2dInputSurface = {entry.first, pRaster};
        }
        else
        {
            mapDecorations[entry.first] = pRaster;
        }
    }
    MOLDENA_ASSERT(pairRaster2dInputSurface.second != NULL);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);
    // The buffer operations take writable rasters but only read these.
    Raster2d<float>* pSurface = const_cast<Raster2d<float>*>(pairRaster2dInputSurface.second);

    if (mapDecorations.empty())
    {
        const bool bOutputOk = copyBufferRasterToOutput<float>(pOutput, pSurface);
        MOLDENA_ASSERT(bOutputOk);
        return;
    }

    for (std::size_t i = 0; i < mapDecorations.size(); ++i)
    {
        m_vBufferRasterDecoration.push_back(nullptr);
        // The slot starts with the surface's size, which a transformation
        // asking for the output's size then keeps.
        const bool bBufferOk = copyToBufferRaster<float>(pSurface, m_vBufferRasterDecoration.back());
        MOLDENA_ASSERT(bBufferOk);
    }
    m_vBufferRasterComposite.push_back(nullptr);
    const bool bBufferOk = setupBufferRasterLike<float>(pSurface, nullptr, m_vBufferRasterComposite.back());
    MOLDENA_ASSERT(bBufferOk);

    ImageModifierBase::RasterMap mapInputRasters;
    std::size_t nDecoration = 0;
    for (const auto& decoration : mapDecorations)
    {
        Raster2dBase*& pSlot = m_vBufferRasterDecoration[nDecoration++];
        const bool bModiferOk = applyModifier<float>(decoration.first, MODIFIER_GEOMETRIC_TRANSFORMATION,
                                                     mapParameterNameToParameterObject,
                                                     const_cast<Raster2d<float>*>(decoration.second), pSlot);
        MOLDENA_ASSERT(bModiferOk);
        mapInputRasters[decoration.first] = pSlot;
    }
    mapInputRasters[pairRaster2dInputSurface.first] = pSurface;
    Raster2dBase* pComposite = m_vBufferRasterComposite.back();
    ImageModifierBase::RasterMap mapOutputRasters{{mapImageNameToOutputImageObject.begin()->first, pComposite}};

    ImageModifierBase* pModifierDepthComposite = getModifier(MODIFIER_DEPTH_COMPOSITE);
    MOLDENA_ASSERT(pModifierDepthComposite);
    const ParameterObject::ParameterMap mapParameters = pParameterObjectDepthComposite->getParameters();
    pModifierDepthComposite->setParameters(mapParameters);
    // A refused composition is no failure of the step: the side keeps its
    // plain surface.
    const bool bCompositeOk = pModifierDepthComposite->process(mapInputRasters, mapOutputRasters);

    finishRun<float>(pOutput, bCompositeOk ? pComposite : pSurface);
}

ImageObject* ImagePipelineFactoryDepthComposite::takeImageObject(const QString& sName,
                                                                 std::vector<ImageObject*>& vImageObjects)
{
    for (auto it = vImageObjects.begin(); it != vImageObjects.end(); ++it)
    {
        if (*it && (*it)->objectName() == sName)
        {
            ImageObject* pImageObject = *it;
            vImageObjects.erase(it);
            return pImageObject;
        }
    }
    return nullptr;
}

ParameterObject* ImagePipelineFactoryDepthComposite::takeParameterObject(
    const QString& sModifierName, const QString& sImageName, std::vector<ParameterObject*>& vParameterObjects)
{
    const QString sName = ParameterObject::createName(sImageName, sModifierName, 0);
    for (auto it = vParameterObjects.begin(); it != vParameterObjects.end(); ++it)
    {
        if (*it && (*it)->objectName() == sName)
        {
            ParameterObject* pParameterObject = *it;
            vParameterObjects.erase(it);
            return pParameterObject;
        }
    }
    return nullptr;
}

namespace
{
// Puts a kept parameter object back into the tree, or creates it. An object
// the tree refuses (its name was taken meanwhile) is deleted, and the one in
// the tree is used.
void restoreParameterObject(const QString& sModifierName, const QString& sImageName,
                            std::vector<ParameterObject*>& vParameterObjects, QStringList& slParameterNames,
                            ImageProcessorBase* pProcessor)
{
    ParameterObject* pParameterObject =
        ImagePipelineFactoryDepthComposite::takeParameterObject(sModifierName, sImageName, vParameterObjects);
    if (pParameterObject && ObjectRoot::getInstance()->addChild(pParameterObject, false))
    {
        slParameterNames.append(pParameterObject->objectName());
        return;
    }
    delete pParameterObject;
    ImagePipelineFactoryBase::createParameterObject(sModifierName, sImageName, slParameterNames, pProcessor);
}
} // namespace

ImagePipeline* ImagePipelineFactoryDepthComposite::create(const QString& sPipelineName,
                                                          const QStringList& slInputImageNames,
                                                          const QStringList& slOutputImageNames,
                                                          std::vector<ParameterObject*>& vParameterObjects,
                                                          std::vector<ImageObject*>& vImageObjects)
{
    MOLDENA_ASSERT(slInputImageNames.size() >= 1 && slOutputImageNames.size() == 1);
    const QString& sOutputName = slOutputImageNames.first();
    ObjectRoot* pRoot = ObjectRoot::getInstance();

    ImageObject* pOutput = takeImageObject(sOutputName, vImageObjects);
    if (!pOutput || !pRoot->addChild(pOutput, false))
    {
        delete pOutput;
        pRoot->getOrCreateChild<ImageObject>(sOutputName);
    }

    std::unique_ptr<ImageProcessorDepthComposite> pProcessor(new ImageProcessorDepthComposite());
    QStringList slParameterNames;
    for (const QString& sInputName : slInputImageNames)
    {
        if (sInputName.contains(DECORATION))
        {
            restoreParameterObject(MODIFIER_GEOMETRIC_TRANSFORMATION, sInputName, vParameterObjects, slParameterNames,
                                   pProcessor.get());
        }
    }
    restoreParameterObject(MODIFIER_DEPTH_COMPOSITE, sOutputName, vParameterObjects, slParameterNames,
                           pProcessor.get());
    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, slParameterNames,
                             pProcessor.release());
}
