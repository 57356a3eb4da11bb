#include "VoxelCanvas.h"

#include "ImageObject.h"
#include "NewestImageObject.h"
#include "QImageHelper.h"
#include "Raster2d.h"
#include "SimpleException.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace
{
// The 8-bit raster of the newest image of that name; null when there is none.
const Raster2d<unsigned char>* findRaster8(const QString& sName, const QStringList& slResolutionTags)
{
    const ImageObject* pImageObject = findNewestImageObject(sName, slResolutionTags);
    return pImageObject ? dynamic_cast<const Raster2d<unsigned char>*>(pImageObject->getRasterReadOnly()) : nullptr;
}

// Converts the raster into pImage, made anew unless it has the raster's size.
void convert(const Raster2d<unsigned char>* pRaster, std::unique_ptr<QImage>& pImage)
{
    const QSize size(int(pRaster->getWidth()), int(pRaster->getHeight()));
    if (!pImage || pImage->size() != size)
    {
        pImage = std::make_unique<QImage>(size, QImage::Format_RGB32);
    }
    const bool bConvertOk = QImageHelper::convertToQImage(pRaster, *pImage, false);
    MOLDENA_ASSERT(bConvertOk);
}

QPen linePen(const QColor& color, double dWidth)
{
    return QPen(color, dWidth, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
}
} // namespace

VoxelCanvas::VoxelCanvas()
    : QWidget(nullptr)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

VoxelCanvas::~VoxelCanvas() = default;

void VoxelCanvas::setDepthRenderName(const QString& sName)
{
    m_sNameDepthRender = sName;
    if (updateImages())
    {
        update();
    }
}

void VoxelCanvas::setSliceRenderHorizontalName(const QString& sName)
{
    m_sNameSliceRenderHorizontal = sName;
    if (updateImages())
    {
        update();
    }
}

void VoxelCanvas::setSliceRenderVerticalName(const QString& sName)
{
    m_sNameSliceRenderVertical = sName;
    if (updateImages())
    {
        update();
    }
}

void VoxelCanvas::setSlicePositionHorizontal(double dPosition)
{
    if (dPosition != m_dSlicePositionHorizontal)
    {
        m_dSlicePositionHorizontal = dPosition;
        update();
    }
}

void VoxelCanvas::setSlicePositionVertical(double dPosition)
{
    if (dPosition != m_dSlicePositionVertical)
    {
        m_dSlicePositionVertical = dPosition;
        update();
    }
}

void VoxelCanvas::clear()
{
    m_pComposite.reset();
    m_pImageSliceRenderHorizontal.reset();
    m_pImageSliceRenderVertical.reset();
    m_pImageDepthRender.reset();
}

QRectF VoxelCanvas::getDepthRenderArea() const
{
    return QRectF(QPointF(m_dDepthRenderLeft, m_dDepthRenderTop), QPointF(m_dDepthRenderRight, m_dDepthRenderBottom));
}

bool VoxelCanvas::updateImages()
{
    const Raster2d<unsigned char>* pRasterSliceRenderVertical = findRaster8(m_sNameSliceRenderVertical, {LOW_RES_HQ});
    const Raster2d<unsigned char>* pRasterSliceRenderHorizontal =
        findRaster8(m_sNameSliceRenderHorizontal, {LOW_RES_HQ});
    const Raster2d<unsigned char>* pRasterDepthRender = findRaster8(m_sNameDepthRender, {LOW_RES_HQ, LOW_RES_LQ});
    if (!pRasterSliceRenderVertical || !pRasterSliceRenderHorizontal || !pRasterDepthRender)
    {
        return false;
    }
    // Profiles of another render (one of the pipelines has not caught up
    // yet) cannot be laid out beside it: wait for the matching images.
    if (pRasterSliceRenderVertical->getWidth() != pRasterDepthRender->getHeight() ||
        pRasterSliceRenderHorizontal->getWidth() != pRasterDepthRender->getWidth())
    {
        return false;
    }

    if (!m_pComposite)
    {
        m_pComposite = std::make_unique<QImage>(COMPOSITE_SIZE, COMPOSITE_SIZE, QImage::Format_ARGB32);
    }
    convert(pRasterSliceRenderHorizontal, m_pImageSliceRenderHorizontal);
    convert(pRasterSliceRenderVertical, m_pImageSliceRenderVertical);
    convert(pRasterDepthRender, m_pImageDepthRender);

    m_pComposite->fill(0xFF000000);
    QPainter painter(m_pComposite.get());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const double dCompositeWidth = m_pComposite->width();
    const double dCompositeHeight = m_pComposite->height();
    const QImage& horizontal = *m_pImageSliceRenderHorizontal;
    const QImage& vertical = *m_pImageSliceRenderVertical;
    const QImage& depth = *m_pImageDepthRender;

    // One scale for all three, so a profile's columns line up with the
    // render's and its heights are as high as a pixel is wide: the render in
    // the top left corner, the horizontal profile directly below it and the
    // vertical one directly to its right, the whole as large as fits. (The
    // profiles' lengths equal the render's sides, checked above.)
    const double dScale = std::min(dCompositeWidth / (depth.width() + vertical.height()),
                                   dCompositeHeight / (depth.height() + horizontal.height()));
    const double dX = depth.width() * dScale;
    const double dY = depth.height() * dScale;

    // Level 0 (the chart's last row) along the render's lower edge, the
    // profile hanging below it.
    painter.save();
    painter.translate(0.0, dY + horizontal.height() * dScale);
    painter.scale(dScale, -dScale);
    painter.drawImage(0, 0, horizontal);
    painter.restore();

    // Columns run downward beside the render's rows; level 0 along the
    // render's right edge, the profile reaching out to the right.
    painter.save();
    painter.translate(dX + vertical.height() * dScale, 0.0);
    painter.rotate(90.0);
    painter.scale(dScale, dScale);
    painter.drawImage(0, 0, vertical);
    painter.restore();

    painter.drawImage(QRect(QPoint(0, 0), QPoint(int(dX) - 1, int(dY) - 1)), depth);
    painter.end();

    m_dDepthRenderLeft = 0.0;
    m_dDepthRenderRight = dX / dCompositeWidth;
    m_dDepthRenderTop = 0.0;
    m_dDepthRenderBottom = dY / dCompositeHeight;
    m_fittedRect = WidgetHelper::getFittedRect(m_pComposite->width(), m_pComposite->height(), rect());
    return true;
}

void VoxelCanvas::paintEvent(QPaintEvent*)
{
    if (!m_pComposite || m_fittedRect.isEmpty())
    {
        return;
    }
    const int nLeft = m_fittedRect.left();
    const int nTop = m_fittedRect.top();
    const int nWidth = m_fittedRect.width();
    const int nHeight = m_fittedRect.height();

    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(m_fittedRect, *m_pComposite);

    const int nRight = int(nWidth * m_dDepthRenderRight + nLeft);
    const int nBottom = int(nHeight * m_dDepthRenderBottom + nTop);
    const int nSliceHorizontal = int(m_dDepthRenderBottom * m_dSlicePositionHorizontal * nHeight + nTop);
    const int nSliceVertical = int(m_dDepthRenderRight * m_dSlicePositionVertical * nWidth + nLeft);
    const QColor green(0, 255, 0, 128);
    const QColor blue(0, 0, 255, 128);

    painter.setPen(linePen(green, 1.0));
    painter.drawLine(nLeft, nSliceHorizontal, nRight, nSliceHorizontal);
    painter.setPen(linePen(green, 3.0));
    painter.drawLine(nLeft, nBottom, nRight, nBottom);
    painter.setPen(linePen(blue, 1.0));
    painter.drawLine(nSliceVertical, nTop, nSliceVertical, nBottom);
    painter.setPen(linePen(blue, 3.0));
    painter.drawLine(nRight, nTop, nRight, nBottom);
}

void VoxelCanvas::resizeEvent(QResizeEvent*)
{
    if (m_pComposite)
    {
        m_fittedRect = WidgetHelper::getFittedRect(m_pComposite->width(), m_pComposite->height(), rect());
        update();
    }
}
