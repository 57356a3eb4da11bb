#pragma once

// What the image page tests look at: the values of a step's parameter
// objects, which of them a control changed, how often they signalled, and the
// picture a page's view shows.

#include "ParameterObject.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <set>

class StateImplementationImaging;
class QWidget;

class ImagePageProbe
{
public:
    // Object name to its map, for every parameter object of the step.
    using Snapshot = std::map<QString, ParameterObject::ParameterMap>;

    // Counts the signals of the step's parameter objects from now on.
    explicit ImagePageProbe(const StateImplementationImaging* pStep);
    ~ImagePageProbe();

    Snapshot snapshot() const;
    // "<modifier>:<key>" for every value that differs from the snapshot (the
    // modifier being the middle part of "<image>/<modifier>/<n>").
    std::set<QString> changedSince(const Snapshot& before) const;
    int signalCount() const { return m_nSignals; }
    // The first value of the key in an object whose name contains sModifier.
    QVariant value(const QString& sModifier, const QString& sKey) const;
    // Writes the key into every object whose name contains sModifier.
    void set(const QString& sModifier, const QString& sKey, const QVariant& value) const;

    // A copy of the picture the canvas inside the named frame of the page
    // shows; null when it shows none.
    static QImage shown(const QWidget* pPage, const QString& sFrame);

private:
    const StateImplementationImaging* m_pStep;
    std::unique_ptr<QObject> m_pContext;
    int m_nSignals = 0;
};
