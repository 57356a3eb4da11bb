#pragma once

#include "ObjectBase.h"

class ImageObject;

// Keeps the image object named target a byte copy of the one named source:
// each time the source is put back into the tree (announced, not silent), the
// target is taken out, overwritten and put back, silently when m_bSilent.
class ImageObjectSynchronizer : public ObjectBase
{
    Q_OBJECT

public:
    // Throws when a name is empty or the two names are equal.
    ImageObjectSynchronizer(const QString& sName, const QString& sSourceName, const QString& sTargetName,
                            bool bSilent);

    void setSilent(bool bSilent) { m_bSilent = bSilent; }
    bool isSilent() const { return m_bSilent; }
    QString getSourceName() const { return m_sSourceName; }
    QString getTargetName() const { return m_sTargetName; }

    // Copies the source into the target now. On failure the target is back
    // in the tree before the exception leaves.
    bool synchronize();

    // Copies the source's 8-bit raster and region of interest into the target,
    // which must be out of the tree.
    static void copyRaster(const ImageObject* pSource, ImageObject* pTarget);

public slots:
    void slotChildAdded(QString sName);

private:
    QString m_sSourceName;
    QString m_sTargetName;
    bool m_bSilent;
};
