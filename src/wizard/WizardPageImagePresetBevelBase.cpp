#include "WizardPageImagePresetBevelBase.h"

#include "FileStorage.h"
#include "ImageCanvasBase.h"
#include "ImagePageSupport.h"
#include "ImageScrollArea.h"
#include "ImageView.h"
#include "ObjectRoot.h"
#include "RawImageImporter.h"
#include "SimpleException.h"
#include "StateImplementationImagingBevelSteps.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include "ui_WizardPageImagePresetBevelBaseGui.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

namespace
{
const QString ASSERTION_IMPORT = QStringLiteral("pParameterImport");

// A profile's height row is as wide as its picture, and the bevel spreads the
// shape's distances over the row's columns: one column gives it no slope.
QString getProfileRefusalReason(const QString& sFile)
{
    const int nWidth = QImageReader(sFile).size().width();
    if (nWidth < 0 || nWidth >= 2)
    {
        return QString();
    }
    return QCoreApplication::translate("WizardPageImagePresetBevelBase",
                                       "The picture is %1 pixel wide; an engraving profile needs at least 2.")
        .arg(nWidth);
}
} // namespace

WizardPageImagePresetBevelBase::WizardPageImagePresetBevelBase(StateImplementationImagingPresetBevel* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageImagePresetBevelBaseGui)
{
    m_pUi->setupUi(this);
    m_pImageViewResult = new ImageView(new ImageCanvasBase(), false);
    // The profile is always shown pixel for pixel.
    m_pImageViewProfile = new ImageView(new ImageCanvasBase(), true);
    WidgetHelper::setSingleChild(m_pUi->m_pImageFrame, m_pImageViewResult);
    WidgetHelper::setSingleChild(m_pUi->m_pProfileFrame, m_pImageViewProfile);

    using Page = WizardPageImagePresetBevelBase;
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonFileOpen, &QPushButton::clicked, this, &Page::slotOpenFileDialog));
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonLibraryOpen, &QPushButton::clicked, this, &Page::slotOpenResourceDialog));
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonRecentImages, &QPushButton::clicked, this, &Page::slotOpenRecentImages));
    MOLDENA_ASSERT(connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, this, &Page::slotChildAdded,
                           Qt::DirectConnection));
    MOLDENA_ASSERT(connect(this, &Page::signalSetSelectedFile, this, &Page::slotSetSelectedFile, Qt::QueuedConnection));
}

WizardPageImagePresetBevelBase::~WizardPageImagePresetBevelBase()
{
    delete m_pUi;
}

StateImplementationImagingPresetBevel* WizardPageImagePresetBevelBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingPresetBevel>();
}

void WizardPageImagePresetBevelBase::enter()
{
    MainWidget::enter();
    updateWidgetsFromParameters();
}

void WizardPageImagePresetBevelBase::clearViews()
{
    m_pImageViewResult->clear();
    m_pImageViewProfile->clear();
}

void WizardPageImagePresetBevelBase::slotChildAdded(const QString& sName)
{
    const StateImplementationImagingPresetBevel& step = *getStateImplementation();
    if (ImagePage::isStepImage(step, sName, IMAGE_BEVEL))
    {
        m_pImageViewResult->setImageName(sName);
    }
    if (ImagePage::isStepImage(step, sName, PROFILE))
    {
        m_pImageViewProfile->setImageName(sName);
        fitProfileStrip();
    }
}

void WizardPageImagePresetBevelBase::fitProfileStrip()
{
    const QImage* pProfile = m_pImageViewProfile->getImageCanvas()->getImage();
    // Before the first layout the view's size says nothing yet.
    if (!pProfile || !m_pImageViewProfile->isVisible())
    {
        return;
    }
    // The view needs its own margins and button row around the picture.
    const int nAround = m_pImageViewProfile->height() - m_pImageViewProfile->getImageScrollArea()->viewport()->height();
    m_pImageViewProfile->setMinimumHeight(pProfile->height() + nAround);
}

void WizardPageImagePresetBevelBase::slotSetSelectedFile(QString sFile)
{
    ImagePage::writeParameters(*getStateImplementation(), RAW_IMAGE_IMPORT, ASSERTION_IMPORT,
                               {{RawImageImporter::PATH, sFile}});
}

void WizardPageImagePresetBevelBase::selectFile(const QString& sFile)
{
    if (!sFile.isEmpty() && ImagePage::confirmReadableImage(this, sFile, getProfileRefusalReason))
    {
        emit signalSetSelectedFile(sFile);
    }
}

void WizardPageImagePresetBevelBase::slotOpenFileDialog()
{
    selectFile(ImagePage::chooseImageFile(this));
}

void WizardPageImagePresetBevelBase::slotOpenResourceDialog()
{
    selectFile(ImagePage::chooseFromLibrary(QStringLiteral(":/profile")));
}

void WizardPageImagePresetBevelBase::slotOpenRecentImages()
{
    selectFile(ImagePage::chooseFromLibrary(FileStorage::getTempDir()));
}

void WizardPageImagePresetBevelBase::updateWidgetsFromParameters()
{
    for (const auto& map : ImagePage::readParameters(*getStateImplementation(), RAW_IMAGE_IMPORT, ASSERTION_IMPORT))
    {
        const QString sPath = ImagePage::value(map, RawImageImporter::PATH).toString();
        emit signalSetSelectedFile(sPath.isEmpty() ? DEFAULT_PROFILE : sPath);
    }
}
