#pragma once

#include <QDialog>

namespace Ui
{
class MeshQualityGui;
}

// Asks, before a mesh is generated, for the number of smoothing steps (0 to
// 99) and of mesh points (32000 to 640000 in steps of 32000). The dialog's
// only button is Ok; however it is closed, the spin boxes hold the answer.
// GUI thread only.
class MeshQualityDialog : public QDialog
{
    Q_OBJECT

public:
    // Modal, without parent; values outside the ranges are clamped.
    MeshQualityDialog(int nSmoothingSteps, int nNumberOfPoints);
    ~MeshQualityDialog() override;

    int getSmoothingSteps() const;
    int getNumberOfPoints() const;

    // Runs a dialog with the parameter store's smoothing steps (default 8) and
    // number of vertices (default 128000) and stores its values back there,
    // however it was closed.
    static void askAndStore();

private:
    Ui::MeshQualityGui* m_pUi = nullptr;
};
