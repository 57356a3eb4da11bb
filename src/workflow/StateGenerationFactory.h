#pragma once

// The factories that build the workflow tree, one per kind of chapter. Each
// builds under a parent state; entry-from is where the chapter's first step
// goes back to, exit-to where its last step goes on to.

#include <functional>

class State;

class StateGenerationFactory
{
public:
    virtual ~StateGenerationFactory() = default;
    virtual void generate(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid) = 0;

protected:
    // The three states; throws "pParentState", "pEntryFromState" or
    // "pExitToState" for one that does not exist.
    static void findStates(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid,
                           State*& pParentState, State*& pEntryFromState, State*& pExitToState);
};

// The whole tree under the root: the artifact with its front and back side and
// the mesh construction. Only the parent uid (the root's) is used.
class StateGenerationFactoryArtifact : public StateGenerationFactory
{
public:
    void generate(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid) override;
};

// One side's component: its option selection, the shape and profile chains,
// the decorations chapter, the surface and the composition.
class StateGenerationFactoryComponent : public StateGenerationFactory
{
public:
    void generate(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid) override;
};

// LOAD, TRANSFORM, THRESHOLD, PAINT.
class StateGenerationFactoryImagePreprocessing : public StateGenerationFactory
{
public:
    void generate(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid) override;

protected:
    // Runs the four steps, then appends the step that makeLastStep creates
    // after PAINT (which keeps its last-step flag) and leads it on to exit-to.
    void generateWithFinalStep(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid,
                               const std::function<State*(unsigned long ulParentUid)>& makeLastStep);
};

// The profile chain: the four steps and HEIGHT_HISTOGRAM.
class StateGenerationFactoryImagePreprocessingAndHeightHistogram : public StateGenerationFactoryImagePreprocessing
{
public:
    void generate(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid) override;
};

// One decoration element: the four steps and PRESET_BEVEL.
class StateGenerationFactoryImagePreprocessingAndPresetBevel : public StateGenerationFactoryImagePreprocessing
{
public:
    void generate(unsigned long ulParentUid, unsigned long ulEntryFromUid, unsigned long ulExitToUid) override;
};
