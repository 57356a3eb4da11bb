#pragma once

// The pictures of the shape and decoration libraries: dark figures on a light
// ground, each drawn from one QPainterPath.

#include <QImage>
#include <QPainterPath>
#include <QString>

#include <vector>

struct LibraryFigure
{
    QString sName;              // the file name without ".png"
    // The figure in [-100, 100] x [-100, 100], y downwards. (Boolean path
    // operations flatten curves to about half a unit, so figures are built
    // this large.)
    QPainterPath (*figure)();
};

// The shape library: the seven basic figures.
const std::vector<LibraryFigure>& shapeFigures();

// The decoration library: the seven basic figures and four symbols.
const std::vector<LibraryFigure>& decorationFigures();

// A square 8-bit grey picture of the figure, black on white, antialiased.
QImage renderFigure(const QPainterPath& figure, int nSize);
