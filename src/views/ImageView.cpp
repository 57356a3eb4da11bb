#include "ImageView.h"

#include "ImageCanvasBase.h"
#include "ImageScrollArea.h"
#include "SimpleException.h"
#include "WidgetHelper.h"

#include "ui_ImageViewGui.h"

ImageView::ImageView(ImageCanvasBase* pImageCanvasBase, bool bFixedZoomIn)
    : QWidget(nullptr)
    , m_pUi(new Ui::ImageViewGui)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pUi->setupUi(this);

    m_pImageScrollArea = new ImageScrollArea(pImageCanvasBase, nullptr);
    m_pImageScrollArea->getImageCanvas()->setObjectName("ImageCanvas");
    m_pImageScrollArea->setObjectName("ImageScrollArea");
    WidgetHelper::setSingleChild(m_pUi->m_pImageFrame, m_pImageScrollArea);

    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pToolButtonZoomIn, SIGNAL(toggled(bool)), this,
                                    SLOT(slotToggledZoomIn(bool))));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pToolButtonZoomOut, SIGNAL(toggled(bool)), this,
                                    SLOT(slotToggledZoomOut(bool))));

    if (bFixedZoomIn)
    {
        m_pUi->m_pToolButtonZoomIn->setChecked(true);
        m_pUi->m_pToolButtonZoomIn->hide();
        m_pUi->m_pToolButtonZoomOut->hide();
    }
    else
    {
        m_pUi->m_pToolButtonZoomOut->setChecked(true);
    }
}

ImageView::~ImageView()
{
    delete m_pUi;
}

void ImageView::clear()
{
    m_pImageScrollArea->clear();
}

ImageCanvasBase* ImageView::getImageCanvas() const
{
    return m_pImageScrollArea->getImageCanvas();
}

void ImageView::setImageName(const QString& sImageName)
{
    m_pImageScrollArea->setImageName(sImageName);
}

void ImageView::slotToggledZoomIn(bool bChecked)
{
    if (bChecked)
    {
        m_pImageScrollArea->setZoomed(ImageScrollArea::ZOOMED_IN);
    }
    m_pUi->m_pToolButtonZoomOut->setChecked(!bChecked);
}

void ImageView::slotToggledZoomOut(bool bChecked)
{
    if (bChecked)
    {
        m_pImageScrollArea->setZoomed(ImageScrollArea::ZOOMED_OUT);
    }
    m_pUi->m_pToolButtonZoomIn->setChecked(!bChecked);
}
