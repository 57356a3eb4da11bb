#pragma once

// Takes a wizard session into the mesh chapter without designing both sides:
// dome depth composites for the front and the back go into the object tree
// and both sides count as complete. Answers the dialogs that come up there.

#include <QString>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

class State;
class WizardDriver;

namespace MeshChapterSupport
{
// A state of the session's tree by its path of names below the root, e.g.
// {"ARTIFACT", "CONSTRUCT_MESH", "MESH_HOOKS"}; null when there is none.
State* findState(const QStringList& slPath);

// Puts (or replaces) a dome of the given side and height as the side's
// working-resolution depth composite and marks the side complete.
void putDome(const QString& sSide, unsigned nSide, float fHeight);

// From the artifact's options (re-entered, so the mesh option is offered)
// into the mesh chapter; answers the mesh quality dialog with the smallest
// budget and nSmoothingSteps. True once the generation step was entered.
bool enterMeshChapter(WizardDriver& driver, int nSmoothingSteps = 2);

// Waits until the current state bears the name.
bool waitForState(const QString& sName, int nTimeoutMs = 60000);

// Fills the quality dialog and closes it with Ok.
void answerQualityDialog(QWidget* pModal, int nSmoothingSteps, int nPoints);
// Closes a message box with the button, remembering its title and text.
void answerMessageBox(QWidget* pModal, QStringList* pSeen, QMessageBox::StandardButton eButton = QMessageBox::Ok);
} // namespace MeshChapterSupport

// Answers every modal dialog that comes up while it lives. Dialogs opened
// from a queued slot (the failed generation's message) cannot be awaited by
// a timer shot before them, which would block below the dialog's own loop:
// this one looks from a repeating timer instead.
class ModalWatcher
{
public:
    explicit ModalWatcher(std::function<void(QWidget* pModal)> answer);
    int count() const { return m_nAnswered; }

private:
    QTimer m_timer;
    std::function<void(QWidget*)> m_answer;
    int m_nAnswered = 0;
    bool m_bAnswering = false;
};
