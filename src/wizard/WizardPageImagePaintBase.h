#pragma once

#include "MainWidget.h"

#include <QList>
#include <QPointF>

class ImageCanvasPenAndBucket;
class ImageView;
class StateImplementationImagingPaint;

namespace Ui
{
class WizardPageImagePaintBaseGui;
}

// The page of the PAINT step: pen strokes and bucket fills in black, white or
// the clear colour that erases earlier paint, on the thresholded image; the
// paint can be hidden or deleted. Each stroke, fill or deletion becomes one
// new set of values of the pen-and-bucket parameter objects, stamped with its
// time, so every one starts a run even when it repeats an earlier one. The
// view shows the painted result; beneath it the page says when the result is
// one single colour, which holds no shape, so Next stays greyed. GUI thread only.
class WizardPageImagePaintBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageImagePaintBase(StateImplementationImagingPaint* pStateImplementation);
    ~WizardPageImagePaintBase() override;

    // Throws "pStateImplementation" when the step is of another class.
    StateImplementationImagingPaint* getStateImplementation() const;

    // Once, when the page is built: black, pen and visible, both sliders in
    // the middle, each through its slot.
    void initialize() override;
    // Also says whether the painted picture is one single colour.
    void enter() override;
    void clearViews() override;

public slots:
    void slotChildAdded(const QString& sName);
    void slotUpdatePenSize(int nValue);
    void slotUpdateBucketThreshold(int nValue);
    void slotToggledColorBlack(bool bChecked);
    void slotToggledColorWhite(bool bChecked);
    void slotToggledColorClear(bool bChecked);
    void slotToggledToolPen(bool bChecked);
    void slotToggledToolBucket(bool bChecked);
    void slotToggledPaintVisiblityOn(bool bChecked);
    void slotToggledPaintVisiblityOff(bool bChecked);
    void slotPenStroke(QList<QPointF> listPoints);
    void slotBucketFill(QPointF point);
    void slotDeleteOverlay();

private:
    // Throws "pImageCanvasPenAndBucket" for a canvas of another class.
    ImageCanvasPenAndBucket* getCanvas() const;
    void setTool(int nTool);
    void setPaintVisible(bool bVisible);
    // "BLACK", "WHITE" or "CLEAR" for the canvas's colour.
    QString colorName() const;
    // Milliseconds since the epoch, later than any stamp given before.
    qint64 nextTimeStamp();
    // Shows, while the painted picture is one single colour, why Next is
    // greyed: such a picture holds no shape.
    void updateOneGreyValueNotice();

    Ui::WizardPageImagePaintBaseGui* m_pUi = nullptr;
    ImageView* m_pImageView = nullptr;
    qint64 m_nLastTimeStamp = 0;
};
