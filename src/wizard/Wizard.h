#pragma once

#include <QString>
#include <QWidget>

#include <map>

class QFrame;
class QPushButton;
class QToolButton;
class StateImplementationBase;
class WizardPage;
class WizardPageFactoryBase;

// The main window's central widget: the page of the current state above the
// navigation bar (Title, Help, Previous, Next). It follows the state machine,
// builds each state's page once with the factory registered for the run-time
// type of the state's implementation, and keeps it until that implementation
// is destroyed. Owns its factories (each once) and its pages.
class Wizard : public QWidget
{
    Q_OBJECT
public:
    explicit Wizard(QWidget* pParent = nullptr);
    ~Wizard() override;

    // Throws "it == m_mapStateImplementationTypeNameToWizardPageFactory.end()"
    // for a name registered already. One factory may serve several names.
    void registerFactory(const QString& sStateImplementationTypeName, WizardPageFactoryBase* pFactory);
    WizardPageFactoryBase* findFactory(const QString& sStateImplementationTypeName) const;
    // The run-time type name of the object's most derived class.
    static QString getTypeName(const QObject* pObject);
    // Registration key of the class T.
    template <typename T>
    static QString getTypeName()
    {
        return QString::fromLatin1(typeid(T).name());
    }

    void insertPage(unsigned long ulUid, WizardPage* pPage);
    WizardPage* removePage(unsigned long ulUid);
    // Null when the state gets no page (no implementation, no factory).
    WizardPage* getOrCreatePage(unsigned long ulUid);
    WizardPage* getCurrentWizardPage() const { return m_pCurrentWizardPage; }

public slots:
    void slotNextPage();
    void slotPreviousPage();
    void slotShowTitleDialog();
    void slotToggledHelp(bool bChecked);

private slots:
    void slotCurrentStateUid(ulong ulUid);
    void slotImplementationDestroyed(StateImplementationBase* pImplementation);
    void slotChildAddedOrRemoved(QString sName);
    void slotOptionSelected(QString sName);

private:
    void updateButtons();
    // Lets the current page leave and runs the transition, when the state
    // machine allows it; otherwise the page stays as it is.
    void navigate(const QString& sTransition);
    void showPage(WizardPage* pPage);

    std::map<QString, WizardPageFactoryBase*> m_mapStateImplementationTypeNameToWizardPageFactory;
    std::map<unsigned long, WizardPage*> m_mapStateUidToWizardPage;
    WizardPage* m_pCurrentWizardPage = nullptr;

    QWidget* m_pWidgetWizardPage = nullptr;
    QFrame* m_pNavigationBar = nullptr;
    QPushButton* m_pPushButtonTitle = nullptr;
    QToolButton* m_pToolButtonHelp = nullptr;
    QPushButton* m_pPushButtonPrevious = nullptr;
    QPushButton* m_pPushButtonNext = nullptr;
};
