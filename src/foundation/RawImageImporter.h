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
//
// Picture files are user input. A picture is decoded only when its size, as
// announced and as decoded, is within the decode limit (at most
// MAXIMUM_DECODED_PIXELS, and at most getMaximumImageBytes() for the decoded
// picture together with what its decoder keeps besides), a PNG only when its
// chunks all lie inside the file, and a JPEG only when it has at most
// MAXIMUM_JPEG_SCANS scans and MAXIMUM_JPEG_SAVED_SEGMENTS metadata segments
// that its decoder keeps. A decoded picture above
// MAXIMUM_WORKING_PIXELS is reduced to that many pixels (area interpolation,
// aspect ratio kept) with one WARNING line. So an import needs at most about
// 1.2 GiB at its peak, whatever the file.
class RawImageImporter
{
public:
    // Parameter key of the import: the picture file's path (QString).
    static inline const QString PATH = QStringLiteral("PATH");

    // The decode limit in pixels (12288 x 12288).
    static constexpr qint64 MAXIMUM_DECODED_PIXELS = qint64(12288) * 12288;
    // Pictures above this many pixels (8192 x 8192) are reduced to it; the
    // working resolutions lie far below.
    static constexpr qint64 MAXIMUM_WORKING_PIXELS = qint64(8192) * 8192;
    // The most scans of a JPEG decoded. The decoder passes over the whole
    // picture once per scan; encoders write ten for a progressive colour
    // picture and at most a few dozen with scripts of their own.
    static constexpr int MAXIMUM_JPEG_SCANS = 64;
    // The most metadata segments of the kinds its decoder keeps (EXIF's APP1,
    // ICC's APP2 and comments) in a JPEG decoded. The decoder walks the list
    // of those it kept to its end for each new one, so its time grows with
    // the square of their count: 4096 empty ones cost it 16 ms, 20 000 0.4 s
    // and 100 000 over half a minute. Encoders write a few; EXIF, XMP with
    // its extension and an ICC profile of up to 255 chunks stay far below a
    // thousand, and 4096 segments of the largest size would be a quarter
    // gigabyte of metadata.
    static constexpr int MAXIMUM_JPEG_SAVED_SEGMENTS = 4096;

    virtual ~RawImageImporter() = default;

    // A new raster the caller owns, or null with one ERROR line when the file
    // is missing, unreadable, empty, damaged or above the decode limit (the
    // line names the largest size accepted).
    // Throws "img.format() == QImage::Format_RGB32" for a marked file that is
    // not a plain RGB image.
    Raster2dBase* import(const QString& sFileName);

    // Why import() would refuse the file before decoding it (missing, damaged,
    // not a picture, above the decode limit, too many scans or metadata
    // segments), in one line; empty when it would go on to decode it. Reads
    // the file's headers only. Any thread.
    static QString getRefusalReason(const QString& sFileName);

    // The largest decoded image, in bytes, that import() accepts.
    static qint64 getMaximumImageBytes();
};
