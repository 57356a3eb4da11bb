#include "ImageCanvasCropped.h"

#include <QPainter>

ImageCanvasCropped::ImageCanvasCropped(QWidget* pParent)
    : ImageCanvasBase(pParent)
{
}

void ImageCanvasCropped::setMargins(double dLeft, double dRight, double dTop, double dBottom)
{
    m_dMarginLeft = dLeft;
    m_dMarginRight = dRight;
    m_dMarginTop = dTop;
    m_dMarginBottom = dBottom;
    if (getImage())
    {
        update();
    }
}

void ImageCanvasCropped::paintEvent(QPaintEvent* pEvent)
{
    ImageCanvasBase::paintEvent(pEvent);
    if (!hasFittedImage())
    {
        return;
    }

    const QRect& fitted = getFittedRect();
    const int nLeft = fitted.left();
    const int nTop = fitted.top();
    const int nRight = fitted.right();
    const int nBottom = fitted.bottom();
    const int nMarginLeft = int(m_dMarginLeft * fitted.width());
    const int nMarginRight = int(fitted.width() * m_dMarginRight);
    const int nMarginTop = int(m_dMarginTop * fitted.height());
    const int nMarginBottom = int(fitted.height() * m_dMarginBottom);

    // The side bands run over the full height, the top and bottom bands lie
    // between them: no pixel is covered twice. A zero margin is an empty band.
    // Margins that meet or cross give inverted bands, which cover nothing.
    QPainter painter(this);
    const auto fillBand = [&painter](const QPoint& topLeft, const QPoint& bottomRight)
    {
        const QRect band(topLeft, bottomRight);
        if (band.isValid())
        {
            painter.fillRect(band, QColor(255, 0, 0, 200));
        }
    };
    fillBand(QPoint(nLeft, nTop), QPoint(nLeft + nMarginLeft - 1, nBottom));
    fillBand(QPoint(nRight - nMarginRight + 1, nTop), QPoint(nRight, nBottom));
    fillBand(QPoint(nLeft + nMarginLeft, nTop), QPoint(nRight - nMarginRight, nTop + nMarginTop - 1));
    fillBand(QPoint(nLeft + nMarginLeft, nBottom - nMarginBottom + 1), QPoint(nRight - nMarginRight, nBottom));
}
