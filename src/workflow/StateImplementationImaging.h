#pragma once

#include "StateImplementationBase.h"

#include "ImagePipelineManager.h"

#include <QString>
#include <QStringList>

#include <vector>

// The base of every step that turns images into images. A subclass's process()
// creates the step's missing pipelines through the pipeline factories and
// hands their names to setPipelineNames(); from the pipelines the base learns
// the names of every image and parameter object the step reads or writes. The
// step owns nothing: the pipelines belong to the ImagePipelineManager, the
// objects to the object tree; removeObjects() deletes them by name.
//
// While the step is current its pipelines are enabled; leaving is refused while
// one of them runs or owes a run; a left step is complete until one of its
// images is taken out of the tree non-silently (a pipeline upstream runs again).
class StateImplementationImaging : public StateImplementationBase
{
    Q_OBJECT
public:
    StateImplementationImaging();

    // Full names of the owning state and of its parent (the chain state).
    // Throw "pState" without a state and "pParent" without a parent.
    QString getStateFullName() const;
    QString getParentStateFullName() const;
    QString getParentStateName() const;

    const QStringList& getPipelineNames() const { return m_slPipelineNames; }
    const QStringList& getImageObjectNames() const { return m_slImageObjectNames; }
    const QStringList& getParameterObjectNames() const { return m_slParameterObjectNames; }

    // The step's parameter objects whose names contain every one of the words,
    // in the step's order; throws sAssertion for a listed name without object.
    std::vector<class ParameterObject*> findParameterObjects(const QStringList& slWords,
                                                             const QString& sAssertion) const;

    // The imaging steps among the direct children of pState, in child order.
    static std::vector<const StateImplementationImaging*> getStepsOf(const class State* pState);

    void setCommitOnLeave(bool bCommitOnLeave) { m_bCommitOnLeave = bCommitOnLeave; }
    bool isCommitOnLeave() const { return m_bCommitOnLeave; }
    // The step's pipelines in the order they are enabled and run; refreshes the
    // image and parameter names from them (duplicates dropped) and passes
    // their refusals on.
    void setPipelineNames(const QStringList& slPipelineNames);

    // Copies the flags and every committed image and parameter object; the
    // copies enter the tree silently and register with the copy bookkeeping.
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    bool canLeave() const override;
    // Not while the last run of one of the step's pipelines was refused: what
    // its outputs hold is not a result of the current inputs.
    bool canMoveOn() const override;
    bool isComplete() const override { return m_bComplete; }
    void removeObjects() override;
    // Enables the pipelines and runs each once.
    void onEntered() override;
    // Disables the pipelines, commits the images where the step commits on
    // leaving, and marks the step complete.
    void onLeft() override;

signals:
    // A run of one of the step's pipelines refused its inputs; the reason is
    // meant for the user.
    void signalProcessingRefused(const QString& sReason);

public slots:
    void slotChildAddedOrRemoved(const QString& sName);

protected:
    // Creates the pipeline unless the manager holds it already (a pipeline
    // survives leaving and re-entering), and returns its name.
    template <typename Factory>
    static QString createPipeline(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames)
    {
        ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
        if (!pManager->hasPipeline(sPipelineName))
        {
            pManager->addPipeline(Factory().create(sPipelineName, slInputImageNames, slOutputImageNames));
        }
        return sPipelineName;
    }

    // Whether an image object of that name is in the tree with a raster.
    static bool hasImage(const QString& sName);

    void setComplete(bool bComplete) { m_bComplete = bComplete; }

private:
    // Whether one of the step's pipelines that exist satisfies the predicate.
    template <typename Predicate>
    bool isAnyPipeline(Predicate predicate) const;

    QStringList m_slPipelineNames;
    QStringList m_slImageObjectNames;
    QStringList m_slParameterObjectNames;
    bool m_bCommitOnLeave = false;
    bool m_bComplete = false;
};
