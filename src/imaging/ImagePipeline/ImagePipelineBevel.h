#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

inline const QString PIPELINE_BEVEL = QStringLiteral("PIPELINE_BEVEL");

// From an 8-bit shape mask and a float height-profile row (two inputs), the
// surface heights of the shape (one float output of the shape's size, 0 on
// the frame and outside the shape): the mask is inverted, its distance
// transform taken, the distances mapped through the profile (or, for a shape
// of three or more gray values, its inverted gray values taken as a
// bas-relief) and the heights scaled. Its four parameter objects are named
// after the output: output/MODIFIER_INVERT/0, output/MODIFIER_BEVEL/0,
// output/MODIFIER_DISTANCE_TRANSFORM/0, output/MODIFIER_DEPTH_SCALE/0. The
// bevel's object must carry the shape's and the profile's image names
// (ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE / _PROFILE).
class ImageProcessorBevel : public ImageProcessorBase
{
public:
    ImageProcessorBevel();

    // Throws (ending the run) for other map sizes, missing image names in the
    // bevel's parameters (after one ERROR line), missing objects, rasters of
    // the wrong element type or a refusing distance, bevel or depth scale. A
    // refused inversion is no failure: the shape goes on uninverted.
    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override;

    // How many of the 256 possible values occur in the raster.
    static unsigned int getNumberOfGrayValues(const Raster2d<unsigned char>* pRaster);
};

class ImagePipelineFactoryBevel : public ImagePipelineFactoryBase
{
public:
    // Two input names (shape and profile, in any order) and one output name
    // ("slInputImageNames.size() == 2 && slOutputImageNames.size() == 1").
    // Gets or creates the output image object and its parameter objects, and
    // resets the inversion's parameters to {INVERT: true} every time.
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
