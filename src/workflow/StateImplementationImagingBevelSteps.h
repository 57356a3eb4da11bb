#pragma once

// The two steps that bevel a painted outline with a profile: the engraving
// style of a decoration element, and the surface of a component.

#include "StateImplementationImagingSteps.h"

class Uid;

// PRESET_BEVEL: bevels the element's painted image with the height profile of
// a picture chosen from the profile library (or a file). The bevel images carry
// the element chain's name, so the composition finds them.
class StateImplementationImagingPresetBevel
    : public ClonableImagingStep<StateImplementationImagingPresetBevel>
{
public:
    StateImplementationImagingPresetBevel();
    explicit StateImplementationImagingPresetBevel(unsigned long ulShapeUid);
    ~StateImplementationImagingPresetBevel() override;

    void copyTo(StateImplementationBase* pDerivedClone) const override;
    bool canEnter() const override;
    void process() override;

private:
    Uid* m_pUidShape = nullptr;
};

// BEVEL: bevels the component's painted shape with its profile chain's height
// profile and renders the result as two slice profiles and two shaded views.
class StateImplementationImagingBevel : public ClonableImagingStep<StateImplementationImagingBevel>
{
public:
    StateImplementationImagingBevel();
    StateImplementationImagingBevel(unsigned long ulShapeUid, unsigned long ulProfileUid);
    ~StateImplementationImagingBevel() override;

    void copyTo(StateImplementationBase* pDerivedClone) const override;
    bool canEnter() const override;
    void process() override;

private:
    Uid* m_pUidShape = nullptr;
    Uid* m_pUidProfile = nullptr;
};

// Looks up a parameter object of the tree (throwing sAssertion when it is
// missing), changes the given keys in a copy of its map and sets it back; the
// object signals only when a value changed.
void writeParameters(const QString& sObjectName, const QString& sAssertion,
                     const std::vector<std::pair<QString, QVariant>>& vValues);
