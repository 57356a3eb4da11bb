#pragma once

#include <QString>
#include <QStringList>

class MainWidget;
class StateImplementationBase;
class WizardPage;

// Builds the page of a step: the factory's main widget for the step, with the
// shared help pane and chapter bar around it. Stateless.
class WizardPageFactoryBase
{
public:
    virtual ~WizardPageFactoryBase() = default;
    virtual MainWidget* createMainWidget(StateImplementationBase* pStateImplementationBase) = 0;

    // Throws "pStateImplementationBase", "!sFullStateName.isEmpty()" or
    // "pMainWidget". The main widget is named after the state's full name.
    WizardPage* createWizardPage(StateImplementationBase* pStateImplementationBase, const QString& sFullStateName,
                                 const QStringList& slChapterTitles);
};

// A factory whose main widget is Page, made for steps of class Implementation
// (a checked cast that throws sAssertion when the step is of another class).
template <typename Implementation, typename Page>
class WizardPageFactoryFor : public WizardPageFactoryBase
{
public:
    MainWidget* createMainWidget(StateImplementationBase* pStateImplementationBase) override
    {
        auto* pImplementation = dynamic_cast<Implementation*>(pStateImplementationBase);
        if (!pImplementation)
        {
            throwWrongImplementation();
        }
        return new Page(pImplementation);
    }

protected:
    [[noreturn]] virtual void throwWrongImplementation() const = 0;
};

// Declares the factory class sFactory for steps of class Implementation whose
// pages are Page; the failed cast throws "p<Implementation>".
#define MOLDENA_WIZARD_PAGE_FACTORY(Factory, Implementation, Page)                 \
    class Factory : public WizardPageFactoryFor<Implementation, Page>              \
    {                                                                              \
    protected:                                                                     \
        [[noreturn]] void throwWrongImplementation() const override                \
        {                                                                          \
            throwAssertionFailure(QStringLiteral("p" #Implementation));            \
        }                                                                          \
    }
