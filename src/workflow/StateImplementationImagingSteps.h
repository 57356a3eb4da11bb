#pragma once

// The steps every image chain (shape, surface profile, each decoration
// element) is made of: load, rotate and scale, filter and threshold, paint;
// the profile chain adds the height profile. Images carry the chain's full
// name, so each step's outputs are the next step's inputs; pipelines carry the
// step's own full name.

#include "StateImplementationImaging.h"

// Gives a step class the clone every concrete step needs: a default-made
// object of the same class filled by copyTo.
template <typename Derived, typename Base = StateImplementationImaging>
class ClonableImagingStep : public Base
{
public:
    using Base::Base;
    StateImplementationBase* clone() const override
    {
        auto* pClone = new Derived();
        this->copyTo(pClone);
        return pClone;
    }
};

class StateImplementationImagingLoadImage : public ClonableImagingStep<StateImplementationImagingLoadImage>
{
public:
    // Import of the file the page names, equalize and margins, preview copy.
    void process() override;
};

class StateImplementationImagingTransformImage
    : public ClonableImagingStep<StateImplementationImagingTransformImage>
{
public:
    bool canEnter() const override;
    // Crop, working and preview sizes, rotate and scale at both sizes.
    void process() override;
};

class StateImplementationImagingThreshold : public ClonableImagingStep<StateImplementationImagingThreshold>
{
public:
    bool canEnter() const override;
    // Smoothing and morphology, threshold, preview copies.
    void process() override;
};

class StateImplementationImagingPaint : public ClonableImagingStep<StateImplementationImagingPaint>
{
public:
    bool canEnter() const override;
    // Only on a painted image of at least two grey values: one single grey
    // value holds no shape. Going back is never refused for it.
    bool canMoveOn() const override;
    // Whether the painted working image is there and one single grey value
    // everywhere; the page then says why Next is greyed.
    bool isPaintedImageOneGreyValue() const;
    // Pen and bucket on the thresholded image, preview copy.
    void process() override;
    // Also saves the thresholded and the painted working images as PNG files
    // in the temporary directory, where the pages offer them again.
    void onLeft() override;

    // The file the working image of that name is saved to.
    static QString getSavedImagePath(const QString& sImageName);
};

class StateImplementationImagingHeightHistogram
    : public ClonableImagingStep<StateImplementationImagingHeightHistogram>
{
public:
    bool canEnter() const override;
    // The profile of the painted image, and its rendering.
    void process() override;
};
