#include "WizardPageImageHeightHistogramBase.h"

#include "ImageCanvasBase.h"
#include "ImageModifier/ImageModifierHeightHistogram.h"
#include "ImageView.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "StateImplementationImagingSteps.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

// The form: "Border Settings" with the one check box above "Profile Image"
// with the frame that receives the image view.
class WizardPageImageHeightHistogramBaseGui
{
public:
    void setupUi(QWidget* pForm)
    {
        pForm->setWindowTitle(QStringLiteral("Form"));
        auto* pLayout = new QVBoxLayout(pForm);
        auto* pGroupBorder = new QGroupBox(QObject::tr("Border Settings"), pForm);
        pGroupBorder->setObjectName(QStringLiteral("groupBox"));
        auto* pBorderLayout = new QVBoxLayout(pGroupBorder);
        m_pCheckBoxKeepEmptySpaces = new QCheckBox(QObject::tr("Keep Empty Spaces"), pGroupBorder);
        m_pCheckBoxKeepEmptySpaces->setObjectName(QStringLiteral("m_pCheckBoxKeepEmptySpaces"));
        pBorderLayout->addWidget(m_pCheckBoxKeepEmptySpaces);

        auto* pGroupImage = new QGroupBox(QObject::tr("Profile Image"), pForm);
        pGroupImage->setObjectName(QStringLiteral("groupBox_2"));
        auto* pImageLayout = new QGridLayout(pGroupImage);
        m_pImageFrame = new QFrame(pGroupImage);
        m_pImageFrame->setObjectName(QStringLiteral("m_pImageFrame"));
        m_pImageFrame->setFrameShape(QFrame::Box);
        m_pImageFrame->setFrameShadow(QFrame::Raised);
        m_pImageFrame->setAutoFillBackground(false);
        pImageLayout->addWidget(m_pImageFrame);

        pLayout->addWidget(pGroupBorder);
        pLayout->addWidget(pGroupImage, 1);
    }

    QCheckBox* m_pCheckBoxKeepEmptySpaces = nullptr;
    QFrame* m_pImageFrame = nullptr;
};

namespace
{
// The step's height-histogram parameter objects; throws
// "pParameterKeepEmptySpaces" for a name without an object.
std::vector<ParameterObject*> histogramParameters(const StateImplementationImaging* pStep)
{
    return pStep->findParameterObjects({MODIFIER_HEIGHT_HISTOGRAM}, QStringLiteral("pParameterKeepEmptySpaces"));
}
} // namespace

WizardPageImageHeightHistogramBase::WizardPageImageHeightHistogramBase(
    StateImplementationImagingHeightHistogram* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new WizardPageImageHeightHistogramBaseGui)
{
    m_pUi->setupUi(this);
    m_pImageView = new ImageView(new ImageCanvasBase(), false);
    WidgetHelper::setSingleChild(m_pUi->m_pImageFrame, m_pImageView);
    MOLDENA_ASSERT(QObject::connect(ObjectRoot::getInstance(), SIGNAL(signalChildAdded(const QString&)), this,
                                    SLOT(slotChildAdded(const QString&)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pCheckBoxKeepEmptySpaces, SIGNAL(stateChanged(int)), this,
                                    SLOT(slotKeepEmptySpaces(int))));
}

WizardPageImageHeightHistogramBase::~WizardPageImageHeightHistogramBase()
{
    delete m_pUi;
}

StateImplementationImagingHeightHistogram* WizardPageImageHeightHistogramBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingHeightHistogram>();
}

void WizardPageImageHeightHistogramBase::enter()
{
    MainWidget::enter();
    updateWidgetsFromParameters();
}

void WizardPageImageHeightHistogramBase::clearViews()
{
    m_pImageView->clear();
}

void WizardPageImageHeightHistogramBase::updateWidgetsFromParameters()
{
    for (const ParameterObject* pObject : histogramParameters(getStateImplementation()))
    {
        const ParameterObject::ParameterMap map = pObject->getParameters();
        const auto it = map.find(ImageModifierHeightHistogram::KEEP_EMPTY_SPACES);
        const QSignalBlocker blocker(m_pUi->m_pCheckBoxKeepEmptySpaces);
        m_pUi->m_pCheckBoxKeepEmptySpaces->setChecked(it != map.end() && it->second.toBool());
    }
}

void WizardPageImageHeightHistogramBase::updateParametersFromWidgets()
{
    const bool bKeepEmptySpaces = m_pUi->m_pCheckBoxKeepEmptySpaces->isChecked();
    for (ParameterObject* pObject : histogramParameters(getStateImplementation()))
    {
        pObject->setValues({{ImageModifierHeightHistogram::KEEP_EMPTY_SPACES, bKeepEmptySpaces}});
    }
}

void WizardPageImageHeightHistogramBase::slotChildAdded(const QString& sName)
{
    if (sName.contains(IMAGE_HEIGHT_PROFILE_RENDER) && getStateImplementation()->getImageObjectNames().contains(sName))
    {
        m_pImageView->setImageName(sName);
    }
}

void WizardPageImageHeightHistogramBase::slotKeepEmptySpaces(int)
{
    updateParametersFromWidgets();
}
