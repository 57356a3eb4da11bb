#pragma once

#include <QString>

#include <map>

class ImagePipeline;

// Process-wide registry of pipelines by name (each pipeline's object name).
// Owns the pipelines it holds. GUI thread only; created on first use and
// never deleted.
class ImagePipelineManager
{
public:
    static ImagePipelineManager* getInstance();

    // Registers the pipeline and takes ownership. Throws "pPipeline" for null
    // and "it == m_mapPipelineNameToPipeline.end()" for a name already held.
    void addPipeline(ImagePipeline* pPipeline);
    bool hasPipeline(const QString& sName) const;
    // Null when absent.
    ImagePipeline* getPipeline(const QString& sName) const;

    // Each of these throws "it != m_mapPipelineNameToPipeline.end()" for an
    // unknown name.
    void enablePipeline(const QString& sName);
    void disablePipeline(const QString& sName);
    void processPipeline(const QString& sName);
    // Forgets the pipeline and hands it back: the caller deletes it.
    ImagePipeline* removePipeline(const QString& sName);

    virtual ~ImagePipelineManager();

private:
    ImagePipelineManager() = default;
    ImagePipelineManager(const ImagePipelineManager&) = delete;
    ImagePipelineManager& operator=(const ImagePipelineManager&) = delete;

    ImagePipeline* find(const QString& sName) const;

    std::map<QString, ImagePipeline*> m_mapPipelineNameToPipeline;
};
