#pragma once

#include "MainWidget.h"
#include "MeshEditButtons.h"

#include <vector>

class MeshRenderWidget;
class StateImplementationMeshHooks;

namespace Ui
{
class WizardPageMeshHooksGui;
}

// The page of the hooks step: the generated mesh and its hooks in the
// preview, turned and zoomed by three sliders; hooks loaded from a mesh file
// or from the hook library, chosen in a list, turned, moved, scaled and
// deleted. Every change goes through the scene, whose signals keep the list
// in step; the step merges body and hooks when it is left. GUI thread only.
class WizardPageMeshHooks : public MainWidgetWorkflow
{
    Q_OBJECT

public:
    explicit WizardPageMeshHooks(StateImplementationMeshHooks* pStateImplementation);
    ~WizardPageMeshHooks() override;

    // Throws "pStateImplementation" when the page's step is of another class.
    StateImplementationMeshHooks* getStateImplementation() const;
    // The help context, then the sliders' view again.
    void enter() override;
    void clearViews() override {}
    // The hook controls are enabled exactly while the scene holds a hook.
    void updateEnabledState();

    MeshRenderWidget* getMeshRenderWidget() const { return m_pMeshRenderWidget; }

    // "MESH_HOOK:3" is shown as "mesh hook 3".
    static QString getDisplayName(const QString& sObjectName);
    // The zoom of a zoom slider position: 1 in the middle, 1 + value / maximum
    // above, down to 0.75 at the minimum.
    static double getZoom(int nValue, int nMinimum, int nMaximum);

public slots:
    void slotMeshObjectAdded(QString sName);
    void slotMeshObjectRemoved(QString sName);
    void slotUpdateNavigationParameters();
    void slotLoadHookFromFile();
    void slotLoadHookFromLibrary();
    void slotSelectHook(int nIndex);
    void slotRotateHook();
    void slotTranslateHook();
    void slotScaleHook();
    void slotDeleteHook();

private:
    // The combo box again from the scene's hooks, its signals blocked.
    void fillHookList();
    // Loads the hook; a file that cannot be read (or anything that fails on
    // the way) is reported with the "Load Error" message, which names the
    // file and the reason, never thrown.
    void loadHook(const QString& sFileName);

    Ui::WizardPageMeshHooksGui* m_pUi = nullptr;
    MeshRenderWidget* m_pMeshRenderWidget = nullptr;
    std::vector<MeshEditButton> m_vRotateButtons;
    std::vector<MeshEditButton> m_vTranslateButtons;
    std::vector<MeshEditButton> m_vScaleButtons;
};
