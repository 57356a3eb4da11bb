#pragma once

// Drawing primitives and glyphs of the icons, in canvas units (Icons.h).

#include "Icons.h"

#include <QPen>
#include <QPointF>
#include <QPolygonF>

// The width of every outline.
constexpr double ICON_STROKE = 2.2;
// The middle of an icon's drawing area.
const QPointF CENTRE(ICON_WIDTH / 2.0, ICON_HEIGHT / 2.0);

QPen inkPen(const QColor& color, double dWidth = ICON_STROKE);

// Strokes a line and ends it in one or two arrowheads, one behind the other,
// each pointing along the line where it stands.
void drawArrowAlong(QPainter& painter, const QPolygonF& line, int nHeads, const QColor& color);

// Points on an ellipse around a centre from one angle to another (degrees,
// counter-clockwise on screen), both ends included.
QPolygonF ellipseArc(const QPointF& centre, double dRadiusX, double dRadiusY, double dFrom, double dTo);

// A bold letter or word centred on a point, its capitals dSize units high.
void drawLetters(QPainter& painter, const QString& sText, const QPointF& centre, double dSize, const QColor& color);

// Motion glyphs (IconMotions.cpp). An axis is 'X', 'Y' or 'Z'; a step is -2,
// -1, 1 or 2: its sign gives the direction, its size the number of arrowheads.
void drawArrowBlock(QPainter& painter, const IconInk& ink, double dAngle);
void drawRotation(QPainter& painter, const IconInk& ink, char cAxis, int nStep);
void drawTranslation(QPainter& painter, const IconInk& ink, char cAxis, int nStep);
void drawScaling(QPainter& painter, const IconInk& ink, int nStep);
void drawZoom(QPainter& painter, const IconInk& ink, bool bIn);

// Object glyphs (IconPictograms.cpp).
void drawAbc(QPainter& painter, const IconInk& ink);
void drawBucket(QPainter& painter, const IconInk& ink);
void drawCancel(QPainter& painter, const IconInk& ink);
void drawConfirm(QPainter& painter, const IconInk& ink);
void drawHelp(QPainter& painter, const IconInk& ink);
void drawInfo(QPainter& painter, const IconInk& ink);
void drawEye(QPainter& painter, const IconInk& ink, bool bStruckThrough);
void drawLibrary(QPainter& painter, const IconInk& ink);
void drawOpenFolder(QPainter& painter, const IconInk& ink);
void drawEnvelope(QPainter& painter, const IconInk& ink);
void drawPaintDrop(QPainter& painter, const IconInk& ink, const QColor& paint);
void drawEraser(QPainter& painter, const IconInk& ink);
void drawPencil(QPainter& painter, const IconInk& ink);
void drawClock(QPainter& painter, const IconInk& ink);
void drawDisk(QPainter& painter, const IconInk& ink);
void drawPlayScreen(QPainter& painter, const IconInk& ink);
void drawGlobe(QPainter& painter, const IconInk& ink);
