#pragma once

#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"
#include "RawImageImporter.h"

#include <QString>
#include <QStringList>

#include <map>

class ImageObject;
class ImagePipeline;
class ParameterObject;

inline const QString PIPELINE_RAW_IMAGE_IMPORT = QStringLiteral("PIPELINE_RAW_IMAGE_IMPORT");

// Reads the picture file named by the parameter "PATH" into the output image
// (8-bit gray, or float heights for a depth PNG). A missing or unreadable
// file keeps the output's previous raster (none at first); the importer logs
// the reason. An empty path (nothing chosen yet) keeps it too, silently.
// Runs on a pool thread.
class ImageProcessorRawImageImport : public ImageProcessorBase
{
public:
    // The picture file's path (QString); the importer's key.
    static inline const QString& PATH = RawImageImporter::PATH;

    ImageProcessorRawImageImport();

    void process(std::map<QString, ImageObject*> mapImageNameToInputImageObject,
                 std::map<QString, ImageObject*> mapImageNameToOutputImageObject,
                 std::map<QString, ParameterObject*> mapParameterNameToParameterObject) override;
};

// No input, one output O. Creates O (without a raster) and the parameter
// object O/RAW_IMAGE_IMPORT/0 with an empty "PATH" when missing; an existing
// "PATH" is kept. GUI thread; the caller owns the returned pipeline.
class ImagePipelineFactoryRawImageImport : public ImagePipelineFactoryBase
{
public:
    virtual ImagePipeline* create(const QString& sPipelineName, const QStringList& slInputImageNames,
                                  const QStringList& slOutputImageNames);
};
