#include "GeneratorSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStringList>

#include <cmath>
#include <cstdio>

namespace
{


QString g_sFamily;

// A point on a circle of the given radius, angle 0 straight up, clockwise.
QPointF onCircle(double dRadius, double dAngle)
{
    return {dRadius * std::sin(dAngle), -dRadius * std::cos(dAngle)};
}

} // namespace

bool savePng(const QImage& image, const QString& sPath)
{
    if (!QDir().mkpath(QFileInfo(sPath).absolutePath()) || !image.save(sPath, "PNG"))
    {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(sPath));
        return false;
    }
    return true;
}

bool loadGeneratorFonts(const QString& sRegularFile, const QString& sBoldFile)
{
    for (const QString& sFile : {sRegularFile, sBoldFile})
    {
        const int nId = QFontDatabase::addApplicationFont(sFile);
        const QStringList families = QFontDatabase::applicationFontFamilies(nId);
        if (nId < 0 || families.isEmpty())
        {
            std::fprintf(stderr, "cannot load the font %s\n", qPrintable(sFile));
            return false;
        }
        g_sFamily = families.first();
    }
    return true;
}

QFont generatorFont(bool bBold, double dPixelSize)
{
    QFont font(g_sFamily);
    font.setPixelSize(static_cast<int>(std::lround(dPixelSize)));
    font.setBold(bBold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QPainterPath centredText(const QString& sText, const QFont& font, const QPointF& centre)
{
    QPainterPath path;
    path.addText(0.0, 0.0, font, sText);
    return path.translated(centre - path.boundingRect().center());
}

QPainterPath regularPolygon(int nCorners, double dRadius)
{
    QPainterPath path;
    for (int i = 0; i < nCorners; ++i)
    {
        const QPointF corner = onCircle(dRadius, 2.0 * PI * i / nCorners);
        i == 0 ? path.moveTo(corner) : path.lineTo(corner);
    }
    path.closeSubpath();
    return path;
}

QPainterPath starPolygon(int nPoints, double dOuterRadius, double dInnerRadius)
{
    QPainterPath path;
    for (int i = 0; i < 2 * nPoints; ++i)
    {
        const QPointF corner = onCircle(i % 2 == 0 ? dOuterRadius : dInnerRadius, PI * i / nPoints);
        i == 0 ? path.moveTo(corner) : path.lineTo(corner);
    }
    path.closeSubpath();
    return path;
}

QPainterPath circlePath(const QPointF& centre, double dRadius)
{
    QPainterPath path;
    path.addEllipse(centre, dRadius, dRadius);
    return path;
}

QPainterPath ringPath(const QPointF& centre, double dOuterRadius, double dInnerRadius)
{
    return circlePath(centre, dOuterRadius).subtracted(circlePath(centre, dInnerRadius));
}
