#include "Pictures.h"

#include "GeneratorSupport.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

namespace
{

// Pixels per millimetre of the preview's overlays.
constexpr int SCALE_PIXELS_PER_MM = 20;
constexpr int BATTERY_PIXELS_PER_MM = 10;

QImage transparentImage(int nWidth, int nHeight)
{
    QImage image(nWidth, nHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A horizontal gradient that makes a flat band look like part of a cylinder.
QLinearGradient cylinderShading(double dLeft, double dRight, const QColor& edge, const QColor& light)
{
    QLinearGradient gradient(dLeft, 0.0, dRight, 0.0);
    gradient.setColorAt(0.0, edge.darker(130));
    gradient.setColorAt(0.3, light);
    gradient.setColorAt(0.55, edge);
    gradient.setColorAt(1.0, edge.darker(170));
    return gradient;
}

} // namespace

QImage drawTitle()
{
    const int nWidth = 600;
    const int nHeight = 180;
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient ground(0.0, 0.0, 0.0, nHeight);
    ground.setColorAt(0.0, QColor(0x8f, 0xa8, 0xc4));
    ground.setColorAt(1.0, QColor(0x3e, 0x4c, 0x67));
    painter.fillRect(image.rect(), ground);

    // The emblem: a star raised from the ground, lit from the upper left.
    const QPainterPath star = QTransform().translate(95.0, 92.0).scale(70.0, 70.0).map(starPolygon(5, 1.0, 0.45));
    painter.fillPath(star.translated(5.0, 5.0), QColor(0x1e, 0x27, 0x3a, 150));
    painter.fillPath(star.translated(-2.5, -2.5), QColor(255, 255, 255, 200));
    QLinearGradient face(40.0, 30.0, 150.0, 160.0);
    face.setColorAt(0.0, QColor(0xf2, 0xf5, 0xf9));
    face.setColorAt(1.0, QColor(0xa9, 0xbb, 0xd0));
    painter.fillPath(star, face);

    painter.fillPath(centredText("Moldena", generatorFont(true, 84.0), QPointF(392.0, 78.0)).translated(3.0, 3.0),
                     QColor(0x1e, 0x27, 0x3a, 140));
    painter.fillPath(centredText("Moldena", generatorFont(true, 84.0), QPointF(392.0, 78.0)), Qt::white);
    painter.fillPath(centredText("from a picture to a printable object", generatorFont(false, 20.0),
                                 QPointF(392.0, 140.0)),
                     QColor(0xe4, 0xec, 0xf5));
    painter.end();
    return image;
}

QImage drawScale()
{
    const int nMillimetres = 20;
    const int p = SCALE_PIXELS_PER_MM;
    QImage image = transparentImage(nMillimetres * p, 3 * p);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor light(0xf4, 0xf4, 0xf4);
    // Ticks: every millimetre short, every fifth longer, both ends and the
    // middle reaching the top. The outer ticks lie just inside the picture.
    for (int i = 0; i <= nMillimetres; ++i)
    {
        const double x = qBound(1.5, static_cast<double>(i * p), image.width() - 1.5);
        const double dTop = (i % 10 == 0) ? 2.0 : (i % 5 == 0 ? 12.0 : 20.0);
        painter.setPen(QPen(light, 3.0, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(x, dTop), QPointF(x, 30.0));
    }
    // The bar: four 5 mm blocks, filled and empty in turn.
    const QRectF bar(1.5, 30.0, image.width() - 3.0, 28.0);
    for (int i = 0; i < 4; ++i)
    {
        if (i % 2 == 0)
        {
            painter.fillRect(QRectF(bar.left() + i * bar.width() / 4.0, bar.top(), bar.width() / 4.0, bar.height()),
                             light);
        }
    }
    painter.setPen(QPen(light, 3.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage drawBattery()
{
    const int p = BATTERY_PIXELS_PER_MM;
    const double dWidth = 14.5 * p;
    const double dHeight = 51.0 * p;
    QImage image = transparentImage(static_cast<int>(dWidth), static_cast<int>(dHeight));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor steel(0x9a, 0xa3, 0xad);
    const QColor shine(0xf6, 0xf8, 0xfa);

    // The positive terminal on top, then the can with its printed wrapper.
    const QRectF nub(dWidth / 2.0 - 2.75 * p, 0.0, 5.5 * p, 1.6 * p);
    painter.setPen(Qt::NoPen);
    painter.setBrush(cylinderShading(nub.left(), nub.right(), steel, shine));
    painter.drawRoundedRect(nub, 3.0, 3.0);
    const QRectF can(1.0, 1.2 * p, dWidth - 2.0, dHeight - 1.2 * p - 1.0);
    painter.setBrush(cylinderShading(can.left(), can.right(), steel, shine));
    painter.drawRoundedRect(can, 12.0, 12.0);
    const QRectF wrapper(can.left(), can.top() + 5.0 * p, can.width(), can.height() - 8.5 * p);
    painter.setBrush(cylinderShading(wrapper.left(), wrapper.right(), QColor(0x23, 0x4f, 0x96), QColor(0x6f, 0x9f, 0xe6)));
    painter.drawRect(wrapper);

    const QColor print(0xfa, 0xfa, 0xfa);
    painter.fillPath(centredText("+", generatorFont(true, 90.0), QPointF(dWidth / 2.0, wrapper.top() + 5.0 * p)), print);
    painter.save();
    painter.translate(dWidth / 2.0, wrapper.center().y() + 2.0 * p);
    painter.rotate(-90.0);
    painter.fillPath(centredText("AA 1.5 V", generatorFont(true, 60.0), QPointF(0.0, 0.0)), print);
    painter.restore();
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage drawNoImage()
{
    const int nSize = 256;
    QImage image(nSize, nSize, QImage::Format_RGB32);
    image.fill(QColor(0xec, 0xef, 0xf3));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor grey(0x9a, 0xa5, 0xb4);
    const QRectF frame(44.0, 64.0, 168.0, 128.0);
    painter.setPen(QPen(grey, 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame, 6.0, 6.0);
    QPainterPath hills;
    hills.moveTo(frame.left() + 12.0, frame.bottom() - 12.0);
    hills.lineTo(frame.left() + 62.0, frame.top() + 50.0);
    hills.lineTo(frame.left() + 98.0, frame.bottom() - 40.0);
    hills.lineTo(frame.left() + 120.0, frame.top() + 72.0);
    hills.lineTo(frame.right() - 12.0, frame.bottom() - 12.0);
    hills.closeSubpath();
    painter.fillPath(hills, grey);
    painter.setPen(Qt::NoPen);
    painter.setBrush(grey);
    painter.drawEllipse(QPointF(frame.right() - 34.0, frame.top() + 30.0), 13.0, 13.0);
    painter.setPen(QPen(QColor(0xb0, 0x4a, 0x4a), 12.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(40.0, 216.0), QPointF(216.0, 40.0));
    painter.end();
    return image;
}
