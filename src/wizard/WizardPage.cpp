#include "WizardPage.h"

#include "ChapterWidget.h"
#include "HelpWidget.h"
#include "MainWidget.h"
#include "SimpleException.h"
#include "WidgetHelper.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace
{
QFrame* frame(QWidget* pParent, const char* szName, QFrame::Shadow shadow)
{
    auto* pFrame = new QFrame(pParent);
    pFrame->setObjectName(QLatin1String(szName));
    pFrame->setFrameShape(QFrame::StyledPanel);
    pFrame->setFrameShadow(shadow);
    return pFrame;
}
} // namespace

WizardPage::WizardPage(MainWidget* pMainWidget, HelpWidget* pHelpWidget, ChapterWidget* pChapterWidget)
{
    setWindowTitle(QStringLiteral("Form"));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setSpacing(12);
    pLayout->setContentsMargins(0, 0, 0, 0);
    m_pFrameChapterWidget = frame(this, "m_pFrameChapterWidget", QFrame::Sunken);
    m_pFrameChapterWidget->setMinimumHeight(32);
    pLayout->addWidget(m_pFrameChapterWidget);
    auto* pRow = new QHBoxLayout();
    pRow->setSpacing(12);
    m_pFrameMainWidget = frame(this, "m_pFrameMainWidget", QFrame::Sunken);
    m_pFrameMainWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_pFrameHelpWidget = frame(this, "m_pFrameHelpWidget", QFrame::Sunken);
    m_pFrameHelpWidget->setMinimumWidth(300);
    m_pFrameHelpWidget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    pRow->addWidget(m_pFrameMainWidget);
    pRow->addWidget(m_pFrameHelpWidget);
    pLayout->addLayout(pRow);

    if (pMainWidget)
        WidgetHelper::setSingleChild(m_pFrameMainWidget, pMainWidget);
    if (pHelpWidget)
    {
        WidgetHelper::setSingleChild(m_pFrameHelpWidget, pHelpWidget);
        // A fixed-width frame is laid out at its size hint, which the help
        // pane's margins would exceed: keep the frame as wide as its content.
        m_pFrameHelpWidget->setMinimumWidth(std::max(300, m_pFrameHelpWidget->minimumSizeHint().width()));
    }
    if (pChapterWidget)
        WidgetHelper::setSingleChild(m_pFrameChapterWidget, pChapterWidget);
    if (pMainWidget && pHelpWidget)
    {
        const bool bConnectOk = bool(
            connect(pMainWidget, &MainWidget::signalContextChanged, pHelpWidget, &HelpWidget::slotContextChanged));
        MOLDENA_ASSERT(bConnectOk);
    }
    if (pMainWidget)
    {
        pMainWidget->initialize();
    }
}

MainWidget* WizardPage::getMainWidget() const
{
    return m_pFrameMainWidget->findChild<MainWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

void WizardPage::enter()
{
    if (MainWidget* pMainWidget = getMainWidget())
    {
        pMainWidget->enter();
    }
}

void WizardPage::leave()
{
    if (MainWidget* pMainWidget = getMainWidget())
    {
        pMainWidget->leave();
    }
}
