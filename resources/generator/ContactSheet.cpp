#include "ContactSheet.h"

#include "GeneratorSupport.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <functional>

namespace
{

constexpr int SHEET_WIDTH = 1400;
constexpr int MARGIN = 16;
constexpr int LABEL_HEIGHT = 22;
const QColor SHEET_GROUND(0xdd, 0xe3, 0xea);
const QColor LABEL_INK(0x2b, 0x3d, 0x5b);

// Lays cells out left to right, wrapping at the sheet's width, and draws them
// into a sheet that grows downwards as needed.
class SheetWriter
{
public:
    SheetWriter() : m_sheet(SHEET_WIDTH, 6000, QImage::Format_RGB32) { m_sheet.fill(SHEET_GROUND); }

    void heading(const QString& sText)
    {
        newRow();
        QPainter painter(&m_sheet);
        painter.setFont(generatorFont(true, 20.0));
        painter.setPen(LABEL_INK);
        painter.drawText(QRectF(MARGIN, m_nY, SHEET_WIDTH - 2 * MARGIN, 30.0), Qt::AlignLeft | Qt::AlignVCenter, sText);
        m_nY += 36;
    }

    // A cell of the given size whose content is painted by the function, in
    // cell coordinates, with its label underneath.
    void cell(int nWidth, int nHeight, const QString& sLabel, const std::function<void(QPainter&)>& paint)
    {
        if (m_nX + nWidth > SHEET_WIDTH - MARGIN)
        {
            newRow();
        }
        QPainter painter(&m_sheet);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.translate(m_nX, m_nY);
        paint(painter);
        painter.setFont(generatorFont(false, 13.0));
        painter.setPen(LABEL_INK);
        painter.drawText(QRectF(0.0, nHeight, nWidth, LABEL_HEIGHT), Qt::AlignHCenter | Qt::AlignTop, sLabel);
        m_nX += nWidth + MARGIN;
        m_nRowHeight = std::max(m_nRowHeight, nHeight + LABEL_HEIGHT);
    }

    QImage result()
    {
        newRow();
        return m_sheet.copy(0, 0, SHEET_WIDTH, m_nY);
    }

private:
    void newRow()
    {
        m_nY += m_nRowHeight + (m_nRowHeight > 0 ? MARGIN : 0);
        m_nX = MARGIN;
        m_nRowHeight = 0;
    }

    QImage m_sheet;
    int m_nX = MARGIN;
    int m_nY = MARGIN;
    int m_nRowHeight = 0;
};

// A push button as the style sheet draws it, normal or checked.
void drawButton(QPainter& painter, const QRectF& rect, bool bChecked)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    const char* stops[] = {"#ffffff", "#c0d7e7", "#b9d2e5", "#dfedf4"};
    const char* checkedStops[] = {"#fbf7f4", "#e7d2c2", "#e5ccb9", "#f4e6df"};
    const char** colours = bChecked ? checkedStops : stops;
    gradient.setColorAt(0.0, QColor(colours[0]));
    gradient.setColorAt(0.4, QColor(colours[1]));
    gradient.setColorAt(0.4001, QColor(colours[2]));
    gradient.setColorAt(1.0, QColor(colours[3]));
    painter.setPen(QPen(QColor(bChecked ? "#8a7759" : "#596c8a"), 1.0));
    painter.setBrush(gradient);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 4.0, 4.0);
}

// A button of the given scale (1: screen size) with the icon in its middle.
void drawIconButton(QPainter& painter, const QPointF& topLeft, int nScale, const QImage& icon, bool bChecked)
{
    const QRectF button(topLeft, QSizeF(42.0 * nScale, 36.0 * nScale));
    drawButton(painter, button, bChecked);
    const QSizeF iconSize(32.0 * nScale, 26.0 * nScale);
    painter.drawImage(QRectF(button.center() - QPointF(iconSize.width() / 2.0, iconSize.height() / 2.0), iconSize),
                      icon);
}

} // namespace

QImage pictureSheet(const NamedImages& figures, const NamedImages& profiles, const NamedImages& singles)
{
    SheetWriter sheet;
    sheet.heading("Shape and decoration libraries (128-pixel thumbnails)");
    for (const auto& figure : figures)
    {
        sheet.cell(128, 128, figure.first, [&](QPainter& painter) {
            painter.drawImage(QRectF(0.0, 0.0, 128.0, 128.0), figure.second);
        });
    }
    sheet.heading("Bevel profiles (actual size)");
    for (const auto& profile : profiles)
    {
        sheet.cell(profile.second.width(), profile.second.height(), profile.first,
                   [&](QPainter& painter) { painter.drawImage(QPointF(0.0, 0.0), profile.second); });
    }
    sheet.heading("Single pictures (overlays on the preview's black ground)");
    for (const auto& single : singles)
    {
        const QImage& image = single.second;
        const bool bOverlay = image.hasAlphaChannel();
        const int nPad = bOverlay ? 10 : 0;
        sheet.cell(image.width() + 2 * nPad, image.height() + 2 * nPad,
                   QString("%1 (%2 x %3)").arg(single.first).arg(image.width()).arg(image.height()),
                   [&](QPainter& painter) {
                       if (bOverlay)
                       {
                           painter.fillRect(QRectF(0.0, 0.0, image.width() + 2.0 * nPad, image.height() + 2.0 * nPad),
                                            Qt::black);
                       }
                       painter.drawImage(QPointF(nPad, nPad), image);
                   });
    }
    return sheet.result();
}

QImage iconSheet(const NamedImages& normalIcons, const NamedImages& checkedIcons)
{
    SheetWriter sheet;
    sheet.heading("Icons: normal and checked, at screen size and at file size");
    for (size_t i = 0; i < normalIcons.size() && i < checkedIcons.size(); ++i)
    {
        const QImage& normal = normalIcons[i].second;
        const QImage& checked = checkedIcons[i].second;
        sheet.cell(42 + 42 + 84 + 84 + 3 * 8, 72, normalIcons[i].first, [&](QPainter& painter) {
            drawIconButton(painter, QPointF(0.0, 18.0), 1, normal, false);
            drawIconButton(painter, QPointF(50.0, 18.0), 1, checked, true);
            drawIconButton(painter, QPointF(100.0, 0.0), 2, normal, false);
            drawIconButton(painter, QPointF(192.0, 0.0), 2, checked, true);
        });
    }
    return sheet.result();
}
