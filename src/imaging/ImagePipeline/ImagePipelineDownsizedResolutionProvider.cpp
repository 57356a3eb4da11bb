#include "ImagePipelineDownsizedResolutionProvider.h"

#include "GlobalParameterStore.h"
#include "ImageModifier/ImageModifierResize.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineParameterObjects.h"
#include "Logger.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <memory>

ImageProcessorResolutionProvider::ImageProcessorResolutionProvider(const QString& sName)
    : ImageProcessorBase(sName)
{
    setModifier(new ImageModifierResize(MODIFIER_RESIZE));
    setTimeStampMode(1);
}

ImageProcessorDownsizedResolutionProvider::ImageProcessorDownsizedResolutionProvider()
    : ImageProcessorResolutionProvider(PIPELINE_DOWNSIZED_RESOLUTION_PROVIDER)
{
}

void ImageProcessorResolutionProvider::process(
    std::map<QString, ImageObject*> mapImageNameToInputImageObject,
    std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
    std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 1);
    const auto [pInput, pOutput] = getSingleImages(mapImageNameToInputImageObject, mapImageNameToOutputImageObject);

    const bool bModiferOk =
        applyModifier(pInput->objectName(), MODIFIER_RESIZE, mapParameterNameToParameterObject, pInput, pOutput);
    MOLDENA_ASSERT(bModiferOk);
}

ImagePipeline* ImagePipelineFactoryDownsizedResolutionProvider::create(const QString& sPipelineName,
                                                                       const QStringList& slInputImageNames,
                                                                       const QStringList& slOutputImageNames)
{
    return createResolutionProvider(sPipelineName, slInputImageNames, slOutputImageNames, RESOLUTION_KEY,
                                    DEFAULT_RESOLUTION, new ImageProcessorDownsizedResolutionProvider());
}

ImagePipeline* createResolutionProvider(const QString& sPipelineName, const QStringList& slInputImageNames,
                                        const QStringList& slOutputImageNames, const QString& sResolutionKey,
                                        int nDefaultResolution, ImageProcessorBase* pProcessor)
{
    std::unique_ptr<ImageProcessorBase> pOwnedProcessor(pProcessor);
    MOLDENA_ASSERT(slInputImageNames.size() == 1 && slOutputImageNames.size() == 1);
    const QString sOutputImageName = slOutputImageNames.first();

    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputImageName);

    int nResolution = GlobalParameterStore::getValue<int>(sResolutionKey, nDefaultResolution);
    // The pixel count n × n is stored as an int, like the modifier's own
    // default; a side whose square would not fit, or below 1, is unusable.
    if (nResolution < 1 || nResolution > MAXIMUM_PROVIDED_RESOLUTION)
    {
        LOG_WARNING(QString("Resolution %1 of %2 is unusable, using %3")
                        .arg(nResolution)
                        .arg(sResolutionKey)
                        .arg(nDefaultResolution));
        nResolution = nDefaultResolution;
    }
    const QVariant pixels(nResolution * nResolution);
    const ParameterObject::ParameterMap mapParameters{{ImageModifierResize::PIXELS, pixels}};

    const QString sParameterName = ParameterObject::createName(sOutputImageName, MODIFIER_RESIZE, 0);
    ParameterObject* pParameterResize = getOrCreateParameterObject(sParameterName, mapParameters);
    // An existing object is brought to the current setting; an equal map
    // signals nothing.
    pParameterResize->setParameters(mapParameters);

    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, QStringList{sParameterName},
                             pOwnedProcessor.release());
}
