#pragma once

#include "ImageCanvasBase.h"

// The image canvas of the load page: covers the margins that cropping will
// cut off in translucent red. Margins are fractions of the fitted
// rectangle's width (left, right) and height (top, bottom).
class ImageCanvasCropped : public ImageCanvasBase
{
    Q_OBJECT

public:
    explicit ImageCanvasCropped(QWidget* pParent = nullptr);

    // Stores the four fractions; repaints when an image is shown.
    void setMargins(double dLeft, double dRight, double dTop, double dBottom);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    double m_dMarginLeft = 0.0;
    double m_dMarginRight = 0.0;
    double m_dMarginTop = 0.0;
    double m_dMarginBottom = 0.0;
};
