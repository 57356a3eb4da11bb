#include "MainWidgetOptionSelection.h"

#include "SimpleException.h"
#include "State.h"
#include "StateImplementationImageSelection.h"
#include "StateImplementationOptionSelection.h"
#include "StateMachine.h"
#include "WorkflowIdentifiers.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QRadioButton>

MainWidgetOptionSelection::MainWidgetOptionSelection(StateImplementationOptionSelection* pStateImplementation)
    : MainWidget(pStateImplementation)
{
    setWindowTitle(QStringLiteral("Form"));
    auto* pLayout = new QGridLayout(this);
    m_pGroupBoxOptions = new QGroupBox(tr("Select an option"), this);
    m_pGroupBoxOptions->setObjectName(QStringLiteral("m_pGroupBoxOptions"));
    pLayout->addItem(new QSpacerItem(20, 84, QSizePolicy::Minimum, QSizePolicy::Expanding), 0, 1);
    pLayout->addItem(new QSpacerItem(114, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 1, 0);
    pLayout->addWidget(m_pGroupBoxOptions, 1, 1);
    pLayout->addItem(new QSpacerItem(113, 20, QSizePolicy::Expanding, QSizePolicy::Minimum), 1, 2);
    pLayout->addItem(new QSpacerItem(20, 84, QSizePolicy::Minimum, QSizePolicy::Expanding), 2, 1);
    auto* pOptionsLayout = new QGridLayout(m_pGroupBoxOptions);
    pOptionsLayout->setContentsMargins(12, 12, 12, 12);
    pOptionsLayout->setSpacing(6);
}

StateImplementationOptionSelection* MainWidgetOptionSelection::getStateImplementation() const
{
    auto* pStateImplementation = qobject_cast<StateImplementationOptionSelection*>(getStateImplementationBase());
    MOLDENA_ASSERT(pStateImplementation);
    return pStateImplementation;
}

QString MainWidgetOptionSelection::optionState(bool bCanEnter, bool bUp, bool bComplete, bool bMandatory)
{
    if (!bCanEnter)
        return QStringLiteral("disabled");
    if (bUp)
        return QStringLiteral("goback");
    if (bComplete)
        return QStringLiteral("default");
    return bMandatory ? QStringLiteral("mandatory") : QStringLiteral("optional");
}

void MainWidgetOptionSelection::enter()
{
    MainWidget::enter();
    // The old buttons and layout (children of the box too) go; the options
    // may have changed.
    qDeleteAll(m_pGroupBoxOptions->findChildren<QObject*>(QString(), Qt::FindDirectChildrenOnly));
    auto* pLayout = new QGridLayout(m_pGroupBoxOptions);
    pLayout->setContentsMargins(24, 24, 24, 24);
    pLayout->setSpacing(12);
    createOptionButtons();
}

void MainWidgetOptionSelection::createOptionButtons()
{
    StateImplementationOptionSelection* pStateImplementationOptionSelection = getStateImplementation();
    MOLDENA_ASSERT(pStateImplementationOptionSelection);
    auto* pLayout = static_cast<QGridLayout*>(m_pGroupBoxOptions->layout());
    int nRow = 0;
    for (const StateImplementationOptionSelection::Option* pOption : pStateImplementationOptionSelection->getOptions())
    {
        pLayout->addWidget(createOptionButton(pOption->getName(), pOption->getTargetUid()), nRow++, 0);
    }
}

QRadioButton* MainWidgetOptionSelection::createOptionButton(const QString& sName, unsigned long ulTargetUid)
{
    StateImplementationOptionSelection* pSelection = getStateImplementation();
    const State* pState = StateMachine::getInstance()->findState(ulTargetUid);
    MOLDENA_ASSERT(pState);

    auto* pButton = new QRadioButton(m_pGroupBoxOptions);
    const bool bConnectOk = bool(connect(pButton, &QRadioButton::toggled, this, &MainWidgetOptionSelection::slotToggled));
    MOLDENA_ASSERT(bConnectOk);
    pButton->setObjectName(sName);
    const bool bCanEnter = pState->canEnter();
    pButton->setEnabled(bCanEnter);
    pButton->setChecked(sName == pSelection->getSelectedOption() && bCanEnter);
    pButton->setProperty("option", QStringLiteral("true"));
    pButton->setProperty("state", optionState(bCanEnter, sName == UP, pState->isComplete(), pState->isMandatory()));

    const auto* pImageSelection = qobject_cast<StateImplementationImageSelection*>(pSelection);
    const QImage* pThumbnail = pImageSelection ? pImageSelection->getThumbnail(sName) : nullptr;
    if (pThumbnail)
    {
        pButton->setIcon(QIcon(QPixmap::fromImage(*pThumbnail)));
        pButton->setIconSize(pThumbnail->size());
    }
    else
    {
        pButton->setText(pSelection->getOptionText(sName));
    }
    return pButton;
}

void MainWidgetOptionSelection::slotToggled(bool bChecked)
{
    if (!bChecked)
    {
        return;
    }
    QString sName;
    for (const QRadioButton* pButton : findChildren<QRadioButton*>())
    {
        if (pButton->isChecked())
        {
            sName = pButton->objectName();
            break;
        }
    }
    if (sName.isEmpty())
    {
        return;
    }
    StateImplementationOptionSelection* pSelection = getStateImplementation();
    pSelection->selectOption(sName);
    if (const State* pState = StateMachine::getInstance()->findState(pSelection->getNextStateUid()))
    {
        emit signalContextChanged(sName == UP ? UP : pState->getName());
    }
}
