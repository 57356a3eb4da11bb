#include "ImagePipelineRawImageImport.h"

#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineParameterObjects.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "RawImageImporter.h"
#include "SimpleException.h"


ImageProcessorRawImageImport::ImageProcessorRawImageImport() : ImageProcessorBase(PIPELINE_RAW_IMAGE_IMPORT) {}

void ImageProcessorRawImageImport::process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                                           std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                                           std::map<QString, ParameterObject*> mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 0 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 1);
    ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutput);
    ParameterObject* pParameterImport = mapParameterNameToParameterObject.begin()->second;
    MOLDENA_ASSERT(pParameterImport);

    QString sPath;
    const bool bParameterOk = pParameterImport->getValue(ImageProcessorRawImageImport::PATH, sPath);
    MOLDENA_ASSERT(bParameterOk);

    // An empty path means that no picture was chosen yet, which is no error:
    // the workflow runs the step as soon as it enters it.
    if (sPath.isEmpty())
    {
        return;
    }

    RawImageImporter importer;
    Raster2dBase* pRaster = importer.import(sPath);
    // Without a raster the output keeps what it had, so the steps downstream
    // never see a half-read picture.
    if (pRaster)
    {
        pOutput->setRaster(pRaster, true);
    }
}

ImagePipeline* ImagePipelineFactoryRawImageImport::create(const QString& sPipelineName,
                                                          const QStringList& slInputImageNames,
                                                          const QStringList& slOutputImageNames)
{
    MOLDENA_ASSERT(slInputImageNames.size() == 0 && slOutputImageNames.size() == 1);
    const QString sOutputImageName = slOutputImageNames.first();

    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputImageName);

    const QString sParameterName = ParameterObject::createName(sOutputImageName, RAW_IMAGE_IMPORT, 0);
    ParameterObject* pParameterImport =
        getOrCreateParameterObject(sParameterName, {{ImageProcessorRawImageImport::PATH, QString()}});
    ParameterObject::ParameterMap mapParameters = pParameterImport->getParameters();
    if (mapParameters.find(ImageProcessorRawImageImport::PATH) == mapParameters.end())
    {
        mapParameters[ImageProcessorRawImageImport::PATH] = QString();
        pParameterImport->setParameters(mapParameters);
    }

    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, QStringList{sParameterName},
                             new ImageProcessorRawImageImport());
}
