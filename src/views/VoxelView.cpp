#include "VoxelView.h"

#include "ImageModifier/ImageModifierDepthRender.h"
#include "ImageModifier/ImageModifierSliceRender.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "StateImplementationImaging.h"
#include "VoxelCanvas.h"
#include "WidgetHelper.h"

#include "ui_VoxelViewGui.h"

#include <cmath>

VoxelView::VoxelView(StateImplementationImaging* pStep)
    : QWidget(nullptr)
    , m_pStep(pStep)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pUi = new Ui::VoxelViewGui;
    m_pUi->setupUi(this);
    m_pVoxelCanvas = new VoxelCanvas();
    WidgetHelper::setSingleChild(m_pUi->m_pVoxelFrame, m_pVoxelCanvas);

    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pHorizontalSliderSliceHorizontal, SIGNAL(valueChanged(int)), this,
                                    SLOT(slotSlicePositionHorizontal(int))));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pHorizontalSliderSliceVertical, SIGNAL(valueChanged(int)), this,
                                    SLOT(slotSlicePositionVertical(int))));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pDialLightDirection, SIGNAL(valueChanged(int)), this,
                                    SLOT(slotLightDirection(int))));
}

VoxelView::~VoxelView()
{
    delete m_pUi;
}

void VoxelView::setDepthRenderName(const QString& sName)
{
    m_pVoxelCanvas->setDepthRenderName(sName);
}

void VoxelView::setSliceRenderHorizontalName(const QString& sName)
{
    m_pVoxelCanvas->setSliceRenderHorizontalName(sName);
}

void VoxelView::setSliceRenderVerticalName(const QString& sName)
{
    m_pVoxelCanvas->setSliceRenderVerticalName(sName);
}

void VoxelView::clear()
{
    m_pVoxelCanvas->clear();
}

void VoxelView::updateParameters()
{
    slotSlicePositionHorizontal(m_pUi->m_pHorizontalSliderSliceHorizontal->value());
    slotSlicePositionVertical(m_pUi->m_pHorizontalSliderSliceVertical->value());
    slotLightDirection(m_pUi->m_pDialLightDirection->value());
}

QList<double> VoxelView::getLightDirection(int nValue)
{
    // The shortened pi is part of the stored values.
    const double dTheta = (270 - nValue) / 180.0 * 3.1415926535;
    return {-std::cos(dTheta), std::sin(dTheta)};
}

void VoxelView::slotSlicePositionHorizontal(int nValue)
{
    double dPosition = 0.0;
    if (writeSlicePosition(m_pUi->m_pHorizontalSliderSliceHorizontal, m_pUi->m_pLineEditSliceHorizontal,
                           ImageModifierSliceRender::HORIZONTAL, nValue, dPosition))
    {
        m_pVoxelCanvas->setSlicePositionHorizontal(dPosition);
    }
}

void VoxelView::slotSlicePositionVertical(int nValue)
{
    double dPosition = 0.0;
    if (writeSlicePosition(m_pUi->m_pHorizontalSliderSliceVertical, m_pUi->m_pLineEditSliceVertical,
                           ImageModifierSliceRender::VERTICAL, nValue, dPosition))
    {
        m_pVoxelCanvas->setSlicePositionVertical(dPosition);
    }
}

void VoxelView::slotLightDirection(int nValue)
{
    // The canvas is not touched: the new render arrives through the tree.
    writeParameter({MODIFIER_DEPTH_RENDER}, ImageModifierDepthRender::LIGHT_DIRECTION,
                   QVariant::fromValue(getLightDirection(nValue)));
}

bool VoxelView::writeSlicePosition(const QSlider* pSlider, QLineEdit* pLineEdit, const QString& sOrientation,
                                   int nValue, double& dPosition)
{
    dPosition = double(nValue) / double(pSlider->maximum() - pSlider->minimum());
    pLineEdit->setText(QString::number(dPosition, 'g', 6));
    return writeParameter({MODIFIER_SLICE_RENDER, sOrientation}, ImageModifierSliceRender::POSITION, dPosition) > 0;
}

int VoxelView::writeParameter(const QStringList& slNameParts, const QString& sKey, const QVariant& value)
{
    const std::vector<ParameterObject*> vObjects = m_pStep->findParameterObjects(slNameParts, QStringLiteral("pParameter"));
    for (ParameterObject* pParameter : vObjects)
    {
        pParameter->setValues({{sKey, value}});
    }
    return int(vObjects.size());
}
