#include "WizardPageMeshHooks.h"

#include "WaitCursor.h"

#include "FileDialogs.h"
#include "Logger.h"
#include "MeshData.h"
#include "MeshIO.h"
#include "MeshObject.h"
#include "MeshRenderWidget.h"
#include "RefusalMessage.h"
#include "ResourceDialog.h"
#include "Scene.h"
#include "SimpleException.h"
#include "SliderMapping.h"
#include "StateImplementationMeshSteps.h"
#include "WidgetHelper.h"

#include "ui_WizardPageMeshHooksGui.h"

#include <QApplication>
#include <QSignalBlocker>

#include <algorithm>

namespace
{
// Zoom 1 in the middle, 2 at the maximum, 0.75 at the minimum.
constexpr FactorSliderMapping ZOOM_MAPPING{1.0, 0.25};
} // namespace

WizardPageMeshHooks::WizardPageMeshHooks(StateImplementationMeshHooks* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageMeshHooksGui)
{
    m_pUi->setupUi(this);
    m_pMeshRenderWidget =
        new MeshRenderWidget(Scene::getInstance(), {MeshObject::TYPE_GENERATED, MeshObject::TYPE_HOOK});
    WidgetHelper::setSingleChild(m_pUi->m_pRenderFrame, m_pMeshRenderWidget);
    m_vRotateButtons = MeshEditButtons::find(this, QStringLiteral("Rotate"));
    m_vTranslateButtons = MeshEditButtons::find(this, QStringLiteral("Translate"));
    m_vScaleButtons = MeshEditButtons::find(this, QStringLiteral("Scale"));

    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pSliderRotateHorizontal, SIGNAL(valueChanged(int)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pSliderRotateVertical, SIGNAL(valueChanged(int)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pSliderZoom, SIGNAL(valueChanged(int)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pPushButtonLoadHookFromFile, SIGNAL(clicked()), this, SLOT(slotLoadHookFromFile())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pPushButtonLoadHookFromLibrary, SIGNAL(clicked()), this, SLOT(slotLoadHookFromLibrary())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pPushButtonDeleteHook, SIGNAL(clicked()), this, SLOT(slotDeleteHook())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pComboBoxSelectHook, SIGNAL(currentIndexChanged(int)), this, SLOT(slotSelectHook(int))));
    for (const MeshEditButton& button : m_vRotateButtons)
    {
        MeshEditButtons::connectClicked(button.pButton, this, &WizardPageMeshHooks::slotRotateHook, "slotRotateHook");
    }
    for (const MeshEditButton& button : m_vTranslateButtons)
    {
        MeshEditButtons::connectClicked(button.pButton, this, &WizardPageMeshHooks::slotTranslateHook,
                                        "slotTranslateHook");
    }
    for (const MeshEditButton& button : m_vScaleButtons)
    {
        MeshEditButtons::connectClicked(button.pButton, this, &WizardPageMeshHooks::slotScaleHook, "slotScaleHook");
    }
    MOLDENA_ASSERT(QObject::connect(Scene::getInstance(), SIGNAL(signalMeshObjectAdded(const QString&)), this, SLOT(slotMeshObjectAdded(QString)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(Scene::getInstance(), SIGNAL(signalMeshObjectRemoved(const QString&)), this, SLOT(slotMeshObjectRemoved(QString)), Qt::DirectConnection));
    updateEnabledState();
}

WizardPageMeshHooks::~WizardPageMeshHooks()
{
    delete m_pUi;
    m_pUi = nullptr;
}

StateImplementationMeshHooks* WizardPageMeshHooks::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationMeshHooks>();
}

void WizardPageMeshHooks::enter()
{
    MainWidget::enter();
    slotUpdateNavigationParameters();
}

void WizardPageMeshHooks::updateEnabledState()
{
    const bool bHooks = Scene::getInstance()->getNumberOfHooks() > 0;
    for (QWidget* pGroupBox : {m_pUi->m_pGroupBoxSelectHook, m_pUi->m_pGroupBoxRotateHook,
                               m_pUi->m_pGroupBoxTranslateHook, m_pUi->m_pGroupBoxScaleHook,
                               m_pUi->m_pGroupBoxDeleteHook})
    {
        pGroupBox->setEnabled(bHooks);
    }
}

QString WizardPageMeshHooks::getDisplayName(const QString& sObjectName)
{
    return sObjectName.toLower().replace(QLatin1Char('_'), QLatin1Char(' ')).replace(QLatin1Char(':'), QLatin1Char(' '));
}

double WizardPageMeshHooks::getZoom(int nValue, int nMinimum, int nMaximum)
{
    return ZOOM_MAPPING.toFactor(nValue, nMinimum, nMaximum);
}

void WizardPageMeshHooks::fillHookList()
{
    QComboBox* pComboBox = m_pUi->m_pComboBoxSelectHook;
    const QSignalBlocker blocker(pComboBox);
    pComboBox->clear();
    for (const QString& sName : Scene::getInstance()->getNamesHooks())
    {
        pComboBox->addItem(getDisplayName(sName), sName);
    }
    pComboBox->setCurrentIndex(-1);
}

void WizardPageMeshHooks::slotMeshObjectAdded(QString sName)
{
    const QStringList slHooks = Scene::getInstance()->getNamesHooks();
    if (slHooks.contains(sName))
    {
        fillHookList();
        // Unblocked: the new hook becomes the selected one in the scene.
        m_pUi->m_pComboBoxSelectHook->setCurrentIndex(slHooks.indexOf(sName));
    }
    updateEnabledState();
}

void WizardPageMeshHooks::slotMeshObjectRemoved(QString sName)
{
    if (m_pUi->m_pComboBoxSelectHook->findData(sName) >= 0)
    {
        fillHookList();
        m_pUi->m_pComboBoxSelectHook->setCurrentIndex(-1);
    }
    updateEnabledState();
}

void WizardPageMeshHooks::slotUpdateNavigationParameters()
{
    const int nHorizontal = m_pUi->m_pSliderRotateHorizontal->value();
    const int nVertical = m_pUi->m_pSliderRotateVertical->value();
    m_pUi->m_pLineEditRotateHorizontal->setText(QString::number(nHorizontal));
    m_pUi->m_pLineEditRotateVertical->setText(QString::number(nVertical));
    m_pMeshRenderWidget->setRotation(double(nHorizontal), double(nVertical));

    const QSlider* pZoom = m_pUi->m_pSliderZoom;
    const double dZoom = getZoom(pZoom->value(), pZoom->minimum(), pZoom->maximum());
    m_pUi->m_pLineEditZoom->setText(QString::number(dZoom, 'g', 6));
    m_pMeshRenderWidget->setZoom(dZoom);
}

void WizardPageMeshHooks::loadHook(const QString& sFileName)
{
    bool bOk = false;
    QString sRefusal;
    try
    {
        // The message below comes with the ordinary cursor.
        const WaitCursor cursor;
        bOk = getStateImplementation()->loadHook(sFileName, &sRefusal);
    }
    catch (const std::exception& e)
    {
        sRefusal = QString::fromLatin1(e.what());
        LOG_ERROR(QStringLiteral("Loading the hook %1 failed: %2").arg(sFileName, sRefusal));
    }
    if (!bOk)
    {
        RefusalMessage::showLoadError(nullptr, sFileName, sRefusal);
    }
}

void WizardPageMeshHooks::slotLoadHookFromFile()
{
    const QString sFileName = FileDialogs::getOpenFileName(
        this, tr("Open Hook"), tr("Binary STL Files (*.stl);;Alias Wavefront Files (*.obj)"));
    if (sFileName.isEmpty())
    {
        return;
    }
    loadHook(sFileName);
}

void WizardPageMeshHooks::slotLoadHookFromLibrary()
{
    MeshIO::registerHookResources();
    ResourceDialog dialog(QStringLiteral(":/hooks"), {QStringLiteral("*.obj")});
    dialog.resize(512, 512);
    if (dialog.exec() == QDialog::Accepted)
    {
        loadHook(dialog.getSelectedFile());
    }
}

void WizardPageMeshHooks::slotSelectHook(int nIndex)
{
    if (nIndex >= 0)
    {
        Scene::getInstance()->selectHook(nIndex);
    }
}

void WizardPageMeshHooks::slotRotateHook()
{
    Scene* pScene = Scene::getInstance();
    const int nIndex = pScene->getIndexOfSelectedHook();
    const MeshEditButton* pButton = MeshEditButtons::lookUp(m_vRotateButtons, sender());
    if (nIndex >= 0 && pButton)
    {
        pScene->rotateHook(nIndex, MeshEditButtons::rotationAngle(pButton->nStep), pButton->nAxis);
    }
}

void WizardPageMeshHooks::slotTranslateHook()
{
    Scene* pScene = Scene::getInstance();
    const int nIndex = pScene->getIndexOfSelectedHook();
    const MeshEditButton* pButton = MeshEditButtons::lookUp(m_vTranslateButtons, sender());
    if (nIndex < 0 || !pButton)
    {
        return;
    }
    // Steps from the body's size: a hundredth of its thinnest side, a tenth
    // of its largest.
    double dExtents[3] = {0.0, 0.0, 0.0};
    if (const MeshData* pGenerated = pScene->getMeshDataGenerated())
    {
        pGenerated->getExtents(dExtents[0], dExtents[1], dExtents[2]);
    }
    const double dSmall = 0.01 * *std::min_element(dExtents, dExtents + 3);
    const double dLarge = 0.1 * *std::max_element(dExtents, dExtents + 3);
    double dOffsets[3] = {0.0, 0.0, 0.0};
    dOffsets[pButton->nAxis] = MeshEditButtons::translation(pButton->nStep, dSmall, dLarge);
    pScene->translateHook(nIndex, dOffsets[0], dOffsets[1], dOffsets[2]);
}

void WizardPageMeshHooks::slotScaleHook()
{
    Scene* pScene = Scene::getInstance();
    const int nIndex = pScene->getIndexOfSelectedHook();
    const MeshEditButton* pButton = MeshEditButtons::lookUp(m_vScaleButtons, sender());
    if (nIndex >= 0 && pButton)
    {
        pScene->scaleHook(nIndex, MeshEditButtons::scaleFactor(pButton->nStep));
    }
}

void WizardPageMeshHooks::slotDeleteHook()
{
    Scene* pScene = Scene::getInstance();
    const int nIndex = pScene->getIndexOfSelectedHook();
    if (nIndex >= 0)
    {
        pScene->deleteHook(nIndex);
    }
}
