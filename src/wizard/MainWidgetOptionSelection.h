#pragma once

#include "MainWidget.h"

class QGroupBox;
class QRadioButton;
class StateImplementationOptionSelection;

// The page of an option selection: one radio button per option, coloured by
// the state of the option's target through the style sheet's properties.
class MainWidgetOptionSelection : public MainWidget
{
    Q_OBJECT
public:
    explicit MainWidgetOptionSelection(StateImplementationOptionSelection* pStateImplementation);

    // Throws "pStateImplementation" when the step is not an option selection.
    StateImplementationOptionSelection* getStateImplementation() const;
    // Rebuilds the buttons from the options on every visit.
    void enter() override;
    virtual void createOptionButtons();

    // The "state" property of an option's button: "disabled", "goback",
    // "default", "mandatory" or "optional".
    static QString optionState(bool bCanEnter, bool bUp, bool bComplete, bool bMandatory);

public slots:
    void slotToggled(bool bChecked);

private:
    QRadioButton* createOptionButton(const QString& sName, unsigned long ulTargetUid);

    QGroupBox* m_pGroupBoxOptions = nullptr;
};

class WizardPageOptionSelectionBase : public MainWidgetOptionSelection
{
    Q_OBJECT
public:
    using MainWidgetOptionSelection::MainWidgetOptionSelection;
};
