#pragma once

#include <QIcon>
#include <QPoint>
#include <QPointF>
#include <QRect>

class QWidget;

// Geometry and layout helpers shared by the views, the dialogs and the pages.
// GUI thread only.
class WidgetHelper
{
public:
    // The largest rectangle of the image's aspect ratio centred in rect, with
    // inclusive corners. The offset counts from (0, 0), so rect is meant to be
    // a widget's own rectangle. An image or a rectangle without area gives an
    // empty rectangle (left 0, top 0, right -1, bottom -1).
    static QRect getFittedRect(int nImageWidth, int nImageHeight, const QRect& rect);

    // A widget point as normalised image coordinates of the fitted rectangle,
    // each clamped to [0, 1]; the rightmost column maps to (width - 1) / width.
    // An empty fitted rectangle maps every point to (0, 0).
    static QPointF mapToImage(const QPoint& point, const QRect& fittedRect);

    // Makes pChild the only content of pParent: the widgets of the parent's
    // old layout are hidden and released (not deleted; their owners keep
    // them), the layout is deleted, and pChild fills a margin-free grid.
    // Throws "pParent->children().empty()" when other children remain.
    static void setSingleChild(QWidget* pParent, QWidget* pChild);

    // The icon of a button from the icon bundle: "<name>_default.png" when off,
    // "<name>_checked.png" when checked.
    static QIcon twoStateIcon(const QString& sName);

private:
    WidgetHelper() = delete;
};
