#include "MeshQualityDialog.h"

#include "GlobalParameterStore.h"
#include "SimpleException.h"

#include "ui_MeshQualityGui.h"

MeshQualityDialog::MeshQualityDialog(int nSmoothingSteps, int nNumberOfPoints)
    : QDialog(nullptr)
{
    setModal(true);
    m_pUi = new Ui::MeshQualityGui;
    m_pUi->setupUi(this);
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pPushButtonOk, SIGNAL(clicked()), this, SLOT(accept())));
    m_pUi->m_pSpinBoxPoints->setValue(nNumberOfPoints);
    m_pUi->m_pSpinBoxSmoothing->setValue(nSmoothingSteps);
}

MeshQualityDialog::~MeshQualityDialog()
{
    delete m_pUi;
}

int MeshQualityDialog::getSmoothingSteps() const
{
    return m_pUi->m_pSpinBoxSmoothing->value();
}

int MeshQualityDialog::getNumberOfPoints() const
{
    return m_pUi->m_pSpinBoxPoints->value();
}

void MeshQualityDialog::askAndStore()
{
    MeshQualityDialog dialog(GlobalParameterStore::getValue<int>(GlobalParameterStore::NUMBER_OF_SMOOTHING_STEPS, 8),
                             GlobalParameterStore::getValue<int>(GlobalParameterStore::NUMBER_OF_VERTICES, 128000));
    dialog.exec();
    GlobalParameterStore::setValue<int>(GlobalParameterStore::NUMBER_OF_SMOOTHING_STEPS, dialog.getSmoothingSteps());
    GlobalParameterStore::setValue<int>(GlobalParameterStore::NUMBER_OF_VERTICES, dialog.getNumberOfPoints());
}
