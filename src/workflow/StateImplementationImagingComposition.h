#pragma once

#include "StateImplementationImagingSteps.h"

#include <QStringList>

#include <vector>

class ImageObject;
class ParameterObject;
class Uid;

// COMPOSITION: merges the component's surface and every decoration element's
// bevel image into one height raster (the depth composite) at the working
// resolution and as a quick preview, and renders it for the page. Every entry
// rebuilds the composite pipelines with the current elements; the composite's
// per-element settings and each element's placement survive the rebuild.
class StateImplementationImagingComposition
    : public ClonableImagingStep<StateImplementationImagingComposition>
{
public:
    StateImplementationImagingComposition();
    StateImplementationImagingComposition(unsigned long ulBevelUid, unsigned long ulDecorationElementsUid);
    ~StateImplementationImagingComposition() override;

    void copyTo(StateImplementationBase* pDerivedClone) const override;
    bool canEnter() const override;
    void process() override;
    void removeObjects() override;

    // The elements' bevel images: working resolution first, then preview.
    QStringList getInputImageNamesDecoration() const;

    // Any addition or removal of an element's bevel image, silent or not,
    // makes the composition incomplete.
    void slotChildAddedOrRemoved(const QString& sName);

private:
    // The elements' bevel image names at both resolutions, in element order.
    void gatherDecorationElements() const;
    // The BEVEL step's bevel images at the two resolutions (may be empty).
    void findSurfaceImages(QStringList& slHigh, QStringList& slLow) const;
    // The step's nine pipelines in the order they are made, the two depth
    // composites first; the indices below point into it.
    QStringList getCompositionPipelineNames() const;
    enum CompositionPipeline
    {
        COMPOSITE_HIGH = 0,
        COMPOSITE_QUICK = 1,
        DOWNSIZE = 2,
        SLICE_RENDER_LOW = 3, // horizontal, then vertical two further on
        SLICE_RENDER_QUICK = 4,
        DEPTH_RENDER_LOW = 7,
        DEPTH_RENDER_QUICK = 8
    };
    // Takes out and deletes those of the named pipelines that exist; the
    // depth composites' objects are kept for the rebuild.
    void tearDownPipelines(const QStringList& slPipelineNames);
    void deleteKeptObjects();

    Uid* m_pUidBevel = nullptr;
    Uid* m_pUidDecorationElements = nullptr;
    std::vector<ImageObject*> m_vKeptImageObjects;
    std::vector<ParameterObject*> m_vKeptParameterObjects;
    mutable QStringList m_slInputImageNamesDecorationHighResHQ;
    mutable QStringList m_slInputImageNamesDecorationLowResHQ;
};
