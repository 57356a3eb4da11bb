#include "StateImplementationImageSelection.h"

#include "ImageObject.h"
#include "ObjectRoot.h"
#include "QImageHelper.h"
#include "Raster2d.h"
#include "SimpleException.h"
#include "State.h"
#include "StateImplementationImaging.h"
#include "StateImplementationStateDeleter.h"
#include "StateMachine.h"

#include <QImage>
#include <QPainter>

#include <vector>

namespace
{
// The committed image with the fewest pixels among the steps' images whose
// names contain sKind; the first found wins a tie. Null when there is none.
const Raster2dBase* findSmallestCommittedRaster(const std::vector<const StateImplementationImaging*>& vSteps,
                                                const QString& sKind)
{
    const Raster2dBase* pSmallest = nullptr;
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    for (const StateImplementationImaging* pStep : vSteps)
    {
        for (const QString& sName : pStep->getImageObjectNames())
        {
            if (sKind.isEmpty() || !sName.contains(sKind, Qt::CaseSensitive))
            {
                continue;
            }
            const ImageObject* pImageObject = pRoot->findObject<ImageObject>(sName);
            if (!pImageObject || !pImageObject->isCommitted() || !pImageObject->getRasterReadOnly())
            {
                continue;
            }
            const Raster2dBase* pRaster = pImageObject->getRasterReadOnly();
            const auto pixels = [](const Raster2dBase* p) { return quint64(p->getWidth()) * p->getHeight(); };
            if (!pSmallest || pixels(pRaster) < pixels(pSmallest))
            {
                pSmallest = pRaster;
            }
        }
    }
    return pSmallest;
}
} // namespace

StateImplementationImageSelection::StateImplementationImageSelection(const QString& sThumbnailImageKindLeft,
                                                                     const QString& sThumbnailImageKindRight)
    : m_sThumbnailImageKindLeft(sThumbnailImageKindLeft)
    , m_sThumbnailImageKindRight(sThumbnailImageKindRight)
{
}

StateImplementationImageSelection::~StateImplementationImageSelection()
{
    clearThumbnails();
}

void StateImplementationImageSelection::setThumbnail(const QString& sOptionName, QImage* pThumbnail)
{
    const auto it = m_mapOptionNameToThumbnail.find(sOptionName);
    if (!(it == m_mapOptionNameToThumbnail.end()))
    {
        delete pThumbnail;
    }
    MOLDENA_ASSERT(it == m_mapOptionNameToThumbnail.end());
    m_mapOptionNameToThumbnail[sOptionName] = pThumbnail;
}

const QImage* StateImplementationImageSelection::getThumbnail(const QString& sOptionName) const
{
    const auto it = m_mapOptionNameToThumbnail.find(sOptionName);
    return it == m_mapOptionNameToThumbnail.end() ? nullptr : it->second;
}

void StateImplementationImageSelection::clearThumbnails()
{
    for (auto& entry : m_mapOptionNameToThumbnail)
    {
        delete entry.second;
    }
    m_mapOptionNameToThumbnail.clear();
}

void StateImplementationImageSelection::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationOptionSelection::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationImageSelection>(pDerivedClone);
    for (const auto& entry : m_mapOptionNameToThumbnail)
    {
        pClone->m_mapOptionNameToThumbnail[entry.first] = new QImage(*entry.second);
    }
    pClone->m_sThumbnailImageKindLeft = m_sThumbnailImageKindLeft;
    pClone->m_sThumbnailImageKindRight = m_sThumbnailImageKindRight;
}

void StateImplementationImageSelection::process()
{
    StateImplementationOptionSelection::process();
    clearThumbnails();
    StateMachine* pMachine = StateMachine::getInstance();
    for (const Option* pOption : getOptions())
    {
        const State* pTargetState = pMachine->findState(pOption->getTargetUid());
        MOLDENA_ASSERT(pTargetState);
        // A deleter option shows the element it stands for.
        if (auto* pDeleter = qobject_cast<StateImplementationStateDeleter*>(pTargetState->getImplementation()))
        {
            pTargetState = pMachine->findState(pDeleter->getStateToDeleteUid());
            MOLDENA_ASSERT(pTargetState);
        }

        const std::vector<const StateImplementationImaging*> vSteps = StateImplementationImaging::getStepsOf(pTargetState);
        const Raster2dBase* pLeft = findSmallestCommittedRaster(vSteps, m_sThumbnailImageKindLeft);
        const Raster2dBase* pRight = findSmallestCommittedRaster(vSteps, m_sThumbnailImageKindRight);
        if (!pLeft && !pRight)
        {
            continue;
        }
        auto* pThumbnail = new QImage(2 * THUMBNAIL_SIDE + 1, THUMBNAIL_SIDE, QImage::Format_RGB32);
        pThumbnail->fill(qRgba(255, 0, 0, 255));
        {
            QPainter painter(pThumbnail);
            const QSize size(THUMBNAIL_SIDE, THUMBNAIL_SIDE);
            if (pLeft)
            {
                painter.drawImage(0, 0, QImageHelper::createThumbnail(pLeft, size));
            }
            if (pRight)
            {
                painter.drawImage(THUMBNAIL_SIDE + 1, 0, QImageHelper::createThumbnail(pRight, size));
            }
        }
        setThumbnail(pOption->getName(), pThumbnail);
    }
}

void StateImplementationImageSelection::removeObjects()
{
    StateImplementationOptionSelection::removeObjects();
    clearThumbnails();
}
