#include "ImageObjectSynchronizer.h"

#include "ImageObject.h"
#include "Logger.h"
#include "ObjectRoot.h"
#include "Raster2d.h"
#include "SimpleException.h"

#include <cstring>

ImageObjectSynchronizer::ImageObjectSynchronizer(const QString& sName, const QString& sSourceName,
                                                 const QString& sTargetName, bool bSilent)
    : ObjectBase(sName)
{
    MOLDENA_ASSERT(!sSourceName.isEmpty() && !sTargetName.isEmpty());
    // A synchronizer onto its own source would take the source out of the tree
    // while copying from it.
    MOLDENA_ASSERT(sSourceName != sTargetName);
    m_sSourceName = sSourceName;
    m_sTargetName = sTargetName;
    m_bSilent = bSilent;
    connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, this,
            &ImageObjectSynchronizer::slotChildAdded, Qt::DirectConnection);
}

void ImageObjectSynchronizer::slotChildAdded(QString sName)
{
    if (sName != m_sSourceName)
    {
        return;
    }
    // Runs inside the root's signal emission: nothing may leave this slot.
    try
    {
        synchronize();
    }
    catch (const std::exception& e)
    {
        LOG_ERROR(QString("Synchronizing %1 into %2 failed: %3").arg(m_sSourceName, m_sTargetName, e.what()));
    }
    catch (...)
    {
        LOG_ERROR(QString("Synchronizing %1 into %2 failed").arg(m_sSourceName, m_sTargetName));
    }
}

bool ImageObjectSynchronizer::synchronize()
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ImageObject* pSource = pRoot->findChild<ImageObject*>(m_sSourceName);
    MOLDENA_ASSERT(pSource);

    ObjectBase* pTargetObject = pRoot->removeChildByName(m_sTargetName, m_bSilent);
    ImageObject* pTarget = dynamic_cast<ImageObject*>(pTargetObject);
    if (!pTarget && pTargetObject)
    {
        // Not an image: put it back untouched.
        pRoot->addChild(pTargetObject, m_bSilent);
    }
    MOLDENA_ASSERT(pTarget);

    try
    {
        copyRaster(pSource, pTarget);
    }
    catch (...)
    {
        pRoot->addChild(pTarget, m_bSilent);
        throw;
    }

    const bool bAddOk = pRoot->addChild(pTarget, m_bSilent);
    MOLDENA_ASSERT(bAddOk);
    return true;
}

void ImageObjectSynchronizer::copyRaster(const ImageObject* pSource, ImageObject* pTarget)
{
    MOLDENA_ASSERT(pSource);
    MOLDENA_ASSERT(pTarget);
    const Raster2d<unsigned char>* pSourceRaster =
        dynamic_cast<const Raster2d<unsigned char>*>(pSource->getRasterReadOnly());
    MOLDENA_ASSERT(pSourceRaster);

    Raster2d<unsigned char>* pTargetRaster = dynamic_cast<Raster2d<unsigned char>*>(pTarget->getRaster());
    if (!pTargetRaster || pTargetRaster->getWidth() != pSourceRaster->getWidth()
        || pTargetRaster->getHeight() != pSourceRaster->getHeight())
    {
        pTargetRaster = static_cast<Raster2d<unsigned char>*>(pSourceRaster->createSameSize());
        pTarget->setRaster(pTargetRaster, true);
    }
    pTargetRaster->setRoi(pSourceRaster->getRoi());
    std::memcpy(pTargetRaster->getData(), pSourceRaster->getData(), pSourceRaster->getSize());
}
