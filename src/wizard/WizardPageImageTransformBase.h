#pragma once

#include "MainWidget.h"
#include "SliderMapping.h"

class ImageView;
class StateImplementationImagingTransformImage;

namespace Ui
{
class WizardPageImageTransformBaseGui;
}

// The page of the TRANSFORM step: rotates the loaded picture and scales its
// width and height with three sliders, and shows the transformed image each
// time the step's pipelines put it back. GUI thread only.
class WizardPageImageTransformBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageImageTransformBase(StateImplementationImagingTransformImage* pStateImplementation);
    ~WizardPageImageTransformBase() override;

    // Throws "pStateImplementation" when the step is of another class.
    StateImplementationImagingTransformImage* getStateImplementation() const;

    void enter() override;
    void clearViews() override;

    // The scale sliders: 1/3 at the minimum, 1 in the middle, 3 at the maximum.
    static constexpr FactorSliderMapping SCALE_MAPPING{2.0, 2.0 / 3.0};

public slots:
    void slotChildAdded(const QString& sName);
    void slotUpdateRotate(int nValue);
    void slotUpdateScaleX(int nValue);
    void slotUpdateScaleY(int nValue);
    // Empties the view, and tells the user once a visit why the step's runs
    // give no result.
    void slotProcessingRefused(const QString& sReason);

private:
    void updateWidgetsFromParameters();
    // Writes the angle and both factors as the sliders give them.
    void updateParametersFromWidgets();
    void showValues(int nAngle, double dScaleX, double dScaleY);

    Ui::WizardPageImageTransformBaseGui* m_pUi = nullptr;
    ImageView* m_pImageView = nullptr;
    bool m_bRefusalShown = false;
};
