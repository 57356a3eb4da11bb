#pragma once

#include "GlobalParameterStore.h"
#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER = QStringLiteral("PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER");

// Shared by both resolution providers: resamples a raster (8-bit or float,
// kept) to at most n × n pixels with the input's aspect ratio. The output
// carries the input's time stamp, so the copy is exactly as new as its
// source. Runs on a pool thread.
class ImageProcessorResolutionProvider : public ImageProcessorBase
{
public:
    // sName: the step's pipeline word.
    explicit ImageProcessorResolutionProvider(const QString& sName);

    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;
};

// The preview copy of an image.
class ImageProcessorDownsizedResolutionProvider : public ImageProcessorResolutionProvider
{
public:
    ImageProcessorDownsizedResolutionProvider();
};

// One input, one output O. Creates O (without a raster) and sets the
// parameter object O/MODIFIER_RESIZE/0 (created when missing) to the single
// value "PIXELS" = n × n, n being the stored "DownsizedResolution" (default
// 512) at the time of creation. GUI thread; the caller owns the result.
class ImagePipelineFactoryDownsizedResolutionProvider : public ImagePipelineFactoryBase
{
public:
    static inline const QString& RESOLUTION_KEY = GlobalParameterStore::DOWNSIZED_RESOLUTION;
    static constexpr int DEFAULT_RESOLUTION = 512;

    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};

// The largest side whose square fits an int.
constexpr int MAXIMUM_PROVIDED_RESOLUTION = 46340;

// Shared by both resolution factories: asserts one input and one output name,
// creates the output object, sets the "PIXELS" parameter object from the side
// stored under sResolutionKey, and returns the pipeline over pProcessor (taken
// over). A stored side below 1 or above MAXIMUM_PROVIDED_RESOLUTION (whose square
// would not fit an int) is not usable: the default is taken and a warning
// logged.
ImagePipeline* createResolutionProvider(const QString& sPipelineName, const QStringList& slInputImageNames,
                                        const QStringList& slOutputImageNames, const QString& sResolutionKey,
                                        int nDefaultResolution, ImageProcessorBase* pProcessor);
