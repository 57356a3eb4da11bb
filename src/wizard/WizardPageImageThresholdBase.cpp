#include "WizardPageImageThresholdBase.h"

#include "ImageCanvasBase.h"
#include "ImageModifier/ImageModifierBlur.h"
#include "ImageModifier/ImageModifierDilate.h"
#include "ImageModifier/ImageModifierErode.h"
#include "ImageModifier/ImageModifierFlip.h"
#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierMedian.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "ImagePageSupport.h"
#include "ImageView.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "SliderMapping.h"
#include "StateImplementationImagingSteps.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include "ui_WizardPageImageThresholdBaseGui.h"

#include <QSignalBlocker>

#include <initializer_list>
#include <memory>
#include <vector>

namespace
{
const QString ASSERTION_BLUR = QStringLiteral("pParameterBlur");
const QString ASSERTION_MEDIAN = QStringLiteral("pParameterMedian");
const QString ASSERTION_FLIP = QStringLiteral("pParameterFlip");
const QString ASSERTION_ERODE = QStringLiteral("pParameterErode");
const QString ASSERTION_DILATE = QStringLiteral("pParameterDilate");
const QString ASSERTION_INVERT = QStringLiteral("pParameterInvert");
const QString ASSERTION_THRESHOLD = QStringLiteral("pParameterThreshold");

void placeSlider(QSlider* pSlider, const QVariant& value)
{
    pSlider->setValue(sliderPosition(value.toDouble(), pSlider->minimum(), pSlider->maximum()));
}
} // namespace

WizardPageImageThresholdBase::WizardPageImageThresholdBase(StateImplementationImagingThreshold* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageImageThresholdBaseGui)
{
    m_pUi->setupUi(this);
    m_pImageViewThreshold = new ImageView(new ImageCanvasBase(), false);
    m_pImageViewPreprocessed = new ImageView(new ImageCanvasBase(), false);
    WidgetHelper::setSingleChild(m_pUi->m_pImageFrameThreshold, m_pImageViewThreshold);
    WidgetHelper::setSingleChild(m_pUi->m_pImageFramePreprocessed, m_pImageViewPreprocessed);

    using Page = WizardPageImageThresholdBase;
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderMedian, &QSlider::valueChanged, this, &Page::slotUpdateMedian));
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderMorphology, &QSlider::valueChanged, this, &Page::slotUpdateMorphology));
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderBlur, &QSlider::valueChanged, this, &Page::slotUpdateBlur));
    MOLDENA_ASSERT(connect(m_pUi->m_pSliderThreshold, &QSlider::valueChanged, this, &Page::slotUpdateThreshold));
    MOLDENA_ASSERT(connect(m_pUi->m_pCheckBoxFlipHorizontal, &QCheckBox::stateChanged, this, &Page::slotUpdateFlip));
    MOLDENA_ASSERT(connect(m_pUi->m_pCheckBoxFlipVertical, &QCheckBox::stateChanged, this, &Page::slotUpdateFlip));
    MOLDENA_ASSERT(connect(m_pUi->m_pCheckBoxInvert, &QCheckBox::stateChanged, this, &Page::slotUpdateInvert));
    MOLDENA_ASSERT(connect(m_pUi->m_pRadioButtonThreshold, &QRadioButton::toggled, this, &Page::slotUpdateMode));
    MOLDENA_ASSERT(connect(m_pUi->m_pRadioButtonBasRelief, &QRadioButton::toggled, this, &Page::slotUpdateMode));
    MOLDENA_ASSERT(connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, this, &Page::slotChildAdded,
                           Qt::DirectConnection));
}

WizardPageImageThresholdBase::~WizardPageImageThresholdBase()
{
    delete m_pUi;
}

StateImplementationImagingThreshold* WizardPageImageThresholdBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingThreshold>();
}

void WizardPageImageThresholdBase::enter()
{
    MainWidget::enter();
    updateWidgetsFromParameters();
}

void WizardPageImageThresholdBase::clearViews()
{
    m_pImageViewPreprocessed->clear();
    m_pImageViewThreshold->clear();
}

void WizardPageImageThresholdBase::slotChildAdded(const QString& sName)
{
    const StateImplementationImagingThreshold& step = *getStateImplementation();
    if (ImagePage::isStepImage(step, sName, IMAGE_SMOOTHED))
    {
        m_pImageViewPreprocessed->setImageName(sName);
    }
    if (ImagePage::isStepImage(step, sName, IMAGE_THRESHOLDED))
    {
        m_pImageViewThreshold->setImageName(sName);
    }
}

void WizardPageImageThresholdBase::slotUpdateMedian(int)
{
    slotUpdateMode();
}

void WizardPageImageThresholdBase::slotUpdateMorphology(int)
{
    slotUpdateMode();
}

void WizardPageImageThresholdBase::slotUpdateBlur(int)
{
    slotUpdateMode();
}

void WizardPageImageThresholdBase::slotUpdateThreshold(int)
{
    slotUpdateMode();
}

void WizardPageImageThresholdBase::slotUpdateFlip(int)
{
    slotUpdateMode();
}

void WizardPageImageThresholdBase::slotUpdateInvert(int)
{
    slotUpdateMode();
}

void WizardPageImageThresholdBase::showValues()
{
    m_pUi->m_pLineEditBlur->setText(QString::number(m_pUi->m_pSliderBlur->value()));
    m_pUi->m_pLineEditMedian->setText(QString::number(m_pUi->m_pSliderMedian->value()));
    m_pUi->m_pLineEditThreshold->setText(QString::number(m_pUi->m_pSliderThreshold->value()));
    m_pUi->m_pLineEditMorphology->setText(QString::number(m_pUi->m_pSliderMorphology->value()));
    m_pUi->m_pSliderThreshold->setEnabled(m_pUi->m_pRadioButtonThreshold->isChecked());
}

void WizardPageImageThresholdBase::slotUpdateMode()
{
    showValues();
    const int nMorphology = m_pUi->m_pSliderMorphology->value();
    const StateImplementationImagingThreshold& step = *getStateImplementation();
    ImagePage::writeParameters(step, MODIFIER_BLUR, ASSERTION_BLUR,
                               {{ImageModifierWindowBase::SIZE, m_pUi->m_pSliderBlur->value()}});
    ImagePage::writeParameters(step, MODIFIER_MEDIAN, ASSERTION_MEDIAN,
                               {{ImageModifierWindowBase::SIZE, m_pUi->m_pSliderMedian->value()}});
    ImagePage::writeParameters(step, MODIFIER_FLIP, ASSERTION_FLIP,
                               {{ImageModifierFlip::VERTICAL, m_pUi->m_pCheckBoxFlipVertical->isChecked()},
                                {ImageModifierFlip::HORIZONTAL, m_pUi->m_pCheckBoxFlipHorizontal->isChecked()}});
    // One signed control for two operations: below zero erodes, above dilates.
    ImagePage::writeParameters(step, MODIFIER_ERODE, ASSERTION_ERODE,
                               {{ImageModifierMorphologyBase::ITERATIONS, nMorphology < 0 ? -nMorphology : 0}});
    ImagePage::writeParameters(step, MODIFIER_DILATE, ASSERTION_DILATE,
                               {{ImageModifierMorphologyBase::ITERATIONS, nMorphology > 0 ? nMorphology : 0}});
    ImagePage::writeParameters(step, MODIFIER_INVERT, ASSERTION_INVERT,
                               {{ImageModifierInvert::INVERT, m_pUi->m_pCheckBoxInvert->isChecked()}});
    ImagePage::writeParameters(step, MODIFIER_THRESHOLD, ASSERTION_THRESHOLD,
                               {{ImageModifierThreshold::THRESHOLD, m_pUi->m_pSliderThreshold->value()},
                                {ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED,
                                 !m_pUi->m_pRadioButtonBasRelief->isChecked()}});
}

void WizardPageImageThresholdBase::updateWidgetsFromParameters()
{
    // Every widget is filled with its signals blocked, the mode buttons too:
    // a half-filled page must never write itself back.
    std::vector<std::unique_ptr<QSignalBlocker>> vBlockers;
    for (QObject* pWidget : std::initializer_list<QObject*>{
             m_pUi->m_pSliderMedian, m_pUi->m_pSliderMorphology, m_pUi->m_pSliderBlur, m_pUi->m_pSliderThreshold,
             m_pUi->m_pCheckBoxFlipHorizontal, m_pUi->m_pCheckBoxFlipVertical, m_pUi->m_pCheckBoxInvert,
             m_pUi->m_pRadioButtonThreshold, m_pUi->m_pRadioButtonBasRelief})
    {
        vBlockers.push_back(std::make_unique<QSignalBlocker>(pWidget));
    }

    const StateImplementationImagingThreshold& step = *getStateImplementation();
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_BLUR, ASSERTION_BLUR))
    {
        placeSlider(m_pUi->m_pSliderBlur, ImagePage::value(map, ImageModifierWindowBase::SIZE));
    }
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_MEDIAN, ASSERTION_MEDIAN))
    {
        placeSlider(m_pUi->m_pSliderMedian, ImagePage::value(map, ImageModifierWindowBase::SIZE));
    }
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_FLIP, ASSERTION_FLIP))
    {
        m_pUi->m_pCheckBoxFlipHorizontal->setChecked(ImagePage::value(map, ImageModifierFlip::HORIZONTAL).toBool());
        m_pUi->m_pCheckBoxFlipVertical->setChecked(ImagePage::value(map, ImageModifierFlip::VERTICAL).toBool());
    }
    // At most one of the two counts is set; both zero is the middle.
    int nMorphology = 0;
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_ERODE, ASSERTION_ERODE))
    {
        const int nErode = ImagePage::value(map, ImageModifierMorphologyBase::ITERATIONS).toInt();
        nMorphology = nErode > 0 ? -nErode : nMorphology;
    }
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_DILATE, ASSERTION_DILATE))
    {
        const int nDilate = ImagePage::value(map, ImageModifierMorphologyBase::ITERATIONS).toInt();
        nMorphology = nDilate > 0 ? nDilate : nMorphology;
    }
    placeSlider(m_pUi->m_pSliderMorphology, nMorphology);
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_INVERT, ASSERTION_INVERT))
    {
        m_pUi->m_pCheckBoxInvert->setChecked(ImagePage::value(map, ImageModifierInvert::INVERT).toBool());
    }
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_THRESHOLD, ASSERTION_THRESHOLD))
    {
        placeSlider(m_pUi->m_pSliderThreshold, ImagePage::value(map, ImageModifierThreshold::THRESHOLD));
        const bool bThresholdMode = ImagePage::value(map, ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED).toBool();
        // Checking one of the exclusive pair unchecks the other.
        (bThresholdMode ? m_pUi->m_pRadioButtonThreshold : m_pUi->m_pRadioButtonBasRelief)->setChecked(true);
    }
    showValues();
}
