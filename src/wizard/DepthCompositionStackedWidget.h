#pragma once

#include "DepthCompositionItemWidget.h"

#include <QList>
#include <QString>
#include <QWidget>

class QStackedWidget;

// The settings of all decoration elements of a component in layer order, one
// item widget per element of which one is shown at a time. The list always
// has the order of the item widgets; moving an element moves its widget and
// its entry together. GUI thread only.
class DepthCompositionStackedWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DepthCompositionStackedWidget(QWidget* pParent = nullptr);

    // Rebuilds every item widget from the list; the shown index stays when
    // it still exists, else the first item is shown.
    void setParameters(const QList<DepthCompositionItemWidget::Parameters>& parameters);
    QList<DepthCompositionItemWidget::Parameters> getParameters() const { return m_parameters; }
    // The index of the item shown, -1 when there is none.
    int getCurrentIndex() const;

signals:
    // An element's settings or the layer order changed.
    void signalParametersChanged();

public slots:
    // Shows item i; an index out of range changes nothing.
    void slotIndexChanged(int i);
    void slotParametersChanged(const QString& sName);
    // The last element never moves down, the first never up.
    void slotMoveDown(const QString& sName);
    void slotMoveUp(const QString& sName);

private:
    // Throws "pItem" when the stack holds another kind of widget.
    DepthCompositionItemWidget* itemAt(int i) const;
    // Moves the element of that name by nStep (+1 down, -1 up) when its
    // target index exists.
    void move(const QString& sName, int nStep);

    QStackedWidget* m_pStackedWidget = nullptr;
    QList<DepthCompositionItemWidget::Parameters> m_parameters;
};
