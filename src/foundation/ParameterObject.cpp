#include "ParameterObject.h"

#include "SimpleException.h"

#include <QList>
#include <QMetaType>
#include <QMutexLocker>
#include <QPointF>

#include <vector>

namespace
{
bool sameMaps(const ParameterObject::ParameterMap& a, const ParameterObject::ParameterMap& b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    for (auto itA = a.begin(), itB = b.begin(); itA != a.end(); ++itA, ++itB)
    {
        if (itA->first != itB->first || !(itA->second == itB->second))
        {
            return false;
        }
    }
    return true;
}
} // namespace

void registerParameterMetaTypes()
{
    qRegisterMetaType<QList<QPointF>>("QList<QPointF>");
    qRegisterMetaType<QList<double>>("QList<double>");
    qRegisterMetaType<std::vector<float>>("std::vector<F32>");
    qRegisterMetaType<std::vector<QString>>("std::vector<QString>");
    qRegisterMetaType<std::vector<bool>>("std::vector<bool>");
}

ParameterObject::ParameterObject(const QString& sName)
    : ObjectBase(sName)
{
    setCommitted(true);
}

ParameterObject::ParameterMap ParameterObject::getParameters() const
{
    QMutexLocker locker(&m_mutex);
    return m_mapParameters;
}

void ParameterObject::setParameters(ParameterMap mapParameters)
{
    {
        QMutexLocker locker(&m_mutex);
        if (sameMaps(m_mapParameters, mapParameters))
        {
            return;
        }
        m_mapParameters.swap(mapParameters);
    }
    emit signalParametersChanged(objectName());
}

std::vector<QVariant*> ParameterObject::getValuesOfCopy()
{
    std::vector<QVariant*> vValues;
    vValues.reserve(m_mapParameters.size());
    for (auto& entry : m_mapParameters)
    {
        vValues.push_back(&entry.second);
    }
    return vValues;
}

void ParameterObject::setValues(const std::vector<std::pair<QString, QVariant>>& values)
{
    ParameterMap map = getParameters();
    for (const auto& [sKey, value] : values)
    {
        map[sKey] = value;
    }
    setParameters(std::move(map));
}

bool ParameterObject::getValue(const QString& sKey, QString& sValue) const
{
    const auto it = m_mapParameters.find(sKey);
    if (it == m_mapParameters.end())
    {
        return false;
    }
    const QVariant& value = it->second;
    if (!value.isValid() || value.isNull() || !value.canConvert<QString>())
    {
        return false;
    }
    sValue = value.toString();
    return true;
}

ObjectBase* ParameterObject::clone() const
{
    ParameterObject* pClone = new ParameterObject(getCloneName(objectName()));
    copyTo(pClone);
    return pClone;
}

void ParameterObject::copyTo(ObjectBase* pTarget) const
{
    ObjectBase::copyTo(pTarget);
    ParameterObject* pCloneParameterObject = dynamic_cast<ParameterObject*>(pTarget);
    MOLDENA_ASSERT(pCloneParameterObject);
    if (pCloneParameterObject != this)
    {
        pCloneParameterObject->m_mapParameters = m_mapParameters;
    }
}

QString ParameterObject::createName(const QString& sImageName, const QString& sModifierName, int nNumber)
{
    return QString("%1/%2/%3").arg(sImageName, sModifierName, QString::number(nNumber));
}

QString ParameterObject::createName(const QString& s1, const QString& s2, const QString& s3)
{
    return QString("%1/%2/%3").arg(s1, s2, s3);
}
