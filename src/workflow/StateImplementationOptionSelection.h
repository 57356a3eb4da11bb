#pragma once

#include "StateImplementationBase.h"

#include <QString>

#include <map>
#include <vector>

class Uid;

// A step whose work is choosing where to go next: the outgoing transitions of
// its state become options, and "NEXT" leads to the selected one.
class StateImplementationOptionSelection : public StateImplementationBase
{
    Q_OBJECT
public:
    // One choice: a transition's target, named after the target's name and
    // numbered when several lead to states of one name (N, N1, N2, ...).
    class Option
    {
    public:
        enum Status
        {
            STATUS_UNKNOWN = 0,
            STATUS_INCOMPLETE = 1,
            STATUS_COMPLETE = 2
        };
        Option(Uid* pUid, int nStatus, const QString& sName);
        ~Option();
        Option(const Option&) = delete;
        Option& operator=(const Option&) = delete;

        unsigned long getTargetUid() const;
        int getStatus() const { return m_nStatus; }
        const QString& getName() const { return m_sName; }

    private:
        friend class StateImplementationOptionSelection;
        Uid* m_pUid;
        int m_nStatus;
        QString m_sName;
    };

    StateImplementationOptionSelection();
    ~StateImplementationOptionSelection() override;

    void setOptionText(const QString& sOptionName, const QString& sText);
    // The registered text, or "<name>: No text".
    QString getOptionText(const QString& sOptionName) const;
    void addOption(const QString& sTargetName, unsigned long ulTargetUid);
    // Deletes the options and their numbering; the texts stay.
    void clearOptions();
    // Each option's status from its target's completeness; throws "pState" for
    // a target that is gone.
    void updateOptionStatus();
    // Throws "false" when no option has that name.
    void selectOption(const QString& sOptionName);
    const QString& getSelectedOption() const { return m_sSelectedOption; }
    const std::vector<Option*>& getOptions() const { return m_vOptions; }
    // The target of the selected option; 0 when nothing valid is selected.
    virtual unsigned long getNextStateUid() const;

    StateImplementationBase* clone() const override;
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    // Rebuilds the options from the state's transitions on every entry.
    void process() override;
    void removeObjects() override;
    // Selects again on arrival: the previous option, or the first when there
    // was none or the previous one was the last (often "UP").
    void onEntered() override;

signals:
    void signalOptionSelected(QString sOptionName);

private:
    std::vector<Option*> m_vOptions;
    QString m_sSelectedOption;
    std::map<QString, QString> m_mapOptionNameToText;
    int m_nSelectedOption = -1;
    std::map<QString, int> m_mapOptionNameToCount;
};
