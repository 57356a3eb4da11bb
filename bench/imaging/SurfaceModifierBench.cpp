// Depth render and depth composite at 2048 x 2048, each beside the bare
// OpenCV calls it makes, so that the cost of our own passes shows.

#include "CvRaster.h"
#include "Identifiers.h"
#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ImageModifier/ImageModifierDepthRender.h"
#include "ImageModifier/ImageModifierSurfaceGradient.h"
#include "ImageModifier/ImageModifierSurfaceGradientSmooth.h"
#include "ParameterObject.h"

#include <opencv2/imgproc.hpp>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{
constexpr unsigned int SIDE = 2048;
using RasterMap = ImageModifierBase::RasterMap;

// A dome inside a circle (0 outside), the shape of a bevelled surface.
std::unique_ptr<Raster2d<float>> makeSurface()
{
    auto pRaster = std::make_unique<Raster2d<float>>(SIDE, SIDE);
    const double dCentre = SIDE / 2.0;
    const double dRadius = SIDE * 0.45;
    for (unsigned int y = 0; y < SIDE; ++y)
    {
        for (unsigned int x = 0; x < SIDE; ++x)
        {
            const double dDistance = std::hypot(x - dCentre, y - dCentre);
            pRaster->set(x, y, dDistance < dRadius ? float(std::sqrt(dRadius * dRadius - dDistance * dDistance)) : 0.0f);
        }
    }
    return pRaster;
}

// Stripes and rings of different periods, as engraved decorations.
std::unique_ptr<Raster2d<float>> makeDecoration(unsigned int nPeriod)
{
    auto pRaster = std::make_unique<Raster2d<float>>(SIDE, SIDE);
    for (unsigned int y = 0; y < SIDE; ++y)
    {
        for (unsigned int x = 0; x < SIDE; ++x)
        {
            pRaster->set(x, y, ((x / nPeriod + y / (2 * nPeriod)) % 3) * 20.0f);
        }
    }
    return pRaster;
}

struct RenderRasters
{
    RenderRasters()
        : pDepth(makeSurface())
        , gradientX(SIDE, SIDE)
        , gradientY(SIDE, SIDE)
        , smoothX(SIDE, SIDE)
        , smoothY(SIDE, SIDE)
        , render(SIDE, SIDE)
    {
    }
    std::unique_ptr<Raster2d<float>> pDepth;
    Raster2d<float> gradientX;
    Raster2d<float> gradientY;
    Raster2d<float> smoothX;
    Raster2d<float> smoothY;
    Raster2d<unsigned char> render;
};

// The three modifiers of the depth-render step in their order.
void depthRender(benchmark::State& state, bool bAdvancedSmoothing)
{
    RenderRasters rasters;
    ImageModifierSurfaceGradient gradient(MODIFIER_SURFACE_GRADIENT);
    ImageModifierSurfaceGradientSmooth smooth(MODIFIER_SURFACE_GRADIENT_SMOOTH);
    smooth.setParameters({{ImageModifierSurfaceGradientSmooth::ADVANCED_SMOOTHING, bAdvancedSmoothing}});
    ImageModifierDepthRender render(MODIFIER_DEPTH_RENDER);
    render.setParameters(render.getDefaultParameters());
    RasterMap gradients{{GRADIENT_X, &rasters.gradientX}, {GRADIENT_Y, &rasters.gradientY}};
    RasterMap smoothed{{GRADIENT_X, &rasters.smoothX}, {GRADIENT_Y, &rasters.smoothY}};
    RasterMap renderInputs{{"DEPTH", rasters.pDepth.get()}, {GRADIENT_X, &rasters.smoothX}, {GRADIENT_Y, &rasters.smoothY}};
    RasterMap renderOutputs{{"RENDER", &rasters.render}};
    for (auto _ : state)
    {
        bool bOk = gradient.process(RasterMap{{"DEPTH", rasters.pDepth.get()}}, gradients);
        bOk = smooth.process(gradients, smoothed) && bOk;
        bOk = render.process(renderInputs, renderOutputs) && bOk;
        benchmark::DoNotOptimize(bOk);
        benchmark::DoNotOptimize(rasters.render.getData());
    }
}

// The OpenCV calls of the same three steps, without the render pass.
void depthRenderOpenCv(benchmark::State& state, bool bAdvancedSmoothing)
{
    RenderRasters rasters;
    const cv::Mat depth = cvHeader(*rasters.pDepth);
    cv::Mat gradientX = cvHeader(rasters.gradientX);
    cv::Mat gradientY = cvHeader(rasters.gradientY);
    cv::Mat smoothX = cvHeader(rasters.smoothX);
    cv::Mat smoothY = cvHeader(rasters.smoothY);
    for (auto _ : state)
    {
        cv::Sobel(depth, gradientX, CV_32F, 1, 0, 1);
        cv::Sobel(depth, gradientY, CV_32F, 0, 1, 1);
        if (bAdvancedSmoothing)
        {
            cv::bilateralFilter(gradientX, smoothX, -1, 1.5, 4.0);
            cv::bilateralFilter(gradientY, smoothY, -1, 1.5, 4.0);
        }
        else
        {
            cv::blur(gradientX, smoothX, cv::Size(3, 3));
            cv::blur(gradientY, smoothY, cv::Size(3, 3));
        }
        benchmark::DoNotOptimize(smoothY.data);
    }
}

void BM_DepthRender(benchmark::State& state) { depthRender(state, false); }
void BM_DepthRenderOpenCv(benchmark::State& state) { depthRenderOpenCv(state, false); }
void BM_DepthRenderAdvanced(benchmark::State& state) { depthRender(state, true); }
void BM_DepthRenderAdvancedOpenCv(benchmark::State& state) { depthRenderOpenCv(state, true); }

// The render pass alone: one pass for the maximum, one for the pixels.
void BM_DepthRenderPass(benchmark::State& state)
{
    RenderRasters rasters;
    cv::Sobel(cvHeader(*rasters.pDepth), cvHeader(rasters.smoothX), CV_32F, 1, 0, 1);
    cv::Sobel(cvHeader(*rasters.pDepth), cvHeader(rasters.smoothY), CV_32F, 0, 1, 1);
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(ImageModifierDepthRender::render(rasters.pDepth.get(), &rasters.smoothX,
                                                                  &rasters.smoothY, &rasters.render, 1.0, 1.0));
    }
}

struct CompositeRasters
{
    CompositeRasters()
        : pSurface(makeSurface())
        , output(SIDE, SIDE)
    {
        for (unsigned int nPeriod : {16u, 40u, 96u})
        {
            vDecorations.push_back(makeDecoration(nPeriod));
        }
    }
    std::unique_ptr<Raster2d<float>> pSurface;
    std::vector<std::unique_ptr<Raster2d<float>>> vDecorations;
    Raster2d<float> output;
};

// Three decorations: one raised, one carved, one raised negative.
void BM_DepthComposite(benchmark::State& state)
{
    CompositeRasters rasters;
    registerParameterMetaTypes();
    ImageModifierDepthComposite composite(MODIFIER_DEPTH_COMPOSITE);
    composite.setParameters(
        {{ImageModifierDepthComposite::SURFACE_IDENTIFIER, QStringLiteral("SURFACE")},
         {ImageModifierDepthComposite::ORDER,
          QVariant::fromValue(std::vector<QString>{"DECORATION_0", "DECORATION_1", "DECORATION_2"})},
         {ImageModifierDepthComposite::ENABLED, QVariant::fromValue(std::vector<bool>{true, true, true})},
         {ImageModifierDepthComposite::DEPTH, QVariant::fromValue(std::vector<F32>{0.1f, -0.05f, 0.05f})},
         {ImageModifierDepthComposite::EMBOSSING,
          QVariant::fromValue(std::vector<QString>{"POSITIVE", "POSITIVE", "NEGATIVE"})},
         {ImageModifierDepthComposite::DEPTH_SCALE, QVariant::fromValue(std::vector<F32>{1.0f, 2.0f, 0.5f})},
         {ImageModifierDepthComposite::CUTOFF_LOW, QVariant::fromValue(std::vector<F32>{0.1f, 0.0f, 0.0f})},
         {ImageModifierDepthComposite::CUTOFF_HIGH, QVariant::fromValue(std::vector<F32>{0.0f, 0.1f, 0.0f})}});
    const RasterMap inputs{{"SURFACE", rasters.pSurface.get()},
                           {"DECORATION_0", rasters.vDecorations[0].get()},
                           {"DECORATION_1", rasters.vDecorations[1].get()},
                           {"DECORATION_2", rasters.vDecorations[2].get()}};
    RasterMap outputs{{"COMPOSITE", &rasters.output}};
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(composite.process(inputs, outputs));
    }
    if (!composite.process(inputs, outputs))
    {
        state.SkipWithError("composite refused its input");
    }
}

// The OpenCV calls of the composite: the copy, the minimum and maximum of
// the composite and of each layer, the frame; not the per-element pass.
void BM_DepthCompositeOpenCv(benchmark::State& state)
{
    CompositeRasters rasters;
    cv::Mat composite = cvHeader(rasters.output);
    for (auto _ : state)
    {
        cvHeader(*rasters.pSurface).copyTo(composite);
        for (const auto& pDecoration : rasters.vDecorations)
        {
            double dMin = 0.0;
            double dMax = 0.0;
            cv::minMaxIdx(composite, &dMin, &dMax);
            cv::minMaxIdx(cvHeader(*pDecoration), &dMin, &dMax);
            benchmark::DoNotOptimize(dMax);
        }
        composite.row(0).setTo(0.0f);
        composite.row(SIDE - 1).setTo(0.0f);
        composite.col(0).setTo(0.0f);
        composite.col(SIDE - 1).setTo(0.0f);
        benchmark::DoNotOptimize(composite.data);
    }
}
} // namespace

BENCHMARK(BM_DepthRender)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthRenderOpenCv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthRenderAdvanced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthRenderAdvancedOpenCv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthRenderPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthComposite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthCompositeOpenCv)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
