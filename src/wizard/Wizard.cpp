#include "Wizard.h"

#include "ObjectRoot.h"
#include "SimpleException.h"
#include "State.h"
#include "StateImplementationBase.h"
#include "StateImplementationOptionSelection.h"
#include "StateMachine.h"
#include "TitleDialog.h"
#include "WidgetHelper.h"
#include "WizardPage.h"
#include "WizardPageFactoryBase.h"
#include "WorkflowIdentifiers.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <set>
#include <typeinfo>

namespace
{
template <typename Button>
Button* navigationButton(QWidget* pParent, const char* szName, const QString& sIcon)
{
    auto* pButton = new Button(pParent);
    pButton->setObjectName(QLatin1String(szName));
    pButton->setIcon(WidgetHelper::twoStateIcon(sIcon));
    return pButton;
}
} // namespace

Wizard::Wizard(QWidget* pParent)
    : QWidget(pParent)
{
    setWindowTitle(QStringLiteral("Form"));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setSpacing(18);
    pLayout->setContentsMargins(18, 18, 18, 18);
    m_pWidgetWizardPage = new QWidget(this);
    m_pWidgetWizardPage->setObjectName(QStringLiteral("m_pWidgetWizardPage"));
    m_pWidgetWizardPage->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    pLayout->addWidget(m_pWidgetWizardPage);

    m_pNavigationBar = new QFrame(this);
    m_pNavigationBar->setObjectName(QStringLiteral("NavigationBar"));
    m_pNavigationBar->setFrameShape(QFrame::StyledPanel);
    m_pNavigationBar->setFrameShadow(QFrame::Raised);
    auto* pBarLayout = new QVBoxLayout(m_pNavigationBar);
    auto* pRow = new QHBoxLayout();
    pBarLayout->addLayout(pRow);
    m_pPushButtonTitle = navigationButton<QPushButton>(m_pNavigationBar, "m_pPushButtonTitle", QStringLiteral("Info"));
    m_pToolButtonHelp = navigationButton<QToolButton>(m_pNavigationBar, "m_pToolButtonHelp", QStringLiteral("Help"));
    m_pToolButtonHelp->setCheckable(true);
    m_pToolButtonHelp->setToolTip(tr("Show Help Page"));
    m_pPushButtonPrevious =
        navigationButton<QPushButton>(m_pNavigationBar, "m_pPushButtonPrevious", QStringLiteral("ArrowLeft"));
    m_pPushButtonNext = navigationButton<QPushButton>(m_pNavigationBar, "m_pPushButtonNext", QStringLiteral("ArrowRight"));
    m_pPushButtonPrevious->setProperty("type", QStringLiteral("wide"));
    m_pPushButtonNext->setProperty("type", QStringLiteral("wide"));
    pRow->addWidget(m_pPushButtonTitle);
    pRow->addWidget(m_pToolButtonHelp);
    pRow->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    pRow->addWidget(m_pPushButtonPrevious);
    pRow->addWidget(m_pPushButtonNext);
    pRow->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    pLayout->addWidget(m_pNavigationBar);

    bool bConnectOk = bool(connect(m_pPushButtonNext, &QPushButton::clicked, this, &Wizard::slotNextPage));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(m_pPushButtonPrevious, &QPushButton::clicked, this, &Wizard::slotPreviousPage));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(m_pPushButtonTitle, &QPushButton::clicked, this, &Wizard::slotShowTitleDialog));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(m_pToolButtonHelp, &QToolButton::toggled, this, &Wizard::slotToggledHelp));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(connect(StateMachine::getInstance(), &StateMachine::signalCurrentStateUid, this,
                              &Wizard::slotCurrentStateUid));
    MOLDENA_ASSERT(bConnectOk);
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    bConnectOk = bool(
        connect(pRoot, &ObjectRoot::signalChildRemoved, this, &Wizard::slotChildAddedOrRemoved, Qt::QueuedConnection));
    MOLDENA_ASSERT(bConnectOk);
    bConnectOk = bool(
        connect(pRoot, &ObjectRoot::signalChildAdded, this, &Wizard::slotChildAddedOrRemoved, Qt::QueuedConnection));
    MOLDENA_ASSERT(bConnectOk);
    m_pToolButtonHelp->setChecked(true);
}

Wizard::~Wizard()
{
    std::set<WizardPageFactoryBase*> factories;
    for (const auto& entry : m_mapStateImplementationTypeNameToWizardPageFactory)
    {
        factories.insert(entry.second);
    }
    m_mapStateImplementationTypeNameToWizardPageFactory.clear();
    for (WizardPageFactoryBase* pFactory : factories)
    {
        delete pFactory;
    }
    for (auto& entry : m_mapStateUidToWizardPage)
    {
        delete entry.second;
    }
    m_mapStateUidToWizardPage.clear();
}

void Wizard::registerFactory(const QString& sStateImplementationTypeName, WizardPageFactoryBase* pFactory)
{
    const auto it = m_mapStateImplementationTypeNameToWizardPageFactory.find(sStateImplementationTypeName);
    MOLDENA_ASSERT(it == m_mapStateImplementationTypeNameToWizardPageFactory.end());
    m_mapStateImplementationTypeNameToWizardPageFactory[sStateImplementationTypeName] = pFactory;
}

WizardPageFactoryBase* Wizard::findFactory(const QString& sStateImplementationTypeName) const
{
    const auto it = m_mapStateImplementationTypeNameToWizardPageFactory.find(sStateImplementationTypeName);
    return it == m_mapStateImplementationTypeNameToWizardPageFactory.end() ? nullptr : it->second;
}

QString Wizard::getTypeName(const QObject* pObject)
{
    return QString::fromLatin1(typeid(*pObject).name());
}

void Wizard::insertPage(unsigned long ulUid, WizardPage* pPage)
{
    auto it = m_mapStateUidToWizardPage.find(ulUid);
    MOLDENA_ASSERT(it == m_mapStateUidToWizardPage.end());
    for (it = m_mapStateUidToWizardPage.begin(); it != m_mapStateUidToWizardPage.end(); ++it)
    {
        MOLDENA_ASSERT(pPage != it->second);
    }
    m_mapStateUidToWizardPage[ulUid] = pPage;
}

WizardPage* Wizard::removePage(unsigned long ulUid)
{
    const auto it = m_mapStateUidToWizardPage.find(ulUid);
    MOLDENA_ASSERT(it != m_mapStateUidToWizardPage.end());
    WizardPage* pPage = it->second;
    m_mapStateUidToWizardPage.erase(it);
    return pPage;
}

WizardPage* Wizard::getOrCreatePage(unsigned long ulUid)
{
    if (ulUid == 0)
    {
        return nullptr;
    }
    const auto it = m_mapStateUidToWizardPage.find(ulUid);
    if (it != m_mapStateUidToWizardPage.end())
    {
        return it->second;
    }
    const State* pState = StateMachine::getInstance()->findState(ulUid);
    MOLDENA_ASSERT(pState);
    StateImplementationBase* pImplementation = pState->getImplementation();
    if (!pImplementation)
    {
        return nullptr;
    }
    WizardPageFactoryBase* pFactory = findFactory(getTypeName(pImplementation));
    if (!pFactory)
    {
        return nullptr;
    }
    WizardPage* pPage = pFactory->createWizardPage(pImplementation, pState->getFullName(), pState->getTitles());
    insertPage(ulUid, pPage);
    bool bConnectOk = bool(connect(pImplementation, &StateImplementationBase::signalDestroyed, this,
                                   &Wizard::slotImplementationDestroyed));
    MOLDENA_ASSERT(bConnectOk);
    if (auto* pSelection = qobject_cast<StateImplementationOptionSelection*>(pImplementation))
    {
        bConnectOk = bool(connect(pSelection, &StateImplementationOptionSelection::signalOptionSelected, this,
                                  &Wizard::slotOptionSelected));
        MOLDENA_ASSERT(bConnectOk);
    }
    return pPage;
}

void Wizard::showPage(WizardPage* pPage)
{
    m_pCurrentWizardPage = pPage;
    pPage->enter();
    if (pPage->parentWidget() != m_pWidgetWizardPage)
    {
        WidgetHelper::setSingleChild(m_pWidgetWizardPage, pPage);
    }
    updateButtons();
    pPage->getFrameHelpWidget()->setVisible(m_pToolButtonHelp->isChecked());
    update();
}

void Wizard::slotCurrentStateUid(ulong ulUid)
{
    WizardPage* pPage = getOrCreatePage(ulUid);
    if (!pPage)
    {
        return;
    }
    const State* pState = StateMachine::getInstance()->findState(ulUid);
    MOLDENA_ASSERT(pState);
    showPage(pPage);
}

void Wizard::updateButtons()
{
    StateMachine* pMachine = StateMachine::getInstance();
    m_pPushButtonNext->setEnabled(pMachine->canTransition(NEXT));
    m_pPushButtonPrevious->setEnabled(pMachine->canTransition(PREVIOUS));
}

void Wizard::navigate(const QString& sTransition)
{
    // A transition refused (a pipeline started again since the buttons were
    // set) leaves the page as it is: it is not left at all.
    if (!StateMachine::getInstance()->canTransition(sTransition))
    {
        updateButtons();
        return;
    }
    if (m_pCurrentWizardPage)
    {
        m_pCurrentWizardPage->leave();
    }
    StateMachine::getInstance()->transition(sTransition);
}

void Wizard::slotNextPage()
{
    navigate(NEXT);
}

void Wizard::slotPreviousPage()
{
    navigate(PREVIOUS);
}

void Wizard::slotShowTitleDialog()
{
    TitleDialog dialog(false);
    dialog.resize(dialog.width(), 600);
    dialog.exec();
}

void Wizard::slotToggledHelp(bool bChecked)
{
    if (m_pCurrentWizardPage && m_pCurrentWizardPage->getFrameHelpWidget())
    {
        m_pCurrentWizardPage->getFrameHelpWidget()->setVisible(bChecked);
    }
}

void Wizard::slotImplementationDestroyed(StateImplementationBase* pImplementation)
{
    disconnect(pImplementation, &StateImplementationBase::signalDestroyed, this, &Wizard::slotImplementationDestroyed);
    if (!pImplementation)
    {
        return;
    }
    const unsigned long ulUid = pImplementation->getUid();
    if (m_mapStateUidToWizardPage.find(ulUid) == m_mapStateUidToWizardPage.end())
    {
        return;
    }
    WizardPage* pPage = removePage(ulUid);
    if (pPage == m_pCurrentWizardPage)
    {
        m_pCurrentWizardPage = nullptr;
    }
    delete pPage;
}

void Wizard::slotChildAddedOrRemoved(QString)
{
    updateButtons();
}

void Wizard::slotOptionSelected(QString)
{
    updateButtons();
}
