// The drawing primitives of the icons and the glyphs that show a movement:
// block arrows, rotations, translations, scaling and zoom.

#include "GeneratorSupport.h"
#include "IconDrawing.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

constexpr double HEAD_LENGTH = 7.5;
constexpr double HEAD_HALF_WIDTH = 4.6;
constexpr double HEAD_SPACING = 5.5;


QPainterPath arrowHead(const QPointF& tip, const QPointF& direction)
{
    const QPointF normal(-direction.y(), direction.x());
    const QPointF base = tip - HEAD_LENGTH * direction;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(base + HEAD_HALF_WIDTH * normal);
    head.lineTo(base + 0.3 * HEAD_LENGTH * direction);
    head.lineTo(base - HEAD_HALF_WIDTH * normal);
    head.closeSubpath();
    return head;
}

// Walks a polyline by arc length.
class PolylineWalk
{
public:
    explicit PolylineWalk(const QPolygonF& line) : m_line(line)
    {
        m_lengths.push_back(0.0);
        for (int i = 1; i < line.size(); ++i)
        {
            m_lengths.push_back(m_lengths.back() + QLineF(line[i - 1], line[i]).length());
        }
    }

    double length() const { return m_lengths.back(); }

    QPointF pointAt(double dDistance) const
    {
        const int i = segmentAt(dDistance);
        const double dSegment = m_lengths[i + 1] - m_lengths[i];
        const double t = dSegment > 0.0 ? (dDistance - m_lengths[i]) / dSegment : 0.0;
        return m_line[i] + t * (m_line[i + 1] - m_line[i]);
    }

    QPointF directionAt(double dDistance) const
    {
        const int i = segmentAt(dDistance);
        const QLineF unit = QLineF(m_line[i], m_line[i + 1]).unitVector();
        return unit.p2() - unit.p1();
    }

    // The part of the line up to a distance.
    QPolygonF upTo(double dDistance) const
    {
        const int i = segmentAt(dDistance);
        QPolygonF part(m_line.mid(0, i + 1));
        part << pointAt(dDistance);
        return part;
    }

private:
    int segmentAt(double dDistance) const
    {
        const auto it = std::upper_bound(m_lengths.begin(), m_lengths.end(), dDistance);
        const int i = static_cast<int>(it - m_lengths.begin()) - 1;
        return std::clamp(i, 0, static_cast<int>(m_lengths.size()) - 2);
    }

    QPolygonF m_line;
    std::vector<double> m_lengths;
};

} // namespace

QPen inkPen(const QColor& color, double dWidth)
{
    return QPen(color, dWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawArrowAlong(QPainter& painter, const QPolygonF& line, int nHeads, const QColor& color)
{
    const PolylineWalk walk(line);
    const double dLastTip = walk.length() - (nHeads - 1) * HEAD_SPACING;
    painter.setPen(inkPen(color, 2.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(walk.upTo(dLastTip - 0.6 * HEAD_LENGTH));
    for (int i = 0; i < nHeads; ++i)
    {
        const double dTip = walk.length() - i * HEAD_SPACING;
        painter.fillPath(arrowHead(walk.pointAt(dTip), walk.directionAt(dTip - 0.5)), color);
    }
}

QPolygonF ellipseArc(const QPointF& centre, double dRadiusX, double dRadiusY, double dFrom, double dTo)
{
    const int nSteps = std::max(8, static_cast<int>(std::abs(dTo - dFrom) / 4.0));
    QPolygonF arc;
    for (int i = 0; i <= nSteps; ++i)
    {
        const double dAngle = (dFrom + (dTo - dFrom) * i / nSteps) * PI / 180.0;
        arc << centre + QPointF(dRadiusX * std::cos(dAngle), -dRadiusY * std::sin(dAngle));
    }
    return arc;
}

void drawLetters(QPainter& painter, const QString& sText, const QPointF& centre, double dSize, const QColor& color)
{
    // The font's capitals are about 0.72 of its pixel size high.
    painter.fillPath(centredText(sText, generatorFont(true, dSize / 0.72), centre), color);
}

void drawArrowBlock(QPainter& painter, const IconInk& ink, double dAngle)
{
    // A broad arrow pointing right, turned to its direction about the centre.
    QPolygonF arrow;
    arrow << QPointF(-11.0, -3.6) << QPointF(1.5, -3.6) << QPointF(1.5, -9.5) << QPointF(11.5, 0.0)
          << QPointF(1.5, 9.5) << QPointF(1.5, 3.6) << QPointF(-11.0, 3.6);
    painter.save();
    painter.translate(CENTRE);
    painter.rotate(dAngle);
    painter.setPen(inkPen(ink.ink, 1.6));
    painter.setBrush(ink.ink);
    painter.drawPolygon(arrow);
    painter.restore();
}

void drawRotation(QPainter& painter, const IconInk& ink, char cAxis, int nStep)
{
    // An arrow around the axis letter. The ellipse is seen along the axis:
    // tall and narrow for X, wide and flat for Y, round for Z. Positive turns
    // counter-clockwise; a negative step is the mirror image. The arrow ends
    // where the ellipse is least curved, so its heads lie straight.
    const double dRadiusX = cAxis == 'X' ? 9.5 : (cAxis == 'Y' ? 14.0 : 10.5);
    const double dRadiusY = cAxis == 'X' ? 11.8 : (cAxis == 'Y' ? 8.0 : 10.5);
    const double dEnd = cAxis == 'X' ? 20.0 : (cAxis == 'Y' ? 110.0 : 60.0);
    painter.save();
    if (nStep < 0)
    {
        painter.translate(ICON_WIDTH, 0.0);
        painter.scale(-1.0, 1.0);
    }
    drawArrowAlong(painter, ellipseArc(CENTRE, dRadiusX, dRadiusY, dEnd - 280.0, dEnd), std::abs(nStep), ink.ink);
    painter.restore();
    drawLetters(painter, QString(QChar(cAxis)), CENTRE, 7.5, ink.ink);
}

void drawTranslation(QPainter& painter, const IconInk& ink, char cAxis, int nStep)
{
    // An arrow along the axis (Z drawn as a diagonal coming towards the
    // viewer), the axis letter in the upper left corner.
    QPointF from;
    QPointF to;
    switch (cAxis)
    {
    case 'X':
        from = QPointF(4.0, 16.0);
        to = QPointF(29.0, 16.0);
        break;
    case 'Y':
        from = QPointF(19.0, 24.0);
        to = QPointF(19.0, 2.0);
        break;
    default:
        from = QPointF(28.0, 3.0);
        to = QPointF(9.0, 23.0);
        break;
    }
    if (nStep < 0)
    {
        std::swap(from, to);
    }
    drawArrowAlong(painter, QPolygonF({from, to}), std::abs(nStep), ink.ink);
    drawLetters(painter, QString(QChar(cAxis)), QPointF(5.5, 6.0), 8.0, ink.ink);
}

void drawScaling(QPainter& painter, const IconInk& ink, int nStep)
{
    // A small solid square in the corner of a large outlined one, and an
    // arrow from one to the other: outwards to grow, inwards to shrink.
    painter.setPen(inkPen(ink.ink, 1.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(4.0, 6.0, 18.0, 18.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.ink);
    painter.drawRect(QRectF(4.0, 15.0, 9.0, 9.0));
    QPointF from(15.5, 12.5);
    QPointF to(30.0, 1.0);
    if (nStep < 0)
    {
        std::swap(from, to);
    }
    drawArrowAlong(painter, QPolygonF({from, to}), std::abs(nStep), ink.ink);
}

void drawZoom(QPainter& painter, const IconInk& ink, bool bIn)
{
    // A magnifying glass with a plus or a minus in its lens.
    const QPointF lens(13.0, 11.0);
    painter.setPen(inkPen(ink.ink, 4.2));
    painter.drawLine(QPointF(19.0, 17.0), QPointF(27.0, 24.0));
    painter.setPen(inkPen(ink.ink));
    painter.setBrush(ink.paper);
    painter.drawEllipse(lens, 8.5, 8.5);
    painter.setPen(inkPen(ink.ink, 2.4));
    painter.drawLine(lens - QPointF(4.2, 0.0), lens + QPointF(4.2, 0.0));
    if (bIn)
    {
        painter.drawLine(lens - QPointF(0.0, 4.2), lens + QPointF(0.0, 4.2));
    }
}
