#pragma once

#include "ImageCanvasBase.h"

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QVector>

// The image canvas of the paint page: turns left-button drags into pen
// strokes and left clicks into bucket-fill seed points, both in normalised
// image coordinates ([0, 1] x [0, 1] of the fitted rectangle). The stroke in
// progress is drawn in translucent red at the width the pen will have on the
// image. Input is taken only while an image is shown and the overlay is
// visible. GUI thread only.
class ImageCanvasPenAndBucket : public ImageCanvasBase
{
    Q_OBJECT

public:
    enum Tool
    {
        TOOL_PEN = 0,
        TOOL_BUCKET = 1
    };
    enum Color
    {
        COLOR_BLACK = 0,
        COLOR_WHITE = 1,
        COLOR_CLEAR = 2
    };
    enum OverlayMode
    {
        OVERLAY_SHOWN = 0,
        OVERLAY_HIDDEN = 1 // no input is taken
    };

    explicit ImageCanvasPenAndBucket(QWidget* pParent = nullptr);

    // The tool and the pen size (thousandths of a pen factor) refresh the cursor.
    void setTool(int nTool);
    void setPenSize(int nPenSize);
    // Kept for the page only; drawing does not depend on the colour.
    void setColor(int nColor) { m_nColor = nColor; }
    void setOverlayMode(int nOverlayMode) { m_nOverlayMode = nOverlayMode; }
    int getColor() const { return m_nColor; }
    int getPenSize() const { return m_nPenSize; }
    int getTool() const { return m_nTool; }

    // Pen: sets the pen cursor when a new one was built or bForce is set.
    // Bucket: the cross cursor.
    void updateCursor(bool bForce);
    // Builds a circle cursor of the pen's on-screen diameter (at least 2)
    // unless that diameter was built last; true when it built one.
    bool createPenCursor();
    const QPixmap& getPenCursor() const { return m_pixmapPenCursor; }

signals:
    // At least two points (press and release), each within [0, 1] x [0, 1].
    void signalPenStroke(QList<QPointF> listPoints);
    void signalBucketFill(QPointF point);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    // The pen's line width on screen for the fitted rectangle.
    int getPenDiameter() const;
    bool acceptsInput() const;
    void appendStrokePoint(const QPoint& point);
    void clearStroke();

    int m_nTool = TOOL_PEN;
    int m_nColor = COLOR_BLACK;
    int m_nOverlayMode = OVERLAY_SHOWN;
    int m_nPenSize = 0;
    QList<QPointF> m_listStroke;      // normalised image coordinates
    QVector<QPoint> m_vecStrokeWidget; // the same points on the widget
    QPixmap m_pixmapPenCursor;
    int m_nPenCursorDiameter = 0;
};
