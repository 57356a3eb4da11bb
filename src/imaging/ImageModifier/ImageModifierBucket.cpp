#include "ImageModifierBucket.h"

#include "CvRaster.h"
#include "SimpleException.h"

#include <QDateTime>

#include <opencv2/imgproc.hpp>

#include <cstring>

namespace
{
// Marks the filled region in the output canvas; canvas pixels of this value
// are moved to the next gray level beforehand so the mark is unambiguous.
const unsigned char FILL_MARK = 23;
} // namespace

ImageModifierBucket::ImageModifierBucket(const QString& sName)
    : ImageModifierPaintBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierBucket::getDefaultParameters() const
{
    ParameterMap mapParameters;
    mapParameters[POINT] = QVariant(QPointF(0.0, 0.0));
    mapParameters[THRESHOLD] = QVariant(0.5);
    mapParameters[COLOR] = QVariant(BLACK);
    mapParameters[TIMESTAMP] = QVariant(qint64(QDateTime::currentMSecsSinceEpoch()));
    return mapParameters;
}

bool ImageModifierBucket::process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters)
{
    MOLDENA_ASSERT(mapInputRasters.size() == 3 && mapOutputRasters.size() == 3);

    const PaintRasterRoles inputs(mapInputRasters);
    const PaintRasterRoles outputs(mapOutputRasters);
    if (!checkPaintRasters(LOG_LOCATION, inputs, outputs, true))
    {
        return false;
    }

    quint64 nTimeStamp = 0;
    QString sColor;
    QPointF point;
    if (!getValue(TIMESTAMP, nTimeStamp) || !getValue(COLOR, sColor) || !getValue(POINT, point))
    {
        return fail(LOG_LOCATION, MESSAGE_PARAMETERS_NOT_SET);
    }
    double dThreshold = 0.0;
    if (!getValue(THRESHOLD, dThreshold))
    {
        dThreshold = 0.0;
    }

    if (point.x() == 0.0 && point.y() == 0.0)
    {
        return false;
    }
    // The fill is used up from here on, even when the sizes do not fit.
    if (!takeTimeStamp(nTimeStamp))
    {
        return false;
    }

    if (!allSameSize({inputs.pCanvas, inputs.pOverlay, inputs.pMask, outputs.pCanvas, outputs.pOverlay,
                      outputs.pMask}))
    {
        return fail(LOG_LOCATION, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    MOLDENA_ASSERT(point.x() >= 0.0 && point.x() <= 1.0);
    MOLDENA_ASSERT(point.y() >= 0.0 && point.y() <= 1.0);
    const unsigned int nWidth = inputs.pCanvas->getWidth();
    const unsigned int nHeight = inputs.pCanvas->getHeight();
    // 1.0 maps onto the last column or row.
    const cv::Point seed(int(point.x() * (nWidth - 1)), int(point.y() * (nHeight - 1)));

    unsigned char nOverlayValue = 0;
    unsigned char nMaskValue = 0;
    paintValuesOfColor(sColor, WHITE, CLEAR, nOverlayValue, nMaskValue);
    if (inputs.pCanvas->at(unsigned(seed.x), unsigned(seed.y)) == nOverlayValue && nMaskValue == 255)
    {
        // The seed already shows this paint: nothing to fill.
        return false;
    }

    std::memcpy(outputs.pOverlay->getData(), inputs.pOverlay->getData(), inputs.pOverlay->getByteSize());
    std::memcpy(outputs.pMask->getData(), inputs.pMask->getData(), inputs.pMask->getByteSize());
    std::memcpy(outputs.pCanvas->getData(), inputs.pCanvas->getData(), inputs.pCanvas->getByteSize());

    cv::Mat canvas = cvHeader(*outputs.pCanvas);
    cv::Mat overlay = cvHeader(*outputs.pOverlay);
    cv::Mat mask = cvHeader(*outputs.pMask);

    canvas.setTo(cv::Scalar(FILL_MARK + 1), canvas == FILL_MARK);

    const double dTolerance = dThreshold * 50.0;
    cv::floodFill(canvas, seed, cv::Scalar(FILL_MARK, 0, 0, 0), nullptr, cv::Scalar(dTolerance, 0, 0, 0),
                  cv::Scalar(dTolerance, 0, 0, 0), cv::FLOODFILL_FIXED_RANGE);

    const cv::Mat filled = (canvas == FILL_MARK);
    canvas.setTo(cv::Scalar(nOverlayValue), filled);
    overlay.setTo(cv::Scalar(nOverlayValue), filled);
    mask.setTo(cv::Scalar(nMaskValue), filled);
    return true;
}
