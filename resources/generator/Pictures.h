#pragma once

// The single pictures of the bundles.

#include <QImage>

// The about dialog's title picture: the product name beside an embossed star.
QImage drawTitle();

// The scale bar the mesh preview lays beside the object: 20 x 3 mm, light
// on a transparent ground, millimetre ticks above alternating 5 mm blocks.
QImage drawScale();

// The comparison object of the mesh preview: an upright AA battery,
// 14.5 x 51 mm, light enough to see on the preview's black ground.
QImage drawBattery();

// The placeholder of a missing picture: a crossed-out picture frame.
QImage drawNoImage();
