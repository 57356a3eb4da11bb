#include "WizardPageDepthCompositionBase.h"

#include "DecorationLayers.h"
#include "DepthCompositionStackedWidget.h"
#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "QImageHelper.h"
#include "SimpleException.h"
#include "StateImplementationImagingComposition.h"
#include "VoxelView.h"
#include "WidgetHelper.h"
#include "WizardPageVoxelRenderBase.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPixmap>
#include <QSignalBlocker>
#include <QVBoxLayout>


// The form: the voxel view's frame beside the frame with "Select Decoration"
// and the layer widget's frame.
class WizardPageDepthCompositionBaseGui
{
public:
    void setupUi(QWidget* pForm)
    {
        pForm->setWindowTitle(QStringLiteral("Form"));
        auto* pLayout = new QHBoxLayout(pForm);
        m_pFrameVoxelView = new QFrame(pForm);
        m_pFrameVoxelView->setObjectName(QStringLiteral("m_pFrameVoxelView"));
        m_pFrameVoxelView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        m_pFrameDepthCompositionWidget = new QFrame(pForm);
        m_pFrameDepthCompositionWidget->setObjectName(QStringLiteral("m_pFrameDepthCompositionWidget"));
        m_pFrameDepthCompositionWidget->setMinimumWidth(300);
        auto* pColumn = new QVBoxLayout(m_pFrameDepthCompositionWidget);
        pColumn->setContentsMargins(0, 0, 0, 0);
        auto* pGroupSelect = new QGroupBox(QObject::tr("Select Decoration"), m_pFrameDepthCompositionWidget);
        auto* pSelectLayout = new QHBoxLayout(pGroupSelect);
        m_pComboBoxSelectDecoration = new QComboBox(pGroupSelect);
        m_pComboBoxSelectDecoration->setObjectName(QStringLiteral("m_pComboBoxSelectDecoration"));
        m_pComboBoxSelectDecoration->setIconSize(QSize(128, 128));
        pSelectLayout->addWidget(m_pComboBoxSelectDecoration);
        m_pFrameDecorationLayer = new QFrame(m_pFrameDepthCompositionWidget);
        m_pFrameDecorationLayer->setObjectName(QStringLiteral("m_pFrameDecorationLayer"));
        pColumn->addWidget(pGroupSelect);
        pColumn->addWidget(m_pFrameDecorationLayer);
        pColumn->addItem(new QSpacerItem(20, 572, QSizePolicy::Minimum, QSizePolicy::Expanding));
        pLayout->addWidget(m_pFrameVoxelView, 1);
        pLayout->addWidget(m_pFrameDepthCompositionWidget);
    }

    QFrame* m_pFrameVoxelView = nullptr;
    QFrame* m_pFrameDepthCompositionWidget = nullptr;
    QComboBox* m_pComboBoxSelectDecoration = nullptr;
    QFrame* m_pFrameDecorationLayer = nullptr;
};

WizardPageDepthCompositionBase::WizardPageDepthCompositionBase(StateImplementationImagingComposition* pStateImplementation)
    : MainWidgetWorkflow(pStateImplementation)
    , m_pUi(new WizardPageDepthCompositionBaseGui)
{
    m_pUi->setupUi(this);
    m_pVoxelView = new VoxelView(pStateImplementation);
    WidgetHelper::setSingleChild(m_pUi->m_pFrameVoxelView, m_pVoxelView);
    m_pStackedWidget = new DepthCompositionStackedWidget();
    WidgetHelper::setSingleChild(m_pUi->m_pFrameDecorationLayer, m_pStackedWidget);
    // The assertion texts are the connect statements as written here.
    MOLDENA_ASSERT(QObject::connect(ObjectRoot::getInstance(), SIGNAL(signalChildAdded(const QString&)), this,
                                    SLOT(slotChildAdded(const QString&)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(m_pStackedWidget,SIGNAL(signalParametersChanged()), this,
                                    SLOT(slotUpdateParameters()), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pComboBoxSelectDecoration, SIGNAL(currentIndexChanged(int)),
                                    m_pStackedWidget, SLOT(slotIndexChanged(int)), Qt::DirectConnection));
}

WizardPageDepthCompositionBase::~WizardPageDepthCompositionBase()
{
    delete m_pUi;
}

StateImplementationImagingComposition* WizardPageDepthCompositionBase::getStateImplementation() const
{
    return getStateImplementationAs<StateImplementationImagingComposition>();
}

void WizardPageDepthCompositionBase::enter()
{
    MainWidget::enter();
    updateWidgetsFromParameters();
    updateDecorationIcons();
    updateDecorationComboBox();
    m_pVoxelView->updateParameters();
}

void WizardPageDepthCompositionBase::clearViews()
{
    m_pVoxelView->clear();
}

void WizardPageDepthCompositionBase::slotUpdateParameters()
{
    updateDecorationComboBox();
    updateParametersFromWidgets();
}

void WizardPageDepthCompositionBase::slotChildAdded(const QString& sName)
{
    WizardPageVoxelRenderBase::showRender(m_pVoxelView, getStateImplementation(), sName);
}

WizardPageDepthCompositionBase::CompositionObjects WizardPageDepthCompositionBase::findParameterObjects(bool bWriting) const
{
    const StateImplementationImagingComposition* pStep = getStateImplementation();
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    CompositionObjects objects;
    std::vector<ParameterObject*>& vParameterDepthComposite = objects.vParameterDepthComposite;
    for (const QString& sName : pStep->getParameterObjectNames())
    {
        if (!sName.contains(MODIFIER_DEPTH_COMPOSITE))
        {
            continue;
        }
        if (ParameterObject* pObject = pRoot->findObject<ParameterObject>(sName))
        {
            vParameterDepthComposite.push_back(pObject);
        }
    }
    MOLDENA_ASSERT(!vParameterDepthComposite.empty());

    const QStringList slInputImageNamesDecoration = pStep->getInputImageNamesDecoration();
    if (bWriting)
    {
        MOLDENA_ASSERT(!slInputImageNamesDecoration.empty());
    }
    for (const QString& sImageName : slInputImageNamesDecoration)
    {
        ParameterObject* pParameterTransformation = pRoot->findObject<ParameterObject>(
            ParameterObject::createName(sImageName, MODIFIER_GEOMETRIC_TRANSFORMATION, 0));
        MOLDENA_ASSERT(pParameterTransformation);
        objects.mapParametersTransformation[sImageName] = pParameterTransformation;
    }
    return objects;
}

void WizardPageDepthCompositionBase::updateWidgetsFromParameters()
{
    m_mapDecorationNameToImageNames.clear();
    m_mapImageNameToParameterName.clear();
    const CompositionObjects objects = findParameterObjects(false);
    const std::map<QString, ParameterObject*>& mapParametersTransformation = objects.mapParametersTransformation;

    for (const ParameterObject* pParameterDepthComposite : objects.vParameterDepthComposite)
    {
        const ParameterObject::ParameterMap parameterDepthComposite = pParameterDepthComposite->getParameters();
        if (parameterDepthComposite.empty())
        {
            // Not set up yet: the layer widget keeps what it shows.
            return;
        }
        for (const QString& sKey :
             {ImageModifierDepthComposite::ORDER, ImageModifierDepthComposite::DEPTH,
              ImageModifierDepthComposite::EMBOSSING, ImageModifierDepthComposite::ENABLED,
              ImageModifierDepthComposite::DEPTH_SCALE, ImageModifierDepthComposite::CUTOFF_LOW,
              ImageModifierDepthComposite::CUTOFF_HIGH})
        {
            const auto it = parameterDepthComposite.find(sKey);
            MOLDENA_ASSERT(it != parameterDepthComposite.end());
        }
        const DecorationLayers layers = DecorationLayers::fromParameters(parameterDepthComposite);
        const std::vector<QString>& vOrder = layers.vOrder;
        const std::vector<float>& vDepth = layers.vDepth;
        const std::vector<QString>& vEmbossing = layers.vEmbossing;
        const std::vector<bool>& vEnabled = layers.vEnabled;
        const std::vector<float>& vDepthScale = layers.vDepthScale;
        const std::vector<float>& vCutoffLow = layers.vCutoffLow;
        const std::vector<float>& vCutoffHigh = layers.vCutoffHigh;
        // One entry per element in every vector; a placement per element at
        // one or both resolutions.
        MOLDENA_ASSERT(vOrder.size() == vDepth.size() && vDepth.size() == vEmbossing.size() &&
                       vDepth.size() == vEnabled.size() &&
                       (vDepth.size() == mapParametersTransformation.size() ||
                        2 * vDepth.size() == mapParametersTransformation.size()) &&
                       vDepth.size() == vDepthScale.size() && vDepth.size() == vCutoffLow.size() &&
                       vDepth.size() == vCutoffHigh.size());

        QList<DepthCompositionItemWidget::Parameters> parameters;
        for (std::size_t j = 0; j < vOrder.size(); ++j)
        {
            DepthCompositionItemWidget::Parameters record;
            record.m_sName = removeResolutionTags(vOrder[j]);
            m_mapDecorationNameToImageNames[record.m_sName].append(vOrder[j]);
            m_mapImageNameToParameterName[vOrder[j]] = pParameterDepthComposite->objectName();
            record.m_bEnabled = vEnabled[j];
            record.m_bInverted = vEmbossing[j] == ImageModifierDepthComposite::NEGATIVE;
            record.m_dDepth = vDepth[j];
            record.m_dDepthScale = vDepthScale[j];
            record.m_dCutoffLow = vCutoffLow[j];
            record.m_dCutoffHigh = vCutoffHigh[j];

            MOLDENA_ASSERT(mapParametersTransformation.find(vOrder[j]) != mapParametersTransformation.end());
            const ParameterObject::ParameterMap placement = mapParametersTransformation.at(vOrder[j])->getParameters();
            const auto read = [&placement](const QString& sKey, auto& value) {
                const auto it = placement.find(sKey);
                if (it != placement.end())
                {
                    value = it->second.value<std::decay_t<decltype(value)>>();
                }
            };
            read(ImageModifierGeometricTransformation::ANGLE, record.m_nAngle);
            read(ImageModifierGeometricTransformation::SCALE_X, record.m_dScaleX);
            read(ImageModifierGeometricTransformation::SCALE_Y, record.m_dScaleY);
            read(ImageModifierGeometricTransformation::TRANSLATE_X, record.m_dTranslateX);
            read(ImageModifierGeometricTransformation::TRANSLATE_Y, record.m_dTranslateY);
            parameters.append(record);
        }
        m_pStackedWidget->setParameters(parameters);
    }
}

void WizardPageDepthCompositionBase::updateDecorationIcons()
{
    m_mapDecorationNameToIcon.clear();
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    for (const auto& [sDecorationName, slImageNames] : m_mapDecorationNameToImageNames)
    {
        // The smallest variant makes the thumbnail quickest.
        const Raster2dBase* pSmallest = nullptr;
        for (const QString& sImageName : slImageNames)
        {
            const ImageObject* pImageObject = pRoot->findObject<ImageObject>(sImageName);
            const Raster2dBase* pRaster = pImageObject ? pImageObject->getRasterReadOnly() : nullptr;
            if (pRaster && (!pSmallest || pRaster->getSize() < pSmallest->getSize()))
            {
                pSmallest = pRaster;
            }
        }
        if (pSmallest)
        {
            m_mapDecorationNameToIcon[sDecorationName] =
                QIcon(QPixmap::fromImage(QImageHelper::createThumbnail(pSmallest, QSize(128, 128))));
        }
    }
}

void WizardPageDepthCompositionBase::updateDecorationComboBox()
{
    const QList<DepthCompositionItemWidget::Parameters> parameters = m_pStackedWidget->getParameters();
    if (parameters.isEmpty())
    {
        m_pUi->m_pFrameDepthCompositionWidget->hide();
        return;
    }
    m_pUi->m_pFrameDepthCompositionWidget->show();

    QComboBox* pComboBox = m_pUi->m_pComboBoxSelectDecoration;
    {
        const QSignalBlocker blocker(pComboBox);
        pComboBox->clear();
        for (const DepthCompositionItemWidget::Parameters& record : parameters)
        {
            const auto it = m_mapDecorationNameToIcon.find(record.m_sName);
            pComboBox->addItem(it == m_mapDecorationNameToIcon.end() ? QIcon() : it->second, QString());
        }
        pComboBox->setCurrentIndex(-1);
    }
    const int nCurrentIndex = m_pStackedWidget->getCurrentIndex();
    if (nCurrentIndex >= 0 && nCurrentIndex < pComboBox->count())
    {
        pComboBox->setCurrentIndex(nCurrentIndex);
    }
}

void WizardPageDepthCompositionBase::updateParametersFromWidgets()
{
    const QList<DepthCompositionItemWidget::Parameters> parameters = m_pStackedWidget->getParameters();
    const CompositionObjects objects = findParameterObjects(true);
    const std::map<QString, ParameterObject*>& mapParametersTransformation = objects.mapParametersTransformation;

    QStringList slNames;
    DecorationLayers layers;
    for (const DepthCompositionItemWidget::Parameters& record : parameters)
    {
        slNames.append(record.m_sName);
        layers.vDepth.push_back(F32(record.m_dDepth));
        layers.vDepthScale.push_back(F32(record.m_dDepthScale));
        layers.vCutoffLow.push_back(F32(record.m_dCutoffLow));
        layers.vCutoffHigh.push_back(F32(record.m_dCutoffHigh));
        layers.vEmbossing.push_back(record.m_bInverted ? ImageModifierDepthComposite::NEGATIVE
                                                       : ImageModifierDepthComposite::POSITIVE);
        layers.vEnabled.push_back(record.m_bEnabled);

        const QStringList slOriginalImageNames = m_mapDecorationNameToImageNames[record.m_sName];
        MOLDENA_ASSERT(slOriginalImageNames.size() > 0);
        for (const QString& sImageName : slOriginalImageNames)
        {
            MOLDENA_ASSERT(mapParametersTransformation.find(sImageName) != mapParametersTransformation.end());
            ParameterObject* pParameterTransformation = mapParametersTransformation.at(sImageName);
            ParameterObject::ParameterMap placement = pParameterTransformation->getParameters();
            placement[ImageModifierGeometricTransformation::ANGLE] = record.m_nAngle;
            placement[ImageModifierGeometricTransformation::TRANSLATE_X] = record.m_dTranslateX;
            placement[ImageModifierGeometricTransformation::TRANSLATE_Y] = record.m_dTranslateY;
            placement[ImageModifierGeometricTransformation::SCALE_X] = record.m_dScaleX;
            placement[ImageModifierGeometricTransformation::SCALE_Y] = record.m_dScaleY;
            pParameterTransformation->setParameters(placement);
        }
    }

    // Each depth-composite object gets back its own variants' names in the
    // new layer order.
    for (ParameterObject* pParameterDepthComposite : objects.vParameterDepthComposite)
    {
        ParameterObject::ParameterMap parameterDepthComposite = pParameterDepthComposite->getParameters();
        layers.vOrder.clear();
        for (const QString& sName : slNames)
        {
            const QStringList slOriginalNames = m_mapDecorationNameToImageNames[sName];
            MOLDENA_ASSERT(slOriginalNames.size() > 0);
            for (const QString& s : slOriginalNames)
            {
                if (m_mapImageNameToParameterName[s] == pParameterDepthComposite->objectName())
                {
                    layers.vOrder.push_back(s);
                }
            }
        }
        layers.toParameters(parameterDepthComposite);
        pParameterDepthComposite->setParameters(parameterDepthComposite);
    }
}
