#pragma once

#include "MainWidget.h"

class ImageView;
class StateImplementationImagingThreshold;

namespace Ui
{
class WizardPageImageThresholdBaseGui;
}

// The page of the THRESHOLD step: median, morphology, blur and flips prepare
// the transformed picture; the output is thresholded (optionally inverted)
// into the black and white drawing, or keeps its grey values in bas-relief
// mode. Shows the preprocessed image beside the result. Every change writes
// the whole set of values into the parameter objects of all the step's
// pipelines (high and low resolution alike). GUI thread only.
class WizardPageImageThresholdBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageImageThresholdBase(StateImplementationImagingThreshold* pStateImplementation);
    ~WizardPageImageThresholdBase() override;

    // Throws "pStateImplementation" when the step is of another class.
    StateImplementationImagingThreshold* getStateImplementation() const;

    void enter() override;
    void clearViews() override;

public slots:
    void slotChildAdded(const QString& sName);
    void slotUpdateMedian(int nValue);
    void slotUpdateMorphology(int nValue);
    void slotUpdateBlur(int nValue);
    void slotUpdateThreshold(int nValue);
    void slotUpdateFlip(int nState);
    void slotUpdateInvert(int nState);
    void slotUpdateMode();

private:
    void updateWidgetsFromParameters();
    // The line edits show the sliders; the threshold slider works only in
    // threshold mode.
    void showValues();

    Ui::WizardPageImageThresholdBaseGui* m_pUi = nullptr;
    ImageView* m_pImageViewPreprocessed = nullptr;
    ImageView* m_pImageViewThreshold = nullptr;
};
