#pragma once

#include "ObjectBase.h"

#include <QMutex>
#include <QVariant>

#include <map>
#include <vector>

// One modifier's named parameter values. setParameters() replaces the whole
// map and signals only when a value really changed (5 and 5.0 are equal).
class ParameterObject : public ObjectBase
{
    Q_OBJECT

public:
    using ParameterMap = std::map<QString, QVariant>;

    explicit ParameterObject(const QString& sName);

    // A copy of the map, taken under the lock: a writer on another thread
    // can never change it while the caller reads it.
    ParameterMap getParameters() const;
    void setParameters(ParameterMap mapParameters);
    // The whole map with these keys set, handed back through setParameters.
    void setValues(const std::vector<std::pair<QString, QVariant>>& values);

    // The value as text when present, valid, non-null and convertible.
    // Takes no lock: meant for a run's private clone.
    bool getValue(const QString& sKey, QString& sValue) const;

    // Writable access to the stored values, for rewriting object names held in
    // the values of a fresh copy that no pipeline or page has seen yet. Takes
    // no lock and signals nothing.
    std::vector<QVariant*> getValuesOfCopy();

    ObjectBase* clone() const override;
    void copyTo(ObjectBase* pTarget) const override;

    // "<image name>/<modifier name>/<number>"
    static QString createName(const QString& sImageName, const QString& sModifierName, int nNumber);
    static QString createName(const QString& s1, const QString& s2, const QString& s3);

signals:
    void signalParametersChanged(QString sName);

private:
    ParameterMap m_mapParameters;
    mutable QMutex m_mutex;
};

// Registers the list and vector parameter types under their fixed names so
// that QVariant can carry and compare them. Safe to call more than once.
void registerParameterMetaTypes();
