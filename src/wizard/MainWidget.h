#pragma once

#include "SimpleException.h"

#include <QString>
#include <QWidget>

class StateImplementationBase;

// The content of a page: knows its step and names the page's help context.
class MainWidget : public QWidget
{
    Q_OBJECT
public:
    explicit MainWidget(StateImplementationBase* pStateImplementationBase);

    StateImplementationBase* getStateImplementationBase() const { return m_pStateImplementationBase; }
    // The step as the class the page is made for; throws "pStateImplementation"
    // for a step of another class.
    template <typename Step>
    Step* getStateImplementationAs() const
    {
        auto* pStateImplementation = dynamic_cast<Step*>(m_pStateImplementationBase);
        MOLDENA_ASSERT(pStateImplementation);
        return pStateImplementation;
    }

    // Called once by the page frame's constructor.
    virtual void initialize() {}
    // Every time the page is shown: publishes the help context (the step's
    // qualified name). Overrides call this first, then refill their widgets.
    virtual void enter();
    // Before every Next or Previous.
    virtual void leave() {}

signals:
    void signalContextChanged(QString sContext);

private:
    StateImplementationBase* m_pStateImplementationBase;
};

// The base of every workflow page: leaving drops the views' cached images.
class MainWidgetWorkflow : public MainWidget
{
    Q_OBJECT
public:
    using MainWidget::MainWidget;
    void leave() override;
    virtual void clearViews() = 0;
};
