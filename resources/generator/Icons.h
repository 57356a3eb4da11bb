#pragma once

// The button icons: one glyph per name, each drawn twice, for the normal
// ("_default") and the checked or pressed ("_checked") look of its button.

#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

class QPainter;

// The colours of one look.
struct IconInk
{
    QColor ink;      // outlines, arrows, letters
    QColor paper;    // the insides of drawn objects
    QColor confirm;  // the check mark
    QColor cancel;   // the cross
};

IconInk defaultInk();
IconInk checkedInk();

// Glyphs are drawn on a canvas of ICON_WIDTH x ICON_HEIGHT units, the size of
// a button's icon on screen; the files hold them at ICON_SCALE times that.
constexpr double ICON_WIDTH = 32.0;
constexpr double ICON_HEIGHT = 26.0;
constexpr int ICON_SCALE = 2;

struct IconGlyph
{
    QString sName;
    void (*draw)(QPainter&, const IconInk&);
};

// Every icon name with its glyph, in the order of the names.
const std::vector<IconGlyph>& iconGlyphs();

// A transparent picture of the glyph in one look.
QImage renderIcon(const IconGlyph& glyph, const IconInk& ink);
