#include "ImagePipelineUpsizedResolutionProvider.h"

#include "ImagePipeline/ImagePipelineDownsizedResolutionProvider.h"

ImageProcessorUpsizedResolutionProvider::ImageProcessorUpsizedResolutionProvider()
    : ImageProcessorResolutionProvider(PIPELINE_UPSIZED_RESOLUTION_PROVIDER)
{
}

ImagePipeline* ImagePipelineFactoryUpsizedResolutionProvider::create(const QString& sPipelineName,
                                                                     const QStringList& slInputImageNames,
                                                                     const QStringList& slOutputImageNames)
{
    return createResolutionProvider(sPipelineName, slInputImageNames, slOutputImageNames, RESOLUTION_KEY,
                                    DEFAULT_RESOLUTION, new ImageProcessorUpsizedResolutionProvider());
}
