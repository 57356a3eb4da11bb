#pragma once

#include <QString>

#include <memory>

class QMainWindow;
class Wizard;

// One run of the program between the application object and the event loop:
// the set-up steps of start-up in their fixed order (data folder and log, the
// wizard with its page factories, the help map, the workflow tree, the main
// window, the scheduled start of the state machine, resources, fonts and style
// sheet), and at the end the wait for the workers. Tests build one the same way.
class MoldenaSession
{
public:
    // sDataFolder: where the log goes; empty for the user's data location
    // followed by "/Moldena". bShowMaximized: as the program shows its window.
    explicit MoldenaSession(const QString& sDataFolder = QString(), bool bShowMaximized = true);
    // Waits for running image pipelines and a running mesh generation before
    // the window and the objects they use go.
    ~MoldenaSession();

    QMainWindow* getMainWindow() const { return m_pMainWindow.get(); }
    Wizard* getWizard() const { return m_pWizard; }
    static QString getDefaultDataFolder();
    static QString getLogFileName(const QString& sDataFolder);

    // Waits for every image pipeline task and mesh generation thread.
    static void waitForWorkers();

    MoldenaSession(const MoldenaSession&) = delete;
    MoldenaSession& operator=(const MoldenaSession&) = delete;

private:
    std::unique_ptr<QMainWindow> m_pMainWindow;
    Wizard* m_pWizard = nullptr;
    std::unique_ptr<class StateImplementationMeshGenerationCallback> m_pCallback;
};
