#pragma once

#include "MainWidget.h"

#include <QIcon>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class DepthCompositionStackedWidget;
class ParameterObject;
class StateImplementationImagingComposition;
class VoxelView;
class WizardPageDepthCompositionBaseGui;

// The composition step of a component: the composite of the surface and its
// decoration elements as a depth render with slice profiles, and beside it a
// combo box with a thumbnail per element and the chosen element's layer
// widget. Every change in the layer widget is written at once into the
// composition's depth-composite objects (the per-element vectors, in layer
// order) and into the elements' placement objects; the pipelines run again
// and the view follows. Each visit reads the elements afresh.
class WizardPageDepthCompositionBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageDepthCompositionBase(StateImplementationImagingComposition* pStateImplementation);
    ~WizardPageDepthCompositionBase() override;

    // Throws "pStateImplementation" for a step of another class.
    StateImplementationImagingComposition* getStateImplementation() const;
    void enter() override;
    void clearViews() override;

public slots:
    // Hands the step's own renders to the view when they come back into the tree.
    void slotChildAdded(const QString& sName);
    void slotUpdateParameters();

private:
    struct CompositionObjects
    {
        // The depth-composite objects, in the step's order.
        std::vector<ParameterObject*> vParameterDepthComposite;
        // The placement object of every decoration input image, by image name.
        std::map<QString, ParameterObject*> mapParametersTransformation;
    };
    // Throws "!vParameterDepthComposite.empty()", "pParameterTransformation"
    // and, when bWriting, "!slInputImageNamesDecoration.empty()".
    CompositionObjects findParameterObjects(bool bWriting) const;

    void updateWidgetsFromParameters();
    void updateDecorationIcons();
    void updateDecorationComboBox();
    void updateParametersFromWidgets();

    WizardPageDepthCompositionBaseGui* m_pUi = nullptr;
    VoxelView* m_pVoxelView = nullptr;
    DepthCompositionStackedWidget* m_pStackedWidget = nullptr;
    // Element name (image name without resolution tag) -> its image names,
    // one per depth-composite object that lists it.
    std::map<QString, QStringList> m_mapDecorationNameToImageNames;
    // Image name -> the depth-composite object that lists it.
    std::map<QString, QString> m_mapImageNameToParameterName;
    std::map<QString, QIcon> m_mapDecorationNameToIcon;
};
