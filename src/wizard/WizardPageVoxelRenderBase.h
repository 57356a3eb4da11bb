#pragma once

#include "MainWidget.h"

class StateImplementationImaging;
class StateImplementationImagingBevel;
class VoxelView;
class WizardPageVoxelRenderBaseGui;

// The surface step of a component: the bevelled surface as a depth render with
// slice profiles, and the "Surface Height" slider that sets the factor of the
// step's depth-scale parameter objects (0.1 at the bottom, 1 in the middle,
// 10 at the top).
class WizardPageVoxelRenderBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageVoxelRenderBase(StateImplementationImagingBevel* pStateImplementation);
    ~WizardPageVoxelRenderBase() override;

    // Throws "pStateImplementation" for a step of another class.
    StateImplementationImagingBevel* getStateImplementation() const;
    void enter() override;
    void clearViews() override;

    // Hands a new render of the step to the view: a depth render, or a
    // horizontal or vertical slice profile. Other names change nothing.
    static void showRender(VoxelView* pVoxelView, const StateImplementationImaging* pStep, const QString& sName);

public slots:
    // Hands the step's own renders to the view when they come back into the tree.
    void slotChildAdded(const QString& sName);
    // Writes the slider's factor into every depth-scale parameter object.
    void slotUpdateParameters();

private:
    // Places the slider at the nearest position of the stored factor.
    void updateWidgetsFromParameters();

    WizardPageVoxelRenderBaseGui* m_pUi = nullptr;
    VoxelView* m_pVoxelView = nullptr;
};
