#pragma once

// Raster roles and words with a single owner. Every identifier's text is its
// own name; code compares them by text, never by address.

#include <QString>

// Keys in raster maps handed to modifiers (a key containing one of these names
// that role), and the text entry that marks a 16-bit depth PNG.
inline const QString DECORATION = QStringLiteral("DECORATION");
inline const QString OVERLAY = QStringLiteral("OVERLAY");
inline const QString MASK = QStringLiteral("MASK");
inline const QString GRADIENT_X = QStringLiteral("GRADIENT_X");
inline const QString GRADIENT_Y = QStringLiteral("GRADIENT_Y");
inline const QString QIMAGE_DEPTH = QStringLiteral("QIMAGE_DEPTH");
inline const QString QIMAGE_DEPTH_16BIT = QStringLiteral("QIMAGE_DEPTH_16BIT");

// Name of the root of the object tree and of the workflow's root state.
inline const QString ROOT = QStringLiteral("ROOT");

// Marker carried by the name of a cloned object.
inline const QString CLONE = QStringLiteral("CLONE");

// Object-name prefix of image synchronizers.
inline const QString IMAGE_OBJECT_SYNCHRONIZER = QStringLiteral("IMAGE_OBJECT_SYNCHRONIZER");
