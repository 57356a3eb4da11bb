#include "LibraryFigures.h"

#include "GeneratorSupport.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>

#include <cmath>
#include <vector>

namespace
{


QPainterPath circle()
{
    return circlePath({0.0, 0.0}, 82.0);
}

QPainterPath heart()
{
    // Two lobes meeting in a dip at the top and a point at the bottom.
    QPainterPath path;
    path.moveTo(0.0, 84.0);
    path.cubicTo(-30.0, 58.0, -90.0, 20.0, -86.0, -30.0);
    path.cubicTo(-82.0, -78.0, -20.0, -90.0, 0.0, -44.0);
    path.cubicTo(20.0, -90.0, 82.0, -78.0, 86.0, -30.0);
    path.cubicTo(90.0, 20.0, 30.0, 58.0, 0.0, 84.0);
    path.closeSubpath();
    return path.translated(0.0, 3.0);
}

QPainterPath pentagon()
{
    // A regular pentagon sits low in its circle; move it to the middle.
    return regularPolygon(5, 86.0).translated(0.0, 8.0);
}

QPainterPath rectangle()
{
    QPainterPath path;
    path.addRect(-82.0, -56.0, 164.0, 112.0);
    return path;
}

QPainterPath rectangleRound()
{
    QPainterPath path;
    path.addRoundedRect(-82.0, -56.0, 164.0, 112.0, 30.0, 30.0);
    return path;
}

QPainterPath star()
{
    return starPolygon(5, 90.0, 38.0).translated(0.0, 8.0);
}

QPainterPath triangle()
{
    return regularPolygon(3, 94.0).translated(0.0, 20.0);
}

QPainterPath biohazard()
{
    // Compass construction: three equal circles (radius r) whose common part
    // is r / 2 across, each with a bite of two thirds its radius reaching
    // just past its outer edge, which leaves three crescents; a hole in the
    // middle with a slit out to each bite; and a ring whose pieces show
    // inside the bites, a thin gap away from the crescents.
    const double r = 52.0;
    const double dCentre = 0.75 * r;
    const double dBite = 2.0 * r / 3.0;
    const double dBiteCentre = dCentre + r - dBite + 3.0;
    QPainterPath figure;
    QPainterPath bites;
    QPainterPath ringPieces;
    const QPainterPath ring = ringPath({0.0, 0.0}, 1.22 * dCentre, dCentre);
    for (int i = 0; i < 3; ++i)
    {
        const double dAngle = -PI / 2.0 + 2.0 * PI * i / 3.0;
        const QPointF direction(std::cos(dAngle), std::sin(dAngle));
        figure = figure.united(circlePath(dCentre * direction, r));
        bites = bites.united(circlePath(dBiteCentre * direction, dBite));
        ringPieces = ringPieces.united(ring.intersected(circlePath(dBiteCentre * direction, dBite - 4.0)));
        QPainterPath slit;
        slit.addRect(-2.0, 0.0, 4.0, dBiteCentre - dBite + 2.0);
        bites = bites.united(QTransform().rotate(dAngle * 180.0 / PI - 90.0).map(slit));
    }
    figure = figure.subtracted(bites).subtracted(circlePath({0.0, 0.0}, dBite / 4.0)).united(ringPieces);
    // The upper crescent reaches dCentre / 2 further from the middle than the lower two.
    return figure.translated(0.0, 0.25 * dCentre);
}

QPainterPath peace()
{
    // A ring with a vertical bar and two bars from the centre down to the ring.
    const double dOuter = 84.0;
    const double dInner = 70.0;
    const double dWidth = 14.0;
    QPainterPath figure = ringPath({0.0, 0.0}, dOuter, dInner);
    QPainterPath bar;
    bar.addRect(-dWidth / 2.0, -0.5 * (dOuter + dInner), dWidth, dOuter + dInner);
    figure = figure.united(bar);
    QPainterPath spoke;
    spoke.addRect(-dWidth / 2.0, 0.0, dWidth, 0.5 * (dOuter + dInner));
    figure = figure.united(QTransform().rotate(45.0).map(spoke));
    figure = figure.united(QTransform().rotate(-45.0).map(spoke));
    return figure;
}

QPainterPath spiral()
{
    // An Archimedean spiral of three turns drawn with a round-ended pen.
    const double dTurns = 3.0;
    const double dStart = 5.0;
    const double dEnd = 78.0;
    const int nSteps = 720;
    QPainterPath line;
    for (int i = 0; i <= nSteps; ++i)
    {
        const double t = static_cast<double>(i) / nSteps;
        const double dAngle = 2.0 * PI * dTurns * t;
        const double dRadius = dStart + (dEnd - dStart) * t;
        const QPointF point(dRadius * std::cos(dAngle), dRadius * std::sin(dAngle));
        i == 0 ? line.moveTo(point) : line.lineTo(point);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(12.0);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line).simplified();
}

QPainterPath yingyang()
{
    // The dark half with its bulge below and bite above, the two eyes, and a
    // rim that closes the light half.
    const double r = 84.0;
    QPainterPath leftHalf;
    leftHalf.moveTo(0.0, -r);
    leftHalf.arcTo(-r, -r, 2.0 * r, 2.0 * r, 90.0, 180.0);
    leftHalf.closeSubpath();
    QPainterPath figure = leftHalf.united(circlePath({0.0, r / 2.0}, r / 2.0));
    figure = figure.subtracted(circlePath({0.0, -r / 2.0}, r / 2.0));
    figure = figure.subtracted(circlePath({0.0, r / 2.0}, r / 7.0));
    figure = figure.united(circlePath({0.0, -r / 2.0}, r / 7.0));
    return figure.united(ringPath({0.0, 0.0}, r, r - 7.0));
}

} // namespace

const std::vector<LibraryFigure>& shapeFigures()
{
    static const std::vector<LibraryFigure> figures = {
        {"circle", circle},       {"heart", heart}, {"pentagon", pentagon},
        {"rectangle", rectangle}, {"rectangle_round", rectangleRound},
        {"star", star},           {"triangle", triangle}};
    return figures;
}

const std::vector<LibraryFigure>& decorationFigures()
{
    static const std::vector<LibraryFigure> figures = [] {
        std::vector<LibraryFigure> list = shapeFigures();
        list.push_back({"biohazard", biohazard});
        list.push_back({"peace", peace});
        list.push_back({"spiral", spiral});
        list.push_back({"yingyang", yingyang});
        return list;
    }();
    return figures;
}

QImage renderFigure(const QPainterPath& figure, int nSize)
{
    QImage image(nSize, nSize, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(nSize / 2.0, nSize / 2.0);
    painter.scale(nSize / 200.0, nSize / 200.0);
    painter.fillPath(figure, Qt::black);
    painter.end();
    return image;
}
