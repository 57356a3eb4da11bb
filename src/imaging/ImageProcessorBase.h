#pragma once

#include "Raster2d.h"

#include <QString>

#include <map>
#include <utility>
#include <vector>

class ImageModifierBase;
class ImageObject;
class ParameterObject;

// The computation of one processing step: named modifiers that the step owns,
// the buffer rasters in which a run chains them, and the rule by which a run's
// outputs are time-stamped.
//
// Threads: the constructor, setModifier(), setTimeStampMode(), the buffer set-up
// and prepareOutputImageObjects() run on the GUI thread; execute(), process()
// and the apply/buffer operations run on the pool thread of the owning
// pipeline's current run. A processor serves one run at a time and holds no
// lock.
//
// Maps are keyed by object name. During a run the input map holds clones of
// the input image objects, the output map the output objects themselves (out
// of the tree, so writable), the parameter map clones of the parameter objects.
class ImageProcessorBase
{
public:
    using ImageObjectMap = std::map<QString, ImageObject*>;
    using ParameterObjectMap = std::map<QString, ParameterObject*>;

    // Output time-stamp rules of prepareOutputImageObjects().
    enum TimeStampMode
    {
        TIME_STAMP_NOW = 0,         // outputs get the current date and time
        TIME_STAMP_FIRST_INPUT = 1  // outputs get the first input's time stamp
    };

    // sName: the step's pipeline word (PIPELINE_...).
    explicit ImageProcessorBase(const QString& sName);
    // Deletes the modifiers and the buffer rasters.
    virtual ~ImageProcessorBase();

    // Entry point handed to the thread pool: calls process() and catches
    // nothing; the pipeline's task deals with exceptions.
    virtual void execute(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                         ParameterObjectMap mapParameterNameToParameterObject);
    // The step's work.
    virtual void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                         ParameterObjectMap mapParameterNameToParameterObject) = 0;
    // Stamps the outputs (GUI thread, before a run). Does nothing when either
    // map is empty.
    virtual void prepareOutputImageObjects(ImageObjectMap mapImageNameToInputImageObject,
                                           ImageObjectMap mapImageNameToOutputImageObject);
    // Deletes the raster of every buffer slot (input, output and
    // intermediate); the slots stay, null.
    virtual void releaseBufferRasters();

    const QString& getName() const { return m_sName; }

    // Why the last run refused its inputs (empty when it did not), emptied by
    // the reading. The pipeline's task reads it on the run's thread.
    QString takeRefusal();

    void setTimeStampMode(int nMode) { m_nTimeStampMode = nMode; }
    int getTimeStampMode() const { return m_nTimeStampMode; }

    // Registers p under its own name and takes ownership; a different modifier
    // already held under that name is deleted. Throws "p" for null.
    void setModifier(ImageModifierBase* p);
    // Null when no modifier of that name is registered.
    ImageModifierBase* getModifier(const QString& sModifierName) const;

    // Create nCount null slots, once per processor.
    void setupBufferRastersInput(unsigned int nCount);
    void setupBufferRastersOutput(unsigned int nCount);
    // Slots a step uses between its modifiers; created once, any count.
    void setupBufferRastersIntermediate(unsigned int nCount);

    // Applies one modifier from an input image object into an output image
    // object (out of the tree). The parameter object is the one whose key
    // contains sModifierName; among several, the first whose name contains
    // sImageName. The output keeps its raster when it has the computed size,
    // else gets a new one of the input's element type. Returns the modifier's
    // result.
    bool applyModifier(const QString& sImageName, const QString& sModifierName,
                       const ParameterObjectMap& mapParameterNameToParameterObject, ImageObject* pInput,
                       ImageObject* pOutput);
    // The same from a raster into a buffer slot of element type T (unsigned
    // char or float). The slot's raster is reused when it has the computed size
    // and type T. pInput may be the slot's own raster for in-place modifiers.
    template <typename T>
    bool applyModifier(const QString& sImageName, const QString& sModifierName,
                       const ParameterObjectMap& mapParameterNameToParameterObject, Raster2dBase* pInput,
                       Raster2dBase*& pOutput);

    // Copies the template's elements and region of interest into the slot,
    // reusing a slot raster of the same size and type. Throws "pTemplateRaster"
    // for a null template (also an input of another element type cast to T).
    template <typename T>
    static bool copyToBufferRaster(const Raster2d<T>* pTemplateRaster, Raster2dBase*& pBufferRaster);
    // Makes the slot a raster of type T of pSizeRaster's size (the template's
    // when pSizeRaster is null); its elements are left as they are.
    template <typename T>
    static bool setupBufferRasterLike(const Raster2dBase* pTemplateRaster, const Raster2dBase* pSizeRaster,
                                      Raster2dBase*& pBufferRaster);
    // Copies the buffer (elements and region of interest) into the output
    // object's raster, replacing that raster when its size or type differs.
    template <typename T>
    static bool copyBufferRasterToOutput(ImageObject* pOutput, Raster2dBase* pBufferRaster);

    // The buffer slots, for the steps and for inspection.
    std::vector<Raster2dBase*>& getBufferRastersInput() { return m_vBufferRasterInput; }
    std::vector<Raster2dBase*>& getBufferRastersOutput() { return m_vBufferRasterOutput; }
    std::vector<Raster2dBase*>& getBufferRastersIntermediate() { return m_vBufferRasterIntermediate; }

protected:
    ImageProcessorBase(const ImageProcessorBase&) = delete;
    ImageProcessorBase& operator=(const ImageProcessorBase&) = delete;

    // A run that cannot give a result for a reason the user can act on (a
    // picture the step cannot take) logs it where it happens, leaves its
    // output as it was and says why here, in words meant for the user.
    void setRefusal(const QString& sReason) { m_sRefusal = sReason; }

    // The parameter object of a modifier, as described at applyModifier().
    // Throws "pParameterObject" when there is none.
    static ParameterObject* findParameterObject(const QString& sImageName, const QString& sModifierName,
                                                const ParameterObjectMap& mapParameterNameToParameterObject);
    // The input and the output object of a step with one of each. Throws
    // "pInput" or "pOutput" when the object is null; the maps must not be
    // empty.
    static std::pair<ImageObject*, ImageObject*> getSingleImages(const ImageObjectMap& mapImageNameToInputImageObject,
                                                                 const ImageObjectMap& mapImageNameToOutputImageObject);
    // The last parameter object, in name order, whose name contains the
    // modifier's name, or null.
    static ParameterObject* findLastParameterObject(const ParameterObjectMap& mapParameterNameToParameterObject,
                                                    const QString& sModifierName);
    // Sets the modifier's parameters and computes its output size for pInput.
    // Throws "pModifier" and "bSizeOk".
    ImageModifierBase* prepareModifier(const QString& sImageName, const QString& sModifierName,
                                       const ParameterObjectMap& mapParameterNameToParameterObject,
                                       const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                                       unsigned int& nHeight);

    // A chain of modifiers over input slot 0 and output slot 0, element type
    // T. startChain() copies pInput's raster into the input slot (throwing
    // "pTemplateRaster" for a raster of another type) and sizes the output
    // slot like pOutput's raster of type T, else like the input.
    // applyInChain() applies one modifier; a result that was applied becomes
    // the input of the next. finishChain() copies the latest result into
    // pOutput and releases the buffers.
    template <typename T>
    void startChain(const ImageObject* pInput, const ImageObject* pOutput);
    template <typename T>
    bool applyInChain(const QString& sImageName, const QString& sModifierName,
                      const ParameterObjectMap& mapParameterNameToParameterObject);
    template <typename T>
    void finishChain(ImageObject* pOutput);
    // The end of a run: copies the buffer into the output object's raster (as
    // copyBufferRasterToOutput()) and releases the buffers.
    template <typename T>
    void finishRun(ImageObject* pOutput, Raster2dBase* pBufferRaster);
    // The whole chain: the named modifiers in the listed order, each with the
    // parameters found under pInput's name.
    template <typename T>
    void processChain(ImageObject* pInput, ImageObject* pOutput, const std::vector<QString>& vModifierNames,
                      const ParameterObjectMap& mapParameterNameToParameterObject);

    std::vector<Raster2dBase*> m_vBufferRasterInput;
    std::vector<Raster2dBase*> m_vBufferRasterOutput;
    std::vector<Raster2dBase*> m_vBufferRasterIntermediate;
    std::map<QString, ImageModifierBase*> m_mapModifierNameToModifier;
    int m_nTimeStampMode = TIME_STAMP_NOW;
    QString m_sName;
    QString m_sRefusal;
};
