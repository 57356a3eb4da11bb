#include "ImagePageProbe.h"

#include "ImageCanvasBase.h"
#include "ObjectRoot.h"
#include "StateImplementationImaging.h"

#include <QWidget>

ImagePageProbe::ImagePageProbe(const StateImplementationImaging* pStep)
    : m_pStep(pStep)
    , m_pContext(std::make_unique<QObject>())
{
    for (const QString& sName : m_pStep->getParameterObjectNames())
    {
        if (ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sName))
        {
            QObject::connect(pObject, &ParameterObject::signalParametersChanged, m_pContext.get(),
                             [this] { ++m_nSignals; });
        }
    }
}

ImagePageProbe::~ImagePageProbe() = default;

ImagePageProbe::Snapshot ImagePageProbe::snapshot() const
{
    Snapshot maps;
    for (const QString& sName : m_pStep->getParameterObjectNames())
    {
        if (const ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sName))
        {
            maps[sName] = pObject->getParameters();
        }
    }
    return maps;
}

std::set<QString> ImagePageProbe::changedSince(const Snapshot& before) const
{
    std::set<QString> changed;
    for (const auto& [sName, map] : snapshot())
    {
        const auto itBefore = before.find(sName);
        for (const auto& [sKey, value] : map)
        {
            const bool bSame = itBefore != before.end() && itBefore->second.count(sKey) != 0 &&
                               itBefore->second.at(sKey) == value;
            if (!bSame)
            {
                changed.insert(sName.section('/', -2, -2) + ':' + sKey);
            }
        }
    }
    return changed;
}

QVariant ImagePageProbe::value(const QString& sModifier, const QString& sKey) const
{
    for (const auto& [sName, map] : snapshot())
    {
        if (sName.contains(sModifier) && map.count(sKey) != 0)
        {
            return map.at(sKey);
        }
    }
    return QVariant();
}

void ImagePageProbe::set(const QString& sModifier, const QString& sKey, const QVariant& value) const
{
    for (const QString& sName : m_pStep->getParameterObjectNames())
    {
        ParameterObject* pObject = ObjectRoot::getInstance()->findObject<ParameterObject>(sName);
        if (pObject && sName.contains(sModifier))
        {
            ParameterObject::ParameterMap map = pObject->getParameters();
            map[sKey] = value;
            pObject->setParameters(map);
        }
    }
}

QImage ImagePageProbe::shown(const QWidget* pPage, const QString& sFrame)
{
    const QWidget* pFrame = pPage ? pPage->findChild<QWidget*>(sFrame) : nullptr;
    const auto* pCanvas = pFrame ? pFrame->findChild<ImageCanvasBase*>(QStringLiteral("ImageCanvas")) : nullptr;
    return pCanvas && pCanvas->getImage() ? pCanvas->getImage()->copy() : QImage();
}
