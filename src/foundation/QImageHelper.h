#pragma once

#include <QImage>
#include <QSize>

class Raster2dBase;

// Rasters to 32-bit RGB images (QImage::Format_RGB32, 0xFFRRGGBB): gray
// pictures for the views and thumbnails, and the writing half of the 16-bit
// depth PNG. Reentrant; meant for the GUI thread.
class QImageHelper
{
public:
    // Writes the raster's pixels into image, which the caller created in
    // Format_RGB32: at least the raster's size for 8-bit rasters (the rest of
    // the image is kept), exactly its size for 16-bit and float rasters.
    // - unsigned char: gray = element.
    // - unsigned short: gray = element scaled so the largest is 255; with
    //   b16BitLossless, red = low byte, green = high byte, blue = 0, and the
    //   image gets the text entry QIMAGE_DEPTH = QIMAGE_DEPTH_16BIT.
    // - float: gray = (v - lo) / (hi - lo) * 255 over the finite elements, lo
    //   their smallest and hi their largest but at least 0; non-finite
    //   elements are black.
    // False, image untouched, for a null raster or another element type (not
    // logged) and for a wrong image size or format (one ERROR line).
    static bool convertToQImage(const Raster2dBase* pRaster, QImage& image, bool b16BitLossless);

    // A new image of exactly that size (each side 1 to 1023), the aspect
    // ratio not kept. Throws "pRaster", the size checks and "bConvertOk".
    static QImage createThumbnail(const Raster2dBase* pRaster, const QSize& size);
};
