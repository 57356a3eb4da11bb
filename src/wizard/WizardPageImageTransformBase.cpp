#include "WizardPageImageTransformBase.h"

#include "ImageCanvasBase.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImagePageSupport.h"
#include "ImageView.h"
#include "ObjectRoot.h"
#include "RefusalMessage.h"
#include "SimpleException.h"
#include "StateImplementationImagingSteps.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include "ui_WizardPageImageTransformBaseGui.h"

#include <QSignalBlocker>

namespace
{
const QString ASSERTION_TRANSFORM = QStringLiteral("pParameterTransform");
}

WizardPageImageTransformBase::WizardPageImageTransformBase(StateImplementationImagingTransformImage* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageImageTransformBaseGui)
{
    m_pUi->setupUi(this);
    m_pImageView = new ImageView(new ImageCanvasBase(), false);
    WidgetHelper::setSingleChild(m_pUi->m_pImageFrame, m_pImageView);

    MOLDENA_ASSERT(connect(m_pUi->m_pSliderRotate, &QSlider::valueChanged, this,
                           &WizardPageImageTransformBase::slotUpdateRotate));
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderScaleX, &QSlider::valueChanged, this,
                           &WizardPageImageTransformBase::slotUpdateScaleX));
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderScaleY, &QSlider::valueChanged, this,
                           &WizardPageImageTransformBase::slotUpdateScaleY));
    MOLDENA_ASSERT(connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, this,
                           &WizardPageImageTransformBase::slotChildAdded, Qt::DirectConnection));
    // Queued: the message waits in its own loop, never inside a pipeline's end.
    MOLDENA_ASSERT(connect(pStateImplementation, &StateImplementationImaging::signalProcessingRefused, this,
                           &WizardPageImageTransformBase::slotProcessingRefused, Qt::QueuedConnection));
}

WizardPageImageTransformBase::~WizardPageImageTransformBase()
{
    delete m_pUi;
}

StateImplementationImagingTransformImage* WizardPageImageTransformBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingTransformImage>();
}

void WizardPageImageTransformBase::enter()
{
    MainWidget::enter();
    m_bRefusalShown = false;
    updateWidgetsFromParameters();
}

void WizardPageImageTransformBase::clearViews()
{
    m_pImageView->clear();
}

void WizardPageImageTransformBase::slotChildAdded(const QString& sName)
{
    if (!ImagePage::isStepImage(*getStateImplementation(), sName, IMAGE_TRANSFORMED))
    {
        return;
    }
    // While a run is refused, what reaches the view is what an earlier
    // picture gave: it must not look like this one turned.
    if (getStateImplementation()->canMoveOn())
    {
        m_pImageView->setImageName(sName);
    }
    else
    {
        m_pImageView->clear();
    }
}

void WizardPageImageTransformBase::slotProcessingRefused(const QString& sReason)
{
    m_pImageView->clear();
    // Both working sizes refuse such a picture, and so does every run a
    // slider starts; the picture changes only on another page.
    if (m_bRefusalShown)
    {
        return;
    }
    m_bRefusalShown = true;
    RefusalMessage::show(this, tr("Transform Error"), tr("Could not rotate and scale the image"), sReason);
}

void WizardPageImageTransformBase::slotUpdateRotate(int)
{
    updateParametersFromWidgets();
}

void WizardPageImageTransformBase::slotUpdateScaleX(int)
{
    updateParametersFromWidgets();
}

void WizardPageImageTransformBase::slotUpdateScaleY(int)
{
    updateParametersFromWidgets();
}

void WizardPageImageTransformBase::showValues(int nAngle, double dScaleX, double dScaleY)
{
    m_pUi->m_pLineEditRotate->setText(QString::number(nAngle));
    m_pUi->m_pLineEditScaleX->setText(QString::number(dScaleX, 'g', 6));
    m_pUi->m_pLineEditScaleY->setText(QString::number(dScaleY, 'g', 6));
}

void WizardPageImageTransformBase::updateWidgetsFromParameters()
{
    QSlider* pRotate = m_pUi->m_pSliderRotate;
    QSlider* pScaleX = m_pUi->m_pSliderScaleX;
    QSlider* pScaleY = m_pUi->m_pSliderScaleY;
    for (const auto& map :
         ImagePage::readParameters(*getStateImplementation(), MODIFIER_GEOMETRIC_TRANSFORMATION, ASSERTION_TRANSFORM))
    {
        const int nAngle = ImagePage::value(map, ImageModifierGeometricTransformation::ANGLE).toInt();
        const double dScaleX = ImagePage::value(map, ImageModifierGeometricTransformation::SCALE_X).toDouble();
        const double dScaleY = ImagePage::value(map, ImageModifierGeometricTransformation::SCALE_Y).toDouble();
        const QSignalBlocker blockRotate(pRotate);
        const QSignalBlocker blockScaleX(pScaleX);
        const QSignalBlocker blockScaleY(pScaleY);
        pRotate->setValue(sliderPosition(nAngle, pRotate->minimum(), pRotate->maximum()));
        pScaleX->setValue(SCALE_MAPPING.toPosition(dScaleX, pScaleX->minimum(), pScaleX->maximum()));
        pScaleY->setValue(SCALE_MAPPING.toPosition(dScaleY, pScaleY->minimum(), pScaleY->maximum()));
        // The boxes show the stored values, which may lie between positions.
        showValues(nAngle, dScaleX, dScaleY);
    }
}

void WizardPageImageTransformBase::updateParametersFromWidgets()
{
    const QSlider* pScaleX = m_pUi->m_pSliderScaleX;
    const QSlider* pScaleY = m_pUi->m_pSliderScaleY;
    const int nAngle = m_pUi->m_pSliderRotate->value();
    const double dScaleX = SCALE_MAPPING.toFactor(pScaleX->value(), pScaleX->minimum(), pScaleX->maximum());
    const double dScaleY = SCALE_MAPPING.toFactor(pScaleY->value(), pScaleY->minimum(), pScaleY->maximum());
    showValues(nAngle, dScaleX, dScaleY);
    ImagePage::writeParameters(*getStateImplementation(), MODIFIER_GEOMETRIC_TRANSFORMATION, ASSERTION_TRANSFORM,
                               {{ImageModifierGeometricTransformation::ANGLE, nAngle},
                                {ImageModifierGeometricTransformation::SCALE_X, dScaleX},
                                {ImageModifierGeometricTransformation::SCALE_Y, dScaleY}});
}
