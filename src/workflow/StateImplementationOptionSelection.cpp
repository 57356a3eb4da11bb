#include "StateImplementationOptionSelection.h"

#include "SimpleException.h"
#include "State.h"
#include "StateMachine.h"
#include "Transition.h"
#include "Uid.h"

StateImplementationOptionSelection::Option::Option(Uid* pUid, int nStatus, const QString& sName)
    : m_pUid(pUid)
    , m_nStatus(nStatus)
    , m_sName(sName)
{
}

StateImplementationOptionSelection::Option::~Option()
{
    delete m_pUid;
}

unsigned long StateImplementationOptionSelection::Option::getTargetUid() const
{
    return m_pUid->get();
}

StateImplementationOptionSelection::StateImplementationOptionSelection() = default;

StateImplementationOptionSelection::~StateImplementationOptionSelection()
{
    clearOptions();
}

void StateImplementationOptionSelection::setOptionText(const QString& sOptionName, const QString& sText)
{
    m_mapOptionNameToText[sOptionName] = sText;
}

QString StateImplementationOptionSelection::getOptionText(const QString& sOptionName) const
{
    const auto it = m_mapOptionNameToText.find(sOptionName);
    if (it != m_mapOptionNameToText.end())
    {
        return it->second;
    }
    return QStringLiteral("%1: No text").arg(sOptionName);
}

void StateImplementationOptionSelection::addOption(const QString& sTargetName, unsigned long ulTargetUid)
{
    for (const Option* pOption : m_vOptions)
    {
        if (pOption->m_sName == sTargetName)
        {
            ++m_mapOptionNameToCount[sTargetName];
        }
    }
    QString sName = sTargetName;
    const auto it = m_mapOptionNameToCount.find(sTargetName);
    if (it != m_mapOptionNameToCount.end())
    {
        sName += QString::number(it->second);
    }
    m_vOptions.push_back(new Option(new Uid(ulTargetUid, Uid::KIND_REFERENCE), Option::STATUS_UNKNOWN, sName));
}

void StateImplementationOptionSelection::clearOptions()
{
    for (Option* pOption : m_vOptions)
    {
        delete pOption;
    }
    m_vOptions.clear();
    m_mapOptionNameToCount.clear();
}

void StateImplementationOptionSelection::updateOptionStatus()
{
    for (Option* pOption : m_vOptions)
    {
        const State* pState = StateMachine::getInstance()->findState(pOption->getTargetUid());
        MOLDENA_ASSERT(pState);
        pOption->m_nStatus = pState->isComplete() ? Option::STATUS_COMPLETE : Option::STATUS_INCOMPLETE;
    }
}

void StateImplementationOptionSelection::selectOption(const QString& sOptionName)
{
    for (std::size_t i = 0; i < m_vOptions.size(); ++i)
    {
        if (m_vOptions[i]->m_sName == sOptionName)
        {
            m_sSelectedOption = sOptionName;
            m_nSelectedOption = static_cast<int>(i);
            emit signalOptionSelected(sOptionName);
            return;
        }
    }
    MOLDENA_ASSERT(false);
}

unsigned long StateImplementationOptionSelection::getNextStateUid() const
{
    for (const Option* pOption : m_vOptions)
    {
        if (pOption->m_sName == m_sSelectedOption)
        {
            return pOption->getTargetUid();
        }
    }
    return 0;
}

StateImplementationBase* StateImplementationOptionSelection::clone() const
{
    auto* pClone = new StateImplementationOptionSelection();
    copyTo(pClone);
    return pClone;
}

void StateImplementationOptionSelection::copyTo(StateImplementationBase* pDerivedClone) const
{
    StateImplementationBase::copyTo(pDerivedClone);
    auto* pClone = castClone<StateImplementationOptionSelection>(pDerivedClone);
    for (const Option* pOption : m_vOptions)
    {
        pClone->m_vOptions.push_back(new Option(pOption->m_pUid->clone(), pOption->m_nStatus, pOption->m_sName));
    }
    pClone->m_sSelectedOption = m_sSelectedOption;
    pClone->m_mapOptionNameToText = m_mapOptionNameToText;
}

void StateImplementationOptionSelection::process()
{
    const State* pState = findOwnState(QStringLiteral("pState"));
    clearOptions();
    for (const Transition* pTransition : pState->getTransitions())
    {
        addOption(pTransition->getTargetName(), pTransition->getTargetUid());
    }
    updateOptionStatus();
}

void StateImplementationOptionSelection::removeObjects()
{
    clearOptions();
}

void StateImplementationOptionSelection::onEntered()
{
    if (m_vOptions.empty())
    {
        return;
    }
    const int nOptions = static_cast<int>(m_vOptions.size());
    if (m_nSelectedOption == -1 || !(m_nSelectedOption < nOptions - 1))
    {
        m_nSelectedOption = 0;
    }
    m_sSelectedOption = m_vOptions[static_cast<std::size_t>(m_nSelectedOption)]->m_sName;
    emit signalOptionSelected(m_sSelectedOption);
}
