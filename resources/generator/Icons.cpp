#include "Icons.h"

#include "IconDrawing.h"

#include <QPainter>

namespace
{

void arrowDown(QPainter& p, const IconInk& k) { drawArrowBlock(p, k, 90.0); }
void arrowLeft(QPainter& p, const IconInk& k) { drawArrowBlock(p, k, 180.0); }
void arrowRight(QPainter& p, const IconInk& k) { drawArrowBlock(p, k, 0.0); }
void arrowUp(QPainter& p, const IconInk& k) { drawArrowBlock(p, k, -90.0); }
void visible(QPainter& p, const IconInk& k) { drawEye(p, k, false); }
void invisible(QPainter& p, const IconInk& k) { drawEye(p, k, true); }
void paintBlack(QPainter& p, const IconInk& k) { drawPaintDrop(p, k, Qt::black); }
void paintWhite(QPainter& p, const IconInk& k) { drawPaintDrop(p, k, Qt::white); }
void zoomIn(QPainter& p, const IconInk& k) { drawZoom(p, k, true); }
void zoomOut(QPainter& p, const IconInk& k) { drawZoom(p, k, false); }

template <char AXIS, int STEP>
void rotate(QPainter& p, const IconInk& k)
{
    drawRotation(p, k, AXIS, STEP);
}

template <char AXIS, int STEP>
void translate(QPainter& p, const IconInk& k)
{
    drawTranslation(p, k, AXIS, STEP);
}

template <int STEP>
void scale(QPainter& p, const IconInk& k)
{
    drawScaling(p, k, STEP);
}

} // namespace

IconInk defaultInk()
{
    return {QColor(0x2b, 0x3d, 0x5b), QColor(0xff, 0xff, 0xff), QColor(0x2e, 0x7d, 0x32), QColor(0xc6, 0x28, 0x28)};
}

IconInk checkedInk()
{
    return {QColor(0x7a, 0x32, 0x10), QColor(0xff, 0xf8, 0xf2), QColor(0x1b, 0x5e, 0x20), QColor(0x8e, 0x1b, 0x1b)};
}

const std::vector<IconGlyph>& iconGlyphs()
{
    static const std::vector<IconGlyph> glyphs = {
        {"ABC", drawAbc},
        {"ArrowDown", arrowDown},
        {"ArrowLeft", arrowLeft},
        {"ArrowRight", arrowRight},
        {"ArrowUp", arrowUp},
        {"Bucket", drawBucket},
        {"Cancel", drawCancel},
        {"Confirm", drawConfirm},
        {"Help", drawHelp},
        {"Info", drawInfo},
        {"Invisible", invisible},
        {"Library", drawLibrary},
        {"LoadFile", drawOpenFolder},
        {"Mail", drawEnvelope},
        {"PaintBlack", paintBlack},
        {"PaintClear", drawEraser},
        {"PaintWhite", paintWhite},
        {"Pen", drawPencil},
        {"Recent", drawClock},
        {"RotateXMinus", rotate<'X', -1>},
        {"RotateXMinusMinus", rotate<'X', -2>},
        {"RotateXPlus", rotate<'X', 1>},
        {"RotateXPlusPlus", rotate<'X', 2>},
        {"RotateYMinus", rotate<'Y', -1>},
        {"RotateYMinusMinus", rotate<'Y', -2>},
        {"RotateYPlus", rotate<'Y', 1>},
        {"RotateYPlusPlus", rotate<'Y', 2>},
        {"RotateZMinus", rotate<'Z', -1>},
        {"RotateZMinusMinus", rotate<'Z', -2>},
        {"RotateZPlus", rotate<'Z', 1>},
        {"RotateZPlusPlus", rotate<'Z', 2>},
        {"SaveFile", drawDisk},
        {"ScaleMinus", scale<-1>},
        {"ScaleMinusMinus", scale<-2>},
        {"ScalePlus", scale<1>},
        {"ScalePlusPlus", scale<2>},
        {"TranslateXMinus", translate<'X', -1>},
        {"TranslateXMinusMinus", translate<'X', -2>},
        {"TranslateXPlus", translate<'X', 1>},
        {"TranslateXPlusPlus", translate<'X', 2>},
        {"TranslateYMinus", translate<'Y', -1>},
        {"TranslateYMinusMinus", translate<'Y', -2>},
        {"TranslateYPlus", translate<'Y', 1>},
        {"TranslateYPlusPlus", translate<'Y', 2>},
        {"TranslateZMinus", translate<'Z', -1>},
        {"TranslateZMinusMinus", translate<'Z', -2>},
        {"TranslateZPlus", translate<'Z', 1>},
        {"TranslateZPlusPlus", translate<'Z', 2>},
        {"Tutorial", drawPlayScreen},
        {"Visible", visible},
        {"WWW", drawGlobe},
        {"ZoomIn", zoomIn},
        {"ZoomOut", zoomOut},
    };
    return glyphs;
}

QImage renderIcon(const IconGlyph& glyph, const IconInk& ink)
{
    QImage image(static_cast<int>(ICON_WIDTH) * ICON_SCALE, static_cast<int>(ICON_HEIGHT) * ICON_SCALE,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(ICON_SCALE, ICON_SCALE);
    glyph.draw(painter, ink);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
