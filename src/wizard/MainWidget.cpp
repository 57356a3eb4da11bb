#include "MainWidget.h"

#include "State.h"
#include "StateImplementationBase.h"
#include "StateMachine.h"

MainWidget::MainWidget(StateImplementationBase* pStateImplementationBase)
    : m_pStateImplementationBase(pStateImplementationBase)
{
}

void MainWidget::enter()
{
    const State* pState = StateMachine::getInstance()->findState(m_pStateImplementationBase->getUid());
    if (pState)
    {
        emit signalContextChanged(pState->getQualifiedName());
    }
}

void MainWidgetWorkflow::leave()
{
    MainWidget::leave();
    clearViews();
}
