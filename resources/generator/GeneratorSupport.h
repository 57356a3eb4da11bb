#pragma once

// Helpers shared by the parts of the resource generator: saving, text as
// paths, regular figures and the two fonts the generator draws letters with.

#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QString>

// The circle's constant for the drawings.
constexpr double PI = 3.14159265358979323846;

// Writes a PNG, creating its folder first; false (with a line on stderr) when
// the file cannot be written.
bool savePng(const QImage& image, const QString& sPath);

// Registers the two font files the pictures use for their letters; false when
// either does not load. Needs the GUI application object.
bool loadGeneratorFonts(const QString& sRegularFile, const QString& sBoldFile);

// The family registered by loadGeneratorFonts at the given pixel size.
QFont generatorFont(bool bBold, double dPixelSize);

// The outline of a text, its bounding box centred on a point.
QPainterPath centredText(const QString& sText, const QFont& font, const QPointF& centre);

// A regular polygon of n corners on a circle of the given radius around the
// origin, its first corner straight up (y grows downwards).
QPainterPath regularPolygon(int nCorners, double dRadius);

// A star of n points alternating between two radii, first point straight up.
QPainterPath starPolygon(int nPoints, double dOuterRadius, double dInnerRadius);

// A circle around a centre.
QPainterPath circlePath(const QPointF& centre, double dRadius);

// A ring between two radii around a centre (filled with the winding rule).
QPainterPath ringPath(const QPointF& centre, double dOuterRadius, double dInnerRadius);
