#pragma once

#include "MainWidget.h"

class ImageView;
class QDoubleSpinBox;
class StateImplementationImagingLoadImage;

namespace Ui
{
class WizardPageImageLoadBaseGui;
}

// The page of the LOAD step of every image chain: the picture comes from a
// file, the chain's library, a typed text or the run's recent images; four
// crop margins and shading correction prepare it. Every choice is a value of
// the step's parameter objects; the preview shows the equalized image with
// the margins covered. GUI thread only.
class WizardPageImageLoadBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageImageLoadBase(StateImplementationImagingLoadImage* pStateImplementation);
    ~WizardPageImageLoadBase() override;

    // Throws "pStateImplementation" when the step is of another class.
    StateImplementationImagingLoadImage* getStateImplementation() const;

    void enter() override;
    void clearViews() override;

    // The margins of one axis together stay at most this.
    static constexpr double MAXIMUM_MARGINS = 0.95;

private slots:
    void slotOpenFileDialog();
    void slotOpenResourceDialog();
    void slotOpenRecentImages();
    void slotOpenTextEditorDialog();
    void slotChildAdded(const QString& sName);
    void slotUpdateMarginLeft(double dValue);
    void slotUpdateMarginRight(double dValue);
    void slotUpdateMarginTop(double dValue);
    void slotUpdateMarginBottom(double dValue);
    void slotUpdateShadingCorrection();

private:
    // Writes "PATH" when the picture can be read; otherwise shows why and
    // keeps the previous picture.
    void setImportFile(const QString& sFile);
    void limitMargin(QDoubleSpinBox* pChanged, const QDoubleSpinBox* pOpposite, double dValue);
    void updateMargins();
    void updateWidgetsFromParameters();
    void setCanvasMargins();

    Ui::WizardPageImageLoadBaseGui* m_pUi = nullptr;
    ImageView* m_pImageView = nullptr;
};
