#include "ImagePipelineManager.h"

#include "ImagePipeline.h"
#include "SimpleException.h"

ImagePipelineManager* ImagePipelineManager::getInstance()
{
    static ImagePipelineManager* s_pInstance = new ImagePipelineManager();
    return s_pInstance;
}

ImagePipelineManager::~ImagePipelineManager()
{
    for (auto& entry : m_mapPipelineNameToPipeline)
    {
        delete entry.second;
    }
    m_mapPipelineNameToPipeline.clear();
}

void ImagePipelineManager::addPipeline(ImagePipeline* pPipeline)
{
    MOLDENA_ASSERT(pPipeline);
    const auto it = m_mapPipelineNameToPipeline.find(pPipeline->objectName());
    MOLDENA_ASSERT(it == m_mapPipelineNameToPipeline.end());
    m_mapPipelineNameToPipeline[pPipeline->objectName()] = pPipeline;
}

bool ImagePipelineManager::hasPipeline(const QString& sName) const
{
    return m_mapPipelineNameToPipeline.find(sName) != m_mapPipelineNameToPipeline.end();
}

ImagePipeline* ImagePipelineManager::getPipeline(const QString& sName) const
{
    const auto it = m_mapPipelineNameToPipeline.find(sName);
    return it == m_mapPipelineNameToPipeline.end() ? nullptr : it->second;
}

ImagePipeline* ImagePipelineManager::find(const QString& sName) const
{
    const auto it = m_mapPipelineNameToPipeline.find(sName);
    MOLDENA_ASSERT(it != m_mapPipelineNameToPipeline.end());
    return it->second;
}

void ImagePipelineManager::enablePipeline(const QString& sName)
{
    find(sName)->setEnabled(true);
}

void ImagePipelineManager::disablePipeline(const QString& sName)
{
    find(sName)->setEnabled(false);
}

void ImagePipelineManager::processPipeline(const QString& sName)
{
    find(sName)->process();
}

ImagePipeline* ImagePipelineManager::removePipeline(const QString& sName)
{
    const auto it = m_mapPipelineNameToPipeline.find(sName);
    MOLDENA_ASSERT(it != m_mapPipelineNameToPipeline.end());
    ImagePipeline* pPipeline = it->second;
    m_mapPipelineNameToPipeline.erase(it);
    return pPipeline;
}
