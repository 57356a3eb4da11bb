#include "QImageHelper.h"

#include "Identifiers.h"
#include "Logger.h"
#include "Raster2d.h"
#include "SimpleException.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
inline QRgb gray(unsigned int g)
{
    return qRgb(int(g), int(g), int(g));
}

bool fits(const Raster2dBase* pRaster, const QImage& image, bool bExact)
{
    if (image.format() != QImage::Format_RGB32)
    {
        return false;
    }
    const unsigned int nWidth = unsigned(std::max(0, image.width()));
    const unsigned int nHeight = unsigned(std::max(0, image.height()));
    if (bExact)
    {
        return nWidth == pRaster->getWidth() && nHeight == pRaster->getHeight();
    }
    return nWidth >= pRaster->getWidth() && nHeight >= pRaster->getHeight();
}

bool refuse()
{
    LOG_ERROR(QStringLiteral("The dimensions of the input image do not fit."));
    return false;
}
} // namespace

bool QImageHelper::convertToQImage(const Raster2dBase* pRaster, QImage& image, bool b16BitLossless)
{
    if (const auto* pBytes = dynamic_cast<const Raster2d<unsigned char>*>(pRaster))
    {
        if (!fits(pRaster, image, false))
        {
            return refuse();
        }
        const unsigned int nWidth = pBytes->getWidth();
        for (unsigned int y = 0; y < pBytes->getHeight(); ++y)
        {
            QRgb* pLine = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
            const unsigned char* pRow = pBytes->getData() + std::size_t(y) * nWidth;
            for (unsigned int x = 0; x < nWidth; ++x)
            {
                pLine[x] = gray(pRow[x]);
            }
        }
        return true;
    }
    if (const auto* pShorts = dynamic_cast<const Raster2d<unsigned short>*>(pRaster))
    {
        if (!fits(pRaster, image, true))
        {
            return refuse();
        }
        const unsigned int nWidth = pShorts->getWidth();
        const unsigned short* pData = pShorts->getData();
        if (b16BitLossless)
        {
            for (unsigned int y = 0; y < pShorts->getHeight(); ++y)
            {
                QRgb* pLine = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
                for (unsigned int x = 0; x < nWidth; ++x)
                {
                    const unsigned short v = pData[std::size_t(y) * nWidth + x];
                    pLine[x] = qRgb(v & 0xFF, v >> 8, 0);
                }
            }
            image.setText(QIMAGE_DEPTH, QIMAGE_DEPTH_16BIT);
            return true;
        }
        unsigned short nMax = 0;
        for (unsigned int i = 0; i < pShorts->getSize(); ++i)
        {
            nMax = std::max(nMax, pData[i]);
        }
        for (unsigned int y = 0; y < pShorts->getHeight(); ++y)
        {
            QRgb* pLine = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
            for (unsigned int x = 0; x < nWidth; ++x)
            {
                const unsigned short v = pData[std::size_t(y) * nWidth + x];
                pLine[x] = gray(nMax == 0 ? 0u : unsigned(double(v) / double(nMax) * 255.0));
            }
        }
        return true;
    }
    if (const auto* pFloats = dynamic_cast<const Raster2d<float>*>(pRaster))
    {
        if (!fits(pRaster, image, true))
        {
            return refuse();
        }
        const float* pData = pFloats->getData();
        // Only finite values count: one infinity would otherwise squash the
        // whole picture to black.
        float lo = std::numeric_limits<float>::max();
        float hi = 0.0f;
        for (unsigned int i = 0; i < pFloats->getSize(); ++i)
        {
            const float v = pData[i];
            if (std::isfinite(v))
            {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        const double dRange = double(hi) - double(lo);
        const unsigned int nWidth = pFloats->getWidth();
        for (unsigned int y = 0; y < pFloats->getHeight(); ++y)
        {
            QRgb* pLine = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
            for (unsigned int x = 0; x < nWidth; ++x)
            {
                const float v = pData[std::size_t(y) * nWidth + x];
                unsigned int g = 0;
                if (std::isfinite(v) && dRange > 0.0)
                {
                    // Finite values lie in [lo, hi]; the clamp only guards rounding.
                    g = unsigned(std::clamp((double(v) - double(lo)) / dRange * 255.0, 0.0, 255.0));
                }
                pLine[x] = gray(g);
            }
        }
        return true;
    }
    return false;
}

QImage QImageHelper::createThumbnail(const Raster2dBase* pRaster, const QSize& size)
{
    MOLDENA_ASSERT(pRaster);
    MOLDENA_ASSERT(size.width() > 0 && size.width() < 1024);
    MOLDENA_ASSERT(size.height() > 0 && size.height() < 1024);
    QImage image(int(pRaster->getWidth()), int(pRaster->getHeight()), QImage::Format_RGB32);
    const bool bConvertOk = convertToQImage(pRaster, image, false);
    MOLDENA_ASSERT(bConvertOk);
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
