#include "DepthCompositionItemWidget.h"

#include "SimpleException.h"
#include "SliderMapping.h"

#include "WidgetHelper.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <memory>
#include <vector>

namespace
{
using Parameters = DepthCompositionItemWidget::Parameters;

// How a slider position becomes a record value.
enum class Mapping
{
    Angle,      // the position in degrees
    Fraction,   // position / maximum
    Scale,      // 0.5 at the left end, 1 in the middle, 2 at the right end
    DepthScale, // 0.1, 1 and 10 in the same places
};

struct SliderRow
{
    const char* szLabel;
    const char* szName; // m_pSlider<name>, m_pLineEdit<name>
    int nMinimum;
    int nMaximum;
    Mapping mapping;
    double Parameters::*pField; // null for the angle
};

constexpr int TRANSFORM_ROWS = 5;
const std::array<SliderRow, 9> s_rows = {{
    {"Rotate", "Rotate", -180, 180, Mapping::Angle, nullptr},
    {"Scale Width", "ScaleX", -1000, 1000, Mapping::Scale, &Parameters::m_dScaleX},
    {"Scale Height", "ScaleY", -1000, 1000, Mapping::Scale, &Parameters::m_dScaleY},
    {"Pan Horizontally", "PanX", -1000, 1000, Mapping::Fraction, &Parameters::m_dTranslateX},
    {"Pan Vertically", "PanY", -1000, 1000, Mapping::Fraction, &Parameters::m_dTranslateY},
    {"Depth", "Depth", -1000, 1000, Mapping::Fraction, &Parameters::m_dDepth},
    {"Depth Scale", "DepthScale", -1000, 1000, Mapping::DepthScale, &Parameters::m_dDepthScale},
    {"Cutoff High", "CutoffHigh", 0, 1000, Mapping::Fraction, &Parameters::m_dCutoffHigh},
    {"Cutoff Low", "CutoffLow", 0, 1000, Mapping::Fraction, &Parameters::m_dCutoffLow},
}};

constexpr FactorSliderMapping SCALE_MAPPING{1.0, 0.5};
constexpr FactorSliderMapping DEPTH_SCALE_MAPPING{9.0, 0.9};

QString formatNumber(double dValue)
{
    return QString::number(dValue, 'g', 6);
}

} // namespace

// The form: the placement rows, the engraving rows with "Inverted", and the
// layer buttons, stacked above a spacer.
class DepthCompositionItemWidgetGui
{
public:
    void setupUi(QWidget* pForm)
    {
        pForm->setWindowTitle(QStringLiteral("Form"));
        auto* pLayout = new QVBoxLayout(pForm);
        pLayout->setContentsMargins(0, 0, 0, 0);
        auto* pGroupTransform = new QGroupBox(QObject::tr("Transform Image"), pForm);
        auto* pGroupEmboss = new QGroupBox(QObject::tr("Emboss Settings"), pForm);
        auto* pGridTransform = new QGridLayout(pGroupTransform);
        auto* pGridEmboss = new QGridLayout(pGroupEmboss);
        for (std::size_t i = 0; i < s_rows.size(); ++i)
        {
            const SliderRow& row = s_rows[i];
            const bool bTransform = i < TRANSFORM_ROWS;
            QGroupBox* pGroup = bTransform ? pGroupTransform : pGroupEmboss;
            QGridLayout* pGrid = bTransform ? pGridTransform : pGridEmboss;
            const int nRow = int(bTransform ? i : i - TRANSFORM_ROWS);
            auto* pSlider = new QSlider(Qt::Horizontal, pGroup);
            pSlider->setObjectName(QStringLiteral("m_pSlider%1").arg(QLatin1String(row.szName)));
            pSlider->setRange(row.nMinimum, row.nMaximum);
            pSlider->setSingleStep(1);
            pSlider->setValue(0);
            pSlider->setTickPosition(QSlider::TicksBothSides);
            pSlider->setTickInterval(row.mapping == Mapping::Angle ? 180 : 1000);
            pSlider->setMinimumWidth(140);
            auto* pLineEdit = new QLineEdit(pGroup);
            pLineEdit->setObjectName(QStringLiteral("m_pLineEdit%1").arg(QLatin1String(row.szName)));
            pLineEdit->setReadOnly(true);
            pLineEdit->setMaximumWidth(56);
            pGrid->addWidget(new QLabel(QObject::tr(row.szLabel), pGroup), nRow, 0);
            pGrid->addWidget(pSlider, nRow, 1);
            pGrid->addWidget(pLineEdit, nRow, 2);
            m_vSliders.push_back(pSlider);
            m_vLineEdits.push_back(pLineEdit);
        }
        m_pCheckBoxInverted = new QCheckBox(QObject::tr("Inverted"), pGroupEmboss);
        m_pCheckBoxInverted->setObjectName(QStringLiteral("m_pCheckBoxInverted"));
        pGridEmboss->addWidget(m_pCheckBoxInverted, int(s_rows.size() - TRANSFORM_ROWS), 0, 1, 3);

        auto* pGroupLayer = new QGroupBox(QObject::tr("Decoration Layer"), pForm);
        auto* pLayerLayout = new QHBoxLayout(pGroupLayer);
        m_pPushButtonMoveUp = new QPushButton(WidgetHelper::twoStateIcon(QStringLiteral("ArrowUp")), QString(), pGroupLayer);
        m_pPushButtonMoveUp->setObjectName(QStringLiteral("m_pPushButtonMoveUp"));
        m_pPushButtonMoveUp->setToolTip(QObject::tr("Move Up"));
        m_pPushButtonMoveDown =
            new QPushButton(WidgetHelper::twoStateIcon(QStringLiteral("ArrowDown")), QString(), pGroupLayer);
        m_pPushButtonMoveDown->setObjectName(QStringLiteral("m_pPushButtonMoveDown"));
        m_pPushButtonMoveDown->setToolTip(QObject::tr("Move Down"));
        m_pToolButtonEnabled = createSwitch(pGroupLayer, "m_pToolButtonEnabled", QObject::tr("Visible"), "Visible");
        m_pToolButtonDisabled =
            createSwitch(pGroupLayer, "m_pToolButtonDisabled", QObject::tr("Invisible"), "Invisible");
        m_pToolButtonEnabled->setChecked(true);
        for (QWidget* pButton : {static_cast<QWidget*>(m_pPushButtonMoveUp), static_cast<QWidget*>(m_pPushButtonMoveDown),
                                 static_cast<QWidget*>(m_pToolButtonEnabled),
                                 static_cast<QWidget*>(m_pToolButtonDisabled)})
        {
            pLayerLayout->addWidget(pButton);
        }
        pLayerLayout->addStretch();

        pLayout->addWidget(pGroupTransform);
        pLayout->addWidget(pGroupEmboss);
        pLayout->addWidget(pGroupLayer);
        pLayout->addStretch();
    }

    std::vector<QSlider*> m_vSliders; // in the order of s_rows
    std::vector<QLineEdit*> m_vLineEdits;
    QCheckBox* m_pCheckBoxInverted = nullptr;
    QPushButton* m_pPushButtonMoveUp = nullptr;
    QPushButton* m_pPushButtonMoveDown = nullptr;
    QToolButton* m_pToolButtonEnabled = nullptr;
    QToolButton* m_pToolButtonDisabled = nullptr;

private:
    static QToolButton* createSwitch(QWidget* pParent, const char* szName, const QString& sToolTip, const char* szIcon)
    {
        auto* pButton = new QToolButton(pParent);
        pButton->setObjectName(QLatin1String(szName));
        pButton->setToolTip(sToolTip);
        pButton->setIcon(WidgetHelper::twoStateIcon(QLatin1String(szIcon)));
        pButton->setCheckable(true);
        pButton->setAutoExclusive(true);
        return pButton;
    }
};

DepthCompositionItemWidget::DepthCompositionItemWidget(QWidget* pParent)
    : QWidget(pParent)
    , m_pUi(new DepthCompositionItemWidgetGui)
{
    m_pUi->setupUi(this);
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonMoveDown, &QPushButton::clicked, this,
                           &DepthCompositionItemWidget::slotMoveDown));
    MOLDENA_ASSERT(connect(m_pUi->m_pPushButtonMoveUp, &QPushButton::clicked, this,
                           &DepthCompositionItemWidget::slotMoveUp));
    for (QSlider* pSlider : m_pUi->m_vSliders)
    {
        MOLDENA_ASSERT(connect(pSlider, &QSlider::valueChanged, this, &DepthCompositionItemWidget::slotParametersChanged));
    }
    for (QAbstractButton* pButton : {static_cast<QAbstractButton*>(m_pUi->m_pToolButtonEnabled),
                                     static_cast<QAbstractButton*>(m_pUi->m_pToolButtonDisabled),
                                     static_cast<QAbstractButton*>(m_pUi->m_pCheckBoxInverted)})
    {
        MOLDENA_ASSERT(connect(pButton, &QAbstractButton::toggled, this, &DepthCompositionItemWidget::slotParametersChanged));
    }
}

DepthCompositionItemWidget::~DepthCompositionItemWidget()
{
    delete m_pUi;
}

void DepthCompositionItemWidget::setParameters(const Parameters& parameters)
{
    m_parameters = parameters;
    std::vector<std::unique_ptr<QSignalBlocker>> vBlockers;
    for (QObject* pControl : {static_cast<QObject*>(m_pUi->m_pToolButtonEnabled),
                              static_cast<QObject*>(m_pUi->m_pToolButtonDisabled),
                              static_cast<QObject*>(m_pUi->m_pCheckBoxInverted)})
    {
        vBlockers.push_back(std::make_unique<QSignalBlocker>(pControl));
    }
    for (QSlider* pSlider : m_pUi->m_vSliders)
    {
        vBlockers.push_back(std::make_unique<QSignalBlocker>(pSlider));
    }

    // The checked one of an exclusive pair cannot be unchecked: check the other.
    (m_parameters.m_bEnabled ? m_pUi->m_pToolButtonEnabled : m_pUi->m_pToolButtonDisabled)->setChecked(true);
    m_pUi->m_pCheckBoxInverted->setChecked(m_parameters.m_bInverted);
    for (std::size_t i = 0; i < s_rows.size(); ++i)
    {
        const SliderRow& row = s_rows[i];
        QSlider* pSlider = m_pUi->m_vSliders[i];
        const int nMinimum = pSlider->minimum();
        const int nMaximum = pSlider->maximum();
        int nPosition = 0;
        switch (row.mapping)
        {
        case Mapping::Angle:
            nPosition = sliderPosition(m_parameters.m_nAngle, nMinimum, nMaximum);
            break;
        case Mapping::Fraction:
            nPosition = sliderPosition(nMaximum * (m_parameters.*row.pField), nMinimum, nMaximum);
            break;
        case Mapping::Scale:
            nPosition = SCALE_MAPPING.toPosition(m_parameters.*row.pField, nMinimum, nMaximum);
            break;
        case Mapping::DepthScale:
            nPosition = DEPTH_SCALE_MAPPING.toPosition(m_parameters.*row.pField, nMinimum, nMaximum);
            break;
        }
        pSlider->setValue(nPosition);
    }
    updateWidgets();
}

void DepthCompositionItemWidget::updateWidgets()
{
    for (std::size_t i = 0; i < s_rows.size(); ++i)
    {
        const SliderRow& row = s_rows[i];
        const QSlider* pSlider = m_pUi->m_vSliders[i];
        QString sText;
        switch (row.mapping)
        {
        case Mapping::Angle:
            sText = QString::number(pSlider->value());
            break;
        case Mapping::Fraction:
            sText = formatNumber(double(pSlider->value()) / pSlider->maximum());
            break;
        case Mapping::Scale:
        case Mapping::DepthScale:
            sText = formatNumber(m_parameters.*row.pField);
            break;
        }
        m_pUi->m_vLineEdits[i]->setText(sText);
    }
}

void DepthCompositionItemWidget::slotParametersChanged()
{
    m_parameters.m_bEnabled = m_pUi->m_pToolButtonEnabled->isChecked();
    m_parameters.m_bInverted = m_pUi->m_pCheckBoxInverted->isChecked();
    for (std::size_t i = 0; i < s_rows.size(); ++i)
    {
        const SliderRow& row = s_rows[i];
        const QSlider* pSlider = m_pUi->m_vSliders[i];
        const int nValue = pSlider->value();
        switch (row.mapping)
        {
        case Mapping::Angle:
            m_parameters.m_nAngle = nValue;
            break;
        case Mapping::Fraction:
            m_parameters.*row.pField = double(nValue) / pSlider->maximum();
            break;
        case Mapping::Scale:
            m_parameters.*row.pField = SCALE_MAPPING.toFactor(nValue, pSlider->minimum(), pSlider->maximum());
            break;
        case Mapping::DepthScale:
            m_parameters.*row.pField = DEPTH_SCALE_MAPPING.toFactor(nValue, pSlider->minimum(), pSlider->maximum());
            break;
        }
    }
    updateWidgets();
    emit signalParametersChanged(m_parameters.m_sName);
}

void DepthCompositionItemWidget::slotMoveDown()
{
    emit signalMoveDown(m_parameters.m_sName);
}

void DepthCompositionItemWidget::slotMoveUp()
{
    emit signalMoveUp(m_parameters.m_sName);
}
