#pragma once

#include "Identifiers.h"
#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class ImageObject;
class ImageObjectSynchronizer;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_PEN_AND_BUCKET = QStringLiteral("PIPELINE_PEN_AND_BUCKET");

// The paint layer sLayer (OVERLAY or MASK) kept beside the canvas image
// sCanvasName: "<canvas>_OVERLAY", "<canvas>_MASK".
inline QString paintLayerName(const QString& sCanvasName, const QString& sLayer)
{
    return sCanvasName + QLatin1Char('_') + sLayer;
}

// Whether sName is a paint layer's name rather than a canvas's.
inline bool isPaintLayerName(const QString& sName)
{
    return sName.endsWith(paintLayerName(QString(), OVERLAY)) || sName.endsWith(paintLayerName(QString(), MASK));
}

// Hand painting on an 8-bit image. The paint is kept apart from the image in
// two image objects beside the input, "<input>_OVERLAY" (paint colour, 0 or
// 255) and "<input>_MASK" (255 where paint covers the image). A run applies
// the newest pen stroke, bucket fill or deletion once and writes the painted
// image to the output, and the paint after the run to "<output>_OVERLAY" and
// "<output>_MASK"; two silent synchronizers copy those back into the input
// overlay and mask, so the paint grows from run to run without the pipeline
// starting itself again.
//
// Buffer slots: 0 canvas, 1 overlay, 2 mask. Runs on a pool thread, one run
// at a time.
class ImageProcessorPenAndBucket : public ImageProcessorBase
{
public:
    ImageProcessorPenAndBucket();
    // Deletes the synchronizers it keeps. GUI thread.
    ~ImageProcessorPenAndBucket() override;

    // A synchronizer that carries this step's paint from run to run; it goes
    // with the processor, that is with its pipeline.
    void keepSynchronizer(ImageObjectSynchronizer* pSynchronizer);

    // Throws when the maps do not hold three images and four parameter
    // objects, or when the images' roles cannot be told apart by name.
    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;

private:
    // Guarded: one deleted elsewhere is passed over.
    std::vector<QPointer<ImageObjectSynchronizer>> m_vSynchronizers;
};

// Creates the pen-and-bucket pipeline. GUI thread only.
class ImagePipelineFactoryPenAndBucket : public ImagePipelineFactoryBase
{
public:
    // One input (the image to paint on) and one output name. Creates the
    // output, overlay and mask image objects, the four parameter objects
    // ("<input>/MODIFIER_.../0") and the two synchronizers unless they exist;
    // existing objects are reused unchanged. The caller owns the pipeline;
    // the synchronizers it made are deleted with it.
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
