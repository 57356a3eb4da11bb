// The slice and profile charts, the height histogram and the bevel on
// rasters of the sizes the workflow uses (2048 x 2048 surfaces, a profile
// drawing 2048 wide).

#include "CvRaster.h"
#include "ImageModifier/ImageModifierBevel.h"
#include "ImageModifier/ImageModifierHeightHistogram.h"
#include "ImageModifier/ImageModifierHeightProfileRender.h"
#include "ImageModifier/ImageModifierSliceRender.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <memory>

namespace
{
constexpr unsigned int SIDE = 2048;

// Distances of a disc filling most of the raster (0 outside), heights up to ~900.
std::unique_ptr<Raster2d<float>> makeDistances()
{
    Raster2d<unsigned char> disc(SIDE, SIDE);
    cv::Mat matDisc = cvHeader(disc);
    matDisc.setTo(cv::Scalar(0));
    cv::circle(matDisc, cv::Point(SIDE / 2, SIDE / 2), int(SIDE * 0.45), cv::Scalar(255), cv::FILLED);
    auto pDistances = std::make_unique<Raster2d<float>>(SIDE, SIDE);
    cv::Mat matDistances = cvHeader(*pDistances);
    cv::distanceTransform(matDisc, matDistances, cv::DIST_L2, cv::DIST_MASK_3);
    return pDistances;
}

void BM_SliceRender(benchmark::State& state)
{
    auto pHeights = makeDistances();
    ImageModifierSliceRender modifier(MODIFIER_SLICE_RENDER);
    modifier.setParameters(modifier.getDefaultParameters());
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    modifier.getOutputSize(pHeights.get(), nullptr, nWidth, nHeight);
    Raster2d<unsigned char> chart(nWidth, nHeight);
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(modifier.process(pHeights.get(), &chart));
    }
}
BENCHMARK(BM_SliceRender)->Unit(benchmark::kMillisecond);

void BM_HeightHistogramAndRender(benchmark::State& state)
{
    // A black hill drawn on white, 2048 by 512.
    Raster2d<unsigned char> drawing(SIDE, 512);
    cv::Mat matDrawing = cvHeader(drawing);
    matDrawing.setTo(cv::Scalar(255));
    cv::ellipse(matDrawing, cv::Point(SIDE / 2, 500), cv::Size(SIDE / 2 - 10, 400), 0, 180, 360, cv::Scalar(0),
                cv::FILLED);
    ImageModifierHeightHistogram histogram(MODIFIER_HEIGHT_HISTOGRAM);
    histogram.setParameters(histogram.getDefaultParameters());
    ImageModifierHeightProfileRender render(MODIFIER_HEIGHT_PROFILE_RENDER);
    Raster2d<float> profile(SIDE, 1);
    histogram.process(&drawing, &profile);
    unsigned int nWidth = 0;
    unsigned int nHeight = 0;
    render.getOutputSize(&profile, nullptr, nWidth, nHeight);
    Raster2d<unsigned char> chart(nWidth, nHeight);
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(histogram.process(&drawing, &profile));
        benchmark::DoNotOptimize(render.process(&profile, &chart));
    }
}
BENCHMARK(BM_HeightHistogramAndRender)->Unit(benchmark::kMillisecond);

void BM_Bevel(benchmark::State& state)
{
    auto pDistances = makeDistances();
    Raster2d<float> profile(SIDE, 1);
    for (unsigned int x = 0; x < SIDE; ++x)
    {
        profile.set(x, 0, float(x) * 0.5f);
    }
    Raster2d<float> heights(SIDE, SIDE);
    ImageModifierBevel modifier(MODIFIER_BEVEL);
    modifier.setParameters({{ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_SHAPE, "SHAPE"},
                            {ImageModifierBevel::MODIFIER_BEVEL_PARAMETER_IMAGE_NAME_PROFILE, "PROFILE"}});
    const ImageModifierBase::RasterMap inputs{{"SHAPE", pDistances.get()}, {"PROFILE", &profile}};
    ImageModifierBase::RasterMap outputs{{"OUT", &heights}};
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(modifier.process(inputs, outputs));
    }
}
BENCHMARK(BM_Bevel)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
