#pragma once

#include "StateImplementationOptionSelection.h"

#include <QString>

#include <map>

class QImage;

// An option selection that shows a thumbnail per option: the lowest-resolution
// committed images of two kinds from the imaging steps the option leads to,
// side by side on a red ground (257 x 128: two 128 x 128 halves and a column).
class StateImplementationImageSelection : public StateImplementationOptionSelection
{
    Q_OBJECT
public:
    StateImplementationImageSelection(const QString& sThumbnailImageKindLeft = QString(),
                                      const QString& sThumbnailImageKindRight = QString());
    ~StateImplementationImageSelection() override;

    // Takes ownership; throws "it == m_mapOptionNameToThumbnail.end()" for an
    // option that has one already.
    void setThumbnail(const QString& sOptionName, QImage* pThumbnail);
    // Null when the option has none.
    const QImage* getThumbnail(const QString& sOptionName) const;
    void clearThumbnails();

    void copyTo(StateImplementationBase* pDerivedClone) const override;
    void process() override;
    void removeObjects() override;

    static constexpr int THUMBNAIL_SIDE = 128;

private:
    std::map<QString, QImage*> m_mapOptionNameToThumbnail;
    QString m_sThumbnailImageKindLeft;
    QString m_sThumbnailImageKindRight;
};
