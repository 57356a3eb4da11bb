// Cost of one paint action on a picture of 2048 x 2048 pixels.
#include "ImageModifier/ImageModifierBucket.h"
#include "ImageModifier/ImageModifierOverlayComposite.h"
#include "ImageModifier/ImageModifierPen.h"

#include <QDateTime>

#include <benchmark/benchmark.h>

namespace
{
using Raster8 = Raster2d<unsigned char>;
const unsigned int SIDE = 2048;

struct Rasters
{
    Raster8 canvas{SIDE, SIDE};
    Raster8 overlay{SIDE, SIDE};
    Raster8 mask{SIDE, SIDE};
    Raster8 outCanvas{SIDE, SIDE};
    Raster8 outOverlay{SIDE, SIDE};
    Raster8 outMask{SIDE, SIDE};
    Rasters()
    {
        for (unsigned int y = 0; y < SIDE; ++y)
        {
            for (unsigned int x = 0; x < SIDE; ++x)
            {
                // Soft gray ramps: a large region within the default tolerance.
                canvas.set(x, y, static_cast<unsigned char>(100 + (x / 256 + y / 256) % 4));
            }
        }
        overlay.fill(255);
        mask.fill(0);
    }
};

void BM_PenStroke(benchmark::State& state)
{
    Rasters r;
    ImageModifierPen pen(MODIFIER_PEN);
    QList<QPointF> points;
    for (int i = 0; i <= 100; ++i)
    {
        points.append(QPointF(i / 100.0, 0.5 + 0.4 * ((i % 2) ? 1 : -1) * i / 100.0));
    }
    qint64 nStamp = QDateTime::currentMSecsSinceEpoch() + 1000;
    ImageModifierBase::RasterMap inputs{{"OVERLAY", &r.overlay}, {"MASK", &r.mask}};
    for (auto _ : state)
    {
        pen.setParameters({{ImageModifierPen::POINTS, QVariant::fromValue(points)},
                           {ImageModifierPen::SIZE, ImageModifierPen::convertPenFactor(int(state.range(0)))},
                           {ImageModifierPen::COLOR, ImageModifierPen::BLACK},
                           {ImageModifierPen::TIMESTAMP, ++nStamp}});
        ImageModifierBase::RasterMap outputs{{"OVERLAY", &r.outOverlay}, {"MASK", &r.outMask}};
        benchmark::DoNotOptimize(pen.process(inputs, outputs));
    }
}
BENCHMARK(BM_PenStroke)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_BucketFill(benchmark::State& state)
{
    Rasters r;
    ImageModifierBucket bucket(MODIFIER_BUCKET);
    qint64 nStamp = QDateTime::currentMSecsSinceEpoch() + 1000;
    ImageModifierBase::RasterMap inputs{{"CANVAS", &r.canvas}, {"OVERLAY", &r.overlay}, {"MASK", &r.mask}};
    for (auto _ : state)
    {
        bucket.setParameters({{ImageModifierBucket::POINT, QPointF(0.5, 0.5)},
                              {ImageModifierBucket::THRESHOLD, 0.5},
                              {ImageModifierBucket::COLOR, ImageModifierBucket::BLACK},
                              {ImageModifierBucket::TIMESTAMP, ++nStamp}});
        ImageModifierBase::RasterMap outputs{
            {"CANVAS", &r.outCanvas}, {"OVERLAY", &r.outOverlay}, {"MASK", &r.outMask}};
        benchmark::DoNotOptimize(bucket.process(inputs, outputs));
    }
}
BENCHMARK(BM_BucketFill)->Unit(benchmark::kMillisecond);

void BM_OverlayComposite(benchmark::State& state)
{
    Rasters r;
    ImageModifierOverlayComposite composite(MODIFIER_OVERLAY_COMPOSITE);
    composite.setParameters(composite.getDefaultParameters());
    ImageModifierBase::RasterMap inputs{{"CANVAS", &r.canvas}, {"OVERLAY", &r.overlay}, {"MASK", &r.mask}};
    for (auto _ : state)
    {
        ImageModifierBase::RasterMap outputs{{"CANVAS", &r.outCanvas}};
        benchmark::DoNotOptimize(composite.process(inputs, outputs));
    }
}
BENCHMARK(BM_OverlayComposite)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
