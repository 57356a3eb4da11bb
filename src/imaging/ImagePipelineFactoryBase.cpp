#include "ImagePipelineFactoryBase.h"

#include "ImageModifierBase.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImageProcessorBase.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"

void ImagePipelineFactoryBase::getObjects(ImagePipeline* pPipeline, std::vector<ParameterObject*>& vParameterObjects,
                                          std::vector<ImageObject*>& vImageObjects)
{
    MOLDENA_ASSERT(pPipeline);
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    // Only objects of the expected class are taken out; anything else of that
    // name stays in the tree (taking it would hand the caller an object it
    // cannot see and so never deletes).
    for (const QString& sName : pPipeline->getOutputImageNames())
    {
        ImageObject* pImageObject = sName.isEmpty() ? nullptr : pRoot->findChild<ImageObject*>(sName);
        vImageObjects.push_back(pImageObject ? dynamic_cast<ImageObject*>(pRoot->removeChild(pImageObject, false))
                                             : nullptr);
    }
    for (const QString& sName : pPipeline->getParameterNames())
    {
        ParameterObject* pParameterObject = sName.isEmpty() ? nullptr : pRoot->findChild<ParameterObject*>(sName);
        vParameterObjects.push_back(
            pParameterObject ? dynamic_cast<ParameterObject*>(pRoot->removeChild(pParameterObject, false)) : nullptr);
    }
}

void ImagePipelineFactoryBase::createParameterObject(const QString& sModifierName, const QString& sImageName,
                                                     QStringList& slParameterNames,
                                                     ImageProcessorBase* pImageProcessorBase)
{
    const QString sName = ParameterObject::createName(sImageName, sModifierName, 0);
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    if (!pRoot->findChild<ParameterObject*>(sName))
    {
        MOLDENA_ASSERT(pImageProcessorBase);
        ImageModifierBase* pModifier = pImageProcessorBase->getModifier(sModifierName);
        MOLDENA_ASSERT(pModifier);
        // The defaults go in before the object enters the tree: the addition
        // starts the pipelines bound to this name, which must never run on an
        // empty parameter set.
        ParameterObject* pParameterObject = new ParameterObject(sName);
        pParameterObject->setParameters(pModifier->getDefaultParameters());
        const bool bAddOk = pRoot->addChild(pParameterObject, false);
        if (!bAddOk)
        {
            delete pParameterObject;
        }
        MOLDENA_ASSERT(bAddOk);
    }
    slParameterNames.append(sName);
}

ImagePipeline* ImagePipelineFactoryBase::createOneToOne(const QString& sPipelineName,
                                                        const QStringList& slInputImageNames,
                                                        const QStringList& slOutputImageNames,
                                                        std::unique_ptr<ImageProcessorBase> pProcessor,
                                                        const ModifierList& vModifiers)
{
    MOLDENA_ASSERT(slInputImageNames.size() == 1 && slOutputImageNames.size() == 1);
    const QString sInputImageName = slInputImageNames.first();
    const QString sOutputImageName = slOutputImageNames.first();

    ObjectRoot::getInstance()->getOrCreateChild<ImageObject>(sOutputImageName);

    QStringList slParameterNames;
    for (const auto& modifier : vModifiers)
    {
        createParameterObject(modifier.first, modifier.second == OUTPUT_IMAGE ? sOutputImageName : sInputImageName,
                              slParameterNames, pProcessor.get());
    }
    return new ImagePipeline(sPipelineName, slInputImageNames, slOutputImageNames, slParameterNames,
                             pProcessor.release());
}
