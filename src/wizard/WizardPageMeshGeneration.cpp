#include "WizardPageMeshGeneration.h"

#include "SimpleException.h"
#include "StateImplementationMeshSteps.h"

#include "ui_WizardPageMeshGenerationGui.h"

WizardPageMeshGeneration::WizardPageMeshGeneration(StateImplementationMeshGeneration* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new Ui::WizardPageMeshGenerationGui)
{
    m_pUi->setupUi(this);
    // The step signals from the GUI thread; queued, the bar changes on the
    // next turn of the event loop.
    MOLDENA_ASSERT(QObject::connect(getStateImplementation(), SIGNAL(signalProcessingStarted()), this, SLOT(slotProcessingStarted()), Qt::QueuedConnection));
    MOLDENA_ASSERT(QObject::connect(getStateImplementation(), SIGNAL(signalProcessingFinished()), this, SLOT(slotProcessingFinished()), Qt::QueuedConnection));
}

WizardPageMeshGeneration::~WizardPageMeshGeneration()
{
    delete m_pUi;
    m_pUi = nullptr;
}

StateImplementationMeshGeneration* WizardPageMeshGeneration::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationMeshGeneration>();
}

void WizardPageMeshGeneration::slotProcessingFinished()
{
    m_pUi->m_pProgressBar->setRange(0, 100);
    m_pUi->m_pProgressBar->setValue(100);
}

void WizardPageMeshGeneration::slotProcessingStarted()
{
    m_pUi->m_pProgressBar->setRange(0, 0);
    m_pUi->m_pProgressBar->setValue(-1);
}
