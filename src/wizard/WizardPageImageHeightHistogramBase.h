#pragma once

#include "MainWidget.h"

class ImageView;
class StateImplementationImagingHeightHistogram;
class WizardPageImageHeightHistogramBaseGui;

// The height-profile step of a surface profile: shows the rendered profile and
// offers "Keep Empty Spaces", written into the step's height-histogram
// parameter objects; the re-rendered profile replaces the one shown.
class WizardPageImageHeightHistogramBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageImageHeightHistogramBase(StateImplementationImagingHeightHistogram* pStateImplementation);
    ~WizardPageImageHeightHistogramBase() override;

    // Throws "pStateImplementation" for a step of another class.
    StateImplementationImagingHeightHistogram* getStateImplementation() const;
    void enter() override;
    void clearViews() override;

public slots:
    // Shows the step's own profile render when it comes back into the tree.
    void slotChildAdded(const QString& sName);
    void slotKeepEmptySpaces(int nState);

private:
    // Both throw "pParameterKeepEmptySpaces" for a parameter name of the step
    // without an object.
    void updateWidgetsFromParameters();
    void updateParametersFromWidgets();

    WizardPageImageHeightHistogramBaseGui* m_pUi = nullptr;
    ImageView* m_pImageView = nullptr;
};
