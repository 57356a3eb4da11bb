// Each modifier on a 2048 x 2048 raster next to the bare OpenCV call it wraps,
// on the same data in the same run. After the usual table a summary prints
// both times and their ratio (modifier / OpenCV) for every pair; with
// --benchmark_repetitions it uses the medians.

#include "CvRaster.h"
#include "ImageModifier/ImageModifierBlur.h"
#include "ImageModifier/ImageModifierClone.h"
#include "ImageModifier/ImageModifierCrop.h"
#include "ImageModifier/ImageModifierDepthScale.h"
#include "ImageModifier/ImageModifierDilate.h"
#include "ImageModifier/ImageModifierDistanceTransform.h"
#include "ImageModifier/ImageModifierEqualize.h"
#include "ImageModifier/ImageModifierErode.h"
#include "ImageModifier/ImageModifierFlip.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierMedian.h"
#include "ImageModifier/ImageModifierResize.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImageModifier/ImageModifierThreshold.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr unsigned int SIDE = 2048;

using Bytes = Raster2d<unsigned char>;
using Floats = Raster2d<float>;

// Smooth shapes with seeded noise, so that filters and the equalization have
// real work (a constant raster would let some library paths shortcut).
std::unique_ptr<Bytes> makeBytes()
{
    auto pRaster = std::make_unique<Bytes>(SIDE, SIDE);
    std::mt19937 generator(12345);
    for (unsigned int y = 0; y < SIDE; ++y)
    {
        for (unsigned int x = 0; x < SIDE; ++x)
        {
            const unsigned int nShape = ((x / 97 + y / 61) % 3) * 60 + (x * y / 4096) % 50;
            pRaster->set(x, y, static_cast<unsigned char>(nShape + generator() % 40));
        }
    }
    return pRaster;
}

std::unique_ptr<Bytes> makeBinary()
{
    auto pRaster = makeBytes();
    cv::Mat mat = cvHeader(*pRaster);
    cv::threshold(mat, mat, 100.0, 255.0, cv::THRESH_BINARY);
    return pRaster;
}

std::unique_ptr<Floats> makeFloats()
{
    auto pBytes = makeBytes();
    auto pRaster = std::make_unique<Floats>(SIDE, SIDE);
    cv::Mat mat = cvHeader(*pRaster);
    cvHeader(*pBytes).convertTo(mat, CV_32F, 0.5);
    return pRaster;
}

void runModifier(benchmark::State& state, ImageModifierBase& modifier, Raster2dBase* pInput, Raster2dBase* pOutput)
{
    for (auto _ : state)
    {
        if (!modifier.process(pInput, pOutput))
        {
            state.SkipWithError("the modifier refused");
            break;
        }
        benchmark::ClobberMemory();
    }
}

template <typename Call>
void runBare(benchmark::State& state, Call call)
{
    for (auto _ : state)
    {
        call();
        benchmark::ClobberMemory();
    }
}

// One pair: the modifier with its parameters on one input and output, and
// the library call on the same data.
struct Pair
{
    std::string sName;
    std::function<void(benchmark::State&)> modifier;
    std::function<void(benchmark::State&)> bare;
};

// A pair on 8-bit input and output of the same size.
template <typename Modifier>
Pair bytePair(const std::string& sName, const QString& sModifierName, ImageModifierBase::ParameterMap parameters,
              std::function<void(const cv::Mat&, cv::Mat&)> bare, bool bBinary = false)
{
    return Pair{sName,
                [=](benchmark::State& state) {
                    auto pInput = bBinary ? makeBinary() : makeBytes();
                    Bytes output(SIDE, SIDE);
                    Modifier modifier(sModifierName);
                    modifier.setParameters(parameters);
                    runModifier(state, modifier, pInput.get(), &output);
                },
                [=](benchmark::State& state) {
                    auto pInput = bBinary ? makeBinary() : makeBytes();
                    Bytes output(SIDE, SIDE);
                    const cv::Mat input = cvHeader(*pInput);
                    cv::Mat out = cvHeader(output);
                    runBare(state, [&] { bare(input, out); });
                }};
}

std::vector<Pair> pairs()
{
    std::vector<Pair> list;
    list.push_back(bytePair<ImageModifierClone>("Clone", "clone", {},
                                                [](const cv::Mat& in, cv::Mat& out) { in.copyTo(out); }));
    list.push_back(Pair{"Resize",
                        [](benchmark::State& state) {
                            auto pInput = makeBytes();
                            Bytes output(SIDE / 2, SIDE / 2);
                            ImageModifierResize modifier(MODIFIER_RESIZE);
                            modifier.setParameters({{ImageModifierResize::PIXELS, (SIDE / 2) * (SIDE / 2)},
                                                    {ImageModifierResize::SCALE_VALUES, false}});
                            runModifier(state, modifier, pInput.get(), &output);
                        },
                        [](benchmark::State& state) {
                            auto pInput = makeBytes();
                            Bytes output(SIDE / 2, SIDE / 2);
                            const cv::Mat input = cvHeader(*pInput);
                            cv::Mat out = cvHeader(output);
                            runBare(state, [&] { cv::resize(input, out, out.size(), 0, 0, cv::INTER_AREA); });
                        }});
    list.push_back(Pair{"Roi",
                        [](benchmark::State& state) {
                            auto pInput = makeBytes();
                            ImageModifierRoi modifier(MODIFIER_ROI);
                            modifier.setParameters({{ImageModifierRoi::LEFT, 0.25},
                                                    {ImageModifierRoi::RIGHT, 0.75},
                                                    {ImageModifierRoi::TOP, 0.25},
                                                    {ImageModifierRoi::BOTTOM, 0.75}});
                            runModifier(state, modifier, pInput.get(), pInput.get());
                        },
                        // No library call: the bare raster operation.
                        [](benchmark::State& state) {
                            auto pInput = makeBytes();
                            runBare(state, [&] { pInput->setRoi(QRectF(0.25, 0.25, 0.5, 0.5)); });
                        }});
    list.push_back(Pair{"Crop",
                        [](benchmark::State& state) {
                            auto pInput = makeBytes();
                            pInput->setRoi(QRectF(0.25, 0.25, 0.5, 0.5));
                            Bytes output(SIDE / 2, SIDE / 2);
                            ImageModifierCrop modifier(MODIFIER_CROP);
                            runModifier(state, modifier, pInput.get(), &output);
                        },
                        [](benchmark::State& state) {
                            auto pInput = makeBytes();
                            Bytes output(SIDE / 2, SIDE / 2);
                            const cv::Mat input = cvHeader(*pInput);
                            cv::Mat out = cvHeader(output);
                            const cv::Rect region(SIDE / 4, SIDE / 4, SIDE / 2, SIDE / 2);
                            runBare(state, [&] { input(region).copyTo(out); });
                        }});
    // The equalization's library calls; the shading correction between them
    // is its own pass.
    list.push_back(bytePair<ImageModifierEqualize>(
        "Equalize", MODIFIER_EQUALIZE, {{ImageModifierEqualize::MODIFIER_EQUALIZE_ENABLED, true}},
        [](const cv::Mat& in, cv::Mat& out) {
            cv::blur(in, out, cv::Size(1025, 1025), cv::Point(-1, -1), cv::BORDER_DEFAULT);
            double dMin = 0.0;
            double dMax = 0.0;
            cv::minMaxLoc(out, &dMin, &dMax);
            static const cv::Mat table = [] {
                cv::Mat t(1, 256, CV_8UC1);
                for (int i = 0; i < 256; ++i)
                {
                    t.at<unsigned char>(i) = static_cast<unsigned char>(255 - i);
                }
                return t;
            }();
            cv::LUT(out, table, out);
        }));
    list.push_back(bytePair<ImageModifierThreshold>(
        "Threshold", MODIFIER_THRESHOLD,
        {{ImageModifierThreshold::THRESHOLD, 100}, {ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED, true}},
        [](const cv::Mat& in, cv::Mat& out) { cv::threshold(in, out, 100.0, 255.0, cv::THRESH_BINARY); }));
    list.push_back(bytePair<ImageModifierInvert>("Invert", MODIFIER_INVERT, {{ImageModifierInvert::INVERT, true}},
                                                 [](const cv::Mat& in, cv::Mat& out) { cv::bitwise_not(in, out); }));
    list.push_back(bytePair<ImageModifierFlip>(
        "Flip", MODIFIER_FLIP, {{ImageModifierFlip::VERTICAL, true}, {ImageModifierFlip::HORIZONTAL, true}},
        [](const cv::Mat& in, cv::Mat& out) { cv::flip(in, out, -1); }));
    // 10 thousandths of 2048: 20 passes.
    list.push_back(bytePair<ImageModifierDilate>(
        "Dilate", MODIFIER_DILATE, {{ImageModifierDilate::ITERATIONS, 10}},
        [](const cv::Mat& in, cv::Mat& out) {
            cv::dilate(in, out, cv::Mat(), cv::Point(-1, -1), 20, cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
        },
        true));
    list.push_back(bytePair<ImageModifierErode>(
        "Erode", MODIFIER_ERODE, {{ImageModifierErode::ITERATIONS, 10}},
        [](const cv::Mat& in, cv::Mat& out) {
            cv::erode(in, out, cv::Mat(), cv::Point(-1, -1), 20, cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
        },
        true));
    // 10 thousandths of 2048: n = 20, window 21.
    list.push_back(bytePair<ImageModifierMedian>("Median", MODIFIER_MEDIAN, {{ImageModifierMedian::SIZE, 10}},
                                                 [](const cv::Mat& in, cv::Mat& out) { cv::medianBlur(in, out, 21); }));
    // 100 thousandths of 2048: n = 204, window 205.
    list.push_back(bytePair<ImageModifierBlur>("Blur", MODIFIER_BLUR, {{ImageModifierBlur::SIZE, 100}},
                                               [](const cv::Mat& in, cv::Mat& out) {
                                                   cv::blur(in, out, cv::Size(205, 205), cv::Point(-1, -1),
                                                            cv::BORDER_DEFAULT);
                                               }));
    list.push_back(Pair{"DistanceTransform",
                        [](benchmark::State& state) {
                            auto pInput = makeBinary();
                            Floats output(SIDE, SIDE);
                            ImageModifierDistanceTransform modifier(MODIFIER_DISTANCE_TRANSFORM);
                            runModifier(state, modifier, pInput.get(), &output);
                        },
                        [](benchmark::State& state) {
                            auto pInput = makeBinary();
                            Floats output(SIDE, SIDE);
                            const cv::Mat input = cvHeader(*pInput);
                            cv::Mat out = cvHeader(output);
                            runBare(state, [&] { cv::distanceTransform(input, out, cv::DIST_L2, cv::DIST_MASK_3); });
                        }});
    list.push_back(Pair{"DepthScale",
                        [](benchmark::State& state) {
                            auto pInput = makeFloats();
                            Floats output(SIDE, SIDE);
                            ImageModifierDepthScale modifier(MODIFIER_DEPTH_SCALE);
                            modifier.setParameters({{ImageModifierDepthScale::SIZE, 1.7}});
                            runModifier(state, modifier, pInput.get(), &output);
                        },
                        [](benchmark::State& state) {
                            auto pInput = makeFloats();
                            Floats output(SIDE, SIDE);
                            const cv::Mat input = cvHeader(*pInput);
                            cv::Mat out = cvHeader(output);
                            runBare(state, [&] { input.convertTo(out, CV_32F, double(1.7f)); });
                        }});
    // Turned by 30 degrees and scaled by 1.2 at kept size, 8-bit and float.
    const ImageModifierGeometricTransformation::ParameterMap transform{
        {ImageModifierGeometricTransformation::ANGLE, 30},
        {ImageModifierGeometricTransformation::SCALE_X, 1.2},
        {ImageModifierGeometricTransformation::SCALE_Y, 1.2},
        {ImageModifierGeometricTransformation::TRANSLATE_X, 0.0},
        {ImageModifierGeometricTransformation::TRANSLATE_Y, 0.0},
        {ImageModifierGeometricTransformation::SCALE_VALUES, false},
        {ImageModifierGeometricTransformation::USE_OUTPUT_SIZE, false},
        {ImageModifierGeometricTransformation::USE_BLACK_BORDER, false},
        {ImageModifierGeometricTransformation::KEEP_SIZE, true}};
    for (const bool bFloat : {false, true})
    {
        list.push_back(Pair{
            bFloat ? "GeometricTransformationFloat" : "GeometricTransformation",
            [=](benchmark::State& state) {
                std::unique_ptr<Raster2dBase> pInput(bFloat ? static_cast<Raster2dBase*>(makeFloats().release())
                                                            : static_cast<Raster2dBase*>(makeBytes().release()));
                std::unique_ptr<Raster2dBase> pOutput(pInput->createSameSize());
                ImageModifierGeometricTransformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
                modifier.setParameters(transform);
                runModifier(state, modifier, pInput.get(), pOutput.get());
            },
            [=](benchmark::State& state) {
                ImageModifierGeometricTransformation modifier(MODIFIER_GEOMETRIC_TRANSFORMATION);
                modifier.setParameters(transform);
                cv::Mat matrix;
                modifier.getTransformationMatrix(matrix, SIDE, SIDE, SIDE, SIDE);
                if (bFloat)
                {
                    auto pInput = makeFloats();
                    Floats output(SIDE, SIDE);
                    const cv::Mat input = cvHeader(*pInput);
                    cv::Mat out = cvHeader(output);
                    runBare(state, [&] {
                        cv::warpPerspective(input, out, matrix, out.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                                            cv::Scalar(double(std::numeric_limits<float>::max())));
                    });
                }
                else
                {
                    auto pInput = makeBytes();
                    Bytes output(SIDE, SIDE);
                    const cv::Mat input = cvHeader(*pInput);
                    cv::Mat out = cvHeader(output);
                    runBare(state, [&] {
                        cv::warpPerspective(input, out, matrix, out.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                                            cv::Scalar(255.0));
                    });
                }
            }});
    }
    return list;
}

// The console table, and the times per iteration kept for the summary: the
// median of repetitions when there are any, else the single run. Both real
// and CPU time are kept, since OpenCV spreads work over threads and the
// machine may be shared.
class PairReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        for (const Run& run : reports)
        {
            if (run.error_occurred)
            {
                continue;
            }
            const bool bMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (bMedian || run.run_type == Run::RT_Iteration)
            {
                Times& times = m_mapTimes[run.run_name.str()];
                if (bMedian || !times.bMedian)
                {
                    times = Times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), bMedian};
                }
            }
        }
        ConsoleReporter::ReportRuns(reports);
    }

    void printSummary(const std::vector<Pair>& list) const
    {
        std::printf("\n%-30s %12s %12s %7s %12s %12s %7s\n", "modifier (2048 x 2048)", "real [us]", "OpenCV [us]",
                    "ratio", "CPU [us]", "OpenCV [us]", "ratio");
        for (const Pair& pair : list)
        {
            const auto itModifier = m_mapTimes.find(pair.sName + "/modifier/real_time");
            const auto itBare = m_mapTimes.find(pair.sName + "/opencv/real_time");
            if (itModifier == m_mapTimes.end() || itBare == m_mapTimes.end())
            {
                continue;
            }
            const Times& modifier = itModifier->second;
            const Times& bare = itBare->second;
            std::printf("%-30s %12.1f %12.1f %7.2f %12.1f %12.1f %7.2f\n", pair.sName.c_str(), modifier.dReal * 1000.0,
                        bare.dReal * 1000.0, modifier.dReal / bare.dReal, modifier.dCpu * 1000.0, bare.dCpu * 1000.0,
                        modifier.dCpu / bare.dCpu);
        }
    }

private:
    struct Times
    {
        double dReal = 0.0;
        double dCpu = 0.0;
        bool bMedian = false;
    };
    std::map<std::string, Times> m_mapTimes;
};
} // namespace

int main(int argc, char** argv)
{
    const std::vector<Pair> list = pairs();
    for (const Pair& pair : list)
    {
        benchmark::RegisterBenchmark((pair.sName + "/modifier").c_str(), pair.modifier)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark((pair.sName + "/opencv").c_str(), pair.bare)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
    {
        return 1;
    }
    PairReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary(list);
    benchmark::Shutdown();
    return 0;
}
