#include "WizardPageImagePaintBase.h"

#include "ImageCanvasPenAndBucket.h"
#include "ImageModifier/ImageModifierBucket.h"
#include "ImageModifier/ImageModifierOverlayComposite.h"
#include "ImageModifier/ImageModifierOverlayDelete.h"
#include "ImageModifier/ImageModifierPen.h"
#include "ImagePageSupport.h"
#include "ImagePipeline/ImagePipelinePenAndBucket.h"
#include "ImageView.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "StateImplementationImagingSteps.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include "ui_WizardPageImagePaintBaseGui.h"

#include <QDateTime>

#include <algorithm>

WizardPageImagePaintBase::WizardPageImagePaintBase(StateImplementationImagingPaint* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageImagePaintBaseGui)
{
    m_pUi->setupUi(this);
    auto* pCanvas = new ImageCanvasPenAndBucket();
    m_pImageView = new ImageView(pCanvas, false);
    WidgetHelper::setSingleChild(m_pUi->m_pImageFrame, m_pImageView);

    using Page = WizardPageImagePaintBase;
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderPenSize, &QSlider::valueChanged, this, &Page::slotUpdatePenSize));
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderBucketThreshold, &QSlider::valueChanged, this,
                           &Page::slotUpdateBucketThreshold));
    MOLDENA_ASSERT(connect(m_pUi->m_pToolButtonColorBlack, &QToolButton::toggled, this, &Page::slotToggledColorBlack));
    MOLDENA_ASSERT(connect(m_pUi->m_pToolButtonColorWhite, &QToolButton::toggled, this, &Page::slotToggledColorWhite));
    MOLDENA_ASSERT(connect(m_pUi->m_pToolButtonColorClear, &QToolButton::toggled, this, &Page::slotToggledColorClear));
    MOLDENA_ASSERT(connect(m_pUi->m_pToolButtonToolPen, &QToolButton::toggled, this, &Page::slotToggledToolPen));
    MOLDENA_ASSERT(connect(m_pUi->m_pToolButtonToolBucket, &QToolButton::toggled, this, &Page::slotToggledToolBucket));
    MOLDENA_ASSERT(connect(m_pUi->m_pToolButtonPaintVisibilityOn, &QToolButton::toggled, this,
                           &Page::slotToggledPaintVisiblityOn));
    MOLDENA_ASSERT(connect(m_pUi->m_pToolButtonPaintVisibilityOff, &QToolButton::toggled, this,
                           &Page::slotToggledPaintVisiblityOff));
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonDelete, &QPushButton::clicked, this, &Page::slotDeleteOverlay));
    MOLDENA_ASSERT(connect(pCanvas, &ImageCanvasPenAndBucket::signalBucketFill, this, &Page::slotBucketFill));
    MOLDENA_ASSERT(connect(pCanvas, &ImageCanvasPenAndBucket::signalPenStroke, this, &Page::slotPenStroke));
    MOLDENA_ASSERT(connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, this, &Page::slotChildAdded,
                           Qt::DirectConnection));
    m_pUi->m_pLabelOneGreyValue->hide();
}

WizardPageImagePaintBase::~WizardPageImagePaintBase()
{
    delete m_pUi;
}

StateImplementationImagingPaint* WizardPageImagePaintBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingPaint>();
}

ImageCanvasPenAndBucket* WizardPageImagePaintBase::getCanvas() const
{
    auto* pImageCanvasPenAndBucket = dynamic_cast<ImageCanvasPenAndBucket*>(m_pImageView->getImageCanvas());
    MOLDENA_ASSERT(pImageCanvasPenAndBucket);
    return pImageCanvasPenAndBucket;
}

void WizardPageImagePaintBase::initialize()
{
    m_pUi->m_pToolButtonColorBlack->setChecked(true);
    m_pUi->m_pToolButtonToolPen->setChecked(true);
    m_pUi->m_pToolButtonPaintVisibilityOn->setChecked(true);
    for (QSlider* pSlider : {m_pUi->m_pSliderPenSize, m_pUi->m_pSliderBucketThreshold})
    {
        pSlider->setValue(int((pSlider->maximum() - pSlider->minimum()) * 0.5));
    }
}

void WizardPageImagePaintBase::enter()
{
    MainWidgetWorkflow::enter();
    updateOneGreyValueNotice();
}

void WizardPageImagePaintBase::updateOneGreyValueNotice()
{
    m_pUi->m_pLabelOneGreyValue->setVisible(getStateImplementation()->isPaintedImageOneGreyValue());
}

void WizardPageImagePaintBase::clearViews()
{
    m_pImageView->clear();
}

void WizardPageImagePaintBase::slotChildAdded(const QString& sName)
{
    // The paint layers beside the result carry its name too; the view shows
    // the painted result only.
    if (ImagePage::isStepImage(*getStateImplementation(), sName, IMAGE_PEN_AND_BUCKET) && !isPaintLayerName(sName))
    {
        m_pImageView->setImageName(sName);
        updateOneGreyValueNotice();
    }
}

void WizardPageImagePaintBase::slotUpdatePenSize(int nValue)
{
    getCanvas()->setPenSize(nValue);
    m_pUi->m_pLineEditPenSize->setText(QString::number(nValue));
}

void WizardPageImagePaintBase::slotUpdateBucketThreshold(int nValue)
{
    // The slider itself is read at each fill.
    m_pUi->m_pLineEditBucketThreshold->setText(QString::number(nValue));
}

void WizardPageImagePaintBase::slotToggledColorBlack(bool bChecked)
{
    if (bChecked)
    {
        getCanvas()->setColor(ImageCanvasPenAndBucket::COLOR_BLACK);
    }
}

void WizardPageImagePaintBase::slotToggledColorWhite(bool bChecked)
{
    if (bChecked)
    {
        getCanvas()->setColor(ImageCanvasPenAndBucket::COLOR_WHITE);
    }
}

void WizardPageImagePaintBase::slotToggledColorClear(bool bChecked)
{
    if (bChecked)
    {
        getCanvas()->setColor(ImageCanvasPenAndBucket::COLOR_CLEAR);
    }
}

void WizardPageImagePaintBase::setTool(int nTool)
{
    getCanvas()->setTool(nTool);
    m_pUi->m_pSliderPenSize->setEnabled(nTool == ImageCanvasPenAndBucket::TOOL_PEN);
    m_pUi->m_pSliderBucketThreshold->setEnabled(nTool == ImageCanvasPenAndBucket::TOOL_BUCKET);
}

void WizardPageImagePaintBase::slotToggledToolPen(bool bChecked)
{
    if (bChecked)
    {
        setTool(ImageCanvasPenAndBucket::TOOL_PEN);
    }
}

void WizardPageImagePaintBase::slotToggledToolBucket(bool bChecked)
{
    if (bChecked)
    {
        setTool(ImageCanvasPenAndBucket::TOOL_BUCKET);
    }
}

void WizardPageImagePaintBase::setPaintVisible(bool bVisible)
{
    getCanvas()->setOverlayMode(bVisible ? ImageCanvasPenAndBucket::OVERLAY_SHOWN
                                         : ImageCanvasPenAndBucket::OVERLAY_HIDDEN);
    ImagePage::writeParameters(*getStateImplementation(), MODIFIER_OVERLAY_COMPOSITE,
                               QStringLiteral("pParameterOverlayComposite"),
                               {{ImageModifierOverlayComposite::ENABLED, bVisible}});
    for (QWidget* pGroup : {m_pUi->m_pGroupBoxTool, m_pUi->m_pGroupBoxColor, m_pUi->m_pGroupBoxSettings})
    {
        pGroup->setEnabled(bVisible);
    }
}

void WizardPageImagePaintBase::slotToggledPaintVisiblityOn(bool bChecked)
{
    if (bChecked)
    {
        setPaintVisible(true);
    }
}

void WizardPageImagePaintBase::slotToggledPaintVisiblityOff(bool bChecked)
{
    if (bChecked)
    {
        setPaintVisible(false);
    }
}

qint64 WizardPageImagePaintBase::nextTimeStamp()
{
    // Two actions within one millisecond still differ, so each one runs.
    m_nLastTimeStamp = std::max(QDateTime::currentMSecsSinceEpoch(), m_nLastTimeStamp + 1);
    return m_nLastTimeStamp;
}

QString WizardPageImagePaintBase::colorName() const
{
    switch (getCanvas()->getColor())
    {
    case ImageCanvasPenAndBucket::COLOR_WHITE:
        return ImageModifierPen::WHITE;
    case ImageCanvasPenAndBucket::COLOR_CLEAR:
        return ImageModifierPen::CLEAR;
    default:
        return ImageModifierPen::BLACK;
    }
}

void WizardPageImagePaintBase::slotPenStroke(QList<QPointF> listPoints)
{
    ImagePage::writeParameters(*getStateImplementation(), MODIFIER_PEN, QStringLiteral("pParameterPen"),
                               {{ImageModifierPen::POINTS, QVariant::fromValue(listPoints)},
                                {ImageModifierPen::COLOR, colorName()},
                                {ImageModifierPen::SIZE, ImageModifierPen::convertPenFactor(getCanvas()->getPenSize())},
                                {ImageModifierPen::TIMESTAMP, nextTimeStamp()}});
}

void WizardPageImagePaintBase::slotBucketFill(QPointF point)
{
    const QSlider* pSlider = m_pUi->m_pSliderBucketThreshold;
    ImagePage::writeParameters(
        *getStateImplementation(), MODIFIER_BUCKET, QStringLiteral("pParameterBucket"),
        {{ImageModifierBucket::POINT, point},
         {ImageModifierBucket::THRESHOLD, double(pSlider->value()) / (pSlider->maximum() - pSlider->minimum())},
         {ImageModifierBucket::COLOR, colorName()},
         {ImageModifierBucket::TIMESTAMP, nextTimeStamp()}});
}

void WizardPageImagePaintBase::slotDeleteOverlay()
{
    ImagePage::writeParameters(*getStateImplementation(), MODIFIER_OVERLAY_DELETE,
                               QStringLiteral("pParameterOverlayDelete"),
                               {{ImageModifierOverlayDelete::ENABLED, true},
                                {ImageModifierOverlayDelete::TIMESTAMP, nextTimeStamp()}});
}
