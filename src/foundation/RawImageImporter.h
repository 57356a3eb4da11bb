#pragma once

#include <QString>

class Raster2dBase;

// Takes a modifier's place in the name of the import's parameter object
// ("<image>/RAW_IMAGE_IMPORT/0").
inline const QString RAW_IMAGE_IMPORT = QStringLiteral("RAW_IMAGE_IMPORT");

// Reads an image file into a new raster. A depth PNG (text entry QIMAGE_DEPTH
// = QIMAGE_DEPTH_16BIT, value = green * 256 + red) becomes a Raster2d<float>;
// any other picture becomes an 8-bit gray Raster2d<unsigned char>, pictures
// with transparency first laid over white. Reentrant: runs on pool threads.
class RawImageImporter
{
public:
    // Parameter key of the import: the picture file's path (QString).
    static inline const QString PATH = QStringLiteral("PATH");

    virtual ~RawImageImporter() = default;

    // A new raster the caller owns, or null with one ERROR line when the file
    // is missing, unreadable, empty or too large for the raster memory pool.
    // Throws "img.format() == QImage::Format_RGB32" for a marked file that is
    // not a plain RGB image.
    Raster2dBase* import(const QString& sFileName);

    // The largest decoded image, in bytes, that import() accepts.
    static qint64 getMaximumImageBytes();
};
