#pragma once

#include "ObjectBase.h"

#include <QDateTime>

class Raster2dBase;

// A raster with the time it was produced. The raster may be written or
// replaced only while the object is out of the tree (no parent): that is how a
// worker never writes an image the GUI thread may be reading.
class ImageObject : public ObjectBase
{
    Q_OBJECT

public:
    ImageObject() = default;
    explicit ImageObject(const QString& sName);
    ~ImageObject() override;

    const Raster2dBase* getRasterReadOnly() const { return m_pRaster; }
    // Throws "parent() == NULL" while the object is in the tree.
    Raster2dBase* getRaster();
    // Takes pRaster (and deletes it later when bOwnsRaster). Setting the raster
    // already held changes nothing. Throws "parent() == NULL" in the tree.
    void setRaster(Raster2dBase* pRaster, bool bOwnsRaster);

    void updateTimeStamp();
    void setTimeStamp(const QDateTime& timeStamp);
    QDateTime getTimeStamp() const { return m_timeStamp; }

    ObjectBase* clone() const override;
    void copyTo(ObjectBase* pTarget) const override;

private:
    Raster2dBase* m_pRaster = nullptr;
    bool m_bOwnsRaster = false;
    QDateTime m_timeStamp;
};
