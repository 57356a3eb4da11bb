#pragma once

#include "GlobalParameterStore.h"
#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"
#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_UPSIZED_RESOLUTION_PROVIDER = QStringLiteral("PIPELINE_UPSIZED_RESOLUTION_PROVIDER");

// The working copy of an image, enlarged or reduced to at most n × n pixels
// (see ImageProcessorResolutionProvider).
class ImageProcessorUpsizedResolutionProvider : public ImageProcessorResolutionProvider
{
public:
    ImageProcessorUpsizedResolutionProvider();
};

// One input, one output O. Creates O (without a raster) and sets the
// parameter object O/MODIFIER_RESIZE/0 (created when missing) to the single
// value "PIXELS" = n × n, n being the stored "UpsizedResolution" (default
// 1024) at the time of creation. GUI thread; the caller owns the result.
class ImagePipelineFactoryUpsizedResolutionProvider : public ImagePipelineFactoryBase
{
public:
    static inline const QString& RESOLUTION_KEY = GlobalParameterStore::UPSIZED_RESOLUTION;
    static constexpr int DEFAULT_RESOLUTION = 1024;

    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
