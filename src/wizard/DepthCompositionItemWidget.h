#pragma once

#include <QString>
#include <QWidget>

class DepthCompositionItemWidgetGui;

// The settings of one decoration element on the depth composition page:
// placement (rotate, scale, pan), engraving (depth, depth scale, cutoffs,
// inversion), visibility, and two buttons that move the element one layer up
// or down. Reads and writes no objects of the tree; the page converts the
// record. GUI thread only.
class DepthCompositionItemWidget : public QWidget
{
    Q_OBJECT
public:
    // One element's settings. A default record is all zero (scales too).
    struct Parameters
    {
        double m_dTranslateX = 0.0; // pan as a fraction, -1 .. 1
        double m_dTranslateY = 0.0;
        double m_dScaleX = 0.0; // 0.5 .. 2
        double m_dScaleY = 0.0;
        int m_nAngle = 0; // whole degrees, -180 .. 180
        double m_dDepth = 0.0; // -1 .. 1
        double m_dDepthScale = 0.0; // 0.1 .. 10
        double m_dCutoffLow = 0.0; // 0 .. 1
        double m_dCutoffHigh = 0.0;
        bool m_bInverted = false;
        bool m_bEnabled = false;
        QString m_sName; // the element's decoration image name without resolution tag
    };

    explicit DepthCompositionItemWidget(QWidget* pParent = nullptr);
    ~DepthCompositionItemWidget() override;

    Parameters getParameters() const { return m_parameters; }
    // Replaces the record and places the controls from it; emits nothing.
    // Sliders go to the nearest position of the stored value.
    void setParameters(const Parameters& parameters);
    // Shows the values beside their sliders.
    void updateWidgets();

signals:
    void signalParametersChanged(QString sName);
    void signalMoveDown(QString sName);
    void signalMoveUp(QString sName);

public slots:
    // Reads every control into the record, then emits
    // signalParametersChanged with the element's name.
    void slotParametersChanged();
    void slotMoveDown();
    void slotMoveUp();

private:
    Parameters m_parameters;
    DepthCompositionItemWidgetGui* m_pUi = nullptr;
};
