#include "WizardPageImageLoadBase.h"

#include "FileStorage.h"
#include "ImageCanvasCropped.h"
#include "ImageModifier/ImageModifierEqualize.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImagePageSupport.h"
#include "ImageView.h"
#include "ObjectRoot.h"
#include "RawImageImporter.h"
#include "SimpleException.h"
#include "StateImplementationImagingSteps.h"
#include "TextEditorDialog.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include "ui_WizardPageImageLoadBaseGui.h"

#include <QSignalBlocker>

WizardPageImageLoadBase::WizardPageImageLoadBase(StateImplementationImagingLoadImage* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageImageLoadBaseGui)
{
    m_pUi->setupUi(this);
    m_pImageView = new ImageView(new ImageCanvasCropped(), false);
    WidgetHelper::setSingleChild(m_pUi->m_pImageFrame, m_pImageView);

    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonFileOpen, &QPushButton::clicked, this,
                           &WizardPageImageLoadBase::slotOpenFileDialog));
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonLibraryOpen, &QPushButton::clicked, this,
                           &WizardPageImageLoadBase::slotOpenResourceDialog));
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonRecentImages, &QPushButton::clicked, this,
                           &WizardPageImageLoadBase::slotOpenRecentImages));
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonTextEditor, &QPushButton::clicked, this,
                           &WizardPageImageLoadBase::slotOpenTextEditorDialog));
    MOLDENA_ASSERT(connect(m_pUi->m_pSpinBoxCropLeft, &QDoubleSpinBox::valueChanged, this,
                           &WizardPageImageLoadBase::slotUpdateMarginLeft));
    MOLDENA_ASSERT(connect(m_pUi->m_pSpinBoxCropRight, &QDoubleSpinBox::valueChanged, this,
                           &WizardPageImageLoadBase::slotUpdateMarginRight));
    MOLDENA_ASSERT(connect(m_pUi->m_pSpinBoxCropTop, &QDoubleSpinBox::valueChanged, this,
                           &WizardPageImageLoadBase::slotUpdateMarginTop));
    MOLDENA_ASSERT(connect(m_pUi->m_pSpinBoxCropBottom, &QDoubleSpinBox::valueChanged, this,
                           &WizardPageImageLoadBase::slotUpdateMarginBottom));
    MOLDENA_ASSERT(connect(m_pUi->m_pCheckBoxShadingCorrection, &QCheckBox::stateChanged, this,
                           &WizardPageImageLoadBase::slotUpdateShadingCorrection));
    MOLDENA_ASSERT(connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, this,
                           &WizardPageImageLoadBase::slotChildAdded, Qt::DirectConnection));
}

WizardPageImageLoadBase::~WizardPageImageLoadBase()
{
    delete m_pUi;
}

StateImplementationImagingLoadImage* WizardPageImageLoadBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingLoadImage>();
}

void WizardPageImageLoadBase::enter()
{
    MainWidget::enter();
    updateWidgetsFromParameters();
}

void WizardPageImageLoadBase::clearViews()
{
    m_pImageView->clear();
}

void WizardPageImageLoadBase::setImportFile(const QString& sFile)
{
    if (!ImagePage::confirmReadableImage(this, sFile))
    {
        return;
    }
    ImagePage::writeParameters(*getStateImplementation(), RAW_IMAGE_IMPORT, QStringLiteral("pParameterImport"),
                               {{RawImageImporter::PATH, sFile}});
}

void WizardPageImageLoadBase::slotOpenFileDialog()
{
    const QString sFile = ImagePage::chooseImageFile(this);
    if (!sFile.isEmpty())
    {
        setImportFile(sFile);
    }
}

void WizardPageImageLoadBase::slotOpenResourceDialog()
{
    const QString sFile =
        ImagePage::chooseFromLibrary(QStringLiteral(":/%1").arg(getStateImplementation()->getParentStateName().toLower()));
    if (!sFile.isEmpty())
    {
        setImportFile(sFile);
    }
}

void WizardPageImageLoadBase::slotOpenRecentImages()
{
    const QString sFile = ImagePage::chooseFromLibrary(FileStorage::getTempDir());
    if (!sFile.isEmpty())
    {
        setImportFile(sFile);
    }
}

void WizardPageImageLoadBase::slotOpenTextEditorDialog()
{
    TextEditorDialog dialog;
    dialog.resize(512, 512);
    if (dialog.exec() == QDialog::Accepted && !dialog.getFileName().isEmpty())
    {
        setImportFile(dialog.getFileName());
    }
}

void WizardPageImageLoadBase::slotChildAdded(const QString& sName)
{
    if (!ImagePage::isStepImage(*getStateImplementation(), sName, IMAGE_EQUALIZED))
    {
        return;
    }
    m_pImageView->setImageName(sName);
    slotUpdateShadingCorrection();
}

// The changed margin is cut back so that it and the opposite one leave at
// least the rest of the picture; setting the spin box runs its slot once more
// with the reduced value.
void WizardPageImageLoadBase::limitMargin(QDoubleSpinBox* pChanged, const QDoubleSpinBox* pOpposite, double dValue)
{
    if (pOpposite->value() + dValue > MAXIMUM_MARGINS)
    {
        pChanged->setValue(MAXIMUM_MARGINS - pOpposite->value());
    }
    updateMargins();
}

void WizardPageImageLoadBase::slotUpdateMarginLeft(double dValue)
{
    limitMargin(m_pUi->m_pSpinBoxCropLeft, m_pUi->m_pSpinBoxCropRight, dValue);
}

void WizardPageImageLoadBase::slotUpdateMarginRight(double dValue)
{
    limitMargin(m_pUi->m_pSpinBoxCropRight, m_pUi->m_pSpinBoxCropLeft, dValue);
}

void WizardPageImageLoadBase::slotUpdateMarginTop(double dValue)
{
    limitMargin(m_pUi->m_pSpinBoxCropTop, m_pUi->m_pSpinBoxCropBottom, dValue);
}

void WizardPageImageLoadBase::slotUpdateMarginBottom(double dValue)
{
    limitMargin(m_pUi->m_pSpinBoxCropBottom, m_pUi->m_pSpinBoxCropTop, dValue);
}

void WizardPageImageLoadBase::setCanvasMargins()
{
    auto* pImageCanvasCropped = dynamic_cast<ImageCanvasCropped*>(m_pImageView->getImageCanvas());
    MOLDENA_ASSERT(pImageCanvasCropped);
    pImageCanvasCropped->setMargins(m_pUi->m_pSpinBoxCropLeft->value(), m_pUi->m_pSpinBoxCropRight->value(),
                                    m_pUi->m_pSpinBoxCropTop->value(), m_pUi->m_pSpinBoxCropBottom->value());
}

void WizardPageImageLoadBase::updateMargins()
{
    setCanvasMargins();
    ImagePage::writeParameters(*getStateImplementation(), MODIFIER_ROI, QStringLiteral("pParameterRoi"),
                               {{ImageModifierRoi::LEFT, m_pUi->m_pSpinBoxCropLeft->value()},
                                {ImageModifierRoi::RIGHT, 1.0 - m_pUi->m_pSpinBoxCropRight->value()},
                                {ImageModifierRoi::TOP, m_pUi->m_pSpinBoxCropTop->value()},
                                {ImageModifierRoi::BOTTOM, 1.0 - m_pUi->m_pSpinBoxCropBottom->value()}});
}

void WizardPageImageLoadBase::slotUpdateShadingCorrection()
{
    ImagePage::writeParameters(*getStateImplementation(), MODIFIER_EQUALIZE, QStringLiteral("pParameter"),
                               {{ImageModifierEqualize::MODIFIER_EQUALIZE_ENABLED,
                                 m_pUi->m_pCheckBoxShadingCorrection->isChecked()}});
}

void WizardPageImageLoadBase::updateWidgetsFromParameters()
{
    const StateImplementationImagingLoadImage& step = *getStateImplementation();
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_ROI, QStringLiteral("pParameterRoi")))
    {
        const QSignalBlocker blockLeft(m_pUi->m_pSpinBoxCropLeft);
        const QSignalBlocker blockRight(m_pUi->m_pSpinBoxCropRight);
        const QSignalBlocker blockTop(m_pUi->m_pSpinBoxCropTop);
        const QSignalBlocker blockBottom(m_pUi->m_pSpinBoxCropBottom);
        m_pUi->m_pSpinBoxCropLeft->setValue(ImagePage::value(map, ImageModifierRoi::LEFT).toDouble());
        m_pUi->m_pSpinBoxCropRight->setValue(1.0 - ImagePage::value(map, ImageModifierRoi::RIGHT).toDouble());
        m_pUi->m_pSpinBoxCropTop->setValue(ImagePage::value(map, ImageModifierRoi::TOP).toDouble());
        m_pUi->m_pSpinBoxCropBottom->setValue(1.0 - ImagePage::value(map, ImageModifierRoi::BOTTOM).toDouble());
    }
    setCanvasMargins();
    for (const auto& map : ImagePage::readParameters(step, MODIFIER_EQUALIZE, QStringLiteral("pParameter")))
    {
        const QSignalBlocker block(m_pUi->m_pCheckBoxShadingCorrection);
        m_pUi->m_pCheckBoxShadingCorrection->setChecked(
            ImagePage::value(map, ImageModifierEqualize::MODIFIER_EQUALIZE_ENABLED).toBool());
    }
}
