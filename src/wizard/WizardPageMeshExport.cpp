#include "WizardPageMeshExport.h"

#include "FileDialogs.h"
#include "Logger.h"
#include "MeshData.h"
#include "MeshObject.h"
#include "MeshRenderWidget.h"
#include "Scene.h"
#include "SimpleException.h"
#include "StateImplementationMeshSteps.h"
#include "WidgetHelper.h"

#include "ui_WizardPageMeshExportGui.h"

#include <QMessageBox>

namespace
{
// The view of each radio button: horizontal and vertical angle.
struct View
{
    QRadioButton* pButton;
    double dHorizontal;
    double dVertical;
};
} // namespace

WizardPageMeshExport::WizardPageMeshExport(StateImplementationMeshExport* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageMeshExportGui)
{
    m_pUi->setupUi(this);
    m_pMeshRenderWidget = new MeshRenderWidget(Scene::getInstance(), {MeshObject::TYPE_MERGED});
    WidgetHelper::setSingleChild(m_pUi->m_pRenderFrame, m_pMeshRenderWidget);
    m_vScaleButtons = MeshEditButtons::find(this, QStringLiteral("Scale"));
    // The first view: from the front, with the scale bar.
    m_pUi->m_pRadioButtonFront->setChecked(true);
    m_pUi->m_pCheckBoxShowScale->setChecked(true);

    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pRadioButtonFront, SIGNAL(toggled(bool)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pRadioButtonLeft, SIGNAL(toggled(bool)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pRadioButtonTop, SIGNAL(toggled(bool)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pCheckBoxShowScale, SIGNAL(stateChanged(int)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pCheckBoxShowComparisonObject, SIGNAL(stateChanged(int)), this, SLOT(slotUpdateNavigationParameters())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pPushButtonSaveObject, SIGNAL(clicked()), this, SLOT(slotSaveArtifact())));
    for (const MeshEditButton& button : m_vScaleButtons)
    {
        MeshEditButtons::connectClicked(button.pButton, this, &WizardPageMeshExport::slotScaleArtifact,
                                        "slotScaleArtifact");
    }
    MOLDENA_ASSERT(QObject::connect(Scene::getInstance(), SIGNAL(signalMeshObjectAdded(const QString&)), this, SLOT(slotMeshObjectAddedOrUpdated(QString)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(Scene::getInstance(), SIGNAL(signalMeshObjectRemoved(const QString&)), this, SLOT(slotMeshObjectRemoved(QString)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(Scene::getInstance(), SIGNAL(signalMeshObjectChanged(const QString&)), this, SLOT(slotMeshObjectAddedOrUpdated(QString)), Qt::DirectConnection));
    slotUpdateNavigationParameters();
    updateObjectSize();
}

WizardPageMeshExport::~WizardPageMeshExport()
{
    delete m_pUi;
    m_pUi = nullptr;
}

StateImplementationMeshExport* WizardPageMeshExport::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationMeshExport>();
}

void WizardPageMeshExport::updateObjectSize()
{
    const MeshData* pMerged = Scene::getInstance()->getMeshDataMerged();
    if (!pMerged)
    {
        return;
    }
    double dX = 0.0;
    double dY = 0.0;
    double dZ = 0.0;
    pMerged->getExtents(dX, dY, dZ);
    const QString sMillimetres = QStringLiteral("%1 mm");
    m_pUi->m_pLineEditWidth->setText(sMillimetres.arg(dX, 0, 'g', 6));
    m_pUi->m_pLineEditHeight->setText(sMillimetres.arg(dY, 0, 'g', 6));
    m_pUi->m_pLineEditDepth->setText(sMillimetres.arg(dZ, 0, 'g', 6));
    m_pUi->m_pLineEditVolume->setText(QStringLiteral("%1 cm3").arg(pMerged->getVolume() / 1000.0, 0, 'g', 6));
}

QString WizardPageMeshExport::getProposedFileName(const QDateTime& time)
{
    return QStringLiteral("Moldena_Object_%1.stl").arg(time.toString(QStringLiteral("yyyy_MM_dd_hh_mm_ss")));
}

void WizardPageMeshExport::slotMeshObjectAddedOrUpdated(QString sName)
{
    if (sName == Scene::getInstance()->getNameMeshMerged())
    {
        m_sNameMeshMerged = sName;
        m_pUi->m_pPushButtonSaveObject->setEnabled(true);
        updateObjectSize();
    }
}

void WizardPageMeshExport::slotMeshObjectRemoved(QString sName)
{
    if (!m_sNameMeshMerged.isEmpty() && sName == m_sNameMeshMerged)
    {
        m_sNameMeshMerged.clear();
        m_pUi->m_pPushButtonSaveObject->setEnabled(false);
        updateObjectSize();
    }
}

void WizardPageMeshExport::slotUpdateNavigationParameters()
{
    const View views[] = {{m_pUi->m_pRadioButtonFront, 0.0, 0.0},
                          {m_pUi->m_pRadioButtonLeft, 90.0, 0.0},
                          {m_pUi->m_pRadioButtonTop, 0.0, 90.0}};
    for (const View& view : views)
    {
        if (view.pButton->isChecked())
        {
            m_pMeshRenderWidget->setRotation(view.dHorizontal, view.dVertical);
            break;
        }
    }
    m_pMeshRenderWidget->setShowScale(m_pUi->m_pCheckBoxShowScale->isChecked());
    m_pMeshRenderWidget->setShowComparisonObject(m_pUi->m_pCheckBoxShowComparisonObject->isChecked());
}

void WizardPageMeshExport::slotSaveArtifact()
{
    const QString sStl = tr("Binary STL Files (*.stl)");
    const QString sObj = tr("Alias Wavefront Files (*.obj)");
    QString sSelectedFilter = sStl;
    // The name carries the chosen filter's suffix, and a file it replaces
    // was confirmed by the user.
    const QString sFileName = FileDialogs::getSaveFileName(this, tr("Save Object"),
                                                           getProposedFileName(QDateTime::currentDateTime()),
                                                           sStl + QStringLiteral(";;") + sObj, &sSelectedFilter);
    if (sFileName.isEmpty())
    {
        return;
    }
    bool bOk = false;
    try
    {
        bOk = StateImplementationMeshExport::exportMesh(sFileName);
    }
    catch (const std::exception& e)
    {
        LOG_ERROR(QStringLiteral("Saving %1 failed: %2").arg(sFileName, QString::fromLatin1(e.what())));
    }
    if (!bOk)
    {
        QMessageBox::critical(nullptr, tr("Save Error"), tr("Could not save file"), QMessageBox::Ok);
    }
}

void WizardPageMeshExport::slotScaleArtifact()
{
    const MeshEditButton* pButton = MeshEditButtons::lookUp(m_vScaleButtons, sender());
    // Nothing to scale once the merged mesh is gone (a step back rebuilds it).
    if (pButton && Scene::getInstance()->getMeshDataMerged())
    {
        Scene::getInstance()->scaleMeshMerged(MeshEditButtons::scaleFactor(pButton->nStep));
    }
}
