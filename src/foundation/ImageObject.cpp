#include "ImageObject.h"

#include "Raster2d.h"
#include "SimpleException.h"

ImageObject::ImageObject(const QString& sName)
    : ObjectBase(sName)
{
}

ImageObject::~ImageObject()
{
    if (m_bOwnsRaster)
    {
        delete m_pRaster;
    }
    m_pRaster = nullptr;
}

Raster2dBase* ImageObject::getRaster()
{
    MOLDENA_ASSERT(parent() == NULL);
    return m_pRaster;
}

void ImageObject::setRaster(Raster2dBase* pRaster, bool bOwnsRaster)
{
    MOLDENA_ASSERT(parent() == NULL);
    if (pRaster == m_pRaster)
    {
        return;
    }
    if (m_bOwnsRaster && m_pRaster)
    {
        delete m_pRaster;
    }
    m_pRaster = pRaster;
    m_bOwnsRaster = bOwnsRaster;
}

void ImageObject::updateTimeStamp()
{
    m_timeStamp = QDateTime::currentDateTime();
}

void ImageObject::setTimeStamp(const QDateTime& timeStamp)
{
    m_timeStamp = timeStamp;
}

ObjectBase* ImageObject::clone() const
{
    ImageObject* pClone = new ImageObject();
    copyTo(pClone);
    return pClone;
}

void ImageObject::copyTo(ObjectBase* pTarget) const
{
    ObjectBase::copyTo(pTarget);
    ImageObject* pCloneImageObject = dynamic_cast<ImageObject*>(pTarget);
    MOLDENA_ASSERT(pCloneImageObject);
    if (m_pRaster)
    {
        pCloneImageObject->setRaster(m_pRaster->clone(), true);
    }
    pCloneImageObject->m_timeStamp = m_timeStamp;
}
