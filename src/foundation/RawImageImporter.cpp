#include "RawImageImporter.h"

#include "Identifiers.h"
#include "Logger.h"
#include "MemoryManager.h"
#include "Raster2d.h"
#include "SimpleException.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <mutex>

namespace
{
// Qt refuses to decode images above its own allocation limit (128 MiB by
// default), which turns ordinary photographs into silent failures. The pool
// limits our rasters anyway, so Qt may go as far as the pool does.
void raiseAllocationLimit()
{
    static std::once_flag s_once;
    std::call_once(s_once, [] {
        QImageReader::setAllocationLimit(int(MemoryManager::HARD_LIMIT / (1024 * 1024)));
    });
}

// A picture with alpha, laid over white as a viewer shows it; 0xFFRRGGBB.
QImage composeOverWhite(const QImage& image)
{
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage result(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y)
    {
        const QRgb* pIn = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QRgb* pOut = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
        {
            const int a = qAlpha(pIn[x]);
            const int nWhite = 255 * (255 - a);
            pOut[x] = qRgb((qRed(pIn[x]) * a + nWhite + 127) / 255, (qGreen(pIn[x]) * a + nWhite + 127) / 255,
                           (qBlue(pIn[x]) * a + nWhite + 127) / 255);
        }
    }
    return result;
}
} // namespace

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
    raiseAllocationLimit();

    QImageReader reader(sFileName);
    // The contents decide, not the name: a JPEG saved as .png still reads.
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * qint64(size.height()) * 4 > getMaximumImageBytes())
    {
        LOG_ERROR(QString("Image %1 is too large (%2 x %3)").arg(sFileName).arg(size.width()).arg(size.height()));
        return nullptr;
    }
    const QImage img = reader.read();
    if (img.isNull() || img.width() < 1 || img.height() < 1)
    {
        LOG_ERROR(QString("Unable to read image %1: %2").arg(sFileName, reader.errorString()));
        return nullptr;
    }

    if (img.text(QIMAGE_DEPTH) == QIMAGE_DEPTH_16BIT)
    {
        MOLDENA_ASSERT(img.format() == QImage::Format_RGB32);
        auto* pRaster = new Raster2d<float>(unsigned(img.width()), unsigned(img.height()));
        float* pData = pRaster->getData();
        for (int y = 0; y < img.height(); ++y)
        {
            const QRgb* pLine = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
            {
                *pData++ = float(qGreen(pLine[x]) * 256 + qRed(pLine[x]));
            }
        }
        return pRaster;
    }

    // Transparent backgrounds usually hold black colour values: without the
    // white underlay a logo's background would turn black and its shape be
    // lost. Opaque pictures are unchanged by it.
    const QImage rgb =
        img.hasAlphaChannel() ? composeOverWhite(img) : img.convertToFormat(QImage::Format_RGB32);
    auto* pRaster = new Raster2d<unsigned char>(unsigned(rgb.width()), unsigned(rgb.height()));
    unsigned char* pData = pRaster->getData();
    for (int y = 0; y < rgb.height(); ++y)
    {
        const QRgb* pLine = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
        {
            *pData++ = static_cast<unsigned char>((11 * qRed(pLine[x]) + 16 * qGreen(pLine[x]) + 5 * qBlue(pLine[x])) / 32);
        }
    }
    return pRaster;
}
