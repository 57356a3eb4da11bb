#include "DepthCompositionStackedWidget.h"

#include "SimpleException.h"

#include <QGridLayout>
#include <QStackedWidget>

DepthCompositionStackedWidget::DepthCompositionStackedWidget(QWidget* pParent)
    : QWidget(pParent)
{
    auto* pLayout = new QGridLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    m_pStackedWidget = new QStackedWidget(this);
    pLayout->addWidget(m_pStackedWidget);
}

DepthCompositionItemWidget* DepthCompositionStackedWidget::itemAt(int i) const
{
    auto* pItem = qobject_cast<DepthCompositionItemWidget*>(m_pStackedWidget->widget(i));
    MOLDENA_ASSERT(pItem);
    return pItem;
}

void DepthCompositionStackedWidget::setParameters(const QList<DepthCompositionItemWidget::Parameters>& parameters)
{
    const int nCurrentIndex = m_pStackedWidget->currentIndex();
    while (m_pStackedWidget->count() > 0)
    {
        QWidget* pWidget = m_pStackedWidget->widget(0);
        m_pStackedWidget->removeWidget(pWidget);
        delete pWidget;
    }
    for (int i = 0; i < parameters.size(); ++i)
    {
        auto* pItem = new DepthCompositionItemWidget(m_pStackedWidget);
        MOLDENA_ASSERT(connect(pItem, &DepthCompositionItemWidget::signalParametersChanged, this,
                               &DepthCompositionStackedWidget::slotParametersChanged));
        MOLDENA_ASSERT(
            connect(pItem, &DepthCompositionItemWidget::signalMoveUp, this, &DepthCompositionStackedWidget::slotMoveUp));
        MOLDENA_ASSERT(connect(pItem, &DepthCompositionItemWidget::signalMoveDown, this,
                               &DepthCompositionStackedWidget::slotMoveDown));
        pItem->setParameters(parameters[i]);
        m_pStackedWidget->insertWidget(i, pItem);
    }
    if (nCurrentIndex >= 0 && nCurrentIndex < m_pStackedWidget->count())
    {
        m_pStackedWidget->setCurrentIndex(nCurrentIndex);
    }
    else if (m_pStackedWidget->count() > 0)
    {
        m_pStackedWidget->setCurrentIndex(0);
    }
    m_parameters = parameters;
}

int DepthCompositionStackedWidget::getCurrentIndex() const
{
    return m_pStackedWidget->currentIndex();
}

void DepthCompositionStackedWidget::slotIndexChanged(int i)
{
    if (i >= 0 && i < m_pStackedWidget->count())
    {
        m_pStackedWidget->setCurrentIndex(i);
    }
}

void DepthCompositionStackedWidget::slotParametersChanged(const QString& sName)
{
    for (int i = 0; i < m_pStackedWidget->count(); ++i)
    {
        const DepthCompositionItemWidget::Parameters parameters = itemAt(i)->getParameters();
        if (parameters.m_sName != sName)
        {
            continue;
        }
        for (DepthCompositionItemWidget::Parameters& entry : m_parameters)
        {
            if (entry.m_sName == sName)
            {
                entry = parameters;
            }
        }
        emit signalParametersChanged();
        return;
    }
}

void DepthCompositionStackedWidget::move(const QString& sName, int nStep)
{
    for (int i = 0; i < m_pStackedWidget->count(); ++i)
    {
        const int nTarget = i + nStep;
        if (nTarget < 0 || nTarget >= m_pStackedWidget->count())
        {
            continue;
        }
        DepthCompositionItemWidget* pItem = itemAt(i);
        if (pItem->getParameters().m_sName != sName)
        {
            continue;
        }
        if (m_parameters.size() <= std::max(i, nTarget))
        {
            throwAssertionFailure(nStep > 0 ? QStringLiteral("m_parameters.size() > i + 1")
                                            : QStringLiteral("m_parameters.size() > i"));
        }
        m_pStackedWidget->removeWidget(pItem);
        m_pStackedWidget->insertWidget(nTarget, pItem);
        m_pStackedWidget->setCurrentIndex(nTarget);
        m_parameters.swapItemsAt(i, nTarget);
        emit signalParametersChanged();
        return;
    }
}

void DepthCompositionStackedWidget::slotMoveDown(const QString& sName)
{
    move(sName, 1);
}

void DepthCompositionStackedWidget::slotMoveUp(const QString& sName)
{
    move(sName, -1);
}
