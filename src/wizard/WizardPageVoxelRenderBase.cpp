#include "WizardPageVoxelRenderBase.h"

#include "ImageModifier/ImageModifierDepthScale.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "SliderMapping.h"
#include "StateImplementationImagingBevelSteps.h"
#include "VoxelView.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace
{
// The same mapping as an element's depth scale, on a range of 100.
constexpr FactorSliderMapping SURFACE_HEIGHT_MAPPING{9.0, 0.9};

// The step's depth-scale parameter objects; throws "pParameterBevel" for a
// name without an object.
std::vector<ParameterObject*> depthScaleParameters(const StateImplementationImaging* pStep)
{
    return pStep->findParameterObjects({MODIFIER_DEPTH_SCALE}, QStringLiteral("pParameterBevel"));
}
} // namespace

// The form: the frame of the voxel view beside "Surface Height".
class WizardPageVoxelRenderBaseGui
{
public:
    void setupUi(QWidget* pForm)
    {
        pForm->setWindowTitle(QStringLiteral("Form"));
        auto* pLayout = new QHBoxLayout(pForm);
        m_pFrameVoxelView = new QWidget(pForm);
        m_pFrameVoxelView->setObjectName(QStringLiteral("m_pFrameVoxelView"));
        m_pFrameVoxelView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        auto* pColumn = new QVBoxLayout();
        auto* pGroup = new QGroupBox(QObject::tr("Surface Height"), pForm);
        auto* pGroupLayout = new QVBoxLayout(pGroup);
        m_pVerticalSliderDepthScale = new QSlider(Qt::Vertical, pGroup);
        m_pVerticalSliderDepthScale->setObjectName(QStringLiteral("m_pVerticalSliderDepthScale"));
        m_pVerticalSliderDepthScale->setRange(-100, 100);
        m_pVerticalSliderDepthScale->setValue(0);
        m_pVerticalSliderDepthScale->setMinimumHeight(200);
        pGroupLayout->addWidget(m_pVerticalSliderDepthScale, 0, Qt::AlignHCenter);
        pColumn->addWidget(pGroup);
        pColumn->addStretch();
        pLayout->addWidget(m_pFrameVoxelView, 1);
        pLayout->addLayout(pColumn);
    }

    QWidget* m_pFrameVoxelView = nullptr;
    QSlider* m_pVerticalSliderDepthScale = nullptr;
};

WizardPageVoxelRenderBase::WizardPageVoxelRenderBase(StateImplementationImagingBevel* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new WizardPageVoxelRenderBaseGui)
{
    m_pUi->setupUi(this);
    m_pVoxelView = new VoxelView(pStateImplementation);
    WidgetHelper::setSingleChild(m_pUi->m_pFrameVoxelView, m_pVoxelView);
    QObject::connect(ObjectRoot::getInstance(), SIGNAL(signalChildAdded(const QString&)), this,
                     SLOT(slotChildAdded(const QString&)), Qt::DirectConnection);
    QObject::connect(m_pUi->m_pVerticalSliderDepthScale, SIGNAL(valueChanged(int)), this,
                     SLOT(slotUpdateParameters()), Qt::DirectConnection);
}

WizardPageVoxelRenderBase::~WizardPageVoxelRenderBase()
{
    delete m_pUi;
}

StateImplementationImagingBevel* WizardPageVoxelRenderBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingBevel>();
}

void WizardPageVoxelRenderBase::enter()
{
    MainWidget::enter();
    updateWidgetsFromParameters();
    m_pVoxelView->updateParameters();
}

void WizardPageVoxelRenderBase::clearViews()
{
    m_pVoxelView->clear();
}

void WizardPageVoxelRenderBase::slotUpdateParameters()
{
    const QSlider* pSlider = m_pUi->m_pVerticalSliderDepthScale;
    const double dSize = SURFACE_HEIGHT_MAPPING.toFactor(pSlider->value(), pSlider->minimum(), pSlider->maximum());
    for (ParameterObject* pObject : depthScaleParameters(getStateImplementation()))
    {
        pObject->setValues({{ImageModifierDepthScale::SIZE, dSize}});
    }
}

void WizardPageVoxelRenderBase::updateWidgetsFromParameters()
{
    QSlider* pSlider = m_pUi->m_pVerticalSliderDepthScale;
    for (const ParameterObject* pObject : depthScaleParameters(getStateImplementation()))
    {
        const ParameterObject::ParameterMap map = pObject->getParameters();
        const auto it = map.find(ImageModifierDepthScale::SIZE);
        const double dSize = it == map.end() ? 0.0 : it->second.toDouble();
        const QSignalBlocker blocker(pSlider);
        pSlider->setValue(SURFACE_HEIGHT_MAPPING.toPosition(dSize, pSlider->minimum(), pSlider->maximum()));
    }
}

void WizardPageVoxelRenderBase::slotChildAdded(const QString& sName)
{
    showRender(m_pVoxelView, getStateImplementation(), sName);
}

void WizardPageVoxelRenderBase::showRender(VoxelView* pVoxelView, const StateImplementationImaging* pStep,
                                           const QString& sName)
{
    if (!pStep->getImageObjectNames().contains(sName))
    {
        return;
    }
    if (sName.contains(IMAGE_DEPTH_RENDER))
    {
        pVoxelView->setDepthRenderName(sName);
    }
    else if (sName.contains(IMAGE_SLICE_RENDER_HORIZONTAL))
    {
        pVoxelView->setSliceRenderHorizontalName(sName);
    }
    else if (sName.contains(IMAGE_SLICE_RENDER_VERTICAL))
    {
        pVoxelView->setSliceRenderVerticalName(sName);
    }
}
