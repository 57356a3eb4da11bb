#include "RawImageImporter.h"

#include "Identifiers.h"
#include "Logger.h"
#include "MemoryManager.h"
#include "Raster2d.h"
#include "RawImageImporterFileHeader.h"
#include "SimpleException.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace
{
// Qt refuses to decode images above its own allocation limit (128 MiB by
// default), which turns ordinary photographs into silent failures. Qt may go
// as far as the decode limit, and no further: its limit is what stops a file
// whose decoded size was not announced.
void setAllocationLimit()
{
    static std::once_flag s_once;
    std::call_once(s_once, [] {
        QImageReader::setAllocationLimit(int(RawImageImporter::getMaximumImageBytes() / (1024 * 1024)));
    });
}

// The largest picture accepted, in pixels, when decoded into the given
// format by a decoder that keeps dDecoderBytesPerPixel besides.
qint64 largestAccepted(QImage::Format format, double dDecoderBytesPerPixel)
{
    // No format, or one outside the known ones, counts as 32 bits.
    const bool bKnown = format > QImage::Format_Invalid && format < QImage::NImageFormats;
    const int nBits = bKnown ? QImage::toPixelFormat(format).bitsPerPixel() : 32;
    const double dBytesPerPixel = std::max(1, (nBits + 7) / 8) + dDecoderBytesPerPixel;
    return std::min(RawImageImporter::MAXIMUM_DECODED_PIXELS,
                    qint64(double(RawImageImporter::getMaximumImageBytes()) / dBytesPerPixel));
}

// Why a picture of that size is above the decode limit; empty when it is not.
QString tooLarge(const QString& sFileName, const QSize& size, QImage::Format format, double dDecoderBytesPerPixel)
{
    const qint64 nLargest = largestAccepted(format, dDecoderBytesPerPixel);
    if (!size.isValid() || qint64(size.width()) * qint64(size.height()) <= nLargest)
    {
        return QString();
    }
    return QString("Image %1 is too large (%2 x %3); the largest size accepted is %4 pixels, such as %5 x %5")
        .arg(sFileName)
        .arg(size.width())
        .arg(size.height())
        .arg(nLargest)
        .arg(qint64(std::sqrt(double(nLargest))));
}

// Refuses a picture above the decode limit with one error line.
bool isAccepted(const QString& sFileName, const QSize& size, QImage::Format format, double dDecoderBytesPerPixel)
{
    const QString sRefusal = tooLarge(sFileName, size, format, dDecoderBytesPerPixel);
    if (!sRefusal.isEmpty())
    {
        LOG_ERROR(sRefusal);
    }
    return sRefusal.isEmpty();
}

// Why the file's headers already refuse it (chunks past its end, too many
// scans or metadata segments, an announced size above the decode limit);
// empty when they do not. The decoder's own header reading comes last: it
// is what takes long for a file that the others refuse.
QString refusalBeforeDecoding(const QString& sFileName, const QImageReader& reader,
                              const RawImageImporterFileHeader& header)
{
    if (!header.bChunksFit)
    {
        return QString("Image %1 is damaged: a chunk runs past the end of the file").arg(sFileName);
    }
    if (header.nScans > RawImageImporter::MAXIMUM_JPEG_SCANS)
    {
        return QString("Image %1 has more than %2 scans; encoders write a few dozen at most")
            .arg(sFileName)
            .arg(RawImageImporter::MAXIMUM_JPEG_SCANS);
    }
    if (header.nSavedSegments > RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS)
    {
        return QString("Image %1 has more than %2 metadata segments; encoders write a few hundred at most")
            .arg(sFileName)
            .arg(RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS);
    }
    // A decoder that could not read the header may leave the format it
    // announces unset (Qt's JPEG reader does): it is asked only when the
    // header gave a size.
    const QSize announced = reader.size();
    const QImage::Format format = announced.isValid() ? reader.imageFormat() : QImage::Format_Invalid;
    return tooLarge(sFileName, announced.expandedTo(header.size), format, header.dDecoderBytesPerPixel);
}

// The picture's size after reduction to the working limit, aspect ratio kept.
QSize workingSize(const QSize& size)
{
    const qint64 nPixels = qint64(size.width()) * size.height();
    if (nPixels <= RawImageImporter::MAXIMUM_WORKING_PIXELS)
    {
        return size;
    }
    const double dScale = std::sqrt(double(RawImageImporter::MAXIMUM_WORKING_PIXELS) / double(nPixels));
    int nWidth = std::max(1, int(size.width() * dScale));
    int nHeight = std::max(1, int(size.height() * dScale));
    while (qint64(nWidth) * nHeight > RawImageImporter::MAXIMUM_WORKING_PIXELS)
    {
        (nWidth >= nHeight ? nWidth : nHeight) -= 1;
    }
    return QSize(nWidth, nHeight);
}

// Writes the picture's gray values, (11 red + 16 green + 5 blue) / 32, row
// after row into pOut. Pictures with alpha are laid over white first, as a
// viewer shows them: transparent backgrounds usually hold black colour
// values, and without the underlay a logo's shape would be lost. Pictures of
// other formats are converted a band of rows at a time, never whole.
void writeGray(const QImage& image, unsigned char* pOut)
{
    const bool bAlpha = image.hasAlphaChannel();
    const QImage::Format target = bAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const int nBandRows = 64;
    for (int nTop = 0; nTop < image.height(); nTop += nBandRows)
    {
        const int nRows = std::min(nBandRows, image.height() - nTop);
        // A view of the band's rows, no copy.
        QImage band(image.constScanLine(nTop), image.width(), nRows, image.bytesPerLine(), image.format());
        if (image.colorCount() > 0)
        {
            band.setColorTable(image.colorTable());
        }
        if (band.format() != target)
        {
            band = band.convertToFormat(target);
        }
        for (int y = 0; y < nRows; ++y)
        {
            const QRgb* pLine = reinterpret_cast<const QRgb*>(band.constScanLine(y));
            for (int x = 0; x < band.width(); ++x)
            {
                int nRed = qRed(pLine[x]);
                int nGreen = qGreen(pLine[x]);
                int nBlue = qBlue(pLine[x]);
                if (bAlpha)
                {
                    const int a = qAlpha(pLine[x]);
                    const int nWhite = 255 * (255 - a);
                    nRed = (nRed * a + nWhite + 127) / 255;
                    nGreen = (nGreen * a + nWhite + 127) / 255;
                    nBlue = (nBlue * a + nWhite + 127) / 255;
                }
                *pOut++ = static_cast<unsigned char>((11 * nRed + 16 * nGreen + 5 * nBlue) / 32);
            }
        }
    }
}

// A depth PNG's values, green * 256 + red.
float depthValue(QRgb pixel)
{
    return float(qGreen(pixel) * 256 + qRed(pixel));
}

// Reduces the elements of source into the raster by area interpolation.
template <typename T>
Raster2d<T>* reduced(const cv::Mat& source, const QSize& size)
{
    auto* pRaster = new Raster2d<T>(unsigned(size.width()), unsigned(size.height()));
    cv::Mat target(size.height(), size.width(), cv::DataType<T>::type, pRaster->getData());
    cv::resize(source, target, target.size(), 0.0, 0.0, cv::INTER_AREA);
    return pRaster;
}

Raster2dBase* importDepth(QImage& img, const QSize& size)
{
    MOLDENA_ASSERT(img.format() == QImage::Format_RGB32);
    if (size == img.size())
    {
        auto* pRaster = new Raster2d<float>(unsigned(img.width()), unsigned(img.height()));
        float* pData = pRaster->getData();
        for (int y = 0; y < img.height(); ++y)
        {
            const QRgb* pLine = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
            {
                *pData++ = depthValue(pLine[x]);
            }
        }
        return pRaster;
    }
    // Each 32-bit pixel becomes its float value in place, so the reduction
    // needs no second picture of full size.
    for (int y = 0; y < img.height(); ++y)
    {
        QRgb* pLine = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
        {
            const float fValue = depthValue(pLine[x]);
            std::memcpy(&pLine[x], &fValue, sizeof(float));
        }
    }
    return reduced<float>(cv::Mat(img.height(), img.width(), CV_32F, img.bits(), size_t(img.bytesPerLine())), size);
}

Raster2dBase* importPicture(QImage& img, const QSize& size)
{
    if (size == img.size())
    {
        auto* pRaster = new Raster2d<unsigned char>(unsigned(img.width()), unsigned(img.height()));
        writeGray(img, pRaster->getData());
        return pRaster;
    }
    cv::Mat gray(img.height(), img.width(), CV_8U);
    writeGray(img, gray.data);
    // The decoded picture is no longer needed: free it before the reduction.
    img = QImage();
    return reduced<unsigned char>(gray, size);
}
} // namespace

QString RawImageImporter::getRefusalReason(const QString& sFileName)
{
    if (!QFileInfo::exists(sFileName))
    {
        return QString("File %1 does not exist").arg(sFileName);
    }
    setAllocationLimit();
    const RawImageImporterFileHeader header = RawImageImporterFileHeader::read(sFileName);
    QImageReader reader(sFileName);
    reader.setDecideFormatFromContent(true);
    // The header walk comes first: it keeps a damaged PNG away from the decoder.
    const QString sRefusal = refusalBeforeDecoding(sFileName, reader, header);
    if (!sRefusal.isEmpty() || reader.canRead())
    {
        return sRefusal;
    }
    return QString("Unable to read image %1: %2").arg(sFileName, reader.errorString());
}

qint64 RawImageImporter::getMaximumImageBytes()
{
    return qint64(MemoryManager::HARD_LIMIT);
}

Raster2dBase* RawImageImporter::import(const QString& sFileName)
{
    if (!QFileInfo::exists(sFileName))
    {
        LOG_ERROR(QString("File %1 does not exist").arg(sFileName));
        return nullptr;
    }
    setAllocationLimit();

    const RawImageImporterFileHeader header = RawImageImporterFileHeader::read(sFileName);
    QImageReader reader(sFileName);
    // The contents decide, not the name: a JPEG saved as .png still reads.
    reader.setDecideFormatFromContent(true);
    const QString sRefusal = refusalBeforeDecoding(sFileName, reader, header);
    if (!sRefusal.isEmpty())
    {
        LOG_ERROR(sRefusal);
        return nullptr;
    }
    QImage img = reader.read();
    if (img.isNull() || img.width() < 1 || img.height() < 1)
    {
        LOG_ERROR(QString("Unable to read image %1: %2").arg(sFileName, reader.errorString()));
        return nullptr;
    }
    // Some formats decode to more than they announce.
    if (!isAccepted(sFileName, img.size(), img.format(), 0.0))
    {
        return nullptr;
    }

    const QSize size = workingSize(img.size());
    if (size != img.size())
    {
        LOG_WARNING(QString("Image %1 (%2 x %3) is reduced to %4 x %5 for processing")
                        .arg(sFileName)
                        .arg(img.width())
                        .arg(img.height())
                        .arg(size.width())
                        .arg(size.height()));
    }
    if (img.text(QIMAGE_DEPTH) == QIMAGE_DEPTH_16BIT)
    {
        return importDepth(img, size);
    }
    return importPicture(img, size);
}
