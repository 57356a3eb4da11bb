#pragma once

#include "MainWidget.h"
#include "MeshEditButtons.h"

#include <QDateTime>
#include <QString>

#include <vector>

class MeshRenderWidget;
class StateImplementationMeshExport;

namespace Ui
{
class WizardPageMeshExportGui;
}

// The page of the export step: the merged object in the preview from the
// front, the left or the top, with the scale bar and the comparison object
// beside it if wanted; its width, height and depth in millimetres and its
// volume in cubic centimetres; four scale steps for the whole object; saving
// as binary STL or OBJ. GUI thread only.
class WizardPageMeshExport : public MainWidgetWorkflow
{
    Q_OBJECT

public:
    explicit WizardPageMeshExport(StateImplementationMeshExport* pStateImplementation);
    ~WizardPageMeshExport() override;

    // Throws "pStateImplementation" when the page's step is of another class.
    StateImplementationMeshExport* getStateImplementation() const;
    void clearViews() override {}
    // The four fields from the merged mesh; without one they keep their texts.
    void updateObjectSize();

    MeshRenderWidget* getMeshRenderWidget() const { return m_pMeshRenderWidget; }

    // The name the save dialog proposes: "Moldena_Object_<yyyy_MM_dd_hh_mm_ss>.stl",
    // with the suffix of the filter the dialog starts with.
    static QString getProposedFileName(const QDateTime& time);

public slots:
    void slotMeshObjectAddedOrUpdated(QString sName);
    void slotMeshObjectRemoved(QString sName);
    void slotUpdateNavigationParameters();
    void slotSaveArtifact();
    void slotScaleArtifact();

private:
    Ui::WizardPageMeshExportGui* m_pUi = nullptr;
    MeshRenderWidget* m_pMeshRenderWidget = nullptr;
    // The merged mesh as the scene last announced it; empty after its removal.
    QString m_sNameMeshMerged;
    std::vector<MeshEditButton> m_vScaleButtons;
};
