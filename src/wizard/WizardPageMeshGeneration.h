#pragma once

#include "MainWidget.h"

class StateImplementationMeshGeneration;

namespace Ui
{
class WizardPageMeshGenerationGui;
}

// The page of the mesh generation step: a busy bar while the generator runs,
// a full one once the step reports the end (success or failure). No
// controls: the step starts by itself when entered and moves on by itself.
// The bar starts busy, since the first generation starts before the page
// exists. GUI thread only.
class WizardPageMeshGeneration : public MainWidgetWorkflow
{
    Q_OBJECT

public:
    explicit WizardPageMeshGeneration(StateImplementationMeshGeneration* pStateImplementation);
    ~WizardPageMeshGeneration() override;

    // Throws "pStateImplementation" when the page's step is of another class.
    StateImplementationMeshGeneration* getStateImplementation() const;
    void clearViews() override {}

public slots:
    void slotProcessingFinished();
    void slotProcessingStarted();

private:
    Ui::WizardPageMeshGenerationGui* m_pUi = nullptr;
};
