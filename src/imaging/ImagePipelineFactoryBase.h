#pragma once

#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class ImageObject;
class ImagePipeline;
class ImageProcessorBase;
class ParameterObject;

// Base of the step factories. A concrete factory adds
//   virtual ImagePipeline* create(const QString& sPipelineName,
//                                 const QStringList& slInputImageNames,
//                                 const QStringList& slOutputImageNames);
// which gets or creates the output image object in the tree, creates the
// processor and one parameter object per modifier (createParameterObject) and
// returns a new pipeline over those names. Factories hold no state.
// GUI thread only.
class ImagePipelineFactoryBase
{
public:
    virtual ~ImagePipelineFactoryBase() = default;

    // Takes the pipeline's output image objects, then its parameter objects,
    // out of the tree (signalled removals, list order) and appends them to the
    // vectors; a name with no such object in the tree appends null. The
    // caller owns what it receives. Inputs are not touched.
    virtual void getObjects(ImagePipeline* pPipeline, std::vector<ParameterObject*>& vParameterObjects,
                            std::vector<ImageObject*>& vImageObjects);

    // Makes sure the parameter object "<sImageName>/<sModifierName>/0" exists
    // in the tree and appends its name to slParameterNames. A new object gets
    // the modifier's default parameters before it enters the tree; an
    // existing one is reused unchanged. Throws "pModifier" when the processor
    // has no modifier of that name and "bAddOk" when the tree refuses it.
    static void createParameterObject(const QString& sModifierName, const QString& sImageName,
                                      QStringList& slParameterNames, ImageProcessorBase* pImageProcessorBase);

protected:
    // The image whose name a modifier's parameter object carries.
    enum ParameterImage
    {
        INPUT_IMAGE = 0,
        OUTPUT_IMAGE = 1
    };
    using ModifierList = std::vector<std::pair<QString, ParameterImage>>;

    // The create() of a step with one input and one output image: throws
    // "slInputImageNames.size() == 1 && slOutputImageNames.size() == 1" for
    // other counts, gets or creates the output image object, creates the
    // parameter objects of the listed modifiers in list order, and returns a
    // new pipeline that owns the processor.
    static ImagePipeline* createOneToOne(const QString& sPipelineName, const QStringList& slInputImageNames,
                                         const QStringList& slOutputImageNames,
                                         std::unique_ptr<ImageProcessorBase> pProcessor,
                                         const ModifierList& vModifiers);
};
