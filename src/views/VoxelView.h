#pragma once

#include <QString>
#include <QWidget>

class QSlider;
class QLineEdit;
class StateImplementationImaging;
class VoxelCanvas;

namespace Ui
{
class VoxelViewGui;
}

// The relief of a depth step: the voxel canvas with two sliders that move the
// horizontal and the vertical slice and a dial that turns the light. Moving a
// control writes the new value into the step's slice-render or depth-render
// parameter objects at once; the re-rendered images come back through the
// tree, and the page hands their names to the view. GUI thread only.
class VoxelView : public QWidget
{
    Q_OBJECT

public:
    // The step is not owned; its parameter objects are the ones written.
    explicit VoxelView(StateImplementationImaging* pStep);
    ~VoxelView() override;

    void setDepthRenderName(const QString& sName);
    void setSliceRenderHorizontalName(const QString& sName);
    void setSliceRenderVerticalName(const QString& sName);
    // Drops the canvas's pictures (pages call it when they are left).
    void clear();
    // Writes the current slider and dial values into the parameter objects;
    // pages call it once after binding the view.
    void updateParameters();

    VoxelCanvas* getVoxelCanvas() const { return m_pVoxelCanvas; }

    // The light's travel direction for a dial value in degrees: (-cos t,
    // sin t) with t = (270 - value) degrees; 135 gives (0.7071, 0.7071).
    static QList<double> getLightDirection(int nValue);

public slots:
    // Slider values become fractions of the slider's range.
    void slotSlicePositionHorizontal(int nValue);
    void slotSlicePositionVertical(int nValue);
    void slotLightDirection(int nValue);

private:
    // Shows the slider's fraction and writes it as POSITION into the step's
    // slice-render parameter objects of that orientation. True when there
    // was at least one; the canvas follows only then.
    bool writeSlicePosition(const QSlider* pSlider, QLineEdit* pLineEdit, const QString& sOrientation, int nValue,
                            double& dPosition);
    // Sets one key in every parameter object of the step whose name contains
    // all the given words; how many. Throws "pParameter" for a name without
    // an object.
    int writeParameter(const QStringList& slNameParts, const QString& sKey, const QVariant& value);

    Ui::VoxelViewGui* m_pUi = nullptr;
    VoxelCanvas* m_pVoxelCanvas = nullptr;
    StateImplementationImaging* m_pStep = nullptr;
};
