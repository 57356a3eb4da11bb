// The glyphs of the icons that show an object: tools, files, signs.

#include "IconDrawing.h"

#include <QPainter>
#include <QPainterPath>

#include <initializer_list>

namespace
{


// Fills a path with the paper colour (or another) and outlines it in ink.
void drawObject(QPainter& painter, const QPainterPath& path, const QColor& outline, const QColor& fill,
                double dWidth = ICON_STROKE)
{
    painter.setPen(inkPen(outline, dWidth));
    painter.setBrush(fill);
    painter.drawPath(path);
}

// A path through the points, closed into a polygon or left open.
QPainterPath polyPath(std::initializer_list<QPointF> points, bool bClosed = true)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    if (bClosed)
    {
        path.closeSubpath();
    }
    return path;
}

QPainterPath rectPath(double x, double y, double w, double h, double dRadius = 0.0)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), dRadius, dRadius);
    return path;
}

// A ring around the centre with a sign in it.
void drawSignInCircle(QPainter& painter, const IconInk& ink, const QString& sSign)
{
    painter.setPen(inkPen(ink.ink));
    painter.setBrush(ink.paper);
    painter.drawEllipse(CENTRE, 11.0, 11.0);
    drawLetters(painter, sSign, CENTRE, 12.0, ink.ink);
}

} // namespace

void drawAbc(QPainter& painter, const IconInk& ink)
{
    drawLetters(painter, "ABC", CENTRE, 11.0, ink.ink);
    painter.setPen(inkPen(ink.ink, 1.6));
    painter.drawLine(QPointF(4.0, 22.5), QPointF(28.0, 22.5));
}

void drawBucket(QPainter& painter, const IconInk& ink)
{
    // A pail tipped to the right, its handle over it, paint running out.
    painter.save();
    painter.translate(13.0, 14.5);
    painter.rotate(35.0);
    QPainterPath handle;
    handle.moveTo(-7.0, -5.0);
    handle.cubicTo(-7.0, -14.0, 7.0, -14.0, 7.0, -5.0);
    painter.setPen(inkPen(ink.ink, 1.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(handle);
    drawObject(painter, polyPath({{-8.0, -5.0}, {8.0, -5.0}, {6.0, 8.0}, {-6.0, 8.0}}), ink.ink, ink.paper);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.ink);
    painter.drawEllipse(QPointF(0.0, -5.0), 8.0, 2.4);
    painter.restore();
    QPainterPath drop;
    drop.moveTo(25.5, 11.0);
    drop.cubicTo(27.0, 15.0, 29.5, 17.5, 29.5, 20.0);
    drop.arcTo(QRectF(21.5, 16.0, 8.0, 8.0), 0.0, -180.0);
    drop.cubicTo(21.5, 17.5, 24.0, 15.0, 25.5, 11.0);
    painter.fillPath(drop, ink.ink);
}

void drawCancel(QPainter& painter, const IconInk& ink)
{
    painter.setPen(inkPen(ink.cancel, 4.0));
    painter.drawLine(QPointF(9.0, 5.0), QPointF(23.0, 21.0));
    painter.drawLine(QPointF(23.0, 5.0), QPointF(9.0, 21.0));
}

void drawConfirm(QPainter& painter, const IconInk& ink)
{
    painter.setPen(inkPen(ink.confirm, 4.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({QPointF(7.0, 13.5), QPointF(13.0, 20.0), QPointF(25.0, 5.5)}));
}

void drawHelp(QPainter& painter, const IconInk& ink)
{
    drawSignInCircle(painter, ink, "?");
}

void drawInfo(QPainter& painter, const IconInk& ink)
{
    drawSignInCircle(painter, ink, "i");
}

void drawEye(QPainter& painter, const IconInk& ink, bool bStruckThrough)
{
    QPainterPath eye;
    eye.moveTo(2.5, 13.0);
    eye.quadTo(16.0, 0.0, 29.5, 13.0);
    eye.quadTo(16.0, 26.0, 2.5, 13.0);
    drawObject(painter, eye, ink.ink, ink.paper);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.ink);
    painter.drawEllipse(CENTRE, 5.2, 5.2);
    painter.setBrush(ink.paper);
    painter.drawEllipse(CENTRE + QPointF(1.8, -1.8), 1.6, 1.6);
    if (bStruckThrough)
    {
        // Cut a gap around the stroke so it stands apart from the eye.
        const QLineF slash(QPointF(6.0, 24.0), QPointF(26.0, 2.0));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(inkPen(Qt::black, 6.0));
        painter.drawLine(slash);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(inkPen(ink.ink, 2.6));
        painter.drawLine(slash);
    }
}

void drawLibrary(QPainter& painter, const IconInk& ink)
{
    // Three books standing on a shelf and one leaning against them.
    painter.setPen(inkPen(ink.ink, 1.6));
    painter.drawLine(QPointF(2.5, 23.5), QPointF(29.5, 23.5));
    drawObject(painter, rectPath(4.0, 6.0, 5.0, 16.5, 0.8), ink.ink, ink.paper, 1.6);
    drawObject(painter, rectPath(10.0, 3.5, 5.5, 19.0, 0.8), ink.ink, ink.ink, 1.6);
    drawObject(painter, rectPath(16.5, 7.5, 4.5, 15.0, 0.8), ink.ink, ink.paper, 1.6);
    painter.save();
    painter.translate(22.0, 22.5);
    painter.rotate(22.0);
    drawObject(painter, rectPath(0.0, -15.5, 4.5, 15.5, 0.8), ink.ink, ink.ink, 1.6);
    painter.restore();
    painter.setPen(inkPen(ink.ink, 1.2));
    painter.drawLine(QPointF(5.5, 10.0), QPointF(7.5, 10.0));
    painter.drawLine(QPointF(18.0, 11.5), QPointF(19.5, 11.5));
}

void drawOpenFolder(QPainter& painter, const IconInk& ink)
{
    const QPainterPath back =
        polyPath({{3.0, 22.5}, {3.0, 5.0}, {10.0, 5.0}, {12.5, 7.5}, {23.0, 7.5}, {23.0, 11.0}}, false);
    drawObject(painter, back, ink.ink, ink.paper);
    drawObject(painter, polyPath({{3.0, 22.5}, {8.0, 11.0}, {29.5, 11.0}, {24.5, 22.5}}), ink.ink, ink.ink);
}

void drawEnvelope(QPainter& painter, const IconInk& ink)
{
    drawObject(painter, rectPath(3.0, 5.0, 26.0, 16.5, 1.0), ink.ink, ink.paper);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({QPointF(3.5, 5.5), QPointF(16.0, 15.0), QPointF(28.5, 5.5)}));
}

void drawPaintDrop(QPainter& painter, const IconInk& ink, const QColor& paint)
{
    QPainterPath drop;
    drop.moveTo(16.0, 1.5);
    drop.cubicTo(18.0, 7.0, 24.0, 11.0, 24.0, 16.0);
    drop.arcTo(QRectF(8.0, 8.0, 16.0, 16.0), 0.0, -180.0);
    drop.cubicTo(8.0, 11.0, 14.0, 7.0, 16.0, 1.5);
    drawObject(painter, drop, ink.ink, paint);
}

void drawEraser(QPainter& painter, const IconInk& ink)
{
    // An eraser block lying at a slant, its rubber end down on a line.
    painter.setPen(inkPen(ink.ink, 1.6));
    painter.drawLine(QPointF(3.0, 23.5), QPointF(29.0, 23.5));
    painter.save();
    painter.translate(16.5, 12.5);
    painter.rotate(-35.0);
    drawObject(painter, rectPath(-11.0, -5.5, 22.0, 11.0, 2.0), ink.ink, ink.paper);
    QPainterPath rubber = rectPath(-11.0, -5.5, 9.0, 11.0, 2.0).united(rectPath(-5.0, -5.5, 3.0, 11.0));
    drawObject(painter, rubber, ink.ink, ink.ink);
    painter.restore();
}

void drawPencil(QPainter& painter, const IconInk& ink)
{
    // A pencil writing towards the lower left.
    painter.save();
    painter.translate(17.0, 12.0);
    painter.rotate(-40.0);
    QPainterPath body = rectPath(-6.0, -3.4, 17.0, 6.8);
    drawObject(painter, body, ink.ink, ink.paper);
    drawObject(painter, polyPath({{-6.0, -3.4}, {-13.5, 0.0}, {-6.0, 3.4}}, false), ink.ink, ink.paper);
    drawObject(painter, polyPath({{-10.8, -1.2}, {-14.0, 0.0}, {-10.8, 1.2}}), ink.ink, ink.ink, 1.0);
    drawObject(painter, rectPath(8.0, -3.4, 3.0, 6.8), ink.ink, ink.ink);
    painter.restore();
}

void drawClock(QPainter& painter, const IconInk& ink)
{
    // A clock face with an arrow running backwards round it.
    const QPointF centre(16.5, 13.0);
    painter.setPen(inkPen(ink.ink, 1.6));
    painter.setBrush(ink.paper);
    painter.drawEllipse(centre, 7.0, 7.0);
    painter.setPen(inkPen(ink.ink, 1.8));
    painter.drawLine(centre, centre + QPointF(0.0, -4.5));
    painter.drawLine(centre, centre + QPointF(3.2, 1.8));
    drawArrowAlong(painter, ellipseArc(centre, 11.0, 11.0, -150.0, 150.0), 1, ink.ink);
}

void drawDisk(QPainter& painter, const IconInk& ink)
{
    // A floppy disk: a square with a cut corner, its shutter and its label.
    const QPainterPath disk = polyPath({{5.0, 2.5}, {23.5, 2.5}, {27.0, 6.0}, {27.0, 23.5}, {5.0, 23.5}});
    drawObject(painter, disk, ink.ink, ink.ink, 1.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.paper);
    painter.drawRect(QRectF(9.5, 2.5, 12.0, 7.0));
    painter.drawRoundedRect(QRectF(8.0, 13.5, 16.0, 8.5), 1.0, 1.0);
    painter.setBrush(ink.ink);
    painter.drawRect(QRectF(17.0, 4.0, 2.6, 4.0));
}

void drawPlayScreen(QPainter& painter, const IconInk& ink)
{
    // A screen showing a play sign: a video to watch.
    drawObject(painter, rectPath(3.0, 3.0, 26.0, 18.0, 2.5), ink.ink, ink.paper);
    painter.setPen(inkPen(ink.ink, 1.8));
    painter.drawLine(QPointF(11.0, 24.0), QPointF(21.0, 24.0));
    drawObject(painter, polyPath({{13.0, 7.5}, {21.5, 12.0}, {13.0, 16.5}}), ink.ink, ink.ink, 1.2);
}

void drawGlobe(QPainter& painter, const IconInk& ink)
{
    // A globe with its equator, two parallels and the meridians.
    painter.setPen(inkPen(ink.ink, 1.6));
    painter.setBrush(ink.paper);
    painter.drawEllipse(CENTRE, 11.0, 11.0);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(CENTRE, 4.8, 11.0);
    painter.drawLine(CENTRE + QPointF(0.0, -11.0), CENTRE + QPointF(0.0, 11.0));
    painter.drawLine(CENTRE + QPointF(-11.0, 0.0), CENTRE + QPointF(11.0, 0.0));
    painter.drawLine(CENTRE + QPointF(-9.0, -6.0), CENTRE + QPointF(9.0, -6.0));
    painter.drawLine(CENTRE + QPointF(-9.0, 6.0), CENTRE + QPointF(9.0, 6.0));
}
