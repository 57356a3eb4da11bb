#include "ImageModifierPen.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <QDateTime>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

ImageModifierPen::ImageModifierPen(const QString& sName)
    : ImageModifierPaintBase(sName)
{
}

double ImageModifierPen::convertPenFactor(int nValue)
{
    return nValue / 1000.0;
}

int ImageModifierPen::calculatePenSize(unsigned int nWidth, unsigned int nHeight, double dFactor)
{
    const double dSize = std::sqrt(double(nWidth) * double(nHeight)) * dFactor;
    // Compare before converting: a huge factor must not overflow the int.
    if (dSize > 255.0)
    {
        return 255;
    }
    return int(dSize);
}

ImageModifierBase::ParameterMap ImageModifierPen::getDefaultParameters() const
{
    ParameterMap mapParameters;
    mapParameters[POINTS] = QVariant::fromValue(QList<QPointF>());
    mapParameters[SIZE] = QVariant(0.0);
    mapParameters[COLOR] = QVariant(BLACK);
    mapParameters[TIMESTAMP] = QVariant(qint64(QDateTime::currentMSecsSinceEpoch()));
    return mapParameters;
}

bool ImageModifierPen::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() == 2 && mapOutputRasters.size() == 2);

    const PaintRasterRoles inputs(mapInputRasters);
    const PaintRasterRoles outputs(mapOutputRasters);
    if (!checkPaintRasters(LOG_LOCATION, inputs, outputs, false))
    {
        return false;
    }

    quint64 nTimeStamp = 0;
    QString sColor;
    QList<QPointF> points;
    double dFactor = 0.0;
    if (!getValue(TIMESTAMP, nTimeStamp) || !getValue(COLOR, sColor) || !getValue(POINTS, points) ||
        !getValue(SIZE, dFactor))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }

    if (points.isEmpty() || !(dFactor > 0.0 && dFactor <= 1.0))
    {
        return false;
    }
    // The stroke is used up from here on, even when the sizes do not fit.
    if (!takeTimeStamp(nTimeStamp))
    {
        return false;
    }

    if (!allSameSize({inputs.pOverlay, inputs.pMask, outputs.pOverlay, outputs.pMask}))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    std::memcpy(outputs.pOverlay->getData(), inputs.pOverlay->getData(), inputs.pOverlay->getByteSize());
    std::memcpy(outputs.pMask->getData(), inputs.pMask->getData(), inputs.pMask->getByteSize());

    cv::Mat overlay = cvHeader(*outputs.pOverlay);
    cv::Mat mask = cvHeader(*outputs.pMask);

    const unsigned int nWidth = inputs.pOverlay->getWidth();
    const unsigned int nHeight = inputs.pOverlay->getHeight();
    std::vector<std::vector<cv::Point>> polyline(1);
    polyline[0].reserve(std::size_t(points.size()));
    for (int i = 0; i < points.size(); ++i)
    {
        MOLDENA_ASSERT(points[i].x() >= 0.0 && points[i].x() <= 1.0);
        MOLDENA_ASSERT(points[i].y() >= 0.0 && points[i].y() <= 1.0);
        // 1.0 maps one past the last column or row; the drawing clips it.
        polyline[0].emplace_back(int(points[i].x() * nWidth), int(points[i].y() * nHeight));
    }

    unsigned char nOverlayValue = 0;
    unsigned char nMaskValue = 0;
    paintValuesOfColor(sColor, WHITE, CLEAR, nOverlayValue, nMaskValue);
    // A thin pen on a small raster truncates to width 0, which OpenCV refuses
    // with an exception; draw such strokes one pixel wide.
    const int nThickness = std::max(1, calculatePenSize(nWidth, nHeight, dFactor));

    cv::polylines(overlay, polyline, false, cv::Scalar(nOverlayValue, 0, 0, 0), nThickness, cv::LINE_8, 0);
    cv::polylines(mask, polyline, false, cv::Scalar(nMaskValue, 0, 0, 0), nThickness, cv::LINE_8, 0);
    return true;
}
