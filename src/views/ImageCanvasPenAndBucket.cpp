#include "ImageCanvasPenAndBucket.h"

#include "ImageModifier/ImageModifierPen.h"
#include "WidgetHelper.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>

ImageCanvasPenAndBucket::ImageCanvasPenAndBucket(QWidget* pParent)
    : ImageCanvasBase(pParent)
{
}

void ImageCanvasPenAndBucket::setTool(int nTool)
{
    m_nTool = nTool;
    updateCursor(true);
}

void ImageCanvasPenAndBucket::setPenSize(int nPenSize)
{
    m_nPenSize = nPenSize;
    updateCursor(true);
}

int ImageCanvasPenAndBucket::getPenDiameter() const
{
    const QRect& fitted = getFittedRect();
    return ImageModifierPen::calculatePenSize(unsigned(std::max(0, fitted.width())),
                                              unsigned(std::max(0, fitted.height())),
                                              ImageModifierPen::convertPenFactor(m_nPenSize));
}

bool ImageCanvasPenAndBucket::createPenCursor()
{
    const int nDiameter = std::max(2, getPenDiameter());
    if (nDiameter == m_nPenCursorDiameter)
    {
        return false;
    }
    m_nPenCursorDiameter = nDiameter;

    m_pixmapPenCursor = QPixmap(nDiameter + 2, nDiameter + 2);
    m_pixmapPenCursor.fill(Qt::transparent);
    QPainter painter(&m_pixmapPenCursor);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 0, 0, 255), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(m_pixmapPenCursor.width() * 0.5 - nDiameter * 0.5,
                               m_pixmapPenCursor.height() * 0.5 - nDiameter * 0.5, nDiameter, nDiameter));
    return true;
}

void ImageCanvasPenAndBucket::updateCursor(bool bForce)
{
    if (m_nTool == TOOL_PEN)
    {
        const bool bCreated = createPenCursor();
        if ((bCreated || bForce) && !m_pixmapPenCursor.isNull())
        {
            setCursor(QCursor(m_pixmapPenCursor, -1, -1));
        }
    }
    else if (m_nTool == TOOL_BUCKET)
    {
        setCursor(Qt::CrossCursor);
    }
}

bool ImageCanvasPenAndBucket::acceptsInput() const
{
    // Without a shown image there is no rectangle to map points into.
    return m_nOverlayMode != OVERLAY_HIDDEN && hasFittedImage();
}

void ImageCanvasPenAndBucket::appendStrokePoint(const QPoint& point)
{
    m_listStroke.append(WidgetHelper::mapToImage(point, getFittedRect()));
    m_vecStrokeWidget.append(point);
}

void ImageCanvasPenAndBucket::clearStroke()
{
    m_listStroke.clear();
    m_vecStrokeWidget.clear();
}

void ImageCanvasPenAndBucket::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->buttons() != Qt::LeftButton || !acceptsInput())
    {
        return;
    }
    const QPoint point = pEvent->position().toPoint();
    if (m_nTool == TOOL_PEN)
    {
        clearStroke();
        appendStrokePoint(point);
        update();
    }
    else if (m_nTool == TOOL_BUCKET)
    {
        emit signalBucketFill(WidgetHelper::mapToImage(point, getFittedRect()));
    }
}

void ImageCanvasPenAndBucket::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (pEvent->buttons() != Qt::LeftButton || !acceptsInput() || m_nTool != TOOL_PEN || m_listStroke.isEmpty())
    {
        return;
    }
    appendStrokePoint(pEvent->position().toPoint());
    update();
}

void ImageCanvasPenAndBucket::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (m_nOverlayMode == OVERLAY_HIDDEN || m_nTool != TOOL_PEN || m_listStroke.isEmpty())
    {
        return;
    }
    if (!hasFittedImage())
    {
        // The image went away during the stroke: its points no longer refer
        // to a picture.
        clearStroke();
        update();
        return;
    }
    appendStrokePoint(pEvent->position().toPoint());
    emit signalPenStroke(m_listStroke);
    update();
    clearStroke();
}

void ImageCanvasPenAndBucket::paintEvent(QPaintEvent* pEvent)
{
    ImageCanvasBase::paintEvent(pEvent);
    if (getFittedRect().isEmpty())
    {
        return;
    }
    updateCursor(false);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 0, 0, 100), getPenDiameter(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(m_vecStrokeWidget.constData(), int(m_vecStrokeWidget.size()));
}
