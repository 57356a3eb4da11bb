#include "ImageCanvasBase.h"

#include "WidgetHelper.h"

#include <QImage>
#include <QPainter>

ImageCanvasBase::ImageCanvasBase(QWidget* pParent)
    : QWidget(pParent)
{
}

void ImageCanvasBase::setImage(QImage* pImage)
{
    m_pImage = pImage;
    if (m_pImage)
    {
        updateFittedRect();
        update();
    }
}

bool ImageCanvasBase::hasFittedImage() const
{
    return m_pImage && !m_fittedRect.isEmpty();
}

void ImageCanvasBase::paintEvent(QPaintEvent*)
{
    if (!hasFittedImage())
    {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(m_fittedRect, *m_pImage);
}

void ImageCanvasBase::resizeEvent(QResizeEvent*)
{
    if (m_pImage)
    {
        updateFittedRect();
        update();
    }
}

void ImageCanvasBase::updateFittedRect()
{
    m_fittedRect = WidgetHelper::getFittedRect(m_pImage->width(), m_pImage->height(), rect());
}
