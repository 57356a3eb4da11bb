// Latency of a threshold pipeline: from a parameter change to the last output
// back in the object tree, at 1024 x 1024 and 2048 x 2048, next to the same
// two modifiers (threshold, then invert) called directly on the same rasters.
// Two further rows split the difference: the step's own process() on the GUI
// thread (buffer copies, no thread, no clones, no signals) and the clone of the
// input image object that each run makes. A summary prints every time and its
// ratio to the direct modifier calls.

#include "ImageModifier/ImageModifierInvert.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipelineFactoryBase.h"
#include "ImageProcessorBase.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
const QString PIPELINE_BENCH_THRESHOLD = QStringLiteral("PIPELINE_BENCH_THRESHOLD");
const QString INPUT = QStringLiteral("BENCH_INPUT");
const QString OUTPUT = QStringLiteral("BENCH_OUTPUT");

using Bytes = Raster2d<unsigned char>;

// The threshold step as every step is built: input into a buffer, the two
// modifiers chained over the buffers, the result into the output.
class ThresholdProcessor : public ImageProcessorBase
{
public:
    ThresholdProcessor()
        : ImageProcessorBase(PIPELINE_BENCH_THRESHOLD)
    {
        setModifier(new ImageModifierThreshold(MODIFIER_THRESHOLD));
        setModifier(new ImageModifierInvert(MODIFIER_INVERT));
        setupBufferRastersInput(1);
        setupBufferRastersOutput(1);
    }

    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override
    {
        MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                       mapParameterNameToParameterObject.size() == 2);
        ImageObject* pInput = mapImageNameToInputImageObject.begin()->second;
        ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
        MOLDENA_ASSERT(pInput);
        MOLDENA_ASSERT(pOutput);
        processChain<unsigned char>(pInput, pOutput, {MODIFIER_THRESHOLD, MODIFIER_INVERT},
                                    mapParameterNameToParameterObject);
    }
};

// Does nothing: a pipeline over it costs only its bookkeeping (the clones, the
// removals and additions with their signals, the hand-over to the pool thread
// and back).
class IdleProcessor : public ThresholdProcessor
{
public:
    void process(ImageObjectMap, ImageObjectMap, ParameterObjectMap) override {}
};

Bytes* makeBytes(unsigned int nSide)
{
    auto* pRaster = new Bytes(nSide, nSide);
    std::mt19937 generator(12345);
    for (unsigned int i = 0; i < pRaster->getSize(); ++i)
    {
        pRaster->getData()[i] = static_cast<unsigned char>(generator() % 256);
    }
    return pRaster;
}

// The tree with input and output and the pipeline over them, enabled and
// idle after its first runs.
struct PipelineSetup
{
    std::unique_ptr<ImagePipeline> pPipeline;
    ParameterObject* pThreshold = nullptr;
    bool bOutputBack = false;

    PipelineSetup(unsigned int nSide, ImageProcessorBase* pProcessor)
    {
        ObjectRoot* pRoot = ObjectRoot::getInstance();
        pRoot->clear();
        auto* pInput = new ImageObject(INPUT);
        pInput->setRaster(makeBytes(nSide), true);
        pRoot->addChild(pInput);
        pRoot->getOrCreateChild<ImageObject>(OUTPUT);

        QStringList slParameterNames;
        ImagePipelineFactoryBase::createParameterObject(MODIFIER_THRESHOLD, INPUT, slParameterNames, pProcessor);
        ImagePipelineFactoryBase::createParameterObject(MODIFIER_INVERT, INPUT, slParameterNames, pProcessor);
        pThreshold = pRoot->findChild<ParameterObject*>(slParameterNames[0]);
        auto* pInvert = pRoot->findChild<ParameterObject*>(slParameterNames[1]);
        ParameterObject::ParameterMap mapInvert = pInvert->getParameters();
        mapInvert[ImageModifierInvert::INVERT] = true;
        pInvert->setParameters(mapInvert);

        pPipeline.reset(new ImagePipeline("BENCH", {INPUT}, {OUTPUT}, slParameterNames, pProcessor));
        QObject::connect(pRoot, &ObjectRoot::signalChildAdded, pPipeline.get(), [this](const QString& sName) {
            if (sName == OUTPUT)
            {
                bOutputBack = true;
            }
        });
        pPipeline->setEnabled(true);
        waitIdle();
    }

    ~PipelineSetup()
    {
        pPipeline.reset();
        ObjectRoot::getInstance()->clear();
    }

    void waitIdle()
    {
        while (pPipeline->isCurrentlyBusy() || pPipeline->isTryAgainLater())
        {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    // One edit: a new threshold, then wait until the output is back.
    void edit(int nThreshold)
    {
        bOutputBack = false;
        ParameterObject::ParameterMap mapThreshold = pThreshold->getParameters();
        mapThreshold[ImageModifierThreshold::THRESHOLD] = nThreshold;
        pThreshold->setParameters(mapThreshold);
        while (!bOutputBack || pPipeline->isCurrentlyBusy())
        {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
};

void pipelineLatency(benchmark::State& state, unsigned int nSide)
{
    PipelineSetup setup(nSide, new ThresholdProcessor());
    int nThreshold = 100;
    for (auto _ : state)
    {
        nThreshold = nThreshold == 100 ? 150 : 100;
        setup.edit(nThreshold);
    }
}

void pipelineBookkeeping(benchmark::State& state, unsigned int nSide)
{
    PipelineSetup setup(nSide, new IdleProcessor());
    int nThreshold = 100;
    for (auto _ : state)
    {
        nThreshold = nThreshold == 100 ? 150 : 100;
        setup.edit(nThreshold);
    }
}

void directModifiers(benchmark::State& state, unsigned int nSide)
{
    std::unique_ptr<Bytes> pInput(makeBytes(nSide));
    Bytes middle(nSide, nSide);
    Bytes output(nSide, nSide);
    ImageModifierThreshold threshold(MODIFIER_THRESHOLD);
    ImageModifierInvert invert(MODIFIER_INVERT);
    ImageModifierBase::ParameterMap mapThreshold = threshold.getDefaultParameters();
    ImageModifierBase::ParameterMap mapInvert = invert.getDefaultParameters();
    mapInvert[ImageModifierInvert::INVERT] = true;
    invert.setParameters(mapInvert);
    int nThreshold = 100;
    for (auto _ : state)
    {
        nThreshold = nThreshold == 100 ? 150 : 100;
        mapThreshold[ImageModifierThreshold::THRESHOLD] = nThreshold;
        threshold.setParameters(mapThreshold);
        if (!threshold.process(pInput.get(), &middle) || !invert.process(&middle, &output))
        {
            state.SkipWithError("modifier refused");
            break;
        }
        benchmark::DoNotOptimize(output.getData());
    }
}

// The step alone, on the calling thread, over objects out of the tree.
void processorAlone(benchmark::State& state, unsigned int nSide)
{
    ThresholdProcessor processor;
    ImageObject input(INPUT);
    input.setRaster(makeBytes(nSide), true);
    ImageObject output(OUTPUT);
    ParameterObject thresholdParameters(ParameterObject::createName(INPUT, MODIFIER_THRESHOLD, 0));
    thresholdParameters.setParameters(processor.getModifier(MODIFIER_THRESHOLD)->getDefaultParameters());
    ParameterObject invertParameters(ParameterObject::createName(INPUT, MODIFIER_INVERT, 0));
    invertParameters.setParameters({{ImageModifierInvert::INVERT, true}});
    const ImageProcessorBase::ParameterObjectMap mapParameters{{thresholdParameters.objectName(), &thresholdParameters},
                                                               {invertParameters.objectName(), &invertParameters}};
    int nThreshold = 100;
    for (auto _ : state)
    {
        nThreshold = nThreshold == 100 ? 150 : 100;
        thresholdParameters.setParameters({{ImageModifierThreshold::THRESHOLD, nThreshold},
                                           {ImageModifierThreshold::MODIFIER_THRESHOLD_ENABLED, true}});
        processor.execute({{INPUT, &input}}, {{OUTPUT, &output}}, mapParameters);
    }
}

// The clone of the input image object each run makes on the GUI thread.
void inputClone(benchmark::State& state, unsigned int nSide)
{
    ImageObject input(INPUT);
    input.setRaster(makeBytes(nSide), true);
    for (auto _ : state)
    {
        std::unique_ptr<ObjectBase> pClone(input.clone());
        benchmark::DoNotOptimize(pClone.get());
    }
}

struct Row
{
    std::string sName;
    void (*function)(benchmark::State&, unsigned int);
};

const std::vector<Row> ROWS = {{"direct modifiers", directModifiers},
                               {"processor alone", processorAlone},
                               {"input clone", inputClone},
                               {"pipeline bookkeeping", pipelineBookkeeping},
                               {"pipeline latency", pipelineLatency}};
const std::vector<unsigned int> SIDES = {1024, 2048};

std::string benchmarkName(const Row& row, unsigned int nSide)
{
    return row.sName + "/" + std::to_string(nSide);
}

// The console table, and the real time of every repetition kept for the
// summary, which prints the median (the machine is shared: use
// --benchmark_repetitions to steady the figures).
class SummaryReporter : public benchmark::ConsoleReporter
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
            if (run.run_type == Run::RT_Iteration)
            {
                m_mapTimes[run.run_name.str()].push_back(run.GetAdjustedRealTime());
            }
            else if (run.aggregate_name == "median")
            {
                m_mapMedians[run.run_name.str()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(reports);
    }

    void printSummary() const
    {
        for (unsigned int nSide : SIDES)
        {
            const double dDirect = median(benchmarkName(ROWS[0], nSide));
            if (dDirect <= 0.0)
            {
                continue;
            }
            std::printf("\n%-22s %12s %22s\n", (std::to_string(nSide) + " x " + std::to_string(nSide)).c_str(),
                        "time [ms]", "ratio to the modifiers");
            for (const Row& row : ROWS)
            {
                const double dTime = median(benchmarkName(row, nSide));
                if (dTime > 0.0)
                {
                    std::printf("%-22s %12.3f %22.2f\n", row.sName.c_str(), dTime, dTime / dDirect);
                }
            }
        }
    }

private:
    double median(const std::string& sName) const
    {
        const auto itMedian = m_mapMedians.find(sName + "/real_time");
        if (itMedian != m_mapMedians.end())
        {
            return itMedian->second;
        }
        const auto it = m_mapTimes.find(sName + "/real_time");
        if (it == m_mapTimes.end() || it->second.empty())
        {
            return 0.0;
        }
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }

    std::map<std::string, std::vector<double>> m_mapTimes;
    std::map<std::string, double> m_mapMedians;
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (unsigned int nSide : SIDES)
    {
        for (const Row& row : ROWS)
        {
            benchmark::RegisterBenchmark(benchmarkName(row, nSide).c_str(), row.function, nSide)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
    {
        return 1;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
