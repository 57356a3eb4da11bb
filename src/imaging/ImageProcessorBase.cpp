#include "ImageProcessorBase.h"

#include "ImageModifier/ImageModifierClone.h"
#include "ImageModifierBase.h"
#include "ImageObject.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <cstring>
#include <memory>
#include <utility>

ImageProcessorBase::ImageProcessorBase(const QString& sName)
    : m_sName(sName)
{
}

ImageProcessorBase::~ImageProcessorBase()
{
    for (auto& entry : m_mapModifierNameToModifier)
    {
        delete entry.second;
    }
    m_mapModifierNameToModifier.clear();
    // Only the base's own slots: a subclass has released its own in its own
    // destructor already.
    ImageProcessorBase::releaseBufferRasters();
}

void ImageProcessorBase::execute(ImageObjectMap mapImageNameToInputImageObject,
                                 ImageObjectMap mapImageNameToOutputImageObject,
                                 ParameterObjectMap mapParameterNameToParameterObject)
{
    process(mapImageNameToInputImageObject, mapImageNameToOutputImageObject, mapParameterNameToParameterObject);
}

QString ImageProcessorBase::takeRefusal()
{
    return std::exchange(m_sRefusal, QString());
}

void ImageProcessorBase::prepareOutputImageObjects(ImageObjectMap mapImageNameToInputImageObject,
                                                   ImageObjectMap mapImageNameToOutputImageObject)
{
    if (mapImageNameToInputImageObject.empty() || mapImageNameToOutputImageObject.empty())
    {
        return;
    }
    if (m_nTimeStampMode == TIME_STAMP_NOW)
    {
        for (auto it = mapImageNameToOutputImageObject.begin(); it != mapImageNameToOutputImageObject.end(); ++it)
        {
            MOLDENA_ASSERT(it->second);
            it->second->updateTimeStamp();
        }
    }
    else if (m_nTimeStampMode == TIME_STAMP_FIRST_INPUT)
    {
        for (auto it = mapImageNameToOutputImageObject.begin(); it != mapImageNameToOutputImageObject.end(); ++it)
        {
            MOLDENA_ASSERT(it->second && mapImageNameToInputImageObject.begin()->second);
            it->second->setTimeStamp(mapImageNameToInputImageObject.begin()->second->getTimeStamp());
        }
    }
}

void ImageProcessorBase::releaseBufferRasters()
{
    for (Raster2dBase*& pRaster : m_vBufferRasterInput)
    {
        delete pRaster;
        pRaster = nullptr;
    }
    for (Raster2dBase*& pRaster : m_vBufferRasterOutput)
    {
        delete pRaster;
        pRaster = nullptr;
    }
    for (Raster2dBase*& pRaster : m_vBufferRasterIntermediate)
    {
        delete pRaster;
        pRaster = nullptr;
    }
}

void ImageProcessorBase::setModifier(ImageModifierBase* p)
{
    MOLDENA_ASSERT(p);
    auto it = m_mapModifierNameToModifier.find(p->getName());
    if (it != m_mapModifierNameToModifier.end())
    {
        if (it->second == p)
        {
            return;
        }
        delete it->second;
        it->second = p;
        return;
    }
    m_mapModifierNameToModifier[p->getName()] = p;
}

ImageModifierBase* ImageProcessorBase::getModifier(const QString& sModifierName) const
{
    const auto it = m_mapModifierNameToModifier.find(sModifierName);
    return it == m_mapModifierNameToModifier.end() ? nullptr : it->second;
}

void ImageProcessorBase::setupBufferRastersInput(unsigned int nCount)
{
    MOLDENA_ASSERT(m_vBufferRasterInput.empty());
    m_vBufferRasterInput.assign(nCount, nullptr);
}

void ImageProcessorBase::setupBufferRastersOutput(unsigned int nCount)
{
    MOLDENA_ASSERT(m_vBufferRasterOutput.empty());
    m_vBufferRasterOutput.assign(nCount, nullptr);
}

void ImageProcessorBase::setupBufferRastersIntermediate(unsigned int nCount)
{
    MOLDENA_ASSERT(m_vBufferRasterIntermediate.empty());
    m_vBufferRasterIntermediate.assign(nCount, nullptr);
}

template <typename T>
void ImageProcessorBase::startChain(const ImageObject* pInput, const ImageObject* pOutput)
{
    bool bBufferOk =
        copyToBufferRaster(dynamic_cast<const Raster2d<T>*>(pInput->getRasterReadOnly()), m_vBufferRasterInput[0]);
    MOLDENA_ASSERT(bBufferOk);
    bBufferOk = setupBufferRasterLike<T>(m_vBufferRasterInput[0],
                                         dynamic_cast<const Raster2d<T>*>(pOutput->getRasterReadOnly()),
                                         m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bBufferOk);
}

template <typename T>
bool ImageProcessorBase::applyInChain(const QString& sImageName, const QString& sModifierName,
                                      const ParameterObjectMap& mapParameterNameToParameterObject)
{
    if (!applyModifier<T>(sImageName, sModifierName, mapParameterNameToParameterObject, m_vBufferRasterInput[0],
                          m_vBufferRasterOutput[0]))
    {
        return false;
    }
    std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
    return true;
}

template <typename T>
void ImageProcessorBase::finishChain(ImageObject* pOutput)
{
    std::swap(m_vBufferRasterInput[0], m_vBufferRasterOutput[0]);
    finishRun<T>(pOutput, m_vBufferRasterOutput[0]);
}

template <typename T>
void ImageProcessorBase::finishRun(ImageObject* pOutput, Raster2dBase* pBufferRaster)
{
    const bool bOutputOk = copyBufferRasterToOutput<T>(pOutput, pBufferRaster);
    MOLDENA_ASSERT(bOutputOk);
    releaseBufferRasters();
}

template <typename T>
void ImageProcessorBase::processChain(ImageObject* pInput, ImageObject* pOutput,
                                      const std::vector<QString>& vModifierNames,
                                      const ParameterObjectMap& mapParameterNameToParameterObject)
{
    startChain<T>(pInput, pOutput);
    const QString sImageName = pInput->objectName();
    for (const QString& sModifierName : vModifierNames)
    {
        applyInChain<T>(sImageName, sModifierName, mapParameterNameToParameterObject);
    }
    finishChain<T>(pOutput);
}

ParameterObject* ImageProcessorBase::findParameterObject(const QString& sImageName, const QString& sModifierName,
                                                         const ParameterObjectMap& mapParameterNameToParameterObject)
{
    std::vector<ParameterObject*> vCandidates;
    for (const auto& entry : mapParameterNameToParameterObject)
    {
        if (entry.first.contains(sModifierName))
        {
            vCandidates.push_back(entry.second);
        }
    }
    ParameterObject* pParameterObject = nullptr;
    if (vCandidates.size() == 1)
    {
        pParameterObject = vCandidates.front();
    }
    else
    {
        for (ParameterObject* pCandidate : vCandidates)
        {
            if (pCandidate && pCandidate->objectName().contains(sImageName))
            {
                pParameterObject = pCandidate;
                break;
            }
        }
    }
    MOLDENA_ASSERT(pParameterObject);
    return pParameterObject;
}

std::pair<ImageObject*, ImageObject*>
ImageProcessorBase::getSingleImages(const ImageObjectMap& mapImageNameToInputImageObject,
                                    const ImageObjectMap& mapImageNameToOutputImageObject)
{
    ImageObject* pInput = mapImageNameToInputImageObject.begin()->second;
    MOLDENA_ASSERT(pInput);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);
    return {pInput, pOutput};
}

ParameterObject* ImageProcessorBase::findLastParameterObject(
    const ParameterObjectMap& mapParameterNameToParameterObject, const QString& sModifierName)
{
    ParameterObject* pParameterObject = nullptr;
    for (const auto& entry : mapParameterNameToParameterObject)
    {
        if (entry.first.contains(sModifierName))
        {
            pParameterObject = entry.second;
        }
    }
    return pParameterObject;
}

ImageModifierBase* ImageProcessorBase::prepareModifier(const QString& sImageName, const QString& sModifierName,
                                                       const ParameterObjectMap& mapParameterNameToParameterObject,
                                                       const Raster2dBase* pInput, const Raster2dBase* pOutput,
                                                       unsigned int& nWidth, unsigned int& nHeight)
{
    ParameterObject* pParameterObject =
        findParameterObject(sImageName, sModifierName, mapParameterNameToParameterObject);
    ImageModifierBase* pModifier = getModifier(sModifierName);
    MOLDENA_ASSERT(pModifier);
    pModifier->setParameters(pParameterObject->getParameters());
    nWidth = 0;
    nHeight = 0;
    const bool bSizeOk = pModifier->getOutputSize(pInput, pOutput, nWidth, nHeight);
    MOLDENA_ASSERT(bSizeOk);
    return pModifier;
}

bool ImageProcessorBase::applyModifier(const QString& sImageName, const QString& sModifierName,
                                       const ParameterObjectMap& mapParameterNameToParameterObject,
                                       ImageObject* pInput, ImageObject* pOutput)
{
    MOLDENA_ASSERT(pInput);
    MOLDENA_ASSERT(pOutput);
    const Raster2dBase* pInputRaster = pInput->getRasterReadOnly();
    Raster2dBase* pOutputRaster = pOutput->getRaster();
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    ImageModifierBase* pModifier = prepareModifier(sImageName, sModifierName, mapParameterNameToParameterObject,
                                                   pInputRaster, pOutputRaster, nWidth, nHeight);

    std::unique_ptr<Raster2dBase> pNewRaster;
    if (!pOutputRaster || pOutputRaster->getWidth() != nWidth || pOutputRaster->getHeight() != nHeight)
    {
        pNewRaster.reset(pInputRaster->create(nWidth, nHeight));
        pOutputRaster = pNewRaster.get();
    }
    // The single-raster interface takes a writable input; modifiers never
    // write their input except in place, which this form does not do.
    const bool bResult = pModifier->process(const_cast<Raster2dBase*>(pInputRaster), pOutputRaster);
    pOutput->setRaster(pOutputRaster, true);
    pNewRaster.release();
    return bResult;
}

template <typename T>
bool ImageProcessorBase::applyModifier(const QString& sImageName, const QString& sModifierName,
                                       const ParameterObjectMap& mapParameterNameToParameterObject,
                                       Raster2dBase* pInput, Raster2dBase*& pOutput)
{
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    ImageModifierBase* pModifier = prepareModifier(sImageName, sModifierName, mapParameterNameToParameterObject,
                                                   pInput, pOutput, nWidth, nHeight);
    // A slot of another element type is replaced too: the modifier would
    // refuse it, or a byte copy would run past its end.
    if (!pOutput || pOutput->getWidth() != nWidth || pOutput->getHeight() != nHeight ||
        !dynamic_cast<Raster2d<T>*>(pOutput))
    {
        Raster2dBase* pNewRaster = new Raster2d<T>(nWidth, nHeight);
        if (pOutput != pInput)
        {
            delete pOutput;
        }
        pOutput = pNewRaster;
    }
    return pModifier->process(pInput, pOutput);
}

template <typename T>
bool ImageProcessorBase::copyToBufferRaster(const Raster2d<T>* pTemplateRaster, Raster2dBase*& pBufferRaster)
{
    MOLDENA_ASSERT(pTemplateRaster);
    MOLDENA_ASSERT(pTemplateRaster != pBufferRaster);
    Raster2d<T>* pBuffer = dynamic_cast<Raster2d<T>*>(pBufferRaster);
    if (pBuffer && pBuffer->getWidth() == pTemplateRaster->getWidth() &&
        pBuffer->getHeight() == pTemplateRaster->getHeight())
    {
        std::memcpy(pBuffer->getData(), pTemplateRaster->getData(), std::size_t(pBuffer->getSize()) * sizeof(T));
        // The region of interest belongs to the content: a reused buffer
        // must not keep the previous run's region.
        pBuffer->setRoi(pTemplateRaster->getRoi());
        return true;
    }
    delete pBufferRaster;
    pBufferRaster = pTemplateRaster->clone();
    return true;
}

template <typename T>
bool ImageProcessorBase::setupBufferRasterLike(const Raster2dBase* pTemplateRaster, const Raster2dBase* pSizeRaster,
                                               Raster2dBase*& pBufferRaster)
{
    MOLDENA_ASSERT(pTemplateRaster != NULL);
    MOLDENA_ASSERT(dynamic_cast<const Raster2dBase*>(pTemplateRaster) !=
                   dynamic_cast<const Raster2dBase*>(pBufferRaster));
    const Raster2dBase* pSize = pSizeRaster ? pSizeRaster : pTemplateRaster;
    if (pBufferRaster && dynamic_cast<Raster2d<T>*>(pBufferRaster) &&
        pBufferRaster->getWidth() == pSize->getWidth() && pBufferRaster->getHeight() == pSize->getHeight())
    {
        return true;
    }
    Raster2dBase* pNewRaster = new Raster2d<T>(pSize->getWidth(), pSize->getHeight());
    delete pBufferRaster;
    pBufferRaster = pNewRaster;
    return true;
}

template <typename T>
bool ImageProcessorBase::copyBufferRasterToOutput(ImageObject* pOutput, Raster2dBase* pBufferRaster)
{
    MOLDENA_ASSERT(pOutput);
    MOLDENA_ASSERT(pBufferRaster);
    Raster2d<T>* pOutputRaster = dynamic_cast<Raster2d<T>*>(pOutput->getRaster());
    MOLDENA_ASSERT(pOutputRaster != pBufferRaster);
    Raster2dBase* pTarget = pOutputRaster;
    if (!pTarget || pTarget->getWidth() != pBufferRaster->getWidth() ||
        pTarget->getHeight() != pBufferRaster->getHeight())
    {
        pTarget = pBufferRaster->createSameSize();
        pOutput->setRaster(pTarget, true);
    }
    ImageModifierClone clone(QStringLiteral("clone"));
    const bool bProcessOk = clone.process(pBufferRaster, pTarget);
    MOLDENA_ASSERT(bProcessOk);
    return true;
}

template bool ImageProcessorBase::applyModifier<unsigned char>(const QString&, const QString&,
                                                               const ParameterObjectMap&, Raster2dBase*,
                                                               Raster2dBase*&);
template bool ImageProcessorBase::applyModifier<float>(const QString&, const QString&, const ParameterObjectMap&,
                                                       Raster2dBase*, Raster2dBase*&);
template bool ImageProcessorBase::copyToBufferRaster<unsigned char>(const Raster2d<unsigned char>*, Raster2dBase*&);
template bool ImageProcessorBase::copyToBufferRaster<float>(const Raster2d<float>*, Raster2dBase*&);
template bool ImageProcessorBase::setupBufferRasterLike<unsigned char>(const Raster2dBase*, const Raster2dBase*,
                                                                       Raster2dBase*&);
template bool ImageProcessorBase::setupBufferRasterLike<float>(const Raster2dBase*, const Raster2dBase*,
                                                               Raster2dBase*&);
template bool ImageProcessorBase::copyBufferRasterToOutput<unsigned char>(ImageObject*, Raster2dBase*);
template bool ImageProcessorBase::copyBufferRasterToOutput<float>(ImageObject*, Raster2dBase*);
template void ImageProcessorBase::startChain<unsigned char>(const ImageObject*, const ImageObject*);
template bool ImageProcessorBase::applyInChain<unsigned char>(const QString&, const QString&,
                                                              const ParameterObjectMap&);
template void ImageProcessorBase::finishChain<unsigned char>(ImageObject*);
template void ImageProcessorBase::processChain<unsigned char>(ImageObject*, ImageObject*,
                                                              const std::vector<QString>&,
                                                              const ParameterObjectMap&);
template void ImageProcessorBase::finishRun<unsigned char>(ImageObject*, Raster2dBase*);
template void ImageProcessorBase::finishRun<float>(ImageObject*, Raster2dBase*);
