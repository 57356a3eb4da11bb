#include "ImagePipelineDepthRender.h"

#include "Identifiers.h"
#include "ImageModifier/ImageModifierDepthRender.h"
#include "ImageModifier/ImageModifierSurfaceGradient.h"
#include "ImageModifier/ImageModifierSurfaceGradientSmooth.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ParameterObject.h"
#include "SimpleException.h"

#include <memory>

namespace
{
enum IntermediateSlot
{
    SLOT_GRADIENT_X = 0,
    SLOT_GRADIENT_Y = 1,
    SLOT_SMOOTH_X = 2,
    SLOT_SMOOTH_Y = 3,
    SLOT_INPUT = 4,
    SLOT_COUNT = 5
};
} // namespace

ImageProcessorDepthRender::ImageProcessorDepthRender()
    : ImageProcessorBase(PIPELINE_DEPTH_RENDER)
{
    // Float slots: 0 and 1 the gradients in x and y, 2 and 3 the smoothed
    // gradients, 4 the copy of the input.
    setupBufferRastersIntermediate(SLOT_COUNT);
    setModifier(new ImageModifierSurfaceGradientSmooth(MODIFIER_SURFACE_GRADIENT_SMOOTH));
    setModifier(new ImageModifierSurfaceGradient(MODIFIER_SURFACE_GRADIENT));
    setModifier(new ImageModifierDepthRender(MODIFIER_DEPTH_RENDER));
    setupBufferRastersOutput(1);
}

void ImageProcessorDepthRender::process(ImageObjectMap mapImageNameToInputImageObject,
                                        ImageObjectMap mapImageNameToOutputImageObject,
                                        ParameterObjectMap mapParameterNameToParameterObject)
{
    MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                   mapParameterNameToParameterObject.size() == 3);
    ImageObject* pInputImage = mapImageNameToInputImageObject.begin()->second;
    MOLDENA_ASSERT(pInputImage);
    ImageObject* pOutputImage = mapImageNameToOutputImageObject.begin()->second;
    MOLDENA_ASSERT(pOutputImage);
    const QString& sInputName = mapImageNameToInputImageObject.begin()->first;
    const QString& sOutputName = mapImageNameToOutputImageObject.begin()->first;
    std::vector<Raster2dBase*>& vSlots = m_vBufferRasterIntermediate;

    // An input of another element type arrives as a null template.
    bool bBufferOk = copyToBufferRaster(dynamic_cast<const Raster2d<float>*>(pInputImage->getRasterReadOnly()),
                                        vSlots[SLOT_INPUT]);
    MOLDENA_ASSERT(bBufferOk);
    for (int nSlot : {SLOT_GRADIENT_X, SLOT_GRADIENT_Y, SLOT_SMOOTH_X, SLOT_SMOOTH_Y})
    {
        bBufferOk = setupBufferRasterLike<float>(vSlots[SLOT_INPUT], nullptr, vSlots[nSlot]);
        MOLDENA_ASSERT(bBufferOk);
    }

    ImageModifierBase* pModifierSurfaceGradient = getModifier(MODIFIER_SURFACE_GRADIENT);
    MOLDENA_ASSERT(pModifierSurfaceGradient);
    ParameterObject* pParameterObjectSurfaceGradient =
        findLastParameterObject(mapParameterNameToParameterObject, MODIFIER_SURFACE_GRADIENT);
    MOLDENA_ASSERT(pParameterObjectSurfaceGradient);
    pModifierSurfaceGradient->setParameters(pParameterObjectSurfaceGradient->getParameters());
    ImageModifierBase::RasterMap mapGradients{{GRADIENT_X, vSlots[SLOT_GRADIENT_X]},
                                              {GRADIENT_Y, vSlots[SLOT_GRADIENT_Y]}};
    bool bModiferOk =
        pModifierSurfaceGradient->process(ImageModifierBase::RasterMap{{sInputName, vSlots[SLOT_INPUT]}}, mapGradients);
    MOLDENA_ASSERT(bModiferOk);

    ImageModifierBase* pModifierSurfaceGradientSmooth = getModifier(MODIFIER_SURFACE_GRADIENT_SMOOTH);
    MOLDENA_ASSERT(pModifierSurfaceGradientSmooth);
    ParameterObject* pParameterObjectSurfaceGradientSmooth =
        findLastParameterObject(mapParameterNameToParameterObject, MODIFIER_SURFACE_GRADIENT_SMOOTH);
    MOLDENA_ASSERT(pParameterObjectSurfaceGradientSmooth);
    pModifierSurfaceGradientSmooth->setParameters(pParameterObjectSurfaceGradientSmooth->getParameters());
    ImageModifierBase::RasterMap mapSmoothGradients{{GRADIENT_X, vSlots[SLOT_SMOOTH_X]},
                                                    {GRADIENT_Y, vSlots[SLOT_SMOOTH_Y]}};
    bModiferOk = pModifierSurfaceGradientSmooth->process(mapGradients, mapSmoothGradients);
    MOLDENA_ASSERT(bModiferOk);

    bBufferOk = setupBufferRasterLike<unsigned char>(vSlots[SLOT_INPUT], nullptr, m_vBufferRasterOutput[0]);
    MOLDENA_ASSERT(bBufferOk);

    ParameterObject* pParameterObjectDepthRender =
        findLastParameterObject(mapParameterNameToParameterObject, MODIFIER_DEPTH_RENDER);
    MOLDENA_ASSERT(pParameterObjectDepthRender);
    ImageModifierBase* pModifierDepthRender = getModifier(MODIFIER_DEPTH_RENDER);
    MOLDENA_ASSERT(pModifierDepthRender);
    pModifierDepthRender->setParameters(pParameterObjectDepthRender->getParameters());
    ImageModifierBase::RasterMap mapRender{{sOutputName, m_vBufferRasterOutput[0]}};
    bModiferOk = pModifierDepthRender->process(ImageModifierBase::RasterMap{{sInputName, vSlots[SLOT_INPUT]},
                                                                            {GRADIENT_X, vSlots[SLOT_SMOOTH_X]},
                                                                            {GRADIENT_Y, vSlots[SLOT_SMOOTH_Y]}},
                                               mapRender);
    MOLDENA_ASSERT(bModiferOk);

    finishRun<unsigned char>(pOutputImage, m_vBufferRasterOutput[0]);
}

ImagePipeline* ImagePipelineFactoryDepthRender::create(const QString& sPipelineName,
                                                       const QStringList& slInputImageNames,
                                                       const QStringList& slOutputImageNames)
{
    return createOneToOne(sPipelineName, slInputImageNames, slOutputImageNames,
                          std::make_unique<ImageProcessorDepthRender>(),
                          {{MODIFIER_SURFACE_GRADIENT_SMOOTH, OUTPUT_IMAGE},
                           {MODIFIER_SURFACE_GRADIENT, OUTPUT_IMAGE},
                           {MODIFIER_DEPTH_RENDER, OUTPUT_IMAGE}});
}
