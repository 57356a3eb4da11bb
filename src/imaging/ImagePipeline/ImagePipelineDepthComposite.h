#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <vector>

inline const QString PIPELINE_DEPTH_COMPOSITE = QStringLiteral("PIPELINE_DEPTH_COMPOSITE");

// The composite depth raster of one side: every decoration input (a name
// containing DECORATION) is first transformed into the surface's frame with
// its own parameter object <decoration>/MODIFIER_GEOMETRIC_TRANSFORMATION/0,
// then the decorations are composed onto the surface with
// <output>/MODIFIER_DEPTH_COMPOSITE/0. The surface is the input whose name
// contains that object's SURFACE_IDENTIFIER (the last such in name order).
// All inputs and the output are float rasters.
class ImageProcessorDepthComposite : public ImageProcessorBase
{
public:
    ImageProcessorDepthComposite();
    ~ImageProcessorDepthComposite() override;

    // Pool thread. A missing SURFACE_IDENTIFIER or an input that is not a
    // float raster logs one ERROR line and ends the run with the output
    // untouched. Without decorations the output is an exact copy of the
    // surface; when the composite modifier refuses, the output is the surface.
    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override;
    // The base's slots, then the rasters of both own vectors (slots nulled).
    void releaseBufferRasters() override;

protected:
    // One slot per decoration of the current run: the transformed decoration.
    std::vector<Raster2dBase*> m_vBufferRasterDecoration;
    // One slot: the composite.
    std::vector<Raster2dBase*> m_vBufferRasterComposite;
};

// GUI thread; holds nothing.
class ImagePipelineFactoryDepthComposite : public ImagePipelineFactoryBase
{
public:
    // At least one input and exactly one output name (throws otherwise).
    // vParameterObjects and vImageObjects hold the objects the caller took
    // out of the tree with the previous pipeline (getObjects); the ones this
    // pipeline uses again are taken from the vectors and put back into the
    // tree, so their values survive the rebuild. The rest stay with the
    // caller. Missing objects are created with the modifiers' defaults.
    ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                          const QStringList& slOutputImageNames, std::vector<ParameterObject*>& vParameterObjects,
                          std::vector<ImageObject*>& vImageObjects);

    // Removes from the vector and returns the first object named sName, or
    // null. Null entries are passed over.
    static ImageObject* takeImageObject(const QString& sName, std::vector<ImageObject*>& vImageObjects);
    // Removes from the vector and returns the object named
    // <sImageName>/<sModifierName>/0, or null.
    static ParameterObject* takeParameterObject(const QString& sModifierName, const QString& sImageName,
                                                std::vector<ParameterObject*>& vParameterObjects);
};
