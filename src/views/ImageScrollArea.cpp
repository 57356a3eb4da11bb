#include "ImageScrollArea.h"

#include "ImageCanvasBase.h"
#include "ImageObject.h"
#include "NewestImageObject.h"
#include "ObjectNaming.h"
#include "QImageHelper.h"
#include "Raster2d.h"
#include "SimpleException.h"

#include <QImage>
#include <QScrollBar>

ImageScrollArea::ImageScrollArea(ImageCanvasBase* pImageCanvasBase, QWidget* pParent)
    : QScrollArea(pParent)
    , m_pImageCanvasBase(pImageCanvasBase)
{
    MOLDENA_ASSERT(pImageCanvasBase);
    setWidget(m_pImageCanvasBase);
}

// The canvas points into the pictures: it is a child and goes first.
ImageScrollArea::~ImageScrollArea()
{
    m_pImageCanvasBase->setImage(nullptr);
}

void ImageScrollArea::setImageName(const QString& sImageName)
{
    MOLDENA_ASSERT(!sImageName.isEmpty());
    m_sImageName = sImageName;
    updateImage();
}

void ImageScrollArea::setZoomed(int nZoomMode)
{
    if (nZoomMode == m_nZoomMode)
    {
        return;
    }
    m_nZoomMode = nZoomMode;
    updateImage();
}

void ImageScrollArea::clear()
{
    m_pImageCanvasBase->setImage(nullptr);
    m_pImageLowResolution.reset();
    m_pImageHighResolution.reset();
}

bool ImageScrollArea::loadImage(std::unique_ptr<QImage>& pImage, const QStringList& slResolutionTags)
{
    const ImageObject* pImageObject = findNewestImageObject(m_sImageName, slResolutionTags);
    if (!pImageObject)
    {
        return false;
    }
    const Raster2dBase* pRaster = pImageObject->getRasterReadOnly();
    if (!pRaster)
    {
        return false;
    }

    const QSize size(int(pRaster->getWidth()), int(pRaster->getHeight()));
    if (!pImage || pImage->size() != size)
    {
        pImage = std::make_unique<QImage>(size, QImage::Format_RGB32);
    }
    MOLDENA_ASSERT(pImage);
    const bool bConvertOk = QImageHelper::convertToQImage(pRaster, *pImage, false);
    MOLDENA_ASSERT(bConvertOk);
    return true;
}

QImage* ImageScrollArea::loadLowResolutionImage()
{
    return loadImage(m_pImageLowResolution, getLowResolutionTags()) ? m_pImageLowResolution.get() : nullptr;
}

QImage* ImageScrollArea::loadHighResolutionImage()
{
    return loadImage(m_pImageHighResolution, getHighResolutionTags()) ? m_pImageHighResolution.get() : nullptr;
}

void ImageScrollArea::updateImage()
{
    m_pImageCanvasBase->setImage(nullptr);
    if (m_nZoomMode == ZOOMED_IN)
    {
        QImage* pImage = loadHighResolutionImage();
        if (!pImage)
        {
            return;
        }
        setWidgetResizable(false);
        if (m_pImageCanvasBase->size() != pImage->size())
        {
            m_pImageCanvasBase->setGeometry(0, 0, pImage->width(), pImage->height());
            // Centre the view on the picture.
            for (QScrollBar* pScrollBar : {horizontalScrollBar(), verticalScrollBar()})
            {
                pScrollBar->setValue(
                    int((pScrollBar->pageStep() + pScrollBar->maximum()) * 0.5 - pScrollBar->pageStep() * 0.5));
            }
        }
        // The fitted rectangle is then the whole canvas: pixel for pixel.
        m_pImageCanvasBase->setImage(pImage);
    }
    else if (m_nZoomMode == ZOOMED_OUT)
    {
        QImage* pImage = loadLowResolutionImage();
        if (!pImage)
        {
            return;
        }
        // From here on the scroll area keeps the canvas at the viewport's size.
        setWidgetResizable(true);
        m_pImageCanvasBase->setGeometry(viewport()->rect());
        m_pImageCanvasBase->setImage(pImage);
    }
}
