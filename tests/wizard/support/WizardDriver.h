#pragma once

// Drives the real program as a user does: the set-up of start-up, then clicks
// on the pages' widgets, found by their object names. Waits for conditions,
// never for a fixed time. File dialogs are answered through the program's one
// replaceable dialog function; modal dialogs from a zero-delay timer.

#include "MoldenaSession.h"

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>

class MainWidget;
class State;
class StateImplementationImaging;
class Wizard;
class WizardPage;

class WizardDriver
{
public:
    // Small working sizes (nDownsized, nUpsized pixels) keep the pipelines
    // quick; the temporary directory, the data folder and "LastDir" lie in a
    // folder of the test's own.
    explicit WizardDriver(int nDownsized = 64, int nUpsized = 128);
    ~WizardDriver();

    Wizard* wizard() const { return m_pSession->getWizard(); }
    QWidget* window() const;
    WizardPage* page() const;
    MainWidget* mainWidget() const;
    State* currentState() const;
    // The current step when it is an imaging step, else null.
    StateImplementationImaging* imagingStep() const;

    // A widget of the current page (or, when bWholeWindow, of the window).
    template <typename T>
    T* find(const QString& sObjectName, bool bWholeWindow = false) const
    {
        const QObject* pRoot = bWholeWindow ? static_cast<const QObject*>(window()) : pageObject();
        return pRoot ? pRoot->findChild<T*>(sObjectName) : nullptr;
    }

    // Clicks a widget of the current page by object name (a button, an
    // option); false when there is none or it is disabled.
    bool click(const QString& sObjectName);
    // Checks an option of an option page and presses Next.
    bool choose(const QString& sOption);
    // Waits until the button is enabled, clicks it, and waits until the
    // state has changed and the new step's pipelines rest.
    bool next(int nTimeoutMs = 30000);
    bool previous(int nTimeoutMs = 30000);
    // Waits for the current step's pipelines and the queued signals.
    bool waitIdle(int nTimeoutMs = 30000) const;
    bool waitForNextEnabled(int nTimeoutMs = 30000) const;

    // The next file dialog returns this path (once); empty answers Cancel.
    void answerFileDialog(const QString& sPath);
    // Runs pAnswer on the next modal dialog when it shows up (from a
    // zero-delay timer); false from answered() when none came.
    void answerModal(std::function<void(QWidget* pModal)> answer, int nTimeoutMs = 30000);
    bool answered() const { return m_bAnswered; }

    // A picture of a dark disc of the given radius (a fraction of the side)
    // on a light ground, or a light figure on a transparent ground; its path.
    QString writeDisc(double dRadius, int nWidth = 96, int nHeight = 96, bool bTransparentGround = false);
    QString folder() const { return m_dir.path(); }

    // Saves what a user sees of the window (or of pWidget, such as a message
    // box) as <build>/screenshots/<name>.png.
    QString screenshot(const QString& sName, QWidget* pWidget = nullptr) const;

private:
    const QObject* pageObject() const;
    bool transition(const char* szButton, int nTimeoutMs);

    QTemporaryDir m_dir;
    std::unique_ptr<MoldenaSession> m_pSession;
    QString m_sNextFileDialogAnswer;
    bool m_bFileDialogAnswerSet = false;
    bool m_bAnswered = false;
};
